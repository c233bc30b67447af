#include "engine/core/public_api.h"

#include "engine/core/api_lock.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/input/input.h"

int SetLogFileOutput(int on) { return CallLocked<SetLogFileOutputBody>(on); }
int GetRandomUpTo(int n) { return CallLocked<RandomUpTo>(n); }
int IsKeyDown(int code) { return CallLocked<IsKeyDownBody>(code); }
int GetPadInputBits(int request) { return CallLocked<GetPadInputBitsBody>(request); }
