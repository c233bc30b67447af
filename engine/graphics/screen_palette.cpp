#include "engine/graphics/screen_palette.h"

#include <array>
#include <memory>

#include "engine/core/start_engine.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_format.h"

namespace dd = platform::dd;

namespace {

std::unique_ptr<dd::Palette> g_palette;
// Nearest palette index for every 15-bit colour, built when the entries change.
std::array<std::uint8_t, 32768> g_inverse{};
bool g_inverseValid = false;

std::array<dd::PaletteEntry, 256> MakeDefault() {
  std::array<dd::PaletteEntry, 256> p{};
  for (int i = 0; i < 256; ++i) {
    const int r = (i >> 5) & 7, g = (i >> 2) & 7, b = i & 3;
    p[i] = dd::PaletteEntry{static_cast<std::uint8_t>(r * 255 / 7), static_cast<std::uint8_t>(g * 255 / 7),
                            static_cast<std::uint8_t>(b * 255 / 3), 0};
  }
  return p;
}

const std::array<dd::PaletteEntry, 256> kDefault = MakeDefault();

void BuildInverse() {
  const auto& pal = g_ScreenFormat.palette;
  for (int c = 0; c < 32768; ++c) {
    const int r = ((c >> 10) & 31) * 255 / 31, g = ((c >> 5) & 31) * 255 / 31, b = (c & 31) * 255 / 31;
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 256 && bestDistance != 0; ++i) {
      const int dr = pal[i][0] - r, dg = pal[i][1] - g, db = pal[i][2] - b;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    g_inverse[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(best);
  }
  g_inverseValid = true;
}

void StoreEntries(const dd::PaletteEntry* entries) {
  for (int i = 0; i < 256; ++i) {
    g_ScreenFormat.palette[i][0] = entries[i].red;
    g_ScreenFormat.palette[i][1] = entries[i].green;
    g_ScreenFormat.palette[i][2] = entries[i].blue;
    g_ScreenFormat.palette[i][3] = 0;
  }
  g_inverseValid = false;
}

void CurrentEntries(dd::PaletteEntry* out) {
  for (int i = 0; i < 256; ++i)
    out[i] = dd::PaletteEntry{g_ScreenFormat.palette[i][0], g_ScreenFormat.palette[i][1], g_ScreenFormat.palette[i][2], 0};
}

// The palette is set on the primary and on every surface of its chain, or on the window's back surface.
void SetOnScreens() {
  dd::Surface* primary = GetPrimarySurface();
  if (primary == nullptr) return;
  primary->SetPalette(g_palette.get());
  if (GetBackSurface() != nullptr) GetBackSurface()->SetPalette(g_palette.get());
}

int MakePalette(const dd::PaletteEntry* entries) {
  dd::DirectDraw* object = DirectDrawDevice();
  if (object == nullptr || object->CreatePalette(entries, &g_palette) != dd::kOk) FatalExit("パレットの作成に失敗しました");
  StoreEntries(entries);
  SetOnScreens();
  return 0;
}

}  // namespace

const dd::PaletteEntry* DefaultPaletteEntries() { return kDefault.data(); }

int CreateScreenPalette() {
  if (g_palette != nullptr || GetScreenBits() != 8) return 0;
  return MakePalette(kDefault.data());
}

int RefreshScreenPalette() {
  if (GetScreenColorBitDepth() != 8) return 0;
  dd::PaletteEntry kept[256];
  CurrentEntries(kept);
  ReleaseScreenPalette();
  CreateScreenPalette();
  if (g_palette == nullptr) return 0;
  g_palette->SetEntries(0, 256, kept);
  g_palette->GetEntries(0, 256, kept);
  StoreEntries(kept);
  return 0;
}

void ReleaseScreenPalette() {
  for (dd::Surface* s : {GetPrimarySurface(), GetBackSurface()})
    if (s != nullptr && s->GetPalette() == g_palette.get()) s->SetPalette(nullptr);
  g_palette.reset();
}

dd::Palette* GetScreenPalette() { return g_palette.get(); }

std::uint32_t PaletteIndexToRgb(std::uint8_t index) {
  const auto& e = g_ScreenFormat.palette[index];
  return (static_cast<std::uint32_t>(e[0]) << 16) | (static_cast<std::uint32_t>(e[1]) << 8) | e[2];
}

std::uint8_t RgbToPaletteIndex(std::uint32_t rgb) {
  if (!g_inverseValid) BuildInverse();
  const std::uint32_t c = (((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31);
  return g_inverse[c];
}
