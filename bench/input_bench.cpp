// The pad word with the keyboard folded in (the game asks for it every frame). Baseline: every call in a new
// millisecond, so each one reads the pad and the keyboard; against it, repeated calls within one millisecond, which
// must cost no device reads.
#include <benchmark/benchmark.h>

#include "engine/core/public_api.h"
#include "engine/input/input.h"
#include "platform/base/clock.h"
#include "platform/input/input.h"

namespace {

void SetUpInput(bool fallback) {
  platform::SetClockMode(platform::ClockMode::Virtual);
  TerminateInput();
  g_Input = InputSystemRecord{};
  platform::ResetInputDevices();
  if (fallback) {
    platform::SetDirectInputAvailability(7, platform::DirectInputAvailability::CreateFails);
    platform::SetDirectInputAvailability(8, platform::DirectInputAvailability::CreateFails);
  }
  const int slot = platform::AttachPad({});
  platform::SetPadButton(slot, 0, true);
  platform::SetKeyDown(platform::dik::kLeft, true);
  InitializeInput();
}

void BM_PadWordNewTickEachCall(benchmark::State& state) {
  SetUpInput(state.range(0) != 0);
  for (auto _ : state) {
    platform::AdvanceVirtualClock(1'000'000);
    benchmark::DoNotOptimize(GetPadInputBits(0x1001));
  }
  TerminateInput();
}
BENCHMARK(BM_PadWordNewTickEachCall)->Arg(0)->Arg(1)->ArgName("fallback");

void BM_PadWordSameTick(benchmark::State& state) {
  SetUpInput(state.range(0) != 0);
  platform::AdvanceVirtualClock(1'000'000);
  GetPadInputBits(0x1001);
  for (auto _ : state) {
    // Each clock read moves the virtual clock by 1 us; stay inside the millisecond.
    if (platform::NowNanoseconds() % 1'000'000 > 900'000) {
      state.PauseTiming();
      platform::AdvanceVirtualClock(200'000);
      GetPadInputBits(0x1001);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(GetPadInputBits(0x1001));
  }
  TerminateInput();
}
BENCHMARK(BM_PadWordSameTick)->Arg(0)->Arg(1)->ArgName("fallback");

}  // namespace
