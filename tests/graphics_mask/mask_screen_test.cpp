// The mask screen: draws through an active mask change exactly the pixels the mask lets through, in both screen
// models, for every kind of draw; the reverse flag swaps the meaning; without a mask nothing changes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/screen_buffer.h"
#include "platform/display/ddraw.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

namespace dd = platform::dd;

constexpr int kW = 640, kH = 480;

// The back screen as 0x00RRGGBB-or-R5G6B5 values, read from the back image (software model) or the back surface.
std::vector<std::uint32_t> BackScreen() {
  ApiLockGuard lock;
  std::vector<std::uint32_t> out(static_cast<std::size_t>(kW) * kH);
  const std::uint8_t* pixels = nullptr;
  int pitch = 0;
  bool unlock = false;
  if (g_Screens.mainImagesInUse == 1) {
    pixels = g_Screens.backImage.Image;
    pitch = g_Screens.backImage.Pitch;
  } else {
    std::uint8_t* p = nullptr;
    if (g_Screens.back->Lock(nullptr, dd::kLockWait | dd::kLockReadOnly, &p, &pitch) != dd::kOk) return out;
    pixels = p;
    unlock = true;
  }
  for (int y = 0; y < kH; ++y)
    std::memcpy(&out[static_cast<std::size_t>(y) * kW], pixels + static_cast<std::ptrdiff_t>(y) * pitch, kW * 4);
  if (unlock) g_Screens.back->Unlock();
  for (std::uint32_t& v : out) v &= 0xFFFFFFu;
  return out;
}

// The mask used by most cases: protects a 40 x 30 block and every third column of rows 200..260 (so the 4-byte
// walk and its tails both meet protected bytes).
void PaintMask() {
  ApiLockGuard lock;
  FillMaskScreenRect(100, 100, 140, 130, 1);
  for (int x = 0; x < kW; x += 3) FillMaskScreenRect(x, 200, x + 1, 260, 0xFF);
}

bool Protected(int x, int y, bool reverse) {
  ApiLockGuard lock;
  const bool nonZero = g_MaskScreen.data[static_cast<std::size_t>(y) * g_MaskScreen.pitch + x] != 0;
  return nonZero != reverse;
}

class MaskScreen : public HeadlessEngine, public ::testing::WithParamInterface<int> {
 protected:
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  test_support::ContextModePin contextMode_;
  // 1: software model; 0: hardware window model. Both 32-bit.
  void Start() {
    ChangeWindowMode(1);
    ASSERT_EQ(StartEngine(), 0);
    ApiLockGuard lock;
    if (GetParam() == 1) SetHardwareRenderFlag(0);
    ASSERT_EQ(IsSoftwareScreenModel(), GetParam());
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
  // A background with a different value in every pixel of interest.
  static void Background() {
    ASSERT_EQ(ClearCurrentDrawScreen(), 0);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(DrawRectangle(i * 40, 0, i * 40 + 40, kH, 0x102030 * (i + 1), 1), 0);
  }
};

TEST_P(MaskScreen, EveryDrawChangesOnlyThePixelsTheMaskLetsThrough) {
  // The mask screen acts on the 2D path's draws only (the 3D device's draws ignore it): software path only.
  contextMode_.Set();
  Start();
  const int graph = [] {
    ApiLockGuard lock;
    SetDrawValidGraphCreateFlag(1);
    const int h = CreateEmptyGraph(64, 64);
    SetDrawValidGraphCreateFlag(0);
    return h;
  }();
  ASSERT_GE(graph, 0);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 64, 64, 0x00FF00, 1), 0);
  ASSERT_EQ(DrawRectangle(16, 16, 48, 48, 0x000000, 1), 0);  // transparent hole (key colour 0)
  ASSERT_EQ(SelectDrawTarget(-2), 0);

  struct Case {
    const char* name;
    std::function<int()> draw;
    bool keyColour = false;  // draws only the key colour: the mask end keeps every old pixel
  };
  const Case cases[] = {
      {"filled box", [] { return DrawRectangle(90, 90, 300, 280, 0xFF0000, 1); }},
      {"black box (the key colour)", [] { return DrawRectangle(90, 90, 300, 280, 0x000000, 1); }, true},
      {"line", [] { return DrawLineSegment(0, 110, 639, 250, 0xFFFFFF); }},
      {"oval", [] { return DrawEllipse(120, 230, 60, 40, 0x0000FF, 1); }},
      {"graphic", [&] { return DrawGraphAt(95, 195, graph, 1); }},
      {"stretched graphic", [&] { return DrawGraphStretched(80, 90, 301, 271, graph, 0); }},
      {"rotated graphic", [&] { return DrawGraphRotated(120, 120, 1.5, 0.7, graph, 0, 0); }},
      {"text", [] { return DrawTextFormatted(96, 96, 0xFFFF00, "%s", "MASK 123"); }},
  };
  {
    ApiLockGuard lock;
    ASSERT_EQ(CreateMaskScreen(), 0);
  }
  PaintMask();
  for (const bool reverse : {false, true}) {
    {
      ApiLockGuard lock;
      SetMaskReverseFlag(reverse ? 1 : 0);
    }
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (reverse ? ", reversed" : ""));
      {
        ApiLockGuard lock;
        ASSERT_EQ(SetMaskScreenActive(0), 0);
      }
      Background();
      const std::vector<std::uint32_t> before = BackScreen();
      ASSERT_EQ(c.draw(), 0);
      const std::vector<std::uint32_t> drawn = BackScreen();
      Background();
      {
        ApiLockGuard lock;
        ASSERT_EQ(SetMaskScreenActive(1), 0);
        ASSERT_EQ(g_GraphDrawState.MaskActive, 1);
      }
      ASSERT_EQ(c.draw(), 0);
      {
        ApiLockGuard lock;
        ASSERT_EQ(SetMaskScreenActive(0), 0);
      }
      const std::vector<std::uint32_t> masked = BackScreen();
      int changed = 0, kept = 0;
      for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * kW + x;
          const bool through = !Protected(x, y, reverse) && drawn[i] != 0;
          const std::uint32_t want = through ? drawn[i] : before[i];
          ASSERT_EQ(masked[i], want) << x << "," << y;
          if (drawn[i] != before[i]) ++(through ? changed : kept);
        }
      }
      // Every case both draws through the mask and is held back by it somewhere.
      if (c.keyColour) EXPECT_EQ(changed, 0); else EXPECT_GT(changed, 0);
      EXPECT_GT(kept, 0);
    }
  }
  EXPECT_EQ(g_Screens.back->LockCount(), GetParam() == 1 ? 1 : 0);
}

TEST_P(MaskScreen, WithoutAMaskTheSwitchRefusesAndDrawsAreUnaffected) {
  Start();
  ApiLockGuard lock;
  EXPECT_EQ(SetMaskScreenActive(1), -1);
  EXPECT_EQ(g_GraphDrawState.MaskActive, 0);
  EXPECT_EQ(FillMaskScreenRect(0, 0, 10, 10, 1), -1);
  ASSERT_EQ(DrawRectangle(0, 0, 10, 10, 0xFF0000, 1), 0);
  EXPECT_EQ(BackScreen()[5 * kW + 5], 0xFF0000u);
}

TEST_P(MaskScreen, AFreshMaskLetsEverythingThroughAndDeletionSwitchesItOff) {
  Start();
  {
    ApiLockGuard lock;
    ASSERT_EQ(CreateMaskScreen(), 0);
    EXPECT_EQ(g_MaskScreen.pitch, 640);
    ASSERT_EQ(SetMaskScreenActive(1), 0);
  }
  ASSERT_EQ(DrawRectangle(0, 0, 10, 10, 0xFF0000, 1), 0);
  EXPECT_EQ(BackScreen()[5 * kW + 5], 0xFF0000u);
  ApiLockGuard lock;
  ASSERT_EQ(DeleteMaskScreen(), 0);
  EXPECT_EQ(g_GraphDrawState.MaskActive, 0);
  EXPECT_EQ(g_GraphDrawState.UseMaskScreen, 0);
  EXPECT_EQ(GetMaskMemImg(), nullptr);
  EXPECT_EQ(GetMaskSurface(), nullptr);
  EXPECT_EQ(SetMaskScreenActive(1), -1);
}

INSTANTIATE_TEST_SUITE_P(Models, MaskScreen, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& p) { return p.param == 1 ? "Software" : "Hardware"; });

}  // namespace
}  // namespace engine_test
