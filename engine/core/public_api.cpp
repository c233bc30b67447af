#include "engine/core/public_api.h"

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
