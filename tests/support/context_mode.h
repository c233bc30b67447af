// Pins the 3D device's context mode for a fixture: as a member it outlives the fixture's TearDown, so the engine ends
// under the mode it started with, and then ENGINE_D3D decides again.
#pragma once

#include "platform/d3d/egl_context.h"

namespace test_support {

class ContextModePin {
 public:
  ContextModePin() = default;
  ContextModePin(const ContextModePin&) = delete;
  ContextModePin& operator=(const ContextModePin&) = delete;
  ~ContextModePin() {
    if (pinned_) platform::d3d::ClearContextModeOverride();
  }
  // kOff: the engine draws through the 2D path whatever ENGINE_D3D says.
  void Set(platform::d3d::ContextMode mode = platform::d3d::ContextMode::kOff) {
    platform::d3d::SetContextMode(mode);
    pinned_ = true;
  }

 private:
  bool pinned_ = false;
};

}  // namespace test_support
