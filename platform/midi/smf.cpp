#include "platform/midi/smf.h"

#include <cstring>

namespace platform::midi {
namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// A variable-length quantity of at most four bytes; false when it runs past the end or is longer.
bool ReadVlq(const std::uint8_t* data, std::size_t size, std::size_t* at, std::uint32_t* value) {
  *value = 0;
  for (int i = 0; i < 4; ++i) {
    if (*at >= size) return false;
    const std::uint8_t b = data[(*at)++];
    *value = (*value << 7) | (b & 0x7Fu);
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

// Data bytes that follow a channel status byte.
int DataBytes(std::uint8_t status) {
  const int kind = status >> 4;
  return kind == 0xC || kind == 0xD ? 1 : 2;
}

bool TrackIsWellFormed(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  std::uint8_t running = 0;
  while (at < size) {
    std::uint32_t delta = 0;
    if (!ReadVlq(data, size, &at, &delta) || at >= size) return false;
    std::uint8_t status = data[at];
    if (status >= 0x80) {
      ++at;
    } else if (running == 0) {
      return false;  // a data byte with no status to run on
    } else {
      status = running;
    }
    if (status == 0xFF) {
      if (at >= size) return false;
      const std::uint8_t type = data[at++];
      std::uint32_t length = 0;
      if (!ReadVlq(data, size, &at, &length) || length > size - at) return false;
      at += length;
      running = 0;
      if (type == 0x2F) return true;  // end of track: what follows is not played
    } else if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length = 0;
      if (!ReadVlq(data, size, &at, &length) || length > size - at) return false;
      at += length;
      running = 0;
    } else if (status >= 0xF0) {
      return false;  // system common and real-time messages have no place in a file
    } else {
      const int count = DataBytes(status);
      if (size - at < static_cast<std::size_t>(count)) return false;
      for (int i = 0; i < count; ++i)
        if (data[at + static_cast<std::size_t>(i)] >= 0x80) return false;
      at += static_cast<std::size_t>(count);
      running = status;
    }
  }
  return true;  // a track without an end event ends with its chunk
}

}  // namespace

bool IsStandardMidiFile(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
  const std::uint32_t headerSize = Be32(data + 4);
  if (headerSize < 6 || headerSize > size - 8) return false;
  const int format = (data[8] << 8) | data[9];
  const int tracks = (data[10] << 8) | data[11];
  const int division = (data[12] << 8) | data[13];
  if (format > 1 || tracks == 0 || (format == 0 && tracks != 1)) return false;
  if (division == 0 || (division & 0x8000) != 0) return false;  // SMPTE time is not played
  std::size_t at = 8 + static_cast<std::size_t>(headerSize);
  int found = 0;
  while (size - at >= 8) {
    const std::uint32_t length = Be32(data + at + 4);
    if (length > size - at - 8) return false;
    if (std::memcmp(data + at, "MTrk", 4) == 0) {
      if (!TrackIsWellFormed(data + at + 8, length)) return false;
      ++found;
    }
    at += 8 + static_cast<std::size_t>(length);
  }
  return found >= tracks;
}

}  // namespace platform::midi
