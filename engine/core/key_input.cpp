#include "engine/core/key_input.h"

#include <cstdint>
#include <cstring>

#include "engine/core/char_input.h"
#include "engine/core/mem_alloc.h"

KeyInputTable g_KeyInput{{}, -1, 0};

namespace {

constexpr int kHandleTypeMask = 0x78000000;
constexpr int kCheckShift = 16;
constexpr int kCheckMask = 0x7FF;
constexpr int kSlotMask = 0xFFFF;

bool IsLead(const char* text, int at) { return IsCharLeadByte(static_cast<std::uint8_t>(text[at])); }

// Start of the character that ends at `at` (exclusive), found by walking from the start of the text, so a trail
// byte that looks like a lead byte is never taken for one.
int PreviousBoundary(const KeyInputSlot& s, int at) {
  int i = 0, previous = 0;
  while (i < at) {
    previous = i;
    i += (IsLead(s.buffer, i) && i + 1 < s.length) ? 2 : 1;
  }
  return previous;
}

int CharSizeAt(const KeyInputSlot& s, int at) { return (IsLead(s.buffer, at) && at + 1 < s.length) ? 2 : 1; }

void RemoveBytes(KeyInputSlot& s, int at, int n) {
  std::memmove(s.buffer + at, s.buffer + at + n, static_cast<std::size_t>(s.length - at - n + 1));
  s.length -= n;
}

void InsertChar(KeyInputSlot& s, const std::uint8_t* bytes, int size) {
  if (s.digitsOnly == 1) {
    const bool digit = size == 1 && bytes[0] >= '0' && bytes[0] <= '9';
    const bool minus = size == 1 && bytes[0] == '-' && s.cursor == 0;
    if (!digit && !minus) return;
  }
  if (s.singleByteOnly == 1 && size == 2) return;
  // Make room by dropping the last character until the new one fits; a character longer than the field is dropped.
  while (s.length + size > s.maxLength) {
    if (s.length == 0) return;
    const bool cursorAtEnd = s.cursor == s.length;
    const int last = PreviousBoundary(s, s.length);
    RemoveBytes(s, last, s.length - last);
    if (cursorAtEnd || s.cursor > s.length) s.cursor = s.length;
  }
  std::memmove(s.buffer + s.cursor + size, s.buffer + s.cursor, static_cast<std::size_t>(s.length - s.cursor + 1));
  std::memcpy(s.buffer + s.cursor, bytes, static_cast<std::size_t>(size));
  s.cursor += size;
  s.length += size;
}

void Apply(KeyInputSlot& s, const std::uint8_t* bytes, int size) {
  if (size == 1) {
    switch (bytes[0]) {
      case kCharBackspace:
        if (s.cursor > 0) {
          const int start = PreviousBoundary(s, s.cursor);
          const int n = s.cursor - start;
          s.cursor = start;
          RemoveBytes(s, start, n);
        }
        return;
      case kCharDelete:
        if (s.cursor < s.length) RemoveBytes(s, s.cursor, CharSizeAt(s, s.cursor));
        return;
      case kCharRight:
        if (s.cursor < s.length) s.cursor += CharSizeAt(s, s.cursor);
        return;
      case kCharLeft:
        if (s.cursor > 0) s.cursor = PreviousBoundary(s, s.cursor);
        return;
      case kCharTab:
      case kCharUp:
      case kCharDown:
        return;
      case kCharEnter:
        s.ended = 1;
        return;
      case kCharEscape:
        if (s.cancelAllowed == 1) {
          s.cancelled = 1;
          s.ended = 1;
        }
        return;
      default:
        break;
    }
  }
  InsertChar(s, bytes, size);
}

}  // namespace

int ResetKeyInputTable() {
  for (KeyInputSlot& s : g_KeyInput.slots) s = KeyInputSlot{};
  g_KeyInput.active = -1;
  return 0;
}

int CreateKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly) {
  if (maxLength < 1) return -1;
  for (int i = 0; i < kMaxKeyInputs; ++i) {
    KeyInputSlot& s = g_KeyInput.slots[i];
    if (s.inUse == 1) continue;
    auto* buffer = static_cast<char*>(ENGINE_ALLOC_ZEROED(maxLength + 1));
    if (buffer == nullptr) return -1;
    g_KeyInput.nextCheck = (g_KeyInput.nextCheck + 1) & kCheckMask;
    s = KeyInputSlot{1, g_KeyInput.nextCheck, 0, 0, 0, maxLength, 0, buffer, cancelAllowed, singleByteOnly, digitsOnly};
    const int handle = kKeyInputHandleType | (s.check << kCheckShift) | i;
    g_KeyInput.active = handle;
    return handle;
  }
  return -1;
}

KeyInputSlot* GetKeyInputSlot(int handle) {
  if (handle < 0 || (handle & kHandleTypeMask) != kKeyInputHandleType) return nullptr;
  const int slot = handle & kSlotMask;
  if (slot >= kMaxKeyInputs) return nullptr;
  KeyInputSlot& s = g_KeyInput.slots[slot];
  if (s.inUse != 1 || s.check != ((handle >> kCheckShift) & kCheckMask)) return nullptr;
  return &s;
}

int ProcessKeyInput() {
  if (g_KeyInput.active == -1) return 0;
  KeyInputSlot* s = GetKeyInputSlot(g_KeyInput.active);
  if (s == nullptr) return -1;
  while (s->ended == 0) {
    std::uint8_t bytes[2];
    const int size = GetCharCode(bytes, 1);
    if (size == 0) break;
    Apply(*s, bytes, size);
  }
  return 0;
}

int DeleteKeyInput(int handle) {
  KeyInputSlot* s = GetKeyInputSlot(handle);
  if (s == nullptr) return -1;
  MemFree(s->buffer);
  *s = KeyInputSlot{};
  if (g_KeyInput.active == handle) g_KeyInput.active = -1;
  for (const KeyInputSlot& other : g_KeyInput.slots)
    if (other.inUse == 1) return 0;
  SetImeEnabled(0);
  return 0;
}

int DeleteAllKeyInputs() {
  for (int i = 0; i < kMaxKeyInputs; ++i) {
    const KeyInputSlot& s = g_KeyInput.slots[i];
    if (s.inUse == 1) DeleteKeyInput(kKeyInputHandleType | (s.check << kCheckShift) | i);
  }
  g_KeyInput.active = -1;
  return 0;
}
