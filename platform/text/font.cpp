#include "platform/text/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <iconv.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/files/path.h"

namespace platform {

struct GdiFont {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  iconv_t toUnicode = reinterpret_cast<iconv_t>(-1);
  bool embolden = false;
  bool italic = false;
  GdiTextMetrics metrics{};
};

namespace {

std::mutex g_fontconfigMutex;

// The process's own fontconfig configuration, loaded once and released at exit.
struct FontConfig {
  FcConfig* config = nullptr;
  ~FontConfig() {
    if (config != nullptr) FcConfigDestroy(config);
  }
};
FontConfig g_fontConfig;

// The file and face index fontconfig picks for a family name (empty: the fixed-pitch Japanese face).
bool MatchFontFile(const std::string& familyUtf8, bool bold, std::string* file, int* index) {
  std::lock_guard<std::mutex> lock(g_fontconfigMutex);
  if (g_fontConfig.config == nullptr) g_fontConfig.config = FcInitLoadConfigAndFonts();
  FcConfig* config = g_fontConfig.config;
  if (config == nullptr) return false;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  if (familyUtf8.empty()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
  } else {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  }
  FcLangSet* langs = FcLangSetCreate();
  if (langs != nullptr) {
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* path = nullptr;
  int faceIndex = 0;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
  if (ok) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    *index = faceIndex;
  }
  FcPatternDestroy(match);
  return ok;
}

int Ceil26_6(FT_Pos v) { return static_cast<int>((v + 63) >> 6); }

// The Unicode code point of a multi-byte character code, or 0 when it does not convert.
FT_ULong ToCodePoint(GdiFont* font, unsigned code) {
  char in[2];
  std::size_t inLen = 0;
  if (code > 0xFF) {
    in[0] = static_cast<char>((code >> 8) & 0xFF);
    in[1] = static_cast<char>(code & 0xFF);
    inLen = 2;
  } else {
    in[0] = static_cast<char>(code);
    inLen = 1;
  }
  if (inLen == 1 && static_cast<unsigned char>(in[0]) < 0x80) return code;
  std::uint32_t out[2] = {0, 0};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t outLeft = sizeof(out);
  iconv(font->toUnicode, nullptr, nullptr, nullptr, nullptr);
  if (iconv(font->toUnicode, &inPtr, &inLen, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLen != 0 ||
      outLeft == sizeof(out)) {
    return 0;
  }
  return out[0];
}

}  // namespace

GdiFont* CreateGdiFont(int height, int weight, int italic, int charset, const char* faceCp932) {
  if (height == 0) height = 16;
  if (height > kMaxFontHeight || height < -kMaxFontHeight) return nullptr;
  const std::string family = faceCp932 != nullptr ? Cp932ToUtf8(faceCp932) : std::string();
  std::string file;
  int index = 0;
  if (!MatchFontFile(family, weight >= 600, &file, &index)) return nullptr;
  GdiFont* font = new (std::nothrow) GdiFont;
  if (font == nullptr) return nullptr;
  font->toUnicode = iconv_open("UTF-32LE", charset == kCharsetHangeul ? "CP949" : "CP932");
  if (font->toUnicode == reinterpret_cast<iconv_t>(-1) || FT_Init_FreeType(&font->library) != 0 ||
      FT_New_Face(font->library, file.c_str(), index, &font->face) != 0) {
    DeleteGdiFont(font);
    return nullptr;
  }
  FT_Face face = font->face;
  FT_Size_RequestRec request{};
  request.type = height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
  request.height = static_cast<FT_Long>(height > 0 ? height : -height) * 64;
  if (!FT_IS_SCALABLE(face) || FT_Request_Size(face, &request) != 0) {
    DeleteGdiFont(font);
    return nullptr;
  }
  font->embolden = weight >= 600 && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  font->italic = italic != 0 && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
  const FT_Size_Metrics& m = face->size->metrics;
  GdiTextMetrics& tm = font->metrics;
  tm.ascent = Ceil26_6(m.ascender);
  tm.descent = Ceil26_6(-m.descender);
  tm.height = tm.ascent + tm.descent;
  tm.maxCharWidth = Ceil26_6(m.max_advance);
  // Emboldening widens every glyph by about a 24th of the em; slanting moves the top right by a fifth of it.
  const int em = static_cast<int>(m.y_ppem);
  if (font->embolden) tm.maxCharWidth += (em + 23) / 24;
  if (font->italic) tm.maxCharWidth += (em + 4) / 5;
  return font;
}

void DeleteGdiFont(GdiFont* font) {
  if (font == nullptr) return;
  if (font->face != nullptr) FT_Done_Face(font->face);
  if (font->library != nullptr) FT_Done_FreeType(font->library);
  if (font->toUnicode != reinterpret_cast<iconv_t>(-1)) iconv_close(font->toUnicode);
  delete font;
}

int GetGdiTextMetrics(const GdiFont* font, GdiTextMetrics* out) {
  if (font == nullptr || out == nullptr) return -1;
  *out = font->metrics;
  return 0;
}

long GetGdiGlyphOutline(GdiFont* font, unsigned code, int format, GdiGlyphMetrics* metrics, std::size_t bufferSize,
                        void* buffer) {
  if (font == nullptr || metrics == nullptr || (format != kGgoBitmap && format != kGgoGray4Bitmap)) return -1;
  const FT_ULong cp = ToCodePoint(font, code);
  if (cp == 0 && code != 0) return -1;
  FT_Face face = font->face;
  const FT_UInt glyph = FT_Get_Char_Index(face, cp);
  const bool mono = format == kGgoBitmap;
  const FT_Int32 loadFlags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(face, glyph, loadFlags) != 0) return -1;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (font->embolden) FT_GlyphSlot_Embolden(slot);
    if (font->italic) FT_GlyphSlot_Oblique(slot);
  }
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return -1;
  const FT_Bitmap& bm = slot->bitmap;
  const int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
  metrics->blackBoxX = w;
  metrics->blackBoxY = h;
  metrics->originX = slot->bitmap_left;
  metrics->originY = slot->bitmap_top;
  metrics->cellIncX = static_cast<int>((slot->advance.x + 32) >> 6);
  const std::size_t pitch = mono ? static_cast<std::size_t>((w + 31) / 32) * 4 : static_cast<std::size_t>((w + 3) & ~3);
  const std::size_t size = pitch * static_cast<std::size_t>(h);
  if (buffer == nullptr || bufferSize < size) return static_cast<long>(size);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::memset(out, 0, size);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    std::uint8_t* dst = out + static_cast<std::size_t>(y) * pitch;
    if (mono) {
      std::memcpy(dst, src, static_cast<std::size_t>((w + 7) / 8));
    } else {
      const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
      for (int x = 0; x < w; ++x) {
        dst[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO ? static_cast<std::uint8_t>(((src[x >> 3] >> (7 - (x & 7))) & 1) * 16)
                                                     : static_cast<std::uint8_t>((src[x] * 16 + levels / 2) / levels);
      }
    }
  }
  return static_cast<long>(size);
}

}  // namespace platform
