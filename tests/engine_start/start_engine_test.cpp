#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>

#include "engine/core/start_engine.h"
#include "engine/core/window.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "engine_fixture.h"
#include "platform/files/path.h"
#include "platform/window/window.h"

namespace engine_test {
namespace {

using Sequence = std::vector<std::string>;

// Each prefix appears in the log, in this order.
void ExpectInOrder(const std::vector<std::string>& lines, const Sequence& expected) {
  int at = 0;
  for (const std::string& prefix : expected) {
    const int found = FindLine(lines, prefix, at);
    ASSERT_NE(found, -1) << "missing or out of order: " << platform::Cp932ToUtf8(prefix);
    at = found + 1;
  }
}

TEST_F(HeadlessEngine, StartsAndEndsWithTheLogInOrder) {
  SetWindowTitle("テスト窓");
  ASSERT_EQ(StartEngine(), 0);
  const platform::WindowHandle window = g_System.mainWindow;
  ASSERT_NE(window, 0);
  EXPECT_EQ(platform::headless::GetWindowState(window).title, std::string("テスト窓"));
  EXPECT_TRUE(platform::headless::GetWindowState(window).visible);
  EXPECT_EQ(g_System.initDone, 1);
  EXPECT_EQ(GetDrawTarget(), -4);  // after start-up the draw target is the front screen
  EXPECT_EQ(GetWaitVSyncFlag(), 1);
  EXPECT_TRUE(platform::FindWindowOfClass(kMainWindowClass));
  EXPECT_FALSE(platform::headless::GetDesktopState().screenSaverEnabled);

  // Shut-down goes back to the start-up directory wherever the program went meanwhile.
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(EndEngine(), 0);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::filesystem::canonical(cwd), std::filesystem::canonical(directory_));

  EXPECT_EQ(g_System.mainWindow, 0);
  EXPECT_EQ(g_System.backgroundThread, nullptr);
  EXPECT_EQ(g_System.threadEnded, 1);
  EXPECT_EQ(g_System.initDone, 0);
  EXPECT_EQ(g_System.comStarted, 0);
  EXPECT_EQ(g_ApiLock.initialised, 0);
  EXPECT_FALSE(platform::IsWindow(window));
  EXPECT_FALSE(platform::FindWindowOfClass(kMainWindowClass));
  EXPECT_TRUE(platform::headless::GetDesktopState().screenSaverEnabled);

  ExpectInOrder(Lines(), {
                             "システムの情報を出力します",
                             "ＣＯＭの初期化... 成功しました",
                             "ソフトの二重起動検査... 二重起動はされていませんでした",
                             "メモリ総量:",
                             "ソフトの実行優先レベルを上げました",
                             "ウインドウクラスを登録します... 登録に成功しました",
                             "ウインドウモード起動用のウインドウを作成します",
                             "ＩＭＥを無効にしました",
                             "タイマーの精度を検査します",
                             "精度結果 更新回数 マルチメディアタイマー：",
                             "パフォーマンスカウンターを使用します タイマー分解能 : ",
                             "文字コードバッファの初期化を行います... 完了しました",
                             "ウインドウを閉じようとしています",
                             "ウインドウが破棄されようとしています",
                             "ソフトを終了する準備が整いました",
                             "ＣＯＭを終了... 完了",
                         });
}

TEST_F(HeadlessEngine, FullScreenStartHidesTheCursorAndUntitledWindowsGetTheDefaultTitle) {
  ChangeWindowMode(0);
  ASSERT_EQ(StartEngine(), 0);
  EXPECT_EQ(platform::GetWindowText(g_System.mainWindow), "RiVud");
  EXPECT_FALSE(platform::headless::GetDesktopState().cursorVisible);
  EXPECT_EQ(platform::headless::GetWindowState(g_System.mainWindow).client.right, 640);
  const auto lines = Lines();
  EXPECT_NE(FindLine(lines, "フルスクリーンモード用のウインドウを作成します"), -1);
  EXPECT_NE(FindLine(lines, "カーソルを不可視にしました"), -1);
}

TEST_F(HeadlessEngine, WindowModeCentresTheFramedWindowOnTheDesktop) {
  ASSERT_EQ(StartEngine(), 0);
  platform::Rect client{};
  ASSERT_TRUE(platform::GetClientRect(g_System.mainWindow, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  platform::Rect outer{};
  ASSERT_TRUE(platform::GetWindowRect(g_System.mainWindow, &outer));
  EXPECT_EQ(outer.left + outer.right, 1920);  // centred horizontally
  EXPECT_EQ(g_System.clientRect.right - g_System.clientRect.left, 640);
  EXPECT_TRUE(platform::headless::GetDesktopState().cursorVisible);
}

struct DepthCase {
  int windowMode;
  int expected;
};

TEST_F(HeadlessEngine, A24BitDesktopIsRefusedOnlyInWindowMode) {
  for (const DepthCase c : {DepthCase{1, -1}, DepthCase{0, 0}}) {
    SCOPED_TRACE(c.windowMode);
    platform::headless::SetDesktop(1920, 1080, 24);
    ChangeWindowMode(c.windowMode);
    ASSERT_EQ(StartEngine(), c.expected);
    const auto lines = Lines();
    const bool refused = FindLine(lines, "VEdudivは２４ビットカラーモードに対応していません") != -1;
    EXPECT_EQ(refused, c.expected == -1);
    if (c.expected == -1) {
      // Refused before anything needed undoing: no window, no shut-down.
      EXPECT_EQ(g_System.mainWindow, 0);
      EXPECT_EQ(FindLine(lines, "ＣＯＭを終了"), -1);
    }
    if (g_System.mainWindow != 0) EndEngine();
  }
}

struct FailureCase {
  const char* name;
  void (*arrange)();
};

TEST_F(HeadlessEngine, FailedStartUpsShutEverythingDown) {
  const FailureCase cases[] = {
      {"COM already started", [] { g_System.comStarted = 1; }},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    ASSERT_EQ(chdir(directory_.c_str()), 0);
    EXPECT_EQ(StartEngine(), -1);
    EXPECT_EQ(g_System.mainWindow, 0);
    EXPECT_EQ(g_System.backgroundThread, nullptr);
    EXPECT_EQ(g_System.initDone, 0);
    EXPECT_EQ(g_Input.directInput, nullptr);
    EXPECT_EQ(g_Sound.device, nullptr);
    EXPECT_EQ(GetDirectDrawObject(), nullptr);
    EXPECT_FALSE(platform::FindWindowOfClass(kMainWindowClass));
    g_System.comStarted = 0;
  }
}

// The log with the machine's memory figures (which change between runs) blanked.
std::string StableLog(const std::string& log) {
  return std::regex_replace(log, std::regex("[0-9]+\\.[0-9]+MB"), "#MB");
}

TEST_F(HeadlessEngine, RunsRepeatLogForLog) {
  std::string logs[2];
  for (std::string& log : logs) {
    platform::SetClockMode(platform::ClockMode::Virtual);
    ResetDisplaySettings();  // the display keeps its mode across starts in one process
    ASSERT_EQ(StartEngine(), 0);
    WaitPumpingMessagesEntry(300);
    platform::PostMessage(g_System.mainWindow, platform::win::kWmClose, 0, 0);
    while (ProcessMessage() == 0) {
    }
    ASSERT_EQ(EndEngine(), 0);
    log = StableLog(Log());
  }
  EXPECT_FALSE(logs[0].empty());
  EXPECT_EQ(logs[0], logs[1]);
}

TEST_F(HeadlessEngine, FatalExitLogsTheMessageAndEndsWithExitCodeMinusOne) {
  EXPECT_EXIT(
      {
        if (StartEngine() != 0) std::_Exit(3);
        ApiLock();
        FatalExit("致命的なエラーです");
      },
      ::testing::ExitedWithCode(255), "");
  const std::string log = Log();
  EXPECT_NE(log.find("致命的なエラーです\r\n"), std::string::npos);
  const auto lines = Lines();
  const int message = FindLine(lines, "致命的なエラーです");
  ASSERT_NE(message, -1);
  EXPECT_NE(FindLine(lines, "ＣＯＭを終了... 完了", message), -1);  // shut down after the message
}

// ---- Double start ---------------------------------------------------------------------------------------------

// Runs this test binary's DoubleStartChild test in a child process with the given lock directory; returns its exit
// status and leaves its log in childDirectory.
int RunDoubleStartChild(const std::string& lockDirectory, const std::string& childDirectory, int expected) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("ENGINE_LOCK_DIR", lockDirectory.c_str(), 1);
    setenv("ENGINE_TEST_CHILD_DIR", childDirectory.c_str(), 1);
    setenv("ENGINE_TEST_CHILD_EXPECT", std::to_string(expected).c_str(), 1);
    execl("/proc/self/exe", "child", "--gtest_filter=DoubleStartChild.*", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HeadlessEngine, ASecondProcessIsRefusedWhileTheFirstRuns) {
  ASSERT_EQ(StartEngine(), 0);
  const std::string child = MakeTempDirectory("engine-child");
  EXPECT_EQ(RunDoubleStartChild(lockDirectory_, child, -1), 0);
  const auto childLines = LogLines(ReadFile(child + "/Log.txt"));
  EXPECT_NE(FindLine(childLines, "ソフトの二重起動検査... 二重起動されています、ソフトを終了します"), -1);

  // Once the first has ended, a second start succeeds.
  ASSERT_EQ(EndEngine(), 0);
  EXPECT_EQ(RunDoubleStartChild(lockDirectory_, child, 0), 0);
  std::filesystem::remove_all(child);
}

TEST(DoubleStartChild, StartsWithTheExpectedResult) {
  const char* directory = std::getenv("ENGINE_TEST_CHILD_DIR");
  const char* expected = std::getenv("ENGINE_TEST_CHILD_EXPECT");
  if (directory == nullptr || expected == nullptr) GTEST_SKIP() << "run by ASecondProcessIsRefusedWhileTheFirstRuns";
  ASSERT_EQ(chdir(directory), 0);
  platform::RequestBackend(platform::BackendKind::Headless);
  ChangeWindowMode(1);
  EXPECT_EQ(StartEngine(), std::atoi(expected));
  if (g_System.mainWindow != 0) EndEngine();
}

// ---- A background thread that cannot be started ---------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The process's address space in bytes (VmSize), or 0.
std::uint64_t AddressSpaceInUse() {
  std::istringstream status(ReadFile("/proc/self/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

TEST_F(HeadlessEngine, AFailedBackgroundThreadStartIsOnlyLogged) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers need address space of their own";
  // A fresh process: a thread stack cached from an earlier test could be reused without asking the system.
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("ENGINE_TEST_THREADLESS_DIR", directory_.c_str(), 1);
    execl("/proc/self/exe", "child", "--gtest_filter=ThreadlessChild.*", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const auto lines = Lines();
  const int failed = FindLine(lines, "ProcessMessage をひたすら呼びつづけるスレッドの立ち上げに失敗しました");
  ASSERT_NE(failed, -1);
  EXPECT_NE(FindLine(lines, "文字コードバッファの初期化を行います... 完了しました", failed), -1);  // start-up went on
  EXPECT_NE(FindLine(lines, "ＣＯＭを終了... 完了", failed), -1);
}

TEST(ThreadlessChild, StartsAndEndsWithoutTheBackgroundThread) {
  const char* directory = std::getenv("ENGINE_TEST_THREADLESS_DIR");
  if (directory == nullptr) GTEST_SKIP() << "run by AFailedBackgroundThreadStartIsOnlyLogged";
  ASSERT_EQ(chdir(directory), 0);
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SelectBackend();
  ChangeWindowMode(1);
  // The display's surfaces would not fit in what is left either.
  g_System.noGraphics = 1;
  // Too little address space left for a thread's stack.
  const std::uint64_t inUse = AddressSpaceInUse();
  ASSERT_GT(inUse, 0u);
  const rlimit limit{inUse + (2u << 20), inUse + (2u << 20)};
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
  EXPECT_EQ(StartEngine(), 0);
  EXPECT_EQ(g_System.backgroundThread, nullptr);
  EXPECT_EQ(ProcessMessage(), 0);
  EXPECT_EQ(EndEngine(), 0);
}

}  // namespace
}  // namespace engine_test
