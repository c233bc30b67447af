#include "platform/input/input_keys.h"

#include <array>

namespace platform {

namespace {

// Which virtual key the system reports for each DirectInput key code (Japanese layout, as the engine's key-code
// table expects it).
constexpr std::array<std::uint8_t, 256> MakeVirtualKeyTable() {
  std::array<std::uint8_t, 256> t{};
  const char* letters = "QWERTYUIOPASDFGHJKLZXCVBNM";
  const int letterCodes[26] = {dik::kQ, dik::kW, dik::kE, dik::kR, dik::kT, dik::kY, dik::kU, dik::kI, dik::kO,
                               dik::kP, dik::kA, dik::kS, dik::kD, dik::kF, dik::kG, dik::kH, dik::kJ, dik::kK,
                               dik::kL, dik::kZ, dik::kX, dik::kC, dik::kV, dik::kB, dik::kN, dik::kM};
  for (int i = 0; i < 26; ++i) t[letterCodes[i]] = static_cast<std::uint8_t>(letters[i]);
  for (int i = 0; i < 9; ++i) t[dik::k1 + i] = static_cast<std::uint8_t>('1' + i);
  t[dik::k0] = '0';
  t[dik::kUp] = vk::kUp;
  t[dik::kDown] = vk::kDown;
  t[dik::kLeft] = vk::kLeft;
  t[dik::kRight] = vk::kRight;
  t[dik::kSemicolon] = vk::kOemPlus;
  t[dik::kColon] = vk::kOem1;
  t[dik::kLeftBracket] = vk::kOem4;
  t[dik::kRightBracket] = vk::kOem6;
  t[dik::kAt] = vk::kOem3;
  t[dik::kBackslash] = vk::kOem102;
  t[dik::kComma] = vk::kOemComma;
  t[dik::kMinus] = vk::kOemMinus;
  t[dik::kYen] = vk::kOem5;
  t[dik::kPeriod] = vk::kOemPeriod;
  t[dik::kSlash] = vk::kOem2;
  t[dik::kDelete] = vk::kDelete;
  t[dik::kEscape] = vk::kEscape;
  t[dik::kSpace] = vk::kSpace;
  t[dik::kBackspace] = vk::kBack;
  t[dik::kTab] = vk::kTab;
  t[dik::kReturn] = vk::kReturn;
  t[dik::kNumpadEnter] = vk::kReturn;
  t[dik::kNumpad0] = vk::kNumpad0;
  t[dik::kNumpad1] = vk::kNumpad0 + 1;
  t[dik::kNumpad2] = vk::kNumpad0 + 2;
  t[dik::kNumpad3] = vk::kNumpad0 + 3;
  t[dik::kNumpad4] = vk::kNumpad0 + 4;
  t[dik::kNumpad5] = vk::kNumpad0 + 5;
  t[dik::kNumpad6] = vk::kNumpad0 + 6;
  t[dik::kNumpad7] = vk::kNumpad0 + 7;
  t[dik::kNumpad8] = vk::kNumpad0 + 8;
  t[dik::kNumpad9] = vk::kNumpad0 + 9;
  t[dik::kNumpadMultiply] = vk::kMultiply;
  t[dik::kNumpadPlus] = vk::kAdd;
  t[dik::kNumpadMinus] = vk::kSubtract;
  t[dik::kNumpadPeriod] = vk::kDecimal;
  t[dik::kNumpadDivide] = vk::kDivide;
  t[dik::kLeftShift] = vk::kLeftShift;
  t[dik::kRightShift] = vk::kRightShift;
  t[dik::kLeftControl] = vk::kLeftControl;
  t[dik::kRightControl] = vk::kRightControl;
  t[dik::kLeftAlt] = vk::kLeftMenu;
  t[dik::kRightAlt] = vk::kRightMenu;
  t[dik::kPageUp] = vk::kPrior;
  t[dik::kPageDown] = vk::kNext;
  t[dik::kEnd] = vk::kEnd;
  t[dik::kHome] = vk::kHome;
  t[dik::kInsert] = vk::kInsert;
  t[dik::kScrollLock] = vk::kScroll;
  t[dik::kNumLock] = vk::kNumLock;
  t[dik::kCapsLock] = vk::kCapital;
  t[dik::kPause] = vk::kPause;
  for (int i = 0; i < 10; ++i) t[dik::kF1 + i] = static_cast<std::uint8_t>(vk::kF1 + i);
  t[dik::kF11] = vk::kF1 + 10;
  t[dik::kF12] = vk::kF1 + 11;
  return t;
}

constexpr std::array<std::uint8_t, 256> kVirtualKeys = MakeVirtualKeyTable();

}  // namespace

int VirtualKeyForKeyCode(int keyCode) {
  if (keyCode < 0 || keyCode > 255) return 0;
  return kVirtualKeys[static_cast<std::size_t>(keyCode)];
}

}  // namespace platform
