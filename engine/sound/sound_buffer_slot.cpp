// The buffer-slot layer: every operation on a sound's playback buffer goes through a slot, which holds either a
// buffer of the sound device or, in the own-buffer mode, engine memory with its own play state. Nothing mixes or
// advances the own buffers; the mode keeps their data and state only.
#include <cmath>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/sound/sound.h"

namespace {

bool OwnMode() { return g_Sound.ownBufferMode != 0; }

std::uint32_t OwnBytes(const SoundBufferSlot* slot) {
  return static_cast<std::uint32_t>(slot->length) * slot->format.blockAlign;
}

bool Valid(const SoundBufferSlot* slot) { return slot != nullptr && slot->valid == 1; }

// A device call's result as the slot layer's: 0 or -1.
int Result(platform::AudioResult r) { return platform::AudioSucceeded(r) ? 0 : -1; }

}  // namespace

int SlotCreateBuffer(SoundBufferSlot* slot, const platform::SoundBufferDesc* desc) {
  if (slot == nullptr || slot->valid == 1 || desc == nullptr) return -1;
  if (!OwnMode()) {
    if (!platform::AudioSucceeded(g_Sound.device->CreateSoundBuffer(desc, &slot->buffer))) {
      slot->buffer = nullptr;
      return -1;
    }
    slot->valid = 1;
    return 0;
  }
  if (desc->format == nullptr || desc->format->blockAlign == 0 || desc->bufferBytes == 0 ||
      desc->bufferBytes > 0x7FFFFFFFu)
    return -1;
  slot->memory = static_cast<std::uint8_t*>(ENGINE_ALLOC_ZEROED(static_cast<int>(desc->bufferBytes)));
  if (slot->memory == nullptr) return -1;
  slot->playing = 0;
  slot->position = 0;
  slot->loop = 0;
  slot->reserved = 0;
  slot->volume = 255;
  slot->unknown = -1;
  slot->length = static_cast<int>(desc->bufferBytes / desc->format->blockAlign);
  slot->format = *desc->format;
  slot->valid = 1;
  return 0;
}

int SlotDuplicateBuffer(SoundBufferSlot* source, SoundBufferSlot* slot) {
  if (!Valid(source) || slot == nullptr || slot->valid == 1) return -1;
  if (!OwnMode()) {
    if (!platform::AudioSucceeded(g_Sound.device->DuplicateSoundBuffer(source->buffer, &slot->buffer))) {
      slot->buffer = nullptr;
      return -1;
    }
    slot->valid = 1;
    return 0;
  }
  // An own buffer's duplicate gets memory of its own, of the same size; the samples are not copied.
  const std::uint32_t bytes = OwnBytes(source);
  slot->memory = static_cast<std::uint8_t*>(ENGINE_ALLOC_ZEROED(static_cast<int>(bytes > 0 ? bytes : 1)));
  if (slot->memory == nullptr) return -1;
  slot->length = source->length;
  slot->format = source->format;
  slot->valid = 1;
  return 0;
}

int SlotRelease(SoundBufferSlot* slot) {
  if (!Valid(slot)) return -1;
  if (!OwnMode() || slot->memory == nullptr) {
    if (slot->buffer != nullptr) slot->buffer->Release();
    slot->buffer = nullptr;
  } else {
    MemFree(slot->memory);
    slot->memory = nullptr;
  }
  slot->valid = 0;
  return 0;
}

int SlotPlay(SoundBufferSlot* slot, int loop) {
  if (!Valid(slot)) return -1;
  if (!OwnMode()) return Result(slot->buffer->Play(loop != 0 ? platform::kDsbPlayLooping : 0));
  slot->playing = 1;
  slot->loop = loop;
  return 0;
}

int SlotStop(SoundBufferSlot* slot) {
  if (!Valid(slot)) return -1;
  if (!OwnMode()) return Result(slot->buffer->Stop());
  slot->playing = 0;
  return 0;
}

int SlotGetStatus(SoundBufferSlot* slot, std::uint32_t* status) {
  if (!Valid(slot) || status == nullptr) return -1;
  if (!OwnMode()) return Result(slot->buffer->GetStatus(status));
  *status = slot->playing != 0 ? 1u : 0u;
  return 0;
}

int SlotGetPosition(SoundBufferSlot* slot, std::uint32_t* play) {
  if (!Valid(slot) || play == nullptr) return -1;
  if (!OwnMode()) return Result(slot->buffer->GetCurrentPosition(play, nullptr));
  *play = static_cast<std::uint32_t>(slot->position) * slot->format.blockAlign;
  return 0;
}

int SlotLock(SoundBufferSlot* slot, std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* size1,
             void** part2, std::uint32_t* size2) {
  if (!Valid(slot) || part1 == nullptr || size1 == nullptr || part2 == nullptr || size2 == nullptr) return -1;
  if (!OwnMode()) return Result(slot->buffer->Lock(offset, bytes, part1, size1, part2, size2, 0));
  const std::uint32_t size = OwnBytes(slot);
  if (offset >= size || bytes > size) return -1;
  *part1 = slot->memory + offset;
  if (bytes > size - offset) {
    *size1 = size - offset;
    *part2 = slot->memory;
    *size2 = bytes - *size1;
  } else {
    *size1 = bytes;
    *part2 = nullptr;
    *size2 = 0;
  }
  return 0;
}

int SlotUnlock(SoundBufferSlot* slot, void* part1, std::uint32_t size1, void* part2, std::uint32_t size2) {
  if (!Valid(slot)) return -1;
  if (!OwnMode()) return Result(slot->buffer->Unlock(part1, size1, part2, size2));
  return 0;
}

int SlotSetVolume(SoundBufferSlot* slot, int hundredthsDb) {
  if (!Valid(slot)) return -1;
  if (!OwnMode()) return Result(slot->buffer->SetVolume(hundredthsDb));
  if (hundredthsDb <= -10000) {
    slot->volume = 0;
  } else if (hundredthsDb >= 0) {
    slot->volume = 256;
  } else {
    slot->volume = static_cast<int>(std::pow(10.0, hundredthsDb / 1000.0) * 256.0 * 1.0000000001);
  }
  return 0;
}

int SlotSetPosition(SoundBufferSlot* slot, std::uint32_t offset) {
  if (!Valid(slot)) return -1;
  if (!OwnMode()) return Result(slot->buffer->SetCurrentPosition(offset));
  const std::uint32_t frame = offset / slot->format.blockAlign;
  if (frame >= static_cast<std::uint32_t>(slot->length)) return -1;
  slot->position = static_cast<int>(frame);
  return 0;
}
