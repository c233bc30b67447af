#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/char_input.h"
#include "engine/core/key_input.h"
#include "engine/core/system_record.h"

namespace {

class CharInput : public ::testing::Test {
 protected:
  void SetUp() override {
    g_System.codePageClass = 1;
    g_CharRing = CharCodeRing{};
    DeleteAllKeyInputs();
  }
  void TearDown() override { DeleteAllKeyInputs(); }
  void Type(const std::string& bytes) {
    for (const char c : bytes) ASSERT_EQ(PutCharCode(static_cast<std::uint8_t>(c)), 0);
  }
};

TEST_F(CharInput, TheRingHoldsAThousandAndTwentyFourCodes) {
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(PutCharCode('a'), 0) << i;
  EXPECT_EQ(PutCharCode('b'), -1);
  std::uint8_t out[2];
  EXPECT_EQ(GetCharCode(out, 1), 1);
  EXPECT_EQ(PutCharCode('c'), 0);  // room again, across the wrap
  EXPECT_EQ(PutCharCode('d'), -1);
}

TEST_F(CharInput, ALeadByteWaitsForItsSecondByte) {
  std::uint8_t out[2] = {};
  PutCharCode(0x82);
  EXPECT_EQ(GetCharCode(out, 1), 0);
  PutCharCode(0xA0);
  EXPECT_EQ(GetCharCode(out, 0), 2);  // peek leaves it
  EXPECT_EQ(GetCharCode(out, 1), 2);
  EXPECT_EQ(out[0], 0x82);
  EXPECT_EQ(out[1], 0xA0);
  EXPECT_EQ(GetCharCode(out, 1), 0);
  PutCharCode(0x1D);  // a control code is never a lead byte
  EXPECT_EQ(GetCharCode(out, 1), 1);
  EXPECT_EQ(IsInputControlCode(0x1D), 1);
  EXPECT_EQ(IsInputControlCode('A'), 0);
}

TEST_F(CharInput, CountStringCharsCountsDoubleByteCharactersOnce) {
  EXPECT_EQ(CountStringChars("a\x82\xa0" "b", 4), 3);
  EXPECT_EQ(CountStringChars("a\x82\xa0" "b", 3), 2);
  EXPECT_EQ(CountStringChars("ab\0cd", 5), 2);
  EXPECT_EQ(CountStringChars("abc", 0), 0);
}

struct EditCase {
  const char* name;
  int maxLength, cancelAllowed, singleByteOnly, digitsOnly;
  std::string typed;
  std::string text;
  int cursor;
  int ended, cancelled;
};

TEST_F(CharInput, KeyInputFieldsEditByTheRules) {
  const std::string bs = "\x08", del = "\x10", left = "\x1d", right = "\x1c", enter = "\x0d", esc = "\x1b";
  const std::string kana = "\x82\xa0";   // a double-byte character
  const std::string hyou = "\x95\x5c";   // its trail byte is a backslash
  const std::string tricky = "\x81\x81";  // its trail byte is also a lead byte
  const EditCase cases[] = {
      {"plain typing", 10, 0, 0, 0, "abc", "abc", 3, 0, 0},
      {"full field drops its last character", 4, 0, 0, 0, "ABCDE", "ABCE", 4, 0, 0},
      {"digits only: minus at the start only", 10, 0, 0, 1, "-1-2a3", "-123", 4, 0, 0},
      {"single-byte only drops double-byte", 10, 0, 1, 0, "a" + kana + "b", "ab", 2, 0, 0},
      {"backspace removes a whole double-byte character", 10, 0, 0, 0, "a" + kana + bs, "a", 1, 0, 0},
      {"backspace after a trail byte that looks like a lead", 10, 0, 0, 0, tricky + "x" + bs + bs, "", 0, 0, 0},
      {"left then insert", 10, 0, 0, 0, "ac" + left + "b", "abc", 2, 0, 0},
      {"left over a double-byte character", 10, 0, 0, 0, "x" + tricky + left + "y", "xy" + tricky, 2, 0, 0},
      {"delete at the cursor", 10, 0, 0, 0, "a" + hyou + "b" + left + left + del, "ab", 1, 0, 0},
      {"right moves over a double-byte character", 10, 0, 0, 0, kana + "z" + left + left + right + "y",
       kana + "yz", 3, 0, 0},
      {"enter ends and later input waits", 10, 0, 0, 0, "ab" + enter + "c", "ab", 2, 1, 0},
      {"escape cancels when allowed", 10, 1, 0, 0, "ab" + esc, "ab", 2, 1, 1},
      {"escape is ignored otherwise", 10, 0, 0, 0, "ab" + esc + "c", "abc", 3, 0, 0},
      {"a character longer than the field is dropped", 1, 0, 0, 0, kana + "a", "a", 1, 0, 0},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_CharRing = CharCodeRing{};
    const int handle = CreateKeyInput(c.maxLength, c.cancelAllowed, c.singleByteOnly, c.digitsOnly);
    ASSERT_NE(handle, -1);
    Type(c.typed);
    EXPECT_EQ(ProcessKeyInput(), 0);
    const KeyInputSlot* s = GetKeyInputSlot(handle);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s->buffer, static_cast<std::size_t>(s->length)), c.text);
    EXPECT_EQ(std::strlen(s->buffer), static_cast<std::size_t>(s->length));
    EXPECT_EQ(s->cursor, c.cursor);
    EXPECT_EQ(s->ended, c.ended);
    EXPECT_EQ(s->cancelled, c.cancelled);
    EXPECT_EQ(DeleteKeyInput(handle), 0);
  }
}

TEST_F(CharInput, HandlesAreCheckedAndTheLastDeleteSwitchesTheImeOff) {
  EXPECT_EQ(ProcessKeyInput(), 0);  // no active handle
  const int a = CreateKeyInput(8, 0, 0, 0);
  const int b = CreateKeyInput(8, 0, 0, 0);
  EXPECT_EQ(g_KeyInput.active, b);
  SetImeEnabled(1);
  EXPECT_EQ(DeleteKeyInput(a), 0);
  EXPECT_EQ(DeleteKeyInput(a), -1);  // already gone
  EXPECT_EQ(g_Ime.enabled, 1);
  EXPECT_EQ(DeleteKeyInput(b), 0);
  EXPECT_EQ(g_KeyInput.active, -1);
  EXPECT_EQ(g_Ime.enabled, 0);
  EXPECT_EQ(DeleteKeyInput(0x12345678), -1);
  g_KeyInput.active = b;  // a stale active handle
  EXPECT_EQ(ProcessKeyInput(), -1);
  g_KeyInput.active = -1;
}

}  // namespace
