// Debugger output stand-in. Text goes to standard error when ENGINE_DEBUG_OUTPUT is set in the environment, and to
// an optional sink that tests install to see what would reach a debugger.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

// Replaces the sink (an empty function removes it).
void SetDebugOutputSink(std::function<void(std::string_view)> sink);

}  // namespace platform
