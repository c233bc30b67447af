#include "engine/core/char_input.h"

#include <cstring>

#include "engine/core/key_input.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/string_util.h"
#include "engine/core/system_record.h"
#include "platform/window/window.h"

CharCodeRing g_CharRing{};
ImeState g_Ime{};

const KeyControlCode kKeyControlCodes[] = {
    {0x2E, kCharDelete}, {0x25, kCharLeft}, {0x27, kCharRight}, {0x26, kCharUp}, {0x28, kCharDown}, {0, 0},
};

namespace {

int NextIndex(int index) { return (index + 1) % kCharRingSlots; }

void ClearImeText() {
  MemFree(g_Ime.candidateList);
  g_Ime.candidateList = nullptr;
  std::memset(g_Ime.composition, 0, sizeof g_Ime.composition);
  g_Ime.compositionLength = 0;
}

}  // namespace

int StartCharCodeBuffer() {
  WriteLog("文字コードバッファの初期化を行います... ");
  g_CharRing = CharCodeRing{};
  g_Ime = ImeState{};
  ResetKeyInputTable();
  WriteLog("完了しました\n");
  return 0;
}

int CharRingHasRoom() {
  const CharCodeRing& r = g_CharRing;
  return NextIndex(r.writeIndex) != r.readIndex && !(r.readIndex == 0 && r.writeIndex == kCharRingSlots - 1) ? 1 : 0;
}

int PutCharCode(int code) {
  if (CharRingHasRoom() == 0) return -1;
  g_CharRing.codes[g_CharRing.writeIndex] = static_cast<std::uint8_t>(code);
  g_CharRing.writeIndex = NextIndex(g_CharRing.writeIndex);
  return 0;
}

int GetCharCode(std::uint8_t out[2], int consume) {
  CharCodeRing& r = g_CharRing;
  if (r.readIndex == r.writeIndex) return 0;
  const std::uint8_t first = r.codes[r.readIndex];
  if (IsInputControlCode(first) == 0 && IsCharLeadByte(first)) {
    const int second = NextIndex(r.readIndex);
    if (second == r.writeIndex) return 0;
    out[0] = first;
    out[1] = r.codes[second];
    if (consume != 0) r.readIndex = NextIndex(second);
    return 2;
  }
  out[0] = first;
  out[1] = 0;
  if (consume != 0) r.readIndex = NextIndex(r.readIndex);
  return 1;
}

int IsInputControlCode(int code) {
  for (const KeyControlCode* k = kKeyControlCodes; k->virtualKey != 0; ++k)
    if (k->code == code) return 1;
  return 0;
}

bool IsCharLeadByte(std::uint8_t c) { return g_System.codePageClass == 2 ? c >= 0x80 : IsSjisLeadByte(c); }

int CountStringChars(const char* text, int bytes) {
  if (bytes < 1) return 0;
  int count = 0;
  for (int i = 0; i < bytes && text[i] != '\0'; ++count) {
    // A lead byte whose second byte is the terminator counts alone, so the walk never steps over the terminator.
    const bool lead = IsCharLeadByte(static_cast<std::uint8_t>(text[i])) && !(i + 1 < bytes && text[i + 1] == '\0');
    i += lead ? 2 : 1;
  }
  return count;
}

int SetImeEnabled(int flag) {
  const int enabled = flag != 0 ? 1 : 0;
  if (enabled == g_Ime.enabled) return 0;
  g_Ime.enabled = enabled;
  platform::EnableIme(g_System.mainWindow, enabled == 1);
  if (enabled == 0) ClearImeText();
  return 0;
}
