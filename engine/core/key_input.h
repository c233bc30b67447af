// Key-input handles: text fields fed from the character ring once per message pass, with a cursor, a length limit
// and an end state (Enter, or Esc when cancelling is allowed). One handle is active at a time.
#pragma once

inline constexpr int kKeyInputHandleType = 0x50000000;
inline constexpr int kMaxKeyInputs = 20;

struct KeyInputSlot {
  int inUse;
  int check;
  int ended;
  int cancelled;
  int length;     // bytes
  int maxLength;  // bytes
  int cursor;     // bytes
  char* buffer;   // maxLength + 1 bytes
  int cancelAllowed;
  int singleByteOnly;
  int digitsOnly;
};

struct KeyInputTable {
  KeyInputSlot slots[kMaxKeyInputs];
  int active;  // -1 when none
  int nextCheck;
};
extern KeyInputTable g_KeyInput;

int ResetKeyInputTable();
// Makes a field of at most maxLength bytes and makes it the active one. The handle, or -1.
int CreateKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly);
// The slot of a valid handle, or null.
KeyInputSlot* GetKeyInputSlot(int handle);
// The drain: 0, or -1 for an invalid active handle.
int ProcessKeyInput();
int DeleteKeyInput(int handle);
int DeleteAllKeyInputs();
