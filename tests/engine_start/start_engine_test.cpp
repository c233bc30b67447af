#include <gtest/gtest.h>

#include "engine/core/window.h"
#include "engine_fixture.h"
#include "platform/path.h"
#include "platform/window.h"

namespace engine_test {
namespace {

TEST_F(HeadlessEngine, StartsAndEndsWithTheLogInOrder) {
  SetWindowTitle("テスト窓");
  ASSERT_EQ(StartEngine(), 0);
  const platform::WindowHandle window = g_System.mainWindow;
  ASSERT_NE(window, 0);
  EXPECT_EQ(platform::headless::GetWindowState(window).title, std::string("テスト窓"));
  EXPECT_EQ(g_System.initDone, 1);
  EXPECT_EQ(ProcessMessage(), 0);
  EXPECT_EQ(EndEngine(), 0);
  for (const auto& l : Lines()) printf("%s\n", platform::Cp932ToUtf8(l).c_str());
}

}  // namespace
}  // namespace engine_test
