#include "tools/placeholder/asset_writers.h"

#include <jpeglib.h>
#include <lame/lame.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <system_error>

#include "tools/placeholder/placeholder_text.h"

namespace {

void PutLE(PlaceholderBytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A mid-bright colour per (file, cell): hue steps by 137 degrees so neighbouring cells differ strongly; channels stay
// within 48..224, so no fill is black, magenta or the white border.
void CellColour(int fileIndex, int cellIndex, std::uint8_t out[3]) {
  const int hue = ((fileIndex * 53 + cellIndex) * 137) % 360;
  const int lo = 48 + (fileIndex * 29 + cellIndex * 11) % 48;  // 48..95
  const int hi = 224 - (cellIndex * 7 + fileIndex) % 40;       // 185..224
  const int sector = hue / 60;
  const int frac = hue % 60;
  const int rise = lo + (hi - lo) * frac / 60;
  const int fall = hi - (hi - lo) * frac / 60;
  int r = 0, g = 0, b = 0;
  switch (sector) {
    case 0: r = hi, g = rise, b = lo; break;
    case 1: r = fall, g = hi, b = lo; break;
    case 2: r = lo, g = hi, b = rise; break;
    case 3: r = lo, g = fall, b = hi; break;
    case 4: r = rise, g = lo, b = hi; break;
    default: r = hi, g = lo, b = fall; break;
  }
  out[0] = static_cast<std::uint8_t>(r);
  out[1] = static_cast<std::uint8_t>(g);
  out[2] = static_cast<std::uint8_t>(b);
}

// Clips the rectangle to the raster; false when nothing is left.
bool Clip(const PlaceholderRaster& r, PlaceholderRect& rect) {
  const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
  const int x1 = std::min(rect.x + rect.w, r.width), y1 = std::min(rect.y + rect.h, r.height);
  if (x1 <= x0 || y1 <= y0) return false;
  rect = {x0, y0, x1 - x0, y1 - y0};
  return true;
}

void Fill(PlaceholderRaster& r, PlaceholderRect rect, const std::uint8_t colour[3]) {
  if (!Clip(r, rect)) return;
  for (int y = rect.y; y < rect.y + rect.h; ++y) {
    std::uint8_t* p = r.rgb.data() + (static_cast<size_t>(y) * r.width + rect.x) * 3;
    for (int x = 0; x < rect.w; ++x, p += 3) std::memcpy(p, colour, 3);
  }
}

void Outline(PlaceholderRaster& r, const PlaceholderRect& rect) {
  Fill(r, {rect.x, rect.y, rect.w, 1}, kPlaceholderBorder);
  Fill(r, {rect.x, rect.y + rect.h - 1, rect.w, 1}, kPlaceholderBorder);
  Fill(r, {rect.x, rect.y, 1, rect.h}, kPlaceholderBorder);
  Fill(r, {rect.x + rect.w - 1, rect.y, 1, rect.h}, kPlaceholderBorder);
}

// A colour between a and b: t of 256 of the way.
void Mix(const std::uint8_t a[3], const std::uint8_t b[3], int t, std::uint8_t out[3]) {
  for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((a[c] * (256 - t) + b[c] * t) / 256);
}

void SetPixel(PlaceholderRaster& r, int x, int y, const std::uint8_t colour[3]) {
  if (x < 0 || y < 0 || x >= r.width || y >= r.height) return;
  std::memcpy(r.rgb.data() + (static_cast<size_t>(y) * r.width + x) * 3, colour, 3);
}

bool EndsWithJpeg(const char* path) {
  const std::string p = path;
  return p.size() >= 4 && p.compare(p.size() - 4, 4, ".jpg") == 0;
}

// Characters, enemies and effects: their cells get a facing mark.
bool IsSpriteSheet(const char* path) {
  const std::string p = path;
  for (const char* folder : {"gsx/cr/", "gsx/ey/", "gsx/ef/", "gsx/ep/"}) {
    if (p.rfind(folder, 0) == 0) return true;
  }
  return false;
}

// Menu sheets: gsx/system/ but the portraits (stand_NN).
bool IsMenuSheet(const char* path) {
  const std::string p = path;
  return p.rfind("gsx/system/", 0) == 0 && p.rfind("gsx/system/stand_", 0) != 0;
}

// A full-screen picture: a checkerboard of 40-pixel squares in two shades of the file's colour and its name.
void DrawScreenPattern(PlaceholderRaster& r, const std::uint8_t base[3], const std::string& stem) {
  const std::uint8_t grey[3] = {96, 96, 96};
  std::uint8_t dark[3], light[3];
  Mix(base, grey, 160, dark);
  Mix(base, grey, 96, light);
  for (int y = 0; y < r.height; y += 40) {
    for (int x = 0; x < r.width; x += 40) Fill(r, {x, y, 40, 40}, ((x + y) / 40) % 2 == 0 ? dark : light);
  }
  DrawPlaceholderText(r, {r.width - 260, r.height - 40, 256, 36}, stem, kPlaceholderText,
                      PlaceholderTextAlign::kCentre, 24);
}

// A stage background layer: a JPEG is a sky (light at the top, the file's colour at the bottom) with a coarse grid
// that shows the scrolling; a PNG layer is hills in the lower part over the key colour, so the layers behind show.
void DrawBackdrop(PlaceholderRaster& r, const std::uint8_t base[3], bool sky, const std::string& stem) {
  const std::uint8_t white[3] = {230, 236, 244};
  if (sky) {
    for (int y = 0; y < r.height; ++y) {
      std::uint8_t c[3];
      Mix(white, base, y * 256 / std::max(r.height, 1), c);
      Fill(r, {0, y, r.width, 1}, c);
    }
    std::uint8_t line[3];
    Mix(base, white, 96, line);
    for (int x = 0; x < r.width; x += 80) Fill(r, {x, 0, 1, r.height}, line);
    for (int y = 0; y < r.height; y += 80) Fill(r, {0, y, r.width, 1}, line);
  } else {
    std::uint8_t hill[3], ridge[3];
    const std::uint8_t dark[3] = {48, 48, 48};
    Mix(base, dark, 64, hill);
    Mix(base, white, 128, ridge);
    const int horizon = r.height * 3 / 5;
    for (int x = 0; x < r.width; ++x) {
      // Two overlapping waves: a hill every 160 pixels, repeating seamlessly across a 640-pixel layer.
      const double a = std::sin(2.0 * std::numbers::pi * x / 160.0), b = std::sin(2.0 * std::numbers::pi * x / 320.0);
      const int top = horizon - static_cast<int>(30.0 * a + 20.0 * b);
      Fill(r, {x, top, 1, r.height - top}, hill);
      Fill(r, {x, top, 1, 3}, ridge);
    }
  }
  DrawPlaceholderText(r, {4, 4, 200, 28}, stem, kPlaceholderText, PlaceholderTextAlign::kLeft, 20);
}

// Bricks 40 x 20 with mortar lines, every other row shifted by half a brick, each brick lit at its top.
void DrawBricks(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  const std::uint8_t grey[3] = {72, 72, 72}, white[3] = {230, 230, 230};
  std::uint8_t mortar[3], lit[3];
  Mix(base, grey, 176, mortar);
  Mix(base, white, 80, lit);
  Fill(r, cell, base);
  for (int y = 0; y < cell.h; y += 20) {
    Fill(r, {cell.x, cell.y + y, cell.w, 2}, mortar);
    Fill(r, {cell.x, cell.y + y + 2, cell.w, 1}, lit);
    const int shift = (y / 20) % 2 == 0 ? 0 : 20;
    for (int x = shift; x < cell.w; x += 40) Fill(r, {cell.x + x, cell.y + y, 2, std::min(20, cell.h - y)}, mortar);
  }
}

// Stone blocks 64 x 60 (the half cells of the 128 x 120 tile grid): light top and left edges, dark bottom and right
// edges, and a sparse speckle, so walls and floors read as solid blocks with visible joints.
void DrawStoneBlocks(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  const std::uint8_t white[3] = {240, 240, 240}, dark[3] = {40, 40, 40};
  std::uint8_t light[3], shade[3], speck[3];
  Mix(base, white, 110, light);
  Mix(base, dark, 120, shade);
  Mix(base, dark, 60, speck);
  for (int by = 0; by < cell.h; by += 60) {
    for (int bx = 0; bx < cell.w; bx += 64) {
      const PlaceholderRect block = {cell.x + bx, cell.y + by, std::min(64, cell.w - bx), std::min(60, cell.h - by)};
      Fill(r, block, base);
      Fill(r, {block.x, block.y, block.w, 3}, light);
      Fill(r, {block.x, block.y, 3, block.h}, light);
      Fill(r, {block.x, block.y + block.h - 3, block.w, 3}, shade);
      Fill(r, {block.x + block.w - 3, block.y, 3, block.h}, shade);
      for (int k = 0; k < 12; ++k) {
        SetPixel(r, block.x + 6 + (k * 37) % std::max(block.w - 12, 1), block.y + 6 + (k * 23) % std::max(block.h - 12, 1),
                 speck);
      }
    }
  }
}

// The tile sheets' cells by the part they mostly play in the level data (a 5 x 4 grid of 128 x 120 cells): floors
// with a bright walking edge over stone fill, the background's dark hatched cell, brick walls, the wooden plank of
// falling floors, lifts and platforms, pillars and the crate. Cells of other roles stay stone blocks.
enum class TileRole { kStone, kFloor, kBackground, kWall, kPlank, kPillars, kCrate };

TileRole TileRoleOfCell(std::size_t index) {
  switch (index) {
    case 0: case 1: case 3: case 4: case 5: case 11: case 12: return TileRole::kFloor;
    case 2: return TileRole::kBackground;
    case 6: case 9: case 10: case 13: return TileRole::kWall;
    case 7: return TileRole::kPlank;
    case 15: return TileRole::kPillars;
    case 16: return TileRole::kCrate;
    default: return TileRole::kStone;
  }
}

void DrawFloorTile(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  DrawStoneBlocks(r, cell, base);
  const std::uint8_t top[3] = {120, 230, 90}, edge[3] = {250, 255, 200}, under[3] = {30, 60, 20};
  Fill(r, {cell.x, cell.y, cell.w, 14}, top);
  Fill(r, {cell.x, cell.y, cell.w, 3}, edge);
  Fill(r, {cell.x, cell.y + 14, cell.w, 3}, under);
  for (int x = 4; x < cell.w; x += 12) Fill(r, {cell.x + x, cell.y + 14, 3, 6}, top);
}

void DrawBackgroundTile(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  const std::uint8_t black[3] = {8, 8, 16};
  std::uint8_t dark[3], stripe[3];
  Mix(base, black, 190, dark);
  Mix(base, black, 140, stripe);
  Fill(r, cell, dark);
  for (int y = 0; y < cell.h; ++y) {
    for (int x = 0; x < cell.w; ++x) {
      if ((x + y) % 16 < 2) SetPixel(r, cell.x + x, cell.y + y, stripe);
    }
  }
}

void DrawWallTile(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  const std::uint8_t rust[3] = {150, 70, 50};
  std::uint8_t brick[3];
  Mix(base, rust, 150, brick);
  DrawBricks(r, cell, brick);
  const std::uint8_t side[3] = {30, 20, 20};
  Fill(r, {cell.x, cell.y, 4, cell.h}, side);
  Fill(r, {cell.x + cell.w - 4, cell.y, 4, cell.h}, side);
}

void DrawPlankTile(PlaceholderRaster& r, const PlaceholderRect& cell) {
  const std::uint8_t wood[3] = {200, 140, 60}, grain[3] = {140, 90, 30}, lit[3] = {255, 220, 140},
                     crack[3] = {60, 30, 10};
  Fill(r, cell, wood);
  for (int y = 10; y < cell.h; y += 10) Fill(r, {cell.x, cell.y + y, cell.w, 1}, grain);
  Fill(r, {cell.x, cell.y, cell.w, 4}, lit);
  // A zig-zag crack: the floor that gives way.
  for (int y = 4; y < cell.h; ++y) {
    const int x = cell.w / 2 + ((y / 8) % 2 == 0 ? (y % 8) : 8 - (y % 8)) * 2 - 8;
    Fill(r, {cell.x + x, cell.y + y, 3, 1}, crack);
  }
}

void DrawPillarTiles(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  const std::uint8_t white[3] = {235, 235, 225}, dark[3] = {50, 50, 50};
  std::uint8_t stone[3], flute[3];
  Mix(base, white, 150, stone);
  Mix(stone, dark, 100, flute);
  for (int px = 0; px < cell.w; px += 64) {
    const PlaceholderRect column = {cell.x + px + 8, cell.y, 48, cell.h};
    Fill(r, column, stone);
    for (int x = 8; x < 48; x += 10) Fill(r, {column.x + x, column.y, 2, column.h}, flute);
    Fill(r, {cell.x + px, cell.y, 64, 10}, white);
    Fill(r, {cell.x + px, cell.y + cell.h - 10, 64, 10}, flute);
  }
}

void DrawCrateTile(PlaceholderRaster& r, const PlaceholderRect& cell, const std::uint8_t base[3]) {
  DrawStoneBlocks(r, cell, base);
  // The crate is the cell's top-left 64 x 60: boards with a cross brace.
  const std::uint8_t wood[3] = {170, 110, 50}, brace[3] = {90, 50, 20}, lit[3] = {240, 200, 120};
  const PlaceholderRect crate = {cell.x, cell.y, 64, 60};
  Fill(r, crate, wood);
  Fill(r, {crate.x, crate.y, 64, 3}, lit);
  Outline(r, crate);
  for (int k = 0; k < 60; ++k) {
    Fill(r, {crate.x + k * 64 / 60, crate.y + k, 3, 1}, brace);
    Fill(r, {crate.x + 61 - k * 64 / 60, crate.y + k, 3, 1}, brace);
  }
}

void DrawTile(PlaceholderRaster& r, const PlaceholderRect& cell, std::size_t index, const std::uint8_t base[3]) {
  switch (TileRoleOfCell(index)) {
    case TileRole::kFloor: DrawFloorTile(r, cell, base); break;
    case TileRole::kBackground: DrawBackgroundTile(r, cell, base); break;
    case TileRole::kWall: DrawWallTile(r, cell, base); break;
    case TileRole::kPlank: DrawPlankTile(r, cell); break;
    case TileRole::kPillars: DrawPillarTiles(r, cell, base); break;
    case TileRole::kCrate: DrawCrateTile(r, cell, base); break;
    case TileRole::kStone: DrawStoneBlocks(r, cell, base); break;
  }
}

// A right-pointing triangle in the cell's lower part: the way the cell faces as stored (mirrored draws point left).
void DrawFacingMark(PlaceholderRaster& r, const PlaceholderRect& cell) {
  const int size = std::min(cell.w / 3, cell.h / 4);
  if (size < 4) return;
  const int cx = cell.x + cell.w / 2, bottom = cell.y + cell.h - 4;
  const std::uint8_t mark[3] = {250, 250, 120}, edge[3] = {40, 40, 40};
  for (int dy = -size / 2; dy <= size / 2; ++dy) {
    const int reach = size - 2 * std::abs(dy);
    const int y = bottom - size / 2 + dy;
    for (int dx = -1; dx <= reach; ++dx) SetPixel(r, cx - size / 2 + dx, y, dx < 0 || dx == reach ? edge : mark);
  }
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<PlaceholderBytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};
void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

std::vector<double> Tone(int frequencyHz, int durationMs, int rate, double amplitude) {
  const int count = static_cast<int>(static_cast<long long>(rate) * durationMs / 1000);
  std::vector<double> samples(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    // Whole cycles modulo the rate keep the phase argument small and exact.
    const long long step = static_cast<long long>(i) * frequencyHz % rate;
    samples[static_cast<size_t>(i)] = amplitude * std::sin(2.0 * std::numbers::pi * static_cast<double>(step) / rate);
  }
  return samples;
}

bool WriteFileAtomically(const std::filesystem::path& path, const PlaceholderBytes& bytes, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
    return false;
  }
  std::filesystem::path part = path;
  part += ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      *error = "cannot write " + part.string();
      return false;
    }
  }
  std::filesystem::rename(part, path, ec);
  if (ec) {
    *error = "cannot rename " + part.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

PlaceholderRaster DrawPlaceholderImage(const PlaceholderImage& image, int fileIndex) {
  PlaceholderRaster r;
  r.width = image.width;
  r.height = image.height;
  r.rgb.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
  if (image.key == PlaceholderKey::kMagenta) {
    const std::uint8_t magenta[3] = {255, 0, 255};
    Fill(r, {0, 0, r.width, r.height}, magenta);
  }
  const std::string stem = std::filesystem::path(image.path).stem().string();
  std::uint8_t base[3];
  CellColour(fileIndex, 0, base);
  const std::vector<PlaceholderRect> cells = PlaceholderCells(image);
  const bool wholeOnly = image.rects.empty() && image.gridW == 0;

  switch (image.look) {
    case PlaceholderLook::kScreen:
      DrawScreenPattern(r, base, stem);
      if (wholeOnly) {
        Outline(r, cells[0]);
        return r;
      }
      break;
    case PlaceholderLook::kBackdrop:
      DrawBackdrop(r, base, EndsWithJpeg(image.path), stem);
      return r;
    case PlaceholderLook::kWall:
      for (const PlaceholderRect& cell : cells) DrawBricks(r, cell, base);
      DrawPlaceholderText(r, {0, 0, r.width, std::min(r.height, 60)}, stem, kPlaceholderText,
                          PlaceholderTextAlign::kLeft, 20);
      for (const PlaceholderRect& cell : cells) Outline(r, cell);
      return r;
    case PlaceholderLook::kTiles:
      for (std::size_t i = 0; i < cells.size(); ++i) DrawTile(r, cells[i], i, base);
      break;
    case PlaceholderLook::kSheet:
      break;
  }

  if (image.look != PlaceholderLook::kTiles) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].style != PlaceholderStyle::kBox && cells[i].style != PlaceholderStyle::kLeft) continue;
      std::uint8_t colour[3];
      CellColour(fileIndex, static_cast<int>(i), colour);
      Fill(r, cells[i], colour);
    }
  }
  // A cursor frame shows what it is drawn over: its inside is the key colour, also where other cells reach into it.
  // A mesh darkens what it is drawn over: every other pixel dark, the rest the key colour.
  const std::uint8_t keyColour[3] = {static_cast<std::uint8_t>(image.key == PlaceholderKey::kMagenta ? 255 : 0), 0,
                                     static_cast<std::uint8_t>(image.key == PlaceholderKey::kMagenta ? 255 : 0)};
  for (const PlaceholderRect& cell : cells) {
    if (cell.style == PlaceholderStyle::kFrame) Fill(r, {cell.x + 3, cell.y + 3, cell.w - 6, cell.h - 6}, keyColour);
    if (cell.style != PlaceholderStyle::kMesh) continue;
    const std::uint8_t dark[3] = {24, 24, 32};
    Fill(r, cell, keyColour);
    for (int y = cell.y; y < cell.y + cell.h; ++y)
      for (int x = cell.x + (y & 1); x < cell.x + cell.w; x += 2) SetPixel(r, x, y, dark);
  }
  // Texts after every fill, so cells drawn over larger ones keep their words; outlines last.
  const bool sprites = IsSpriteSheet(image.path);
  const bool numbered = cells.size() > 1;
  for (size_t i = 0; i < cells.size(); ++i) {
    const PlaceholderRect& cell = cells[i];
    if (cell.style == PlaceholderStyle::kFrame || cell.style == PlaceholderStyle::kMesh) continue;
    if (cell.text != nullptr) {
      if (cell.text[0] == '\0') continue;
      const bool glow = cell.style == PlaceholderStyle::kGlow;
      DrawPlaceholderText(r, cell, cell.text, glow ? kPlaceholderGlowText : kPlaceholderText,
                          cell.style == PlaceholderStyle::kLeft ? PlaceholderTextAlign::kLeft
                                                                : PlaceholderTextAlign::kCentre,
                          cell.style == PlaceholderStyle::kText ? 64 : 28);
      continue;
    }
    if (image.look == PlaceholderLook::kTiles) {
      DrawPlaceholderText(r, cell, std::to_string(i), kPlaceholderText, PlaceholderTextAlign::kCentre, 14);
      continue;
    }
    // Menu panels and frames carry no label (the screens write over them); a cell that holds smaller cells is a
    // panel behind them.
    if (IsMenuSheet(image.path)) continue;
    bool holdsCells = false;
    for (size_t k = 0; k < cells.size() && !holdsCells; ++k) {
      const PlaceholderRect& o = cells[k];
      holdsCells = k != i && o.x >= cell.x && o.y >= cell.y && o.x + o.w <= cell.x + cell.w &&
                   o.y + o.h <= cell.y + cell.h && (o.w < cell.w || o.h < cell.h);
    }
    if (holdsCells) continue;
    if (sprites) DrawFacingMark(r, cell);
    const std::string label = numbered ? stem + "\n" + std::to_string(i) : stem;
    if (!DrawPlaceholderText(r, cell, label, kPlaceholderText, PlaceholderTextAlign::kCentre, 16) && numbered) {
      DrawPlaceholderText(r, cell, std::to_string(i), kPlaceholderText, PlaceholderTextAlign::kCentre, 16);
    }
  }
  for (const PlaceholderRect& cell : cells) {
    if (cell.style == PlaceholderStyle::kText) continue;
    Outline(r, cell);
    if (cell.style == PlaceholderStyle::kFrame) {
      Outline(r, {cell.x + 1, cell.y + 1, cell.w - 2, cell.h - 2});
      Outline(r, {cell.x + 2, cell.y + 2, cell.w - 4, cell.h - 4});
    }
  }
  return r;
}

PlaceholderBytes EncodePlaceholderPng(const PlaceholderRaster& raster) {
  PlaceholderBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return {};
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, static_cast<png_uint_32>(raster.width), static_cast<png_uint_32>(raster.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < raster.height; ++y) {
    png_write_row(png, raster.rgb.data() + static_cast<size_t>(y) * raster.width * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

PlaceholderBytes EncodePlaceholderJpeg(const PlaceholderRaster& raster) {
  jpeg_compress_struct cinfo{};
  JpegError error{};
  cinfo.err = jpeg_std_error(&error.base);
  error.base.error_exit = JpegErrorExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(raster.width);
  cinfo.image_height = static_cast<JDIMENSION>(raster.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  // No chroma subsampling: the 1-pixel borders keep their colour.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(raster.rgb.data() + static_cast<size_t>(cinfo.next_scanline) * raster.width * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  PlaceholderBytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

PlaceholderBytes EncodePlaceholderBmp(const PlaceholderRaster& raster) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(raster.width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(raster.height);
  PlaceholderBytes out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutLE(out, 54 + imageSize, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);
  PutLE(out, static_cast<std::uint32_t>(raster.width), 4);
  PutLE(out, static_cast<std::uint32_t>(raster.height), 4);  // positive: rows bottom first
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);  // BI_RGB
  PutLE(out, imageSize, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = raster.height - 1; y >= 0; --y) {
    const std::uint8_t* p = raster.rgb.data() + static_cast<size_t>(y) * raster.width * 3;
    for (int x = 0; x < raster.width; ++x, p += 3) {
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(raster.width) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

int PlaceholderToneHz(int index, bool music) { return music ? 220 + 20 * index : 300 + 20 * index; }

PlaceholderBytes MakePlaceholderWav(int frequencyHz, int durationMs) {
  const std::vector<double> tone = Tone(frequencyHz, durationMs, kPlaceholderWavRate, 0.4);
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(tone.size() * 2);
  PlaceholderBytes out;
  out.reserve(44 + dataBytes);
  for (char c : {'R', 'I', 'F', 'F'}) out.push_back(static_cast<std::uint8_t>(c));
  PutLE(out, 36 + dataBytes, 4);
  for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) out.push_back(static_cast<std::uint8_t>(c));
  PutLE(out, 16, 4);
  PutLE(out, 1, 2);  // PCM
  PutLE(out, 1, 2);  // mono
  PutLE(out, kPlaceholderWavRate, 4);
  PutLE(out, kPlaceholderWavRate * 2, 4);
  PutLE(out, 2, 2);
  PutLE(out, 16, 2);
  for (char c : {'d', 'a', 't', 'a'}) out.push_back(static_cast<std::uint8_t>(c));
  PutLE(out, dataBytes, 4);
  for (double s : tone) {
    const auto v = static_cast<std::int16_t>(std::lround(s * 32767.0));
    PutLE(out, static_cast<std::uint16_t>(v), 2);
  }
  return out;
}

PlaceholderBytes MakePlaceholderMp3(int frequencyHz, int durationMs) {
  const std::vector<double> tone = Tone(frequencyHz, durationMs, kPlaceholderMp3Rate, 0.4);
  std::vector<short> pcm(tone.size());
  for (size_t i = 0; i < tone.size(); ++i) pcm[i] = static_cast<short>(std::lround(tone[i] * 32767.0));

  lame_global_flags* lame = lame_init();
  if (lame == nullptr) return {};
  lame_set_num_channels(lame, 1);
  lame_set_in_samplerate(lame, kPlaceholderMp3Rate);
  lame_set_out_samplerate(lame, kPlaceholderMp3Rate);
  lame_set_mode(lame, MONO);
  lame_set_brate(lame, 64);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  lame_set_write_id3tag_automatic(lame, 0);
  PlaceholderBytes out;
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return {};
  }
  // Worst case for one call: 1.25 * samples + 7200 bytes.
  std::vector<unsigned char> buffer(pcm.size() * 5 / 4 + 7200);
  const int encoded = lame_encode_buffer(lame, pcm.data(), pcm.data(), static_cast<int>(pcm.size()), buffer.data(),
                                         static_cast<int>(buffer.size()));
  if (encoded >= 0) {
    out.assign(buffer.begin(), buffer.begin() + encoded);
    const int flushed = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (flushed >= 0) {
      out.insert(out.end(), buffer.begin(), buffer.begin() + flushed);
      // The first frame is a placeholder for the Info frame; fill it in now that the stream is complete.
      unsigned char tag[2880];
      const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
      if (tagSize > 0 && tagSize <= sizeof tag && tagSize <= out.size()) {
        std::copy(tag, tag + tagSize, out.begin());
      }
    } else {
      out.clear();
    }
  }
  lame_close(lame);
  return out;
}

bool WritePlaceholderTree(const std::filesystem::path& outputDir, bool force, PlaceholderTreeResult* result) {
  *result = {};
  auto emit = [&](const std::string& relative, auto&& make) {
    const std::filesystem::path path = outputDir / relative;
    std::error_code ec;
    if (!force && std::filesystem::exists(path, ec)) {
      ++result->kept;
      return true;
    }
    const PlaceholderBytes bytes = make();
    if (bytes.empty()) {
      result->error = "cannot encode " + relative;
      return false;
    }
    if (!WriteFileAtomically(path, bytes, &result->error)) return false;
    ++result->written;
    return true;
  };

  const std::vector<PlaceholderImage>& images = PlaceholderImages();
  for (size_t i = 0; i < images.size(); ++i) {
    const PlaceholderImage& image = images[i];
    const std::string path = image.path;
    const bool ok = emit(path, [&] {
      const PlaceholderRaster raster = DrawPlaceholderImage(image, static_cast<int>(i));
      if (EndsWith(path, ".jpg")) return EncodePlaceholderJpeg(raster);
      if (EndsWith(path, ".bmp")) return EncodePlaceholderBmp(raster);
      return EncodePlaceholderPng(raster);
    });
    if (!ok) return false;
  }
  const std::vector<PlaceholderSound>& sounds = PlaceholderSoundEffects();
  for (size_t i = 0; i < sounds.size(); ++i) {
    const PlaceholderSound& sound = sounds[i];
    const int hz = PlaceholderToneHz(static_cast<int>(i), false);
    const bool ok = emit(sound.path, [&] {
      return EndsWith(sound.path, ".mp3") ? MakePlaceholderMp3(hz, sound.durationMs)
                                          : MakePlaceholderWav(hz, sound.durationMs);
    });
    if (!ok) return false;
  }
  const std::vector<PlaceholderSound>& music = PlaceholderMusic();
  for (size_t i = 0; i < music.size(); ++i) {
    const int hz = PlaceholderToneHz(static_cast<int>(i), true);
    if (!emit(music[i].path, [&] { return MakePlaceholderMp3(hz, music[i].durationMs); })) return false;
  }
  return true;
}
