// Which cell of its sheet a kind draws on each frame, read back from the screen: the kind's sheet is replaced by one
// whose cells are flat colours (red from the cell's column, green from its row).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/screen_buffer.h"
#include "tests/game_enemy/enemy_fixture.h"
#include "tests/support/bmp_writer.h"

namespace {

using enemy_test::Enemies;

// A 24-bit BMP of w x h pixels: the cell at column c, row r (cells cw x ch) is red 16 (c + 1), green 16 (r + 1).
std::vector<unsigned char> CellSheetBmp(int w, int h, int cw, int ch) {
  return test_bmp::Bmp24(w, h, [cw, ch](int x, int y) {
    return static_cast<std::uint32_t>(16 * (x / cw + 1)) << 16 | static_cast<std::uint32_t>(16 * (y / ch + 1)) << 8;
  });
}

class EnemyCells : public Enemies {
 protected:
  // Gives `kind` a sheet of flat cells.
  void UseCellSheet(int kind, int w, int h, int cw, int ch) {
    const std::string name = "gsx/cells_" + std::to_string(kind) + ".bmp";
    game_test::WriteBytes(name, CellSheetBmp(w, h, cw, ch));
    enemy_images[kind] = LoadGraphicFile(name.c_str());
    ASSERT_GE(enemy_images[kind], 0);
    cw_ = cw;
    ch_ = ch;
    SelectDrawTarget(-2);
    SetBlendMode(0, 255);
  }
  // The cell (x, y) shown at screen point (px, py) after one frame.
  std::pair<int, int> CellAfterFrame(int px, int py) {
    DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
    update_enemies();
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(py) * back->Pitch() + px * 4, 4);
    const int red = static_cast<int>((v >> 16) & 0xFF), green = static_cast<int>((v >> 8) & 0xFF);
    if (red == 0 || green == 0) return {-1, -1};
    return {(red / 16 - 1) * cw_, (green / 16 - 1) * ch_};
  }
  int cw_ = 1, ch_ = 1;
};

struct CellRange {
  int last;  // last timer value of the range
  int cx, cy;
};
std::pair<int, int> CellOf(const std::vector<CellRange>& ranges, int t) {
  for (const CellRange& r : ranges)
    if (t <= r.last) return {r.cx, r.cy};
  return {-1, -1};
}

TEST_F(EnemyCells, Kind14ShotEndsWithTheWatchingCellsOver81To119) {
  UseCellSheet(14, 600, 300, 120, 150);
  const int i = Spawn(14, 1, 300, 150);
  PlayerAt(420, 150);
  update_enemies();
  ASSERT_EQ(enemy_pool[i].mode, 1);
  ASSERT_EQ(enemy_pool[i].timer, 0);
  const std::vector<CellRange> shot = {{10, 0, 150},   {20, 120, 150}, {40, 240, 150}, {50, 360, 150},
                                       {80, 480, 150}, {90, 0, 0},     {100, 120, 0},  {110, 240, 0},
                                       {119, 120, 0}};
  for (int t = 0; t <= 119; ++t) {
    EXPECT_EQ(CellAfterFrame(300 + 25 + 60, 150 + 75), CellOf(shot, t)) << "timer " << t;
  }
  EXPECT_EQ(enemy_pool[i].mode, 0);
}

TEST_F(EnemyCells, Kind28WatchesWithCellsOver0To10And11To20And21To30And31To39) {
  UseCellSheet(28, 750, 420, 150, 210);
  const int i = Spawn(28, 1, 300, 100);
  const std::vector<CellRange> watch = {{10, 0, 0}, {20, 150, 0}, {30, 300, 0}, {39, 150, 0}};
  for (int n = 0; n < 80; ++n) {
    const int t = enemy_pool[i].timer;
    EXPECT_EQ(CellAfterFrame(300 + 75, enemy_pool[i].y + 105), CellOf(watch, t)) << "timer " << t;
  }
  EXPECT_EQ(enemy_pool[i].mode, 0);
}

}  // namespace
