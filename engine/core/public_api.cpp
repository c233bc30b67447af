#include "engine/core/public_api.h"

#include <cstdarg>
#include <cstdio>

#include "engine/core/api_lock.h"
#include "engine/core/archive_file_layer.h"
#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/random.h"
#include "engine/core/start_engine.h"
#include "engine/core/timing.h"
#include "engine/core/window.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/present.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"

int SetLogFileOutput(int on) { return CallLocked<SetLogFileOutputBody>(on); }
int GetRandomUpTo(int n) { return CallLocked<RandomUpTo>(n); }

int StartEngine() { return CallLocked<StartEngineBody>(); }

int EndEngine() {
  ApiLock();
  const int result = EndEngineBody();
  ApiUnlock();
  ApiLockTeardown();
  return result;
}

int ProcessMessage() { return CallLocked<ProcessMessageBody>(); }
int ChangeWindowMode(int windowed) { return CallLocked<ChangeWindowModeBody>(windowed); }
int SetWindowTitle(const char* title) { return CallLocked<SetWindowTitleBody>(title); }
int SetWindowIconResource(int id) { return CallLocked<SetWindowIconResourceBody>(id); }
int WaitPumpingMessagesEntry(int milliseconds) { return WaitPumpingMessages(milliseconds); }
int GetMillisecondCount(int) { return static_cast<int>(CallLocked<GetMillisecondCountBody>()); }
int GetLocalDateTime(int* six) { return CallLocked<GetLocalDateTimeBody>(six); }
int SetUseArchiveFiles(int use) { return CallLocked<SetUseArchiveFilesBody>(use); }
int SetArchiveExtension(const char* extension) { return CallLocked<SetArchiveExtensionForward>(extension); }
int SetArchiveKeyString(const char* keyString) { return CallLocked<SetArchiveKeyStringForward>(keyString); }

int MakeColorValue(int r, int g, int b) { return CallLocked<MakeColorValueBody>(r, g, b); }
int CreateColorDataEntry(ColorData* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                         std::uint32_t maskA) {
  return CreateColorData(record, bits, maskR, maskG, maskB, maskA);
}
int CreatePixelFormatEntry(DDPixelFormat* record, int bits, std::uint32_t maskR, std::uint32_t maskG,
                           std::uint32_t maskB, std::uint32_t maskA) {
  return CreatePixelFormat(record, bits, maskR, maskG, maskB, maskA);
}

int IsKeyDown(int code) { return CallLocked<IsKeyDownBody>(code); }
int GetPadInputBits(int request) { return CallLocked<GetPadInputBitsBody>(request); }

int QueryScreenSize(int* width, int* height) { return CallLocked<QueryScreenSizeBody>(width, height); }
const DDPixelFormat* QueryScreenPixelFormat() { return CallLocked<QueryScreenPixelFormatBody>(); }
int SelectScreenMode(int width, int height, int bits, int refresh) {
  return CallLocked<SelectScreenModeBody>(width, height, bits, refresh);
}
int ClearCurrentDrawScreen() { return CallLocked<ClearCurrentDrawScreenBody>(); }
int PresentBackScreen() { return CallLocked<PresentBackScreenBody>(); }

int LoadGraphicFile(const char* name) { return CallLocked<LoadGraphicFileBody>(name); }
int DeleteGraphic(int handle, int logFlag) { return CallLocked<DeleteGraphicBody>(handle, logFlag); }
int DrawGraphAt(int x, int y, int handle, int transparent) {
  return CallLocked<DrawGraphAtBody>(x, y, handle, transparent);
}
int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent) {
  return CallLocked<DrawGraphStretchedBody>(x1, y1, x2, y2, handle, transparent);
}
int DrawGraphRotated(int x, int y, double scale, double angle, int handle, int transparent, int mirror) {
  return CallLocked<DrawGraphRotatedBody>(x, y, scale, angle, handle, transparent, mirror);
}
int DrawGraphMirrored(int x, int y, int handle, int transparent) {
  return CallLocked<DrawGraphMirroredBody>(x, y, handle, transparent);
}
int DrawGraphPart(int x, int y, int srcX, int srcY, int width, int height, int handle, int transparent, int mirror) {
  return CallLocked<DrawGraphPartBody>(x, y, srcX, srcY, width, height, handle, transparent, mirror);
}
int DrawLineSegment(int x1, int y1, int x2, int y2, int colour) {
  return CallLocked<DrawLineSegmentBody>(x1, y1, x2, y2, static_cast<std::uint32_t>(colour));
}
int DrawRectangle(int x1, int y1, int x2, int y2, int colour, int fill) {
  return CallLocked<DrawRectangleBody>(x1, y1, x2, y2, static_cast<std::uint32_t>(colour), fill);
}
int DrawEllipse(int x, int y, int rx, int ry, int colour, int fill) {
  return CallLocked<DrawEllipseBody>(x, y, rx, ry, static_cast<std::uint32_t>(colour), fill);
}
int DrawTextFormatted(int x, int y, int colour, const char* format, ...) {
  if (format == nullptr) return -1;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  return CallLocked<DrawStringDefaultFont>(x, y, static_cast<const char*>(text), static_cast<std::uint32_t>(colour),
                                           std::uint32_t{0});
}
int ChangeDefaultFontSize(int size) { return CallLocked<ChangeDefaultFontSizeBody>(size); }
int ChangeDefaultFontThickness(int thickness) { return CallLocked<ChangeDefaultFontThicknessBody>(thickness); }
int SetBlendMode(int mode, int param) { return CallLocked<SetBlendModeBody>(mode, param); }
int SetBrightnessRGB(int r, int g, int b) { return CallLocked<SetBrightnessRGBBody>(r, g, b); }
int SelectDrawTarget(int target) { return CallLocked<SelectDrawTargetBody>(target); }
int SetUseTextureGraphics(int flag) { return CallLocked<SetUseTextureGraphicsBody>(flag); }
int SetTransparentColor(int r, int g, int b) { return CallLocked<SetTransparentColorBody>(r, g, b); }
int SetUseVideoMemoryFlag(int flag) { return CallLocked<SetUseVideoMemoryFlagBody>(flag); }
int ClipRectEntry(RECT* a, const RECT* b) { return ClipRect(a, b); }
int LoadSoundFile(const char* fileName, int bufferCount, int shareHandle) {
  return CallLocked<LoadSoundFileForward>(fileName, bufferCount, shareHandle);
}
int PlaySoundHandle(int handle, int playType, int fromTop) {
  return CallLocked<PlaySoundHandleBody>(handle, playType, fromTop);
}
int StopSoundHandle(int handle) { return CallLocked<StopSoundHandleBody>(handle); }
int SetSoundHandleVolume(int volume, int handle) { return CallLocked<SetSoundHandleVolumeBody>(volume, handle); }
int PlayMusicFile(const char* fileName, int playType) { return CallLocked<PlayMusicFileBody>(fileName, playType); }
int SetMusicVolume(int volume) { return CallLocked<SetMusicVolumeBody>(volume); }
int StopMusicFile() { return CallLocked<StopMusicFileBody>(); }
