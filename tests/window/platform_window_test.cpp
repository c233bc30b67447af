#include <gtest/gtest.h>

#include <vector>

#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"
#include "platform/window/window.h"

namespace {

namespace win = platform::win;

std::vector<platform::Message> g_received;

platform::LResult RecordingProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                platform::LParam lParam) {
  g_received.push_back({window, message, wParam, lParam});
  return platform::DefWindowProc(window, message, wParam, lParam);
}

class PlatformWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory("");
    ASSERT_TRUE(platform::RegisterWindowClass("TestClass", RecordingProc, 0));
    window_ = platform::CreateWindowEx(0, "TestClass", "t", win::kWsPopup | win::kWsVisible, 10, 20, 100, 50);
    ASSERT_NE(window_, 0);
    g_received.clear();
  }
  void TearDown() override {
    if (platform::IsWindow(window_)) platform::DestroyWindow(window_);
    platform::UnregisterWindowClass("TestClass");
    platform::Message m;
    while (platform::PeekMessage(&m, 0, 0, 0, true)) {
    }
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(PlatformWindow, PostedMessagesComeFirstThenQuitThenPaint) {
  platform::PostQuitMessage(3);
  platform::PostMessage(window_, 0x400u, 1, 0);
  platform::PostMessage(0, 0x400u + 1, 2, 0);
  platform::Message m{};
  // A filter on thread messages skips the window's.
  ASSERT_TRUE(platform::PeekMessage(&m, platform::kThreadMessagesOnly, 0, 0, true));
  EXPECT_EQ(m.message, 0x400u + 1);
  ASSERT_TRUE(platform::PeekMessage(&m, 0, 0, 0, false));  // look without taking
  ASSERT_TRUE(platform::PeekMessage(&m, 0, 0, 0, true));
  EXPECT_EQ(m.message, 0x400u);
  ASSERT_TRUE(platform::PeekMessage(&m, 0, 0, 0, true));
  EXPECT_EQ(m.message, win::kWmQuit);
  EXPECT_EQ(m.wParam, 3u);
  ASSERT_TRUE(platform::PeekMessage(&m, window_, 0, 0, true));
  EXPECT_EQ(m.message, win::kWmPaint);  // the new window needs painting until it is painted
  platform::DispatchMessage(m);
  EXPECT_FALSE(platform::PeekMessage(&m, 0, 0, 0, true));
}

TEST_F(PlatformWindow, MessagesPostedFromAnotherThreadReachTheOwnersQueue) {
  platform::Thread poster;
  poster.Start([this] {
    platform::PostMessage(window_, 0x400u, 7, 0);
    platform::Message m{};
    EXPECT_FALSE(platform::PeekMessage(&m, 0, 0, 0, true));  // its own queue is empty
  });
  poster.Join();
  platform::Message m{};
  ASSERT_TRUE(platform::PeekMessage(&m, 0, 0x400u, 0x400u, true));
  EXPECT_EQ(m.wParam, 7u);
}

TEST_F(PlatformWindow, MovingAndSizingSendMoveAndSizeOnlyForChanges) {
  ASSERT_TRUE(platform::SetWindowPos(window_, 0, 30, 40, 100, 50, win::kSwpNoZOrder));
  ASSERT_EQ(g_received.size(), 1u);
  EXPECT_EQ(g_received[0].message, win::kWmMove);
  EXPECT_EQ(g_received[0].lParam, (40 << 16) | 30);
  g_received.clear();
  ASSERT_TRUE(platform::MoveWindow(window_, 30, 40, 200, 60, false));
  ASSERT_EQ(g_received.size(), 1u);
  EXPECT_EQ(g_received[0].message, win::kWmSize);
  EXPECT_EQ(g_received[0].lParam, (60 << 16) | 200);
  platform::Rect r{0, 0, 640, 480};
  platform::AdjustWindowRectEx(&r, win::kWsPopup | win::kWsCaption, false, win::kWsExClientEdge);
  EXPECT_EQ(r.right - r.left, 640 + 10);
  EXPECT_EQ(r.bottom - r.top, 480 + 29);
}

TEST_F(PlatformWindow, ClosingDestroysTheWindowAndDropsItsQueuedMessages) {
  platform::PostMessage(window_, 0x400u, 0, 0);
  platform::SendMessage(window_, win::kWmClose, 0, 0);
  EXPECT_FALSE(platform::IsWindow(window_));
  EXPECT_EQ(g_received.back().message, win::kWmDestroy);
  platform::Message m{};
  EXPECT_FALSE(platform::PeekMessage(&m, 0, 0, 0, true));
  EXPECT_FALSE(platform::PostMessage(window_, 0x400u, 0, 0));
  EXPECT_FALSE(platform::FindWindowOfClass("TestClass"));
}

TEST_F(PlatformWindow, DroppedFileNamesAreQueriedAndCut) {
  ASSERT_TRUE(platform::PostDroppedFiles(window_, {"A.TXT", "LONGNAME.TXT"}));
  platform::Message m{};
  ASSERT_TRUE(platform::PeekMessage(&m, window_, win::kWmDropFiles, win::kWmDropFiles, true));
  EXPECT_EQ(platform::DragQueryFile(m.wParam, 0xFFFFFFFFu, nullptr, 0), 2);
  char buffer[5];
  EXPECT_EQ(platform::DragQueryFile(m.wParam, 1, buffer, sizeof buffer), 12);
  EXPECT_STREQ(buffer, "LONG");
  EXPECT_EQ(platform::DragQueryFile(m.wParam, 2, buffer, sizeof buffer), 0);
  platform::DragFinish(m.wParam);
  EXPECT_EQ(platform::DragQueryFile(m.wParam, 0xFFFFFFFFu, nullptr, 0), 0);
}

}  // namespace
