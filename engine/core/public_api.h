// The engine's public functions: the only way the game reaches the engine. Each one takes the API lock, calls its
// worker with the arguments unchanged, releases the lock and returns the worker's result.
#pragma once

#include <cstdint>

struct ColorData;
struct DDPixelFormat;
struct RECT;

int SetLogFileOutput(int on);
int GetRandomUpTo(int n);
int SetUseArchiveFiles(int use);
int SetArchiveExtension(const char* extension);
int SetArchiveKeyString(const char* keyString);

// Colour values in the screen's format; the two record builders run without the lock.
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
int SleepUntilMillisecondCount(int target);  // no lock: sleeps until the millisecond count reaches target
int GetLocalDateTime(int* six);

// Input: 1 while the key (DirectInput key code) is held; the pad word of a pad (1-based, plus 0x1000 to fold in the
// keyboard).
int IsKeyDown(int code);
int GetPadInputBits(int request);

// The display: screen size (640 x 480 while unset), the screen's pixel-format record, the screen mode (-1 keeps a
// value; 0 set, -1 refused or kept, -2 fell back to 640 x 480 x 16), clearing the draw screen and showing the back
// screen.
int QueryScreenSize(int* width, int* height);
const DDPixelFormat* QueryScreenPixelFormat();
int SelectScreenMode(int width, int height, int bits, int refresh);
int ClearCurrentDrawScreen();
int PresentBackScreen();

// Graphics: loading and deleting graphics, drawing them and primitives on the draw screen, and the draw state. Colours
// are values in the screen's format (MakeColorValue).
int LoadGraphicFile(const char* name);
int DeleteGraphic(int handle, int logFlag);
int DrawGraphAt(int x, int y, int handle, int transparent);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent);
int DrawGraphRotated(int x, int y, double scale, double angle, int handle, int transparent, int mirror);
int DrawGraphMirrored(int x, int y, int handle, int transparent);
int DrawGraphPart(int x, int y, int srcX, int srcY, int width, int height, int handle, int transparent, int mirror);
int DrawLineSegment(int x1, int y1, int x2, int y2, int colour);
int DrawRectangle(int x1, int y1, int x2, int y2, int colour, int fill);
// Formats the text (at most 1023 bytes are kept) and draws it with the default font. -1 for a null format.
int DrawTextFormatted(int x, int y, int colour, const char* format, ...) __attribute__((format(printf, 4, 5)));
int ChangeDefaultFontSize(int size);            // -1 = 16
int ChangeDefaultFontThickness(int thickness);  // -1 = 6
int DrawEllipse(int x, int y, int rx, int ry, int colour, int fill);
int SetBlendMode(int mode, int param);
int SetBrightnessRGB(int r, int g, int b);
int SelectDrawTarget(int target);
int SetUseTextureGraphics(int flag);
int SetTransparentColor(int r, int g, int b);
int SetUseVideoMemoryFlag(int flag);
int ClipRectEntry(RECT* a, const RECT* b);  // without the lock

// Sound and music: handles of sound files (buffer count at most 10; share handle -1), play types 0 wait, 1 in the
// background, 3 loop; volumes 0..255.
int LoadSoundFile(const char* fileName, int bufferCount, int shareHandle);
int PlaySoundHandle(int handle, int playType, int fromTop);
int StopSoundHandle(int handle);
int SetSoundHandleVolume(int volume, int handle);
int PlayMusicFile(const char* fileName, int playType);
int SetMusicVolume(int volume);
int StopMusicFile();
