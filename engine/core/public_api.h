// The engine's public functions: the only way the game reaches the engine. Each one takes the API lock, calls its
// worker with the arguments unchanged, releases the lock and returns the worker's result.
#pragma once

int SetLogFileOutput(int on);
int GetRandomUpTo(int n);
int SetUseArchiveFiles(int use);
int SetArchiveExtension(const char* extension);
int SetArchiveKeyString(const char* keyString);

// Colour values in the screen's format; the two record builders run without the lock.
#include <cstdint>
struct ColorData;
struct DDPixelFormat;
int MakeColorValue(int r, int g, int b);
int CreateColorDataEntry(ColorData* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                         std::uint32_t maskA);
int CreatePixelFormatEntry(DDPixelFormat* record, int bits, std::uint32_t maskR, std::uint32_t maskG,
                           std::uint32_t maskB, std::uint32_t maskA);

// Start-up and shut-down, the window and message processing, time.
int StartEngine();
int EndEngine();  // also destroys the API lock
int ProcessMessage();
int ChangeWindowMode(int windowed);
int SetWindowTitle(const char* title);
int SetWindowIconResource(int id);
int WaitPumpingMessagesEntry(int milliseconds);  // takes the lock per step itself: call without holding it
int GetMillisecondCount(int unused);
int GetLocalDateTime(int* six);

// Input: 1 while the key (DirectInput key code) is held; the pad word of a pad (1-based, plus 0x1000 to fold in the
// keyboard).
int IsKeyDown(int code);
int GetPadInputBits(int request);

// Sound and music: handles of sound files (buffer count at most 10; share handle -1), play types 0 wait, 1 in the
// background, 3 loop; volumes 0..255.
int LoadSoundFile(const char* fileName, int bufferCount, int shareHandle);
int PlaySoundHandle(int handle, int playType, int fromTop);
int StopSoundHandle(int handle);
int SetSoundHandleVolume(int volume, int handle);
int PlayMusicFile(const char* fileName, int playType);
int SetMusicVolume(int volume);
int StopMusicFile();
