#include "engine/core/public_api.h"

#include "engine/core/api_lock.h"
#include "engine/core/log.h"
#include "engine/core/random.h"

int SetLogFileOutput(int on) { return CallLocked<SetLogFileOutputBody>(on); }
int GetRandomUpTo(int n) { return CallLocked<RandomUpTo>(n); }
