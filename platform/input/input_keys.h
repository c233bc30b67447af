// Key codes of the input layer: DirectInput key codes (the keyboard device's 256-byte state is indexed by them) and
// the virtual-key codes of the system keyboard state.
#pragma once

#include <cstdint>

namespace platform {

// DirectInput key codes (scan-code based).
namespace dik {
inline constexpr int kEscape = 0x01;
inline constexpr int k1 = 0x02;
inline constexpr int k0 = 0x0B;
inline constexpr int kMinus = 0x0C;
inline constexpr int kEquals = 0x0D;
inline constexpr int kBackspace = 0x0E;
inline constexpr int kTab = 0x0F;
inline constexpr int kQ = 0x10;
inline constexpr int kW = 0x11;
inline constexpr int kE = 0x12;
inline constexpr int kR = 0x13;
inline constexpr int kT = 0x14;
inline constexpr int kY = 0x15;
inline constexpr int kU = 0x16;
inline constexpr int kI = 0x17;
inline constexpr int kO = 0x18;
inline constexpr int kP = 0x19;
inline constexpr int kLeftBracket = 0x1A;
inline constexpr int kRightBracket = 0x1B;
inline constexpr int kReturn = 0x1C;
inline constexpr int kLeftControl = 0x1D;
inline constexpr int kA = 0x1E;
inline constexpr int kS = 0x1F;
inline constexpr int kD = 0x20;
inline constexpr int kF = 0x21;
inline constexpr int kG = 0x22;
inline constexpr int kH = 0x23;
inline constexpr int kJ = 0x24;
inline constexpr int kK = 0x25;
inline constexpr int kL = 0x26;
inline constexpr int kSemicolon = 0x27;
inline constexpr int kApostrophe = 0x28;
inline constexpr int kGrave = 0x29;
inline constexpr int kLeftShift = 0x2A;
inline constexpr int kBackslash = 0x2B;
inline constexpr int kZ = 0x2C;
inline constexpr int kX = 0x2D;
inline constexpr int kC = 0x2E;
inline constexpr int kV = 0x2F;
inline constexpr int kB = 0x30;
inline constexpr int kN = 0x31;
inline constexpr int kM = 0x32;
inline constexpr int kComma = 0x33;
inline constexpr int kPeriod = 0x34;
inline constexpr int kSlash = 0x35;
inline constexpr int kRightShift = 0x36;
inline constexpr int kNumpadMultiply = 0x37;
inline constexpr int kLeftAlt = 0x38;
inline constexpr int kSpace = 0x39;
inline constexpr int kCapsLock = 0x3A;
inline constexpr int kF1 = 0x3B;  // F1..F10 are 0x3B..0x44
inline constexpr int kF10 = 0x44;
inline constexpr int kNumLock = 0x45;
inline constexpr int kScrollLock = 0x46;
inline constexpr int kNumpad7 = 0x47;
inline constexpr int kNumpad8 = 0x48;
inline constexpr int kNumpad9 = 0x49;
inline constexpr int kNumpadMinus = 0x4A;
inline constexpr int kNumpad4 = 0x4B;
inline constexpr int kNumpad5 = 0x4C;
inline constexpr int kNumpad6 = 0x4D;
inline constexpr int kNumpadPlus = 0x4E;
inline constexpr int kNumpad1 = 0x4F;
inline constexpr int kNumpad2 = 0x50;
inline constexpr int kNumpad3 = 0x51;
inline constexpr int kNumpad0 = 0x52;
inline constexpr int kNumpadPeriod = 0x53;
inline constexpr int kOem102 = 0x56;
inline constexpr int kF11 = 0x57;
inline constexpr int kF12 = 0x58;
inline constexpr int kKana = 0x70;
inline constexpr int kAbntC1 = 0x73;
inline constexpr int kConvert = 0x79;
inline constexpr int kNoConvert = 0x7B;
inline constexpr int kYen = 0x7D;
inline constexpr int kCircumflex = 0x90;
inline constexpr int kAt = 0x91;
inline constexpr int kColon = 0x92;
inline constexpr int kNumpadEnter = 0x9C;
inline constexpr int kRightControl = 0x9D;
inline constexpr int kNumpadDivide = 0xB5;
inline constexpr int kSysRq = 0xB7;
inline constexpr int kRightAlt = 0xB8;
inline constexpr int kPause = 0xC5;
inline constexpr int kHome = 0xC7;
inline constexpr int kUp = 0xC8;
inline constexpr int kPageUp = 0xC9;
inline constexpr int kLeft = 0xCB;
inline constexpr int kRight = 0xCD;
inline constexpr int kEnd = 0xCF;
inline constexpr int kDown = 0xD0;
inline constexpr int kPageDown = 0xD1;
inline constexpr int kInsert = 0xD2;
inline constexpr int kDelete = 0xD3;
inline constexpr int kLeftWindows = 0xDB;
inline constexpr int kRightWindows = 0xDC;
inline constexpr int kApps = 0xDD;
}  // namespace dik

// Virtual-key codes of the system keyboard state.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;
inline constexpr int kPause = 0x13;
inline constexpr int kCapital = 0x14;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;
inline constexpr int kNext = 0x22;
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int k0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr int kA = 0x41;  // 'A'..'Z' are 0x41..0x5A
inline constexpr int kNumpad0 = 0x60;  // numeric keypad 0..9 are 0x60..0x69
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70;  // F1..F12 are 0x70..0x7B
inline constexpr int kNumLock = 0x90;
inline constexpr int kScroll = 0x91;
inline constexpr int kLeftShift = 0xA0;
inline constexpr int kRightShift = 0xA1;
inline constexpr int kLeftControl = 0xA2;
inline constexpr int kRightControl = 0xA3;
inline constexpr int kLeftMenu = 0xA4;
inline constexpr int kRightMenu = 0xA5;
inline constexpr int kOem1 = 0xBA;       // ':' on the Japanese layout
inline constexpr int kOemPlus = 0xBB;    // ';'
inline constexpr int kOemComma = 0xBC;
inline constexpr int kOemMinus = 0xBD;
inline constexpr int kOemPeriod = 0xBE;
inline constexpr int kOem2 = 0xBF;       // '/'
inline constexpr int kOem3 = 0xC0;       // '@'
inline constexpr int kOem4 = 0xDB;       // '['
inline constexpr int kOem5 = 0xDC;       // yen
inline constexpr int kOem6 = 0xDD;       // ']'
inline constexpr int kOem102 = 0xE2;     // backslash / underscore
}  // namespace vk

// The system keyboard's virtual key for a DirectInput key code, or 0 when it has none here.
int VirtualKeyForKeyCode(int keyCode);

}  // namespace platform
