#include "engine/graphics/screen_format.h"

#include <cstring>

ScreenFormatState g_ScreenFormat = [] {
  ScreenFormatState state{};
  CreatePixelFormat(&state.pixelFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  CreateColorDataFromPixelFormat(&state.pixelFormat, &state.colorData);
  state.colorBits = 32;
  state.requestedBits = 32;
  state.softwareRender = 0;
  return state;
}();

void ResetScreenFormat() {
  std::memset(&g_ScreenFormat, 0, sizeof(g_ScreenFormat));
  CreatePixelFormat(&g_ScreenFormat.pixelFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  CreateColorDataFromPixelFormat(&g_ScreenFormat.pixelFormat, &g_ScreenFormat.colorData);
  g_ScreenFormat.colorBits = 32;
  g_ScreenFormat.requestedBits = 32;
}

void SetScreenPixelFormat(const DDPixelFormat* pixelFormat) {
  g_ScreenFormat.pixelFormat = *pixelFormat;
  CreateColorDataFromPixelFormat(pixelFormat, &g_ScreenFormat.colorData);
  g_ScreenFormat.colorBits = pixelFormat->rgbBitCount;
}

int ScreenRequestedBits() {
  return g_ScreenFormat.requestedBits == 0 ? 16 : static_cast<int>(g_ScreenFormat.requestedBits);
}
