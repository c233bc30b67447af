#include "engine/core/system_record.h"

SystemWindowRecord g_System{};
