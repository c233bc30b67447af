#include "engine/core/public_api.h"

#include "engine/core/api_lock.h"
#include "engine/core/archive_file_layer.h"
#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/graphics/color_data.h"

int SetLogFileOutput(int on) { return CallLocked<SetLogFileOutputBody>(on); }
int GetRandomUpTo(int n) { return CallLocked<RandomUpTo>(n); }
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
