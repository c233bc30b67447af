#include "engine/core/string_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <cstring>
#include <string>

namespace {

TEST(StringUtil, StringToInt) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"x-12y", -12}, {"abc", -1},      {"", -1},         {"42", 42},   {"  7 8", 7},
      {"-", 0},       {"a-b", 0},       {"--5", 0},       {"007", 7},   {"2147483647", 2147483647},
      {"2147483648", INT_MIN},  // wraps in int arithmetic
      {"123456789012345678901234567890123", -1505606453},  // a run past 32 digits, wrapped like the rest
  };
  for (const Case& c : cases) EXPECT_EQ(StringToInt(c.text), c.expected) << c.text;
}

TEST(StringUtil, IntToString) {
  struct Case {
    int value, radix;
    const char* expected;
  } cases[] = {
      {0, 10, "0"},          {-255, 16, "-ff"}, {255, 2, "11111111"}, {35, 36, "z"},
      {INT_MIN, 10, "-2147483648"}, {INT_MAX, 16, "7fffffff"}, {12, 0, "12"},  // bad radix taken as 10
  };
  for (const Case& c : cases) {
    char buffer[40];
    EXPECT_EQ(IntToString(c.value, buffer, c.radix), buffer);
    EXPECT_STREQ(buffer, c.expected) << c.value << " radix " << c.radix;
  }
}

TEST(StringUtil, ResolveFullPath) {
  struct Case {
    const char* path;
    const char* base;
    int result;
    const char* expected;
  } cases[] = {
      {"..\\b", "C:\\a", 0, "C:\\b"},
      {"..", "C:\\", 0, "C:"},
      {"..\\..\\..", "C:\\a\\b", 0, "C:"},
      {"a\\\\b", "C:\\x", -1, nullptr},
      {"sub/file.txt", "C:\\dir\\", 0, "C:\\dir\\sub\\file.txt"},
      {".\\x\\.\\y", "C:\\d", 0, "C:\\d\\x\\y"},
      {"\\root\\f", "D:\\deep\\dir", 0, "D:\\root\\f"},
      {"E:\\abs\\f", "C:\\base", 0, "E:\\abs\\f"},
      {"E:rel", "C:\\base", 0, "E:\\rel"},
      // A double-byte character whose second byte is 0x5C is not a separator.
      {"\x83\x5C\\f", "C:\\d", 0, "C:\\d\\\x83\x5C\\f"},
  };
  for (const Case& c : cases) {
    char out[kMaxPath] = {};
    EXPECT_EQ(ResolveFullPath(c.path, out, c.base), c.result) << c.path;
    if (c.expected != nullptr) {
      EXPECT_STREQ(out, c.expected) << c.path;
    }
  }
  char out[kMaxPath];
  EXPECT_EQ(ResolveFullPath(nullptr, out, "C:\\keep"), 0);
  EXPECT_STREQ(out, "C:\\keep");
  std::string longPath(300, 'a');
  EXPECT_EQ(ResolveFullPath(longPath.c_str(), out, "C:\\"), -1);  // does not fit
}

TEST(StringUtil, ShiftJisAwareHelpers) {
  const char text[] = "\x83\x5C" "a\\b";  // a double-byte character ending in 0x5C, then a real backslash
  EXPECT_EQ(FindCharSjis(text, '\\'), text + 3);
  EXPECT_EQ(FindCharSjis(text, 'x'), nullptr);
  char upper[] = "ab\x82\x61z";  // the second byte 0x61 ("a") of a double-byte character stays
  UpperCaseSjis(upper);
  EXPECT_STREQ(upper, "AB\x82\x61Z");
  EXPECT_EQ(StringDiffers("abc", "abc"), 0);
  EXPECT_EQ(StringDiffers("abc", "abd"), 1);
  EXPECT_EQ(StringDiffers("ab", "abc"), 1);
}

TEST(StringUtil, MemoryHelpers) {
  char a[8] = "abcdefg";
  char b[8] = "abcdefX";
  EXPECT_EQ(MemDiffers(a, b, 6), 0);
  EXPECT_EQ(MemDiffers(a, b, 7), 1);
  EXPECT_EQ(MemDiffers(a, b, -3), 0);
  EXPECT_EQ(CompareMemory(a, b, 7), 1);
  char overlap[] = "0123456789";
  MoveMemoryBlock(overlap + 2, overlap, 6);
  EXPECT_STREQ(overlap, "0101234589");
  MoveMemoryBlock(overlap, overlap + 2, 6);
  EXPECT_STREQ(overlap, "0123454589");
  FillMemory(a, 'z', 3);
  EXPECT_EQ(std::string(a, 4), "zzzd");
  char copy[8];
  CopyMemoryBlock(copy, b, 8);
  EXPECT_STREQ(copy, "abcdefX");
  char s[16];
  CopyString(s, "ab");
  AppendString(s, "cd");
  EXPECT_STREQ(s, "abcd");
}

TEST(StringUtil, NumberConversionsTruncateTowardZero) {
  EXPECT_EQ(DoubleToInt(-2.7), -2);
  EXPECT_EQ(DoubleToInt(2.7), 2);
  EXPECT_EQ(FloatToInt(-0.9f), 0);
  EXPECT_EQ(DoubleToInt(1e300), INT_MIN);  // out of range: the processor's "integer indefinite"
  EXPECT_EQ(FloatToInt(std::numeric_limits<float>::quiet_NaN()), INT_MIN);
  const double rect[4] = {1.9, -1.9, 0.5, -0.5};
  int out[4];
  DoubleRectToInt(rect, out);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], -1);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(AbsInt(-5), 5);
  EXPECT_EQ(AbsInt(INT_MIN), INT_MIN);
  EXPECT_EQ(AbsFloat(-1.5f), 1.5f);
  EXPECT_EQ(SqrtFloat(9.0f), 3.0f);
  float s = 0, c = 0;
  SinCosFloat(0.0f, &s, &c);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(c, 1.0f);
}

TEST(StringUtil, FormatString) {
  char buffer[32];
  EXPECT_EQ(FormatString(buffer, "%d-%s", 7, "x"), 0);
  EXPECT_STREQ(buffer, "7-x");
}

}  // namespace
