// The media control interface's "sequencer" device, as far as the engine uses it: open a MIDI file, ask for its
// output port, play it from the start with an end notification to a window, close it. Each open device plays through
// its own synthesiser (midi_synth.h) into the engine's mixer.
//
// Notifications arrive as MM_MCINOTIFY posted to the window given with MCI_NOTIFY (wParam: the notify code, lParam:
// the device id): successful when the song ends, superseded when another play with notify replaces a waiting one,
// aborted when the device is closed while one waits.
#pragma once

#include <cstdint>

#include "platform/window/window.h"

namespace platform::mci {

using MciError = std::uint32_t;  // 0: success
using DeviceId = std::uint32_t;

// Commands.
inline constexpr std::uint32_t kMciOpen = 0x0803;
inline constexpr std::uint32_t kMciClose = 0x0804;
inline constexpr std::uint32_t kMciPlay = 0x0806;
inline constexpr std::uint32_t kMciStatus = 0x0814;

// Flags.
inline constexpr std::uint32_t kMciNotify = 0x00000001;
inline constexpr std::uint32_t kMciWait = 0x00000002;
inline constexpr std::uint32_t kMciFrom = 0x00000004;
inline constexpr std::uint32_t kMciTo = 0x00000008;
inline constexpr std::uint32_t kMciStatusItem = 0x00000100;
inline constexpr std::uint32_t kMciOpenElement = 0x00000200;
inline constexpr std::uint32_t kMciOpenType = 0x00002000;

// Status items.
inline constexpr std::uint32_t kMciSeqStatusPort = 0x00004003;
inline constexpr std::uint32_t kMciSeqMapper = 0xFFFF;  // the port value of the MIDI mapper

// Notify codes (wParam of MM_MCINOTIFY).
inline constexpr std::uint32_t kMciNotifySuccessful = 0x0001;
inline constexpr std::uint32_t kMciNotifySuperseded = 0x0002;
inline constexpr std::uint32_t kMciNotifyAborted = 0x0004;

// Errors.
inline constexpr MciError kMciErrInvalidDeviceId = 257;
inline constexpr MciError kMciErrUnrecognizedCommand = 261;
inline constexpr MciError kMciErrHardware = 262;
inline constexpr MciError kMciErrInvalidDeviceName = 263;
inline constexpr MciError kMciErrMissingParameter = 273;
inline constexpr MciError kMciErrUnsupportedFunction = 274;
inline constexpr MciError kMciErrFileNotFound = 275;
inline constexpr MciError kMciErrOutOfRange = 282;
inline constexpr MciError kMciErrInvalidFile = 296;

struct MciOpenParms {
  WindowHandle callback;
  DeviceId deviceId;        // out
  const char* deviceType;   // "sequencer"
  const char* elementName;  // engine path of the MIDI file
  const char* alias;
};

struct MciPlayParms {
  WindowHandle callback;
  std::uint32_t from;  // milliseconds; only the start (0) is offered
  std::uint32_t to;
};

struct MciStatusParms {
  WindowHandle callback;
  std::uintptr_t returnValue;  // out
  std::uint32_t item;
  std::uint32_t track;
};

struct MciGenericParms {
  WindowHandle callback;
};

// Runs one command. device is ignored by kMciOpen, which gives the new device's id. MCI_WAIT is accepted and means
// nothing here (every command finishes at once). MCI_TO, a start other than 0 and other status items are refused.
MciError SendCommand(DeviceId device, std::uint32_t message, std::uint32_t flags, void* params);

// Number of open devices (for tests).
int OpenDeviceCount();

}  // namespace platform::mci
