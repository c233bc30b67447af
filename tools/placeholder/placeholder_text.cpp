#include "tools/placeholder/placeholder_text.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "platform/text/font.h"

namespace {

// Outline colour: dark but never the black colour key.
constexpr std::uint8_t kOutline[3] = {40, 40, 40};

struct FontDeleter {
  void operator()(platform::GdiFont* font) const { platform::DeleteGdiFont(font); }
};

// One font per pixel height, made on first use and kept for the run.
platform::GdiFont* FontOfHeight(int height) {
  static std::map<int, std::unique_ptr<platform::GdiFont, FontDeleter>> fonts;
  auto it = fonts.find(height);
  if (it == fonts.end()) {
    it = fonts.emplace(height, platform::CreateGdiFont(height, 700, 0, platform::kCharsetShiftJis, "")).first;
  }
  return it->second.get();
}

struct Glyph {
  platform::GdiGlyphMetrics metrics{};
  std::vector<std::uint8_t> levels;  // 0..16, rows padded to 4 bytes
};

bool RenderGlyph(platform::GdiFont* font, unsigned char c, Glyph* glyph) {
  const long size = platform::GetGdiGlyphOutline(font, c, platform::kGgoGray4Bitmap, &glyph->metrics, 0, nullptr);
  if (size < 0) return false;
  glyph->levels.assign(static_cast<size_t>(size), 0);
  return size == 0 || platform::GetGdiGlyphOutline(font, c, platform::kGgoGray4Bitmap, &glyph->metrics,
                                                   glyph->levels.size(), glyph->levels.data()) >= 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

int LineWidth(platform::GdiFont* font, const std::string& line) {
  int width = 0;
  for (unsigned char c : line) {
    Glyph g;
    if (RenderGlyph(font, c, &g)) width += g.metrics.cellIncX;
  }
  return width;
}

void Blend(PlaceholderRaster& r, int x, int y, const std::uint8_t colour[3], int level) {
  if (x < 0 || y < 0 || x >= r.width || y >= r.height || level <= 0) return;
  std::uint8_t* p = r.rgb.data() + (static_cast<size_t>(y) * r.width + x) * 3;
  for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * (16 - level) + colour[c] * level) / 16);
}

// Draws one pass of the line: the outline pass spreads every glyph pixel to its 8 neighbours.
void DrawLine(PlaceholderRaster& r, platform::GdiFont* font, const std::string& line, int penX, int baseline,
              const std::uint8_t colour[3], bool outline) {
  for (unsigned char c : line) {
    Glyph g;
    if (!RenderGlyph(font, c, &g)) continue;
    const int pitch = (g.metrics.blackBoxX + 3) & ~3;
    const int left = penX + g.metrics.originX;
    const int top = baseline - g.metrics.originY;
    for (int y = 0; y < g.metrics.blackBoxY; ++y) {
      for (int x = 0; x < g.metrics.blackBoxX; ++x) {
        const int level = g.levels[static_cast<size_t>(y) * pitch + x];
        if (level == 0) continue;
        if (!outline) {
          Blend(r, left + x, top + y, colour, level);
          continue;
        }
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) Blend(r, left + x + dx, top + y + dy, kOutline, level);
        }
      }
    }
    penX += g.metrics.cellIncX;
  }
}

}  // namespace

bool DrawPlaceholderText(PlaceholderRaster& raster, const PlaceholderRect& box, const std::string& text,
                         const std::uint8_t colour[3], PlaceholderTextAlign align, int maxHeight) {
  const std::vector<std::string> lines = Lines(text);
  const int count = static_cast<int>(lines.size());
  // Room inside the cell's border and the outline.
  const int roomW = box.w - 6, roomH = box.h - 4;
  for (int height = std::min(maxHeight, roomH / count); height >= 7; --height) {
    platform::GdiFont* font = FontOfHeight(height);
    platform::GdiTextMetrics metrics{};
    if (font == nullptr || platform::GetGdiTextMetrics(font, &metrics) != 0) return false;
    const int lineH = std::max(metrics.height, height);
    if (lineH * count > roomH) continue;
    std::vector<int> widths;
    bool fits = true;
    for (const std::string& line : lines) {
      widths.push_back(LineWidth(font, line));
      fits = fits && widths.back() <= roomW;
    }
    if (!fits) continue;
    const int top = box.y + (box.h - lineH * count) / 2;
    for (bool outline : {true, false}) {
      for (int i = 0; i < count; ++i) {
        const int x = align == PlaceholderTextAlign::kLeft ? box.x + 4 : box.x + (box.w - widths[i]) / 2;
        DrawLine(raster, font, lines[i], x, top + lineH * i + metrics.ascent, colour, outline);
      }
    }
    return true;
  }
  return false;
}
