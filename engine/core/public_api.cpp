#include "engine/core/public_api.h"

#include "engine/core/api_lock.h"
#include "engine/core/archive_file_layer.h"
#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/random.h"

int SetLogFileOutput(int on) { return CallLocked<SetLogFileOutputBody>(on); }
int GetRandomUpTo(int n) { return CallLocked<RandomUpTo>(n); }
int SetUseArchiveFiles(int use) { return CallLocked<SetUseArchiveFilesBody>(use); }
int SetArchiveExtension(const char* extension) { return CallLocked<SetArchiveExtensionForward>(extension); }
int SetArchiveKeyString(const char* keyString) { return CallLocked<SetArchiveKeyStringForward>(keyString); }
