#include <gtest/gtest.h>

#include "../engine_start/engine_fixture.h"
#include "engine/core/char_input.h"
#include "engine/core/cursor_ime.h"
#include "engine/core/window.h"
#include "platform/window/window.h"

namespace engine_test {
namespace {

namespace win = platform::win;

class Accessories : public HeadlessEngine {
 protected:
  void Start() {
    ASSERT_EQ(StartEngine(), 0);
    window_ = g_System.mainWindow;
  }
  platform::LResult Send(std::uint32_t message, platform::WParam wParam, platform::LParam lParam) {
    ApiLockGuard lock;
    return platform::SendMessage(window_, message, wParam, lParam);
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(Accessories, ImeMessagesAreSwallowedWhileTheImeIsOff) {
  Start();
  platform::ImeContextState ime;
  ime.result = "\x82\xa0\x82\xa2";
  platform::SetImeContextState(ime);
  EXPECT_EQ(Send(win::kWmImeComposition, 0, win::kGcsResultStr), 0);
  EXPECT_EQ(g_CharRing.writeIndex, g_CharRing.readIndex);
  EXPECT_EQ(g_Ime.inputSeen, 0);
}

TEST_F(Accessories, AComposedResultGoesIntoTheCharacterRing) {
  Start();
  SetImeEnabled(1);
  platform::ImeContextState ime;
  ime.result = "\x82\xa0\x82\xa2";  // two double-byte characters
  ime.composition = "\x82\xa4" "a";
  ime.cursorBytes = 2;
  ime.clauses = std::string(8, '\0');
  platform::SetImeContextState(ime);
  Send(win::kWmImeStartComposition, 0, 0);
  EXPECT_EQ(g_Ime.composing, 1);
  Send(win::kWmImeComposition, 0, win::kGcsResultStr | win::kGcsCursorPos | win::kGcsCompClause);
  EXPECT_EQ(g_CharRing.writeIndex - g_CharRing.readIndex, 4);
  EXPECT_EQ(g_Ime.cursorPosition, 1);
  EXPECT_EQ(g_Ime.clauseCount, 2);
  EXPECT_STREQ(g_Ime.composition, "\x82\xa4" "a");
  ime.candidates = "candidates";
  platform::SetImeContextState(ime);
  Send(win::kWmImeNotify, win::kImnOpenCandidate, 0);
  ASSERT_NE(g_Ime.candidateList, nullptr);
  Send(win::kWmImeNotify, win::kImnCloseCandidate, 0);
  EXPECT_EQ(g_Ime.candidateList, nullptr);
  Send(win::kWmImeEndComposition, 0, 0);
  EXPECT_EQ(g_Ime.composing, 0);
  EXPECT_EQ(g_Ime.composition[0], '\0');
}

TEST_F(Accessories, ToolbarClicksAndMenuCommands) {
  Start();
  g_System.toolbarExists = 1;
  g_System.toolbarButtonCount = 3;
  g_System.toolbarButtons[0] = {3, 0, 3, 0, 0};  // a separator with id 3
  g_System.toolbarButtons[1] = {3, 0, 0, 0, 0};
  g_System.toolbarButtons[2] = {4, 0, 1, 0, 0};  // not in its normal state
  Send(win::kWmCommand, 0x503, 0);
  Send(win::kWmCommand, 0x504, 0);
  EXPECT_EQ(g_System.toolbarButtons[0].clicked, 0);
  EXPECT_EQ(g_System.toolbarButtons[1].clicked, 1);
  EXPECT_EQ(g_System.toolbarButtons[2].clicked, 0);
  EXPECT_EQ(FindToolbarButton(9), -1);
  g_System.toolbarExists = 0;
  g_System.toolbarButtonCount = 0;

  g_System.menuInUse = 1;
  static int commands = 0;
  g_System.menuCommandCallback = [](std::uint16_t) { ++commands; };
  Send(win::kWmCommand, 7, 0);
  Send(win::kWmCommand, 7, 0);
  Send(win::kWmCommand, 8, 0);
  EXPECT_EQ(commands, 3);
  ASSERT_EQ(g_System.chosenItemCount, 2);
  EXPECT_EQ(g_System.chosenItems[0], 7);
  EXPECT_EQ(g_System.chosenItems[1], 8);
  g_System.menuInUse = 0;
  g_System.menuCommandCallback = nullptr;
}

TEST_F(Accessories, TheMousePositionIsMappedIntoScreenPixels) {
  Start();
  const platform::Rect client = g_System.clientRect;
  platform::headless::SetCursorPosition(client.left + 100, client.top + 50);
  int x = 0, y = 0;
  GetMousePointInScreen(&x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
  g_System.windowScale = 2.0;
  GetMousePointInScreen(&x, &y);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(y, 25);
}

TEST_F(Accessories, TheCursorIsShownInWindowModeAndHiddenInFullScreen) {
  Start();
  EXPECT_EQ(g_System.cursorShown, 1);
  UpdateCursorVisibility(0);
  EXPECT_EQ(g_System.cursorShown, 0);
  EXPECT_FALSE(platform::headless::GetDesktopState().cursorVisible);
  UpdateCursorVisibility(1);
  EXPECT_TRUE(platform::headless::GetDesktopState().cursorVisible);
}

}  // namespace
}  // namespace engine_test
