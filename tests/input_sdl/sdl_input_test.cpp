// The SDL back-end's input: scancodes to key codes, key events into the engine's queries, and game controllers
// (SDL's virtual controller) as pads with hot plug and rumble. Runs on SDL's dummy video driver: no display needed.
#if defined(PLATFORM_HAVE_SDL)

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/core/public_api.h"
#include "platform/input/sdl_input.h"
#include "tests/input/input_fixture.h"

namespace {

namespace dik = platform::dik;
using platform::sdl::HandleInputEvent;
using platform::sdl::KeyCodeForScancode;

TEST(SdlInputKeys, ScancodesGiveDirectInputKeyCodes) {
  struct Case {
    SDL_Scancode scancode;
    int code;
  };
  const Case cases[] = {
      {SDL_SCANCODE_UP, 200},       {SDL_SCANCODE_DOWN, 208},    {SDL_SCANCODE_LEFT, 203},
      {SDL_SCANCODE_RIGHT, 205},    {SDL_SCANCODE_ESCAPE, 1},    {SDL_SCANCODE_A, 30},
      {SDL_SCANCODE_X, 45},         {SDL_SCANCODE_C, 46},        {SDL_SCANCODE_B, 48},
      {SDL_SCANCODE_Z, dik::kZ},    {SDL_SCANCODE_S, dik::kS},   {SDL_SCANCODE_D, dik::kD},
      {SDL_SCANCODE_Q, dik::kQ},    {SDL_SCANCODE_W, dik::kW},   {SDL_SCANCODE_SPACE, dik::kSpace},
      {SDL_SCANCODE_KP_2, 0x50},    {SDL_SCANCODE_KP_4, 0x4B},   {SDL_SCANCODE_KP_6, 0x4D},
      {SDL_SCANCODE_KP_8, 0x48},    {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_KP_ENTER, 0x9C},
      {SDL_SCANCODE_1, 0x02},       {SDL_SCANCODE_0, 0x0B},      {SDL_SCANCODE_F1, 0x3B},
      {SDL_SCANCODE_F12, 0x58},     {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_RCTRL, 0x9D},
      {SDL_SCANCODE_UNKNOWN, 0},    {SDL_SCANCODE_F24, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyCodeForScancode(c.scancode), c.code) << SDL_GetScancodeName(c.scancode);
  EXPECT_EQ(KeyCodeForScancode(static_cast<SDL_Scancode>(-1)), 0);
  EXPECT_EQ(KeyCodeForScancode(SDL_NUM_SCANCODES), 0);
}

TEST(SdlInputKeys, EveryMappedKeyAgreesWithTheSystemKeyboardState) {
  // A mapped key whose virtual key differs from the engine's table would read up on the window's thread.
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    const int code = KeyCodeForScancode(static_cast<SDL_Scancode>(sc));
    if (code == 0) continue;
    for (const VkKeyCodePair* p = VkKeyCodeTable; p->virtualKey != kVkTableGroupMark; ++p) {
      if (p->keyCode != code) continue;
      EXPECT_EQ(platform::VirtualKeyForKeyCode(code), p->virtualKey) << sc;
    }
  }
}

SDL_Event KeyEvent(Uint32 type, SDL_Scancode scancode) {
  SDL_Event e{};
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = scancode;
  return e;
}

TEST_F(InputTest, SdlKeyEventsReachTheQueries) {
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_TRUE(HandleInputEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_Z)));
  EXPECT_TRUE(HandleInputEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_UP)));
  EXPECT_EQ(IsKeyDown(200), 1);
  EXPECT_EQ(GetPadInputBits(0x1001), 0x10 | 0x8);
  EXPECT_TRUE(HandleInputEvent(KeyEvent(SDL_KEYUP, SDL_SCANCODE_UP)));
  EXPECT_EQ(IsKeyDown(200), 0);

  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  EXPECT_TRUE(HandleInputEvent(focus));
  EXPECT_EQ(GetPadInputBits(0x1001), 0) << "no key stays held after the focus is lost";

  SDL_Event other{};
  other.type = SDL_MOUSEMOTION;
  EXPECT_FALSE(HandleInputEvent(other));
}

// A virtual game controller under SDL's dummy video driver.
class SdlControllerTest : public InputTest {
 protected:
  static inline std::vector<std::pair<int, int>> rumbles;

  void SetUp() override {
    InputTest::SetUp();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    rumbles.clear();
    index_ = Attach();
    ASSERT_GE(index_, 0) << SDL_GetError();
    joystick_ = SDL_JoystickOpen(index_);
    ASSERT_NE(joystick_, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    TerminateInput();
    if (joystick_) SDL_JoystickClose(joystick_);
    platform::sdl::StopInput();
    SDL_Quit();
    InputTest::TearDown();
  }

  static int Attach() {
    SDL_VirtualJoystickDesc d{};
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    d.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    d.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    d.name = "Virtual Pad";
    d.Rumble = [](void*, Uint16 low, Uint16 high) {
      rumbles.emplace_back(low, high);
      return 0;
    };
    return SDL_JoystickAttachVirtualEx(&d);
  }

  // Lets SDL turn the virtual device's new state into events and hands them to the input layer.
  static void Pump() {
    SDL_JoystickUpdate();
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleInputEvent(e);
    NextTick();
  }

  int index_ = -1;
  SDL_Joystick* joystick_ = nullptr;
};

TEST_F(SdlControllerTest, ControllerIsAPadWithButtonsAxesAndDpad) {
  ASSERT_EQ(InitializeInput(), 0);  // opens the controller subsystem and finds the pad
  ASSERT_EQ(g_Input.padCount, 1);
  Pump();
  struct Case {
    const char* what;
    int button;  // SDL controller button, or -1
    int axis;    // SDL controller axis, or -1
    Sint16 value;
    int bits;
  };
  const Case cases[] = {
      {"A", SDL_CONTROLLER_BUTTON_A, -1, 0, 0x10},
      {"B", SDL_CONTROLLER_BUTTON_B, -1, 0, 0x20},
      {"Start", SDL_CONTROLLER_BUTTON_START, -1, 0, 1 << (4 + 7)},
      {"d-pad left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, -1, 0, 0x2},
      {"d-pad down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, -1, 0, 0x1},
      {"stick right", -1, SDL_CONTROLLER_AXIS_LEFTX, 32767, 0x4},
      {"stick up", -1, SDL_CONTROLLER_AXIS_LEFTY, -32768, 0x8},
      {"stick in the dead zone", -1, SDL_CONTROLLER_AXIS_LEFTX, 6000, 0},
      {"right trigger", -1, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, 1 << (4 + 11)},
  };
  for (const Case& c : cases) {
    if (c.button >= 0) SDL_JoystickSetVirtualButton(joystick_, c.button, SDL_PRESSED);
    if (c.axis >= 0) SDL_JoystickSetVirtualAxis(joystick_, c.axis, c.value);
    Pump();
    EXPECT_EQ(GetPadInputBits(1), c.bits) << c.what;
    if (c.button >= 0) SDL_JoystickSetVirtualButton(joystick_, c.button, SDL_RELEASED);
    if (c.axis >= 0) SDL_JoystickSetVirtualAxis(joystick_, c.axis, 0);
    Pump();
    EXPECT_EQ(GetPadInputBits(1), 0) << c.what << " released";
  }
}

TEST_F(SdlControllerTest, UnpluggedControllerReadsNothingAndComesBackInItsSlot) {
  ASSERT_EQ(InitializeInput(), 0);
  ASSERT_EQ(g_Input.padCount, 1);
  SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_X, SDL_PRESSED);
  Pump();
  EXPECT_EQ(GetPadInputBits(1), 0x40);

  SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(index_), 0);
  Pump();
  EXPECT_EQ(GetPadInputBits(1), 0) << "a pad that is gone holds no button";

  index_ = Attach();
  ASSERT_GE(index_, 0);
  joystick_ = SDL_JoystickOpen(index_);
  Pump();
  SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_Y, SDL_PRESSED);
  Pump();
  EXPECT_EQ(GetPadInputBits(1), 0x80) << "the same engine pad reads the controller plugged back in";
}

TEST_F(SdlControllerTest, VibrationRumblesTheController) {
  ASSERT_EQ(InitializeInput(), 0);
  ASSERT_EQ(g_Input.padCount, 1);
  ASSERT_NE(g_Input.pads[0].constantEffect, nullptr) << "the virtual controller can rumble";
  StartPadVibrationBody(1, 10000, 20);
  ASSERT_FALSE(rumbles.empty());
  EXPECT_EQ(rumbles.back(), std::make_pair(65535, 65535));
  platform::AdvanceVirtualClock(20'000'000);
  UpdatePadVibrationTimers();
  EXPECT_EQ(rumbles.back(), std::make_pair(0, 0));
}

}  // namespace

#endif  // PLATFORM_HAVE_SDL
