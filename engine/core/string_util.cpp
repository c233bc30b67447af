#include "engine/core/string_util.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/core/file_functions.h"

void CopyString(char* dst, const char* src) { std::memcpy(dst, src, std::strlen(src) + 1); }

void AppendString(char* dst, const char* src) { CopyString(dst + std::strlen(dst), src); }

const char* FindCharSjis(const char* text, char c) {
  for (const char* p = text; *p != '\0';) {
    if (IsSjisLeadByte(static_cast<unsigned char>(*p))) {
      if (p[1] == '\0') break;
      p += 2;
      continue;
    }
    if (*p == c) return p;
    ++p;
  }
  return nullptr;
}

char* FindCharSjis(char* text, char c) {
  return const_cast<char*>(FindCharSjis(static_cast<const char*>(text), c));
}

int StringDiffers(const char* a, const char* b) { return std::strcmp(a, b) == 0 ? 0 : 1; }

void UpperCaseSjis(char* text) {
  for (char* p = text; *p != '\0';) {
    if (IsSjisLeadByte(static_cast<unsigned char>(*p))) {
      if (p[1] == '\0') break;
      p += 2;
      continue;
    }
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    ++p;
  }
}

int MemDiffers(const void* a, const void* b, int n) {
  if (n <= 0) return 0;
  return std::memcmp(a, b, static_cast<size_t>(n)) == 0 ? 0 : 1;
}

void FillMemory(void* dst, int byte, int n) {
  if (n > 0) std::memset(dst, byte, static_cast<size_t>(n));
}

int CompareMemory(const void* a, const void* b, int n) { return MemDiffers(a, b, n); }

void CopyMemoryBlock(void* dst, const void* src, int n) {
  if (n > 0) std::memcpy(dst, src, static_cast<size_t>(n));
}

void MoveMemoryBlock(void* dst, const void* src, int n) {
  if (n > 0) std::memmove(dst, src, static_cast<size_t>(n));
}

void SinCosFloat(float angle, float* sine, float* cosine) {
  const double a = angle;
  *sine = static_cast<float>(std::sin(a));
  *cosine = static_cast<float>(std::cos(a));
}

int AbsInt(int v) { return v < 0 ? static_cast<int>(0u - static_cast<unsigned>(v)) : v; }

float AbsFloat(float v) { return v < 0.0f ? -v : v; }

int DoubleToInt(double v) {
  // The processor's truncating conversion gives the "integer indefinite" value for NaN and out-of-range input.
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

int FloatToInt(float v) { return DoubleToInt(static_cast<double>(v)); }

void DoubleRectToInt(const double in[4], int out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = DoubleToInt(in[i]);
}

float SqrtFloat(float v) { return std::sqrt(v); }

int StringToInt(const char* text) {
  const char* p = text;
  while (*p != '\0' && *p != '-' && !(*p >= '0' && *p <= '9')) ++p;
  if (*p == '\0') return -1;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  unsigned value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<unsigned>(*p - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

char* IntToString(int value, char* buffer, int radix) {
  if (radix < 2 || radix > 36) radix = 10;
  char* out = buffer;
  unsigned magnitude = static_cast<unsigned>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0u - magnitude;
  }
  char digits[33];
  int count = 0;
  do {
    const unsigned d = magnitude % static_cast<unsigned>(radix);
    digits[count++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  while (count > 0) *out++ = digits[--count];
  *out = '\0';
  return buffer;
}

namespace {

// Appends a component to out; false when it does not fit.
bool AppendComponent(char* out, int outSize, const char* component, int length) {
  const int used = static_cast<int>(std::strlen(out));
  if (used + 1 + length + 1 > outSize) return false;
  out[used] = '\\';
  std::memcpy(out + used + 1, component, static_cast<size_t>(length));
  out[used + 1 + length] = '\0';
  return true;
}

// ".." : cut out at its last separator; a ":" met first keeps the drive ("C:").
void RemoveLastComponent(char* out) {
  for (int i = static_cast<int>(std::strlen(out)) - 1; i >= 0; --i) {
    if (out[i] == ':') {
      out[i + 1] = '\0';
      return;
    }
    if (out[i] == '\\' || out[i] == '/') {
      out[i] = '\0';
      return;
    }
  }
}

bool CopyBounded(char* out, int outSize, const char* src, int length) {
  if (length + 1 > outSize) return false;
  std::memcpy(out, src, static_cast<size_t>(length));
  out[length] = '\0';
  return true;
}

}  // namespace

int ResolveFullPath(const char* path, char* out, const char* base, int outSize) {
  char current[kMaxPath];
  if (base == nullptr) {
    current[0] = '\0';
    FileGetCurrentDir(current);
    if (current[0] == '\0') return -1;
    base = current;
  }
  if (path == nullptr) return CopyBounded(out, outSize, base, static_cast<int>(std::strlen(base))) ? 0 : -1;

  const char* rest = path;
  if (path[0] == '\\') {
    if (!CopyBounded(out, outSize, base, std::min<int>(2, static_cast<int>(std::strlen(base))))) return -1;
    rest = path + 1;
  } else if (path[0] != '\0' && path[1] == ':') {
    if (!CopyBounded(out, outSize, path, 2)) return -1;
    rest = path + 2;
    if (*rest == '\\') ++rest;
  } else {
    int length = static_cast<int>(std::strlen(base));
    while (length > 0 && (base[length - 1] == '\\' || base[length - 1] == '/')) --length;
    if (!CopyBounded(out, outSize, base, length)) return -1;
  }

  while (*rest != '\0') {
    const char* start = rest;
    while (*rest != '\0' && *rest != '\\' && *rest != '/') {
      rest += (IsSjisLeadByte(static_cast<unsigned char>(*rest)) && rest[1] != '\0') ? 2 : 1;
    }
    const int length = static_cast<int>(rest - start);
    const bool separated = *rest != '\0';
    if (separated) ++rest;
    if (length == 0) return -1;
    if (length == 1 && start[0] == '.') continue;
    if (length == 2 && start[0] == '.' && start[1] == '.') {
      RemoveLastComponent(out);
      continue;
    }
    if (!AppendComponent(out, outSize, start, length)) return -1;
  }
  return 0;
}

int FormatStringV(char* buffer, const char* format, va_list args) { return std::vsprintf(buffer, format, args); }

int FormatString(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsprintf(buffer, format, args);
  va_end(args);
  return 0;
}
