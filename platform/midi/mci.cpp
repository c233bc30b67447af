#include "platform/midi/mci.h"

#include <map>
#include <memory>
#include <mutex>
#include <strings.h>
#include <vector>

#include "platform/files/file.h"
#include "platform/midi/midi_synth.h"
#include "platform/midi/smf.h"

namespace platform::mci {
namespace {

// Larger files are not taken for MIDI.
constexpr std::int64_t kMaxSongBytes = 16 * 1024 * 1024;

struct Device {
  std::vector<std::uint8_t> song;
  std::unique_ptr<midi::MidiSynth> synth;
  WindowHandle notifyWindow = 0;  // of the play whose notification waits
};

// The device table. The synthesisers' end handlers never take this lock (they only post), so commands may hold it
// while they call into the synthesiser and the mixer.
std::mutex g_mutex;
std::map<DeviceId, std::unique_ptr<Device>> g_devices;
DeviceId g_nextId = 1;

void Notify(WindowHandle window, std::uint32_t code, DeviceId id) {
  if (window != 0) PostMessage(window, win::kMmMciNotify, code, static_cast<LParam>(id));
}

bool ReadSong(const char* path, std::vector<std::uint8_t>* song, MciError* error) {
  const FileHandle file = OpenFileForRead(path);
  if (file == kInvalidFileHandle) {
    *error = kMciErrFileNotFound;
    return false;
  }
  const std::int64_t size = GetFileSize(file);
  bool ok = size > 0 && size <= kMaxSongBytes;
  if (ok) {
    song->resize(static_cast<std::size_t>(size));
    std::uint32_t done = 0;
    ok = ReadFromFile(file, song->data(), static_cast<std::uint32_t>(size), &done) && done == song->size();
  }
  CloseFile(file);
  if (!ok || !midi::IsStandardMidiFile(song->data(), song->size())) {
    *error = kMciErrInvalidFile;
    return false;
  }
  return true;
}

MciError Open(std::uint32_t flags, MciOpenParms* p) {
  if (p == nullptr || (flags & kMciOpenType) == 0 || p->deviceType == nullptr) return kMciErrMissingParameter;
  if (strcasecmp(p->deviceType, "sequencer") != 0) return kMciErrInvalidDeviceName;
  if ((flags & kMciOpenElement) == 0 || p->elementName == nullptr) return kMciErrMissingParameter;
  auto device = std::make_unique<Device>();
  MciError error = 0;
  if (!ReadSong(p->elementName, &device->song, &error)) return error;
  device->synth = midi::MidiSynth::Create();
  if (device->synth == nullptr) return kMciErrHardware;
  std::lock_guard lock(g_mutex);
  const DeviceId id = g_nextId++;
  if (g_nextId == 0) g_nextId = 1;
  g_devices[id] = std::move(device);
  p->deviceId = id;
  return 0;
}

MciError Play(Device* device, DeviceId id, std::uint32_t flags, const MciPlayParms* p) {
  if ((flags & (kMciFrom | kMciNotify)) != 0 && p == nullptr) return kMciErrMissingParameter;
  if ((flags & kMciTo) != 0) return kMciErrUnsupportedFunction;
  if ((flags & kMciFrom) != 0 && p->from != 0) return kMciErrOutOfRange;
  // A play without a start leaves a playing device as it is.
  if ((flags & kMciFrom) == 0 && device->synth->Playing()) return 0;
  const WindowHandle window = (flags & kMciNotify) != 0 ? p->callback : 0;
  midi::MidiSynth::EndHandler onEnd;
  if (window != 0) onEnd = [window, id] { Notify(window, kMciNotifySuccessful, id); };
  bool superseded = false;
  if (!device->synth->Play(device->song, 0, std::move(onEnd), &superseded)) return kMciErrInvalidFile;
  if (superseded) Notify(device->notifyWindow, kMciNotifySuperseded, id);
  device->notifyWindow = window;
  return 0;
}

}  // namespace

MciError SendCommand(DeviceId id, std::uint32_t message, std::uint32_t flags, void* params) {
  if (message == kMciOpen) return Open(flags, static_cast<MciOpenParms*>(params));
  std::unique_ptr<Device> closing;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_devices.find(id);
    if (it == g_devices.end()) return kMciErrInvalidDeviceId;
    Device* device = it->second.get();
    switch (message) {
      case kMciPlay:
        return Play(device, id, flags, static_cast<const MciPlayParms*>(params));
      case kMciStatus: {
        auto* p = static_cast<MciStatusParms*>(params);
        if (p == nullptr || (flags & kMciStatusItem) == 0) return kMciErrMissingParameter;
        if (p->item != kMciSeqStatusPort) return kMciErrUnsupportedFunction;
        p->returnValue = kMciSeqMapper;
        return 0;
      }
      case kMciClose:
        if (device->synth->Stop()) Notify(device->notifyWindow, kMciNotifyAborted, id);
        closing = std::move(it->second);
        g_devices.erase(it);
        break;
      default:
        return kMciErrUnrecognizedCommand;
    }
  }
  closing.reset();  // leaves the mix outside the table's lock
  return 0;
}

int OpenDeviceCount() {
  std::lock_guard lock(g_mutex);
  return static_cast<int>(g_devices.size());
}

}  // namespace platform::mci
