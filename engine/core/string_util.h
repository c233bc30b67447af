// Byte-string, memory and number helpers. Engine text is CP932: bytes 0x81..0x9F and 0xE0..0xFC lead a double-byte
// character whose second byte follows unchecked.
#pragma once

#include <cstdarg>

inline constexpr int kMaxPath = 260;

inline bool IsSjisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void CopyString(char* dst, const char* src);
void AppendString(char* dst, const char* src);
// The first single-byte c; double-byte characters are skipped whole. NULL when not found.
const char* FindCharSjis(const char* text, char c);
char* FindCharSjis(char* text, char c);
// 0 when equal, 1 when different.
int StringDiffers(const char* a, const char* b);
void UpperCaseSjis(char* text);

int MemDiffers(const void* a, const void* b, int n);
void FillMemory(void* dst, int byte, int n);
int CompareMemory(const void* a, const void* b, int n);
void CopyMemoryBlock(void* dst, const void* src, int n);
void MoveMemoryBlock(void* dst, const void* src, int n);

void SinCosFloat(float angle, float* sine, float* cosine);
int AbsInt(int v);
float AbsFloat(float v);
// Truncation toward zero. NaN and values outside the int range give INT_MIN, as the processor's conversion does.
int FloatToInt(float v);
int DoubleToInt(double v);
void DoubleRectToInt(const double in[4], int out[4]);
float SqrtFloat(float v);

// Skips to the first digit or "-"; -1 when there is none. The digit run is converted in wrapping int arithmetic.
int StringToInt(const char* text);
// Radix 2..36 (anything else is taken as 10); digits past 9 are lower-case letters. Returns buffer.
char* IntToString(int value, char* buffer, int radix);

// Resolves path against base (the current directory when NULL) into out, which holds outSize bytes.
// 0, or -1 for an empty path component or a result that does not fit.
int ResolveFullPath(const char* path, char* out, const char* base, int outSize = kMaxPath);

int FormatStringV(char* buffer, const char* format, va_list args) __attribute__((format(printf, 2, 0)));
int FormatString(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
