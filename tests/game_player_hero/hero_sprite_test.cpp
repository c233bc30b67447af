// The hero's sprite on the placeholder sheets, whose cells each have a colour of their own: for each state and frame,
// the presented frame shows the expected cell at the expected place (mirrored where the hero faces left).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/display/headless_display.h"
#include "tests/game_player_hero/hero_fixture.h"
#include "tools/placeholder/asset_table.h"
#include "tools/placeholder/asset_writers.h"

namespace {

using game_test::HeroTest;

// The placeholder picture of `path` as the generator draws it.
PlaceholderRaster Sheet(const std::string& path) {
  const auto& images = PlaceholderImages();
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (path == images[i].path) return DrawPlaceholderImage(images[i], static_cast<int>(i));
  }
  return {};
}

std::uint32_t At(const PlaceholderRaster& r, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width) + static_cast<std::size_t>(x)) * 3;
  return std::uint32_t{r.rgb[i]} << 16 | std::uint32_t{r.rgb[i + 1]} << 8 | r.rgb[i + 2];
}

struct SpriteCase {
  const char* what;
  int hero_id;
  std::function<void()> set;
  const char* sheet;  // the picture drawn on top at the probe
  int cx, cy, w, h;   // its cell
  int dx, dy;         // where it is drawn, from (mx, my)
  bool mirrored;
};

class HeroSprite : public HeroTest {
 protected:
  void SetUp() override {
    HeroTest::SetUp();
    PlaceholderTreeResult written;
    ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  }
};

TEST_F(HeroSprite, EachStateDrawsItsCell) {
  const SpriteCase cases[] = {
      {"standing", 0, [] { idle_anim = 0; }, "gsx/cr/galeo1.png", 171, 0, 57, 108, 0, -2, false},
      {"standing, later", 0, [] { idle_anim = 25; }, "gsx/cr/galeo1.png", 285, 0, 57, 108, 0, -2, false},
      {"walking right", 0, [] { pose = 3; }, "gsx/cr/galeo1.png", 114, 108, 57, 108, 0, -2, false},
      {"walking left", 0, [] { pose = 13; }, "gsx/cr/galeo1.png", 114, 108, 57, 108, 0, -2, true},
      {"walking and shooting", 0, [] { pose = 2; shot_pose = 5; }, "gsx/cr/galeo1.png", 57, 216, 57, 108, 0, -2,
       false},
      {"crouching", 0, [] { crouching = 1; }, "gsx/cr/galeo1.png", 513, 0, 57, 108, 0, -2, false},
      {"rising", 0, [] { jumping = rising = 1; jump_anim = 12; }, "gsx/cr/galeo1.png", 57, 324, 57, 108, 0, -2,
       false},
      {"jump past its top", 0, [] { jumping = 1; jump_anim = 27; }, "gsx/cr/galeo1.png", 285, 324, 57, 108, 0, -2,
       false},
      {"falling", 0, [] { falling = 1; jump_anim = 7; }, "gsx/cr/galeo1.png", 285, 324, 57, 108, 0, -2, false},
      {"hit", 0, [] { hurt = 1; hurt_count = 15; }, "gsx/cr/galeo2.png", 663, 0, 57, 108, 0, -2, false},
      {"dying facing right", 0, [] { PlayerState = player_dead; }, "gsx/cr/galeo2.png", 0, 108, 108, 108, -50, 0,
       false},
      {"dying facing left", 0, [] { PlayerState = player_dead; pose = 10; skill_step = 32; }, "gsx/cr/galeo2.png",
       216, 108, 108, 108, 0, 0, true},
      {"climbing", 0, [] { on_ladder = 1; ladder = 12; }, "gsx/cr/galeo3.png", 114, 324, 57, 108, 0, -2, false},
      {"getting onto the ladder", 0, [] { on_ladder = 1; ladder_move = 1; ladder = 3; }, "gsx/cr/galeo1.png", 456,
       540, 57, 108, 0, -2, false},
      {"dashing", 0, [] { pose = 4; dashing = 1; dash = 3; }, "gsx/cr/galeo2.png", 390, 0, 108, 108, -30, -2, false},
      {"melee", 0, [] { PlayerState = player_melee; melee_count = 10; }, "gsx/cr/galeo2.png", 360, 216, 120, 108, -32,
       -2, false},
      {"stage clear", 0, [] { PlayerState = player_stage_clear_2; frame_counter = 100; }, "gsx/cr/galeo1.png", 399, 0,
       57, 108, 0, 0, false},
      {"tea", 0, [] { tea = 2100; }, "gsx/cr/galeo3.png", 57, 0, 57, 108, 0, -2, false},
      {"second hero standing", 1, [] { idle_anim = 20; }, "gsx/cr/lisel1.png", 120, 0, 120, 108, -31, -2, false},
      {"second hero walking", 1, [] { pose = 5; }, "gsx/cr/katana1.png", 480, 108, 120, 108, -31, -2, false},
      {"second hero hit, other costume", 1, [] { hurt = 1; hurt_count = 12; accessory = 14; }, "gsx/cr/lisel4.png",
       680, 0, 120, 108, -31, -2, false},
      {"second hero's first swing", 1, [] { PlayerState = player_attack_1; attack_count = 6; }, "gsx/cr/katana2.png",
       120, 0, 120, 108, -21, -2, false},
      {"second hero climbing over", 1, [] { on_ladder = 1; ladder_move = 2; ladder = 25; }, "gsx/cr/lisel1.png", 240,
       648, 120, 108, -31, -2, false},
  };
  for (const SpriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    player_globals = PlayerGlobals{};
    hero = c.hero_id;
    hp = 100;
    accessory = accessory_none;
    mx = 300;
    my = 200;
    load_hero_images();
    c.set();
    SelectDrawTarget(-2);
    DrawRectangle(0, 0, 640, 480, MakeColorValue(1, 2, 3), 1);
    draw_hero_sprite();
    PresentBackScreen();
    const PlaceholderRaster sheet = Sheet(c.sheet);
    ASSERT_GT(sheet.width, 0);
    int wrong = 0;
    for (const int px : {c.w / 3, c.w / 2}) {
      for (const int py : {c.h / 3, c.h / 2}) {
        const int sx = c.cx + (c.mirrored ? c.w - 1 - px : px);
        const std::uint32_t want = At(sheet, sx, c.cy + py);
        if ((platform::headless::FramebufferPixel(mx + c.dx + px, my + c.dy + py) & 0xFFFFFF) != want) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(HeroSprite, TheMeleeFrameNumberAndTheBlinkingAfterAHit) {
  load_hero_images();
  PlayerState = player_melee;
  const int expected[] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 7};
  for (int a = 0; a < 22; ++a) {
    melee_count = a;
    draw_hero_sprite();
    EXPECT_EQ(melee_frame, expected[a]) << a;
  }
  PlayerState = player_free;
  hurt = 1;
  for (const int count : {30, 31, 32, 33}) {
    hurt_count = count;
    SelectDrawTarget(-2);
    DrawRectangle(0, 0, 640, 480, MakeColorValue(1, 2, 3), 1);
    draw_hero_sprite();
    PresentBackScreen();
    const bool drawn = (platform::headless::FramebufferPixel(mx + 28, my + 50) & 0xFFFFFF) != 0x010203;
    EXPECT_EQ(drawn, count % 2 == 0) << count;
  }
}

}  // namespace
