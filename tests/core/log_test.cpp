#include "engine/core/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "engine/core/public_api.h"
#include "log_fixture.h"

namespace {

using Log = LogFixture;

TEST_F(Log, StampsLineStartsAndTurnsLfIntoCrLf) {
  WriteLog("a\nb");
  WriteLog("c\n");
  const std::string text = LogText();
  EXPECT_TRUE(std::regex_match(text, std::regex("[0-9]+:a\r\nbc\r\n"))) << text;
  EXPECT_EQ(debug_, "a\r\nbc\r\n");
}

TEST_F(Log, TextWithCrLfIsWrittenUnchanged) {
  WriteLog("x\r\ny\r\n");
  EXPECT_EQ(Unstamped(), "x\r\ny\r\n");
}

TEST_F(Log, IndentPutsTabsAfterTheStampInFileAndDebugger) {
  IncreaseLogIndent();
  IncreaseLogIndent();
  WriteLog("one\n");
  DecreaseLogIndent();
  WriteLog("two\n");
  DecreaseLogIndent();
  DecreaseLogIndent();  // never below 0
  WriteLog("three\n");
  EXPECT_TRUE(std::regex_match(LogText(), std::regex("[0-9]+:\t\tone\r\n[0-9]+:\ttwo\r\n[0-9]+:three\r\n")))
      << LogText();
  EXPECT_EQ(debug_, "\t\tone\r\n\ttwo\r\nthree\r\n");
}

TEST_F(Log, DoubleByteCharactersAreNotSplitByTheConversion) {
  // 0x81 0x0A would be a lead byte followed by a byte that merely looks like LF: it must not become CR LF.
  const char text[] = {'\x81', '\n', 'z', '\n', '\0'};
  WriteLog(text);
  EXPECT_EQ(Unstamped(), std::string("\x81\nz\r\n"));
}

TEST_F(Log, LongTextsTakeTheLargeBuffer) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "ab\n";
  WriteLog(text.c_str());
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += "ab\r\n";
  EXPECT_EQ(Unstamped(), expected);
}

TEST_F(Log, LogPrintfAppendsLineEndAndReturnsMinusOne) {
  EXPECT_EQ(LogPrintf("value %d", 42), -1);
  EXPECT_EQ(WriteLog("x\n"), -1);
  EXPECT_EQ(Unstamped(), "value 42\r\nx\r\n");
}

TEST_F(Log, SwitchedOffWritesNothingAnywhere) {
  SetLogFileOutput(0);
  EXPECT_EQ(g_System.logOff, 1);
  WriteLog("hidden\n");
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(debug_, "");
  SetLogFileOutput(1);
  EXPECT_EQ(g_System.logOff, 0);
}

TEST_F(Log, StartWithLogOffCreatesNoFile) {
  std::filesystem::remove(dir_ + "/Log.txt");
  g_System.logOff = 1;
  StartLog();
  WriteLog("nothing\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/Log.txt"));
  g_System.logOff = 0;
}

TEST_F(Log, StartLogEmptiesAnOldLog) {
  WriteLog("old\n");
  StartLog();
  EXPECT_EQ(LogText(), "");
}

TEST_F(Log, JapaneseTextIsWrittenAsCp932) {
  WriteLog("ログ\n");
  EXPECT_EQ(Unstamped(), std::string("\x83\x8D\x83\x4F\r\n"));
}

}  // namespace
