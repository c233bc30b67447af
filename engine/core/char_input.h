// The character ring that typed characters go into (WM_CHAR bytes, editing keys as control codes, IME results),
// and the IME state kept with it.
#pragma once

#include <cstdint>

inline constexpr int kCharRingSlots = 1025;  // holds at most 1024 codes

// Control codes the editing keys put into the ring.
inline constexpr int kCharBackspace = 8;
inline constexpr int kCharTab = 9;
inline constexpr int kCharEnter = 13;
inline constexpr int kCharEscape = 27;
inline constexpr int kCharDelete = 0x10;
inline constexpr int kCharRight = 0x1C;
inline constexpr int kCharLeft = 0x1D;
inline constexpr int kCharUp = 0x1E;
inline constexpr int kCharDown = 0x1F;

struct CharCodeRing {
  std::uint8_t codes[kCharRingSlots];
  int readIndex;
  int writeIndex;  // empty when equal
};
extern CharCodeRing g_CharRing;

inline constexpr int kImeTextBytes = 1024;

struct ImeState {
  int enabled;     // IME-use flag (SetImeEnabled)
  int inputSeen;   // an IME message arrived while enabled
  std::uint32_t lastTime;
  int composing;
  int cursorPosition;  // in characters
  char composition[kImeTextBytes];
  int compositionLength;
  std::uint8_t clauses[kImeTextBytes];
  int clauseCount;
  void* candidateList;  // MemAlloc block or null
  int openStatus;
  int inOpenStatusWait;  // inside the open-status handling
};
extern ImeState g_Ime;

// The WM_KEYDOWN table: virtual key and control code pairs, ending with a zero key.
struct KeyControlCode {
  std::uint8_t virtualKey;
  std::uint8_t code;
};
extern const KeyControlCode kKeyControlCodes[];

int StartCharCodeBuffer();
// 1 when another code fits.
int CharRingHasRoom();
// 0, or -1 when the ring is full (the code is dropped).
int PutCharCode(int code);
// The next character: 0 (nothing complete yet), 1 or 2 bytes into out. consume 0 leaves the ring as it was.
int GetCharCode(std::uint8_t out[2], int consume);
int IsInputControlCode(int code);
// Lead byte of a double-byte character by the engine's code page.
bool IsCharLeadByte(std::uint8_t c);
// Characters in the first bytes of text (a double-byte character counts once), stopping at NUL.
int CountStringChars(const char* text, int bytes);
int SetImeEnabled(int flag);
