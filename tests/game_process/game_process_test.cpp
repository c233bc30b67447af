// The game as a user runs it: its own process, on a private Xvfb server, in a folder with the placeholder tree.
// Signals, the loss of the display and Escape end it as a window close does; a second copy and a folder without game
// data each say so in one line on stderr.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x_window_watch.h"
#include "tests/support/xvfb_server.h"
#include "tools/placeholder/asset_writers.h"

namespace fs = std::filesystem;
using test_support::FindProgram;
using test_support::XvfbServer;
using test_support::XWindowWatch;

namespace {

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the game says once when it finds no sound device on a desktop (the runs below mostly have none).
constexpr const char* kNoSoundLine = "selvarinthaxis: no sound device could be opened; the game runs without sound";

// The lines of stderr; `withNoSound` false leaves out the no-sound line.
std::vector<std::string> Lines(const std::string& text, bool withNoSound) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (withNoSound || line != kNoSoundLine) lines.push_back(line);
  }
  return lines;
}

// One run of the game: started in `folder` with `display` (empty: none, and ENGINE_BACKEND `headless`, null for
// unset), SDL's `audioDriver` and `d3d` as ENGINE_D3D (null: the game's own default, the 3D device on the desktop),
// stderr to a file; a null `audioDriver` leaves SDL to try every sound system it knows. The runs that test the
// process's life draw through the 2D path, so that a slow software rasteriser (a sanitizer build over llvmpipe) does
// not decide their timing.
class GameProcess {
 public:
  GameProcess(const fs::path& folder, const std::string& display, const fs::path& lockDir,
              const char* audioDriver = "none", const char* d3d = "off", const char* headless = "headless")
      : folder_(folder) {
    stderrPath_ = folder / ("stderr-" + std::to_string(Now()) + ".txt");
    pid_ = fork();
    if (pid_ == 0) {
      // A test runner may ignore interrupts; the game starts as from a terminal.
      for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
      if (chdir(folder.c_str()) != 0) _exit(126);
      const int err = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int null = open("/dev/null", O_WRONLY);
      dup2(err, 2);
      dup2(null, 1);
      setenv("ENGINE_LOCK_DIR", lockDir.c_str(), 1);
      if (display.empty()) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (headless != nullptr) {
          setenv("ENGINE_BACKEND", headless, 1);
        } else {
          unsetenv("ENGINE_BACKEND");
        }
      } else {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("ENGINE_BACKEND", "sdl", 1);
      }
      // No sound device unless asked for: the runs do not depend on the machine's sound set-up.
      if (audioDriver != nullptr) {
        setenv("SDL_AUDIODRIVER", audioDriver, 1);
      } else {
        unsetenv("SDL_AUDIODRIVER");
      }
      if (d3d != nullptr) {
        setenv("ENGINE_D3D", d3d, 1);
      } else {
        unsetenv("ENGINE_D3D");
      }
      // A sanitizer build of the game: the system's display and bus libraries keep memory to the end.
      setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      execl(GAME_EXECUTABLE, GAME_EXECUTABLE, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~GameProcess() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  pid_t Pid() const { return pid_; }

  // Waits up to `seconds` for the end; the wait status, or nullopt while it still runs.
  std::optional<int> WaitEnd(double seconds) {
    const double until = Now() + seconds;
    while (true) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        ended_ = true;
        endedAt_ = Now();
        return status;
      }
      if (Now() > until) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  double EndedAt() const { return endedAt_; }
  // Whether the game still runs, and what it wrote on stderr: said when a wait for it fails.
  std::string Describe() {
    std::string text;
    int status = 0;
    if (ended_ || waitpid(pid_, &status, WNOHANG) == pid_) {
      text = ended_ ? "the game has ended" : "the game ended with wait status " + std::to_string(status);
      ended_ = true;
    } else {
      text = "the game still runs";
    }
    text += "; its stderr:";
    for (const std::string& line : StderrLines(true)) text += "\n  " + line;
    return text;
  }
  // Stderr's lines, the no-sound line left out unless asked for.
  std::vector<std::string> StderrLines(bool withNoSound = false) const {
    return Lines(ReadText(stderrPath_), withNoSound);
  }

 private:
  fs::path folder_;
  fs::path stderrPath_;
  pid_t pid_ = -1;
  bool ended_ = false;
  double endedAt_ = 0;
};

class GameProcessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tree_ = new fs::path(fs::temp_directory_path() / ("game-process-tree-" + std::to_string(getpid())));
    PlaceholderTreeResult result;
    ASSERT_TRUE(WritePlaceholderTree(*tree_, false, &result)) << result.error;
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(*tree_, ignored);
    delete tree_;
  }

  void SetUp() override {
    char pattern[] = "/tmp/game-process-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    lockDir_ = folder_ / "locks";
    fs::create_directories(lockDir_);
    gameDir_ = folder_ / "game";
    fs::create_directories(gameDir_);
    for (const char* top : {"gsx", "ssez", "bgm"}) fs::create_directory_symlink(*tree_ / top, gameDir_ / top);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Starts a private X server and watches its windows; false (the test skips) when Xvfb is not installed.
  bool StartDisplay() {
    const std::optional<std::string> xvfb = FindProgram("Xvfb");
    if (!xvfb) return false;
    server_ = std::make_unique<XvfbServer>();
    if (!server_->Start(*xvfb)) return false;
    watch_ = std::make_unique<XWindowWatch>();
    return watch_->Open(server_->Display());
  }

  // Ends the X server (the watch's connection first, so that it does not outlive the server).
  void StopDisplay() {
    watch_.reset();
    server_.reset();
  }

  // The files the game wrote into its folder (the asset links and the stderr capture aside).
  std::set<std::string> WrittenFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(gameDir_)) {
      const std::string name = e.path().filename().string();
      if (name != "gsx" && name != "ssez" && name != "bgm" && name.rfind("stderr-", 0) != 0) names.insert(name);
    }
    return names;
  }

  // Waits until `game`'s own window is shown (its process owns it), at most `seconds`; its id, or 0.
  unsigned long WaitForWindow(const GameProcess& game, double seconds) {
    const std::optional<XWindowWatch::TopWindow> window = watch_->WaitForShown(game.Pid(), seconds);
    return window ? window->id : 0;
  }

  // The names of the windows on the test's display, for a failed wait.
  std::string WindowsOnDisplay() const {
    const std::optional<std::string> xdotool = FindProgram("xdotool");
    if (!xdotool) return "";
    const std::string command =
        "DISPLAY=" + server_->Display() + " " + *xdotool + " search --name . getwindowname %@ 2>&1";
    std::string text = "\nwindows on the display:";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char line[256];
      while (fgets(line, sizeof line, pipe) != nullptr) {
        std::string name = line;
        if (!name.empty() && name.back() == '\n') name.pop_back();
        text += "\n  " + name;
      }
      pclose(pipe);
    }
    return text;
  }

  static fs::path* tree_;
  fs::path folder_, lockDir_, gameDir_;
  std::unique_ptr<XvfbServer> server_;
  std::unique_ptr<XWindowWatch> watch_;
};
fs::path* GameProcessTest::tree_ = nullptr;

// Each of the three signals closes the window: the game ends with status 0 within a second, has written only its
// settings (at start-up, as every start does) and says nothing.
TEST_F(GameProcessTest, InterruptTerminateAndHangUpEndTheGameAsAWindowCloseDoes) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    fs::remove(gameDir_ / "setting.dat");
    GameProcess game(gameDir_, server_->Display(), lockDir_);
    ASSERT_NE(WaitForWindow(game, 60), 0u) << game.Describe() << WindowsOnDisplay();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // past the start-up's settings write
    ASSERT_EQ(kill(game.Pid(), signal), 0);
    const std::optional<int> status = game.WaitEnd(20);
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_TRUE(WIFEXITED(*status)) << "ended by the signal itself";
    if (WIFEXITED(*status)) {
      EXPECT_EQ(WEXITSTATUS(*status), 0);
    }
    EXPECT_EQ(WrittenFiles(), std::set<std::string>{"setting.dat"});
    EXPECT_EQ(ReadText(gameDir_ / "setting.dat").size(), 100u);
    EXPECT_TRUE(game.StderrLines().empty()) << game.StderrLines().front();
  }
}

// The display server going away ends the game at once with status 0 and one line saying why.
TEST_F(GameProcessTest, LosingTheDisplayEndsTheGameWithOneLine) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  GameProcess game(gameDir_, server_->Display(), lockDir_);
  ASSERT_NE(WaitForWindow(game, 60), 0u) << game.Describe() << WindowsOnDisplay();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  StopDisplay();
  const std::optional<int> status = game.WaitEnd(20);
  ASSERT_TRUE(status.has_value()) << "still running without a display";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  const std::vector<std::string> lines = game.StderrLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("display connection was lost"), std::string::npos) << lines[0];
}

// Escape (held on the real keyboard path) ends the game; the process is gone soon after its window: about 0.1 s on
// an idle machine and up to 0.7 s on a loaded one, so the bound of 0.8 s only catches a shutdown that waits (it
// measured 2.5 s, and 1 s while a sound device was open). SDL's dummy audio driver gives it a working sound device.
TEST_F(GameProcessTest, EscapeEndsTheProcessSoonAfterItsWindowCloses) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  const std::optional<std::string> xdotool = FindProgram("xdotool");
  ASSERT_TRUE(xdotool) << "xdotool is missing (scripts/setup.sh installs it)";
  GameProcess game(gameDir_, server_->Display(), lockDir_, "dummy");
  const unsigned long window = WaitForWindow(game, 60);
  ASSERT_NE(window, 0u) << game.Describe() << WindowsOnDisplay();
  // Pressed once the frames run.
  ASSERT_TRUE(watch_->WaitForPicture(window, 30)) << game.Describe();
  const std::string prefix = "DISPLAY=" + server_->Display() + " " + *xdotool + " ";
  ASSERT_EQ(std::system((prefix + "windowfocus --sync " + std::to_string(window) + " > /dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system((prefix + "keydown Escape").c_str()), 0);
  // The process's end is watched beside the window's: the server reports the window hidden or destroyed.
  std::optional<int> status;
  std::thread waiter([&] { status = game.WaitEnd(15); });
  double windowGone = 0;
  const double until = Now() + 10;
  while (Now() < until && windowGone == 0) {
    watch_->Pump(0.01);
    const XWindowWatch::TopWindow* seen = watch_->Find(window);
    if (seen->hidden != 0 || seen->destroyed != 0) windowGone = seen->hidden != 0 ? seen->hidden : seen->destroyed;
  }
  (void)!std::system((prefix + "keyup Escape").c_str());
  waiter.join();
  ASSERT_NE(windowGone, 0) << "the window stayed";
  ASSERT_TRUE(status.has_value()) << "the process stayed after its window";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  EXPECT_LT(game.EndedAt() - windowGone, 0.8);
}

// Every start shows one window of the game, made once: nothing at start-up, its first frames included, makes it
// again or takes it away. The starts go round the three ways of drawing (the 2D path, the 3D device on EGL, the
// default); on the 2D path the game makes no other window at all. GAME_WINDOW_STARTS sets the number of starts
// (scripts/window_starts.sh runs 200 of them beside other tests); the times from start to window are printed.
TEST_F(GameProcessTest, EveryStartShowsOneWindowMadeOnce) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  const char* requested = std::getenv("GAME_WINDOW_STARTS");
  const int starts = requested != nullptr ? std::max(1, std::atoi(requested)) : 3;
  const char* const modes[] = {"off", "egl", nullptr};
  std::vector<double> times;
  for (int i = 0; i < starts; ++i) {
    const char* mode = modes[i % 3];
    SCOPED_TRACE("start " + std::to_string(i + 1) + ", ENGINE_D3D " + (mode != nullptr ? mode : "unset"));
    const double started = Now();
    GameProcess game(gameDir_, server_->Display(), lockDir_, "none", mode);
    const std::optional<XWindowWatch::TopWindow> shown = watch_->WaitForShown(game.Pid(), 60);
    ASSERT_TRUE(shown) << game.Describe() << WindowsOnDisplay();
    times.push_back(shown->shown - started);
    // Past the first presented frames (the first present is where a renderer could make the window again).
    const bool picture = watch_->WaitForPicture(shown->id, 60);
    watch_->Pump(0.3);
    int seen = 0;
    std::vector<XWindowWatch::TopWindow> owned = watch_->WindowsOf(game.Pid());
    for (const XWindowWatch::TopWindow& w : owned) {
      if (w.shown == 0) continue;
      ++seen;
      EXPECT_EQ(w.id, shown->id) << "a second window was shown";
      EXPECT_EQ(w.hidden, 0) << "the window was hidden";
      EXPECT_EQ(w.destroyed, 0) << "the window was destroyed";
    }
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(picture) << "no picture in the window" << game.Describe();
    if (mode != nullptr && std::string(mode) == "off") {
      EXPECT_EQ(owned.size(), 1u) << "windows made on the 2D path";
    }
    ASSERT_EQ(kill(game.Pid(), SIGTERM), 0);
    ASSERT_TRUE(game.WaitEnd(20).has_value()) << "still running";
    if (HasFailure()) break;
  }
  std::sort(times.begin(), times.end());
  if (!times.empty()) {
    std::printf("%zu starts; start to window: median %.3f s, worst %.3f s\n", times.size(), times[times.size() / 2],
                times.back());
  }
}

// A damaged settings file (100 zero bytes: full screen, both volumes 0, no button map) shows the notice; once it is
// closed the game runs as after a missing file, in a 640 x 480 window, and the file says windowed, 100 and 100.
TEST_F(GameProcessTest, ADamagedSettingsFileGivesTheDefaultWindowAndVolumes) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  const std::optional<std::string> xdotool = FindProgram("xdotool");
  ASSERT_TRUE(xdotool) << "xdotool is missing (scripts/setup.sh installs it)";
  {
    std::ofstream damaged(gameDir_ / "setting.dat", std::ios::binary);
    damaged << std::string(100, '\0');
  }
  GameProcess game(gameDir_, server_->Display(), lockDir_);
  const unsigned long window = WaitForWindow(game, 60);
  ASSERT_NE(window, 0u) << game.Describe() << WindowsOnDisplay();
  ASSERT_TRUE(watch_->WaitForPicture(window, 30)) << game.Describe();
  // A closes the notice.
  const std::string prefix = "DISPLAY=" + server_->Display() + " " + *xdotool + " ";
  ASSERT_EQ(std::system((prefix + "windowfocus --sync " + std::to_string(window) + " > /dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system((prefix + "keydown a").c_str()), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_EQ(std::system((prefix + "keyup a").c_str()), 0);
  // Past the screen-mode choice and the start-up's settings write.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  watch_->Pump(0.1);
  std::optional<XWindowWatch::TopWindow> shown = watch_->WaitForShown(game.Pid(), 5);
  ASSERT_TRUE(shown) << game.Describe();
  int width = 0, height = 0;
  ASSERT_TRUE(watch_->Size(shown->id, &width, &height)) << game.Describe();
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  ASSERT_EQ(kill(game.Pid(), SIGTERM), 0);
  ASSERT_TRUE(game.WaitEnd(20).has_value()) << "still running";
  const std::string record = ReadText(gameDir_ / "setting.dat");
  ASSERT_EQ(record.size(), 100u);
  EXPECT_EQ(static_cast<unsigned char>(record[13]), 100) << "music volume";
  EXPECT_EQ(static_cast<unsigned char>(record[14]), 100) << "sound volume";
  EXPECT_EQ(record[15], 1) << "window byte";
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(record[b], b);
}

// A second copy in the same session refuses to start with one line; the first runs on.
TEST_F(GameProcessTest, ASecondCopySaysTheGameIsAlreadyRunning) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  GameProcess first(gameDir_, server_->Display(), lockDir_);
  ASSERT_NE(WaitForWindow(first, 60), 0u) << first.Describe() << WindowsOnDisplay();
  GameProcess second(gameDir_, server_->Display(), lockDir_);
  const std::optional<int> status = second.WaitEnd(30);
  ASSERT_TRUE(status.has_value());
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_NE(WEXITSTATUS(*status), 0);
  const std::vector<std::string> lines = second.StderrLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("already running"), std::string::npos) << lines[0];
  EXPECT_FALSE(first.WaitEnd(0.2).has_value()) << "the first copy ended";
  kill(first.Pid(), SIGTERM);
  EXPECT_TRUE(first.WaitEnd(20).has_value()) << "still running";
}

// A desktop with no sound device (SDL's audio driver cannot start) plays in silence: the game loads its sounds and
// reaches its title instead of reporting its data missing, and says once that it runs without sound. It runs as a
// player's would, through the 3D device.
TEST_F(GameProcessTest, NoSoundDeviceStillLoadsTheGameData) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  GameProcess game(gameDir_, server_->Display(), lockDir_, "none", nullptr);
  ASSERT_NE(WaitForWindow(game, 60), 0u) << game.Describe() << WindowsOnDisplay();
  std::this_thread::sleep_for(std::chrono::milliseconds(4000));  // past the loading of every sound
  EXPECT_EQ(game.StderrLines(true), std::vector<std::string>{kNoSoundLine});
  ASSERT_EQ(kill(game.Pid(), SIGTERM), 0);
  ASSERT_TRUE(game.WaitEnd(20).has_value()) << "still running";
}

// A start as a player's, SDL left to try every sound system (on a machine without a sound card or sound server, as
// here, each fails), with and without XDG_RUNTIME_DIR: stderr holds nothing of the libraries, only the game's own
// no-sound line (or nothing, where a sound device opened).
TEST_F(GameProcessTest, AStartPrintsNothingButTheGamesOwnLine) {
  if (!StartDisplay()) {
    GTEST_SKIP() << "no Xvfb";
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = runtime != nullptr ? runtime : "";
  for (bool withRuntime : {true, false}) {
    SCOPED_TRACE(withRuntime ? "XDG_RUNTIME_DIR as it is" : "XDG_RUNTIME_DIR unset");
    if (!withRuntime) unsetenv("XDG_RUNTIME_DIR");
    GameProcess game(gameDir_, server_->Display(), lockDir_, nullptr, nullptr);
    if (runtime != nullptr) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    const unsigned long window = WaitForWindow(game, 60);
    ASSERT_NE(window, 0u) << game.Describe() << WindowsOnDisplay();
    EXPECT_TRUE(watch_->WaitForPicture(window, 30)) << game.Describe();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the loading of every sound
    ASSERT_EQ(kill(game.Pid(), SIGTERM), 0);
    ASSERT_TRUE(game.WaitEnd(20).has_value()) << "still running";
    const std::vector<std::string> lines = game.StderrLines(true);
    if (!lines.empty()) {
      EXPECT_EQ(lines, std::vector<std::string>{kNoSoundLine}) << game.Describe();
    }
  }
}

// Started without a display the game refuses at once with one line, the one scripts/run.sh says (before it
// builds anything), unless ENGINE_BACKEND=headless asks for a run without one; ENGINE_BACKEND=sdl does not.
TEST_F(GameProcessTest, WithoutADisplayTheGameRefusesUnlessHeadlessIsAsked) {
  std::vector<std::string> refusals;
  for (const char* backend : {static_cast<const char*>(nullptr), "sdl"}) {
    SCOPED_TRACE(backend == nullptr ? "ENGINE_BACKEND unset" : backend);
    GameProcess game(gameDir_, "", lockDir_, "none", "off", backend);
    const std::optional<int> status = game.WaitEnd(10);
    ASSERT_TRUE(status.has_value()) << "runs without a display";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    const std::vector<std::string> lines = game.StderrLines();
    ASSERT_EQ(lines.size(), 1u) << game.Describe();
    EXPECT_NE(lines[0].find("no display"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("ENGINE_BACKEND=headless"), std::string::npos) << lines[0];
    EXPECT_TRUE(WrittenFiles().empty()) << "wrote " << *WrittenFiles().begin();
    refusals.push_back(lines[0]);
  }
  const std::string script = std::string(SOURCE_DIR) + "/scripts/run.sh";
  FILE* pipe = popen(("env -u DISPLAY -u WAYLAND_DISPLAY -u ENGINE_BACKEND " + script + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string said;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) said += buffer;
  EXPECT_NE(pclose(pipe), 0);
  EXPECT_EQ(said, refusals.front() + "\n");

  GameProcess headless(gameDir_, "", lockDir_);
  EXPECT_FALSE(headless.WaitEnd(1.5).has_value()) << headless.Describe();
  kill(headless.Pid(), SIGTERM);
  EXPECT_TRUE(headless.WaitEnd(5).has_value());
}

// A folder without game data: the resources-missing screen, and one line on stderr naming the folder.
TEST_F(GameProcessTest, MissingGameDataIsReportedOnStderr) {
  const fs::path empty = folder_ / "empty";
  fs::create_directories(empty);
  GameProcess game(empty, "", lockDir_);
  std::vector<std::string> lines;
  const double until = Now() + 30;
  while (Now() < until && lines.empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines = game.StderrLines();
  }
  kill(game.Pid(), SIGTERM);
  const std::optional<int> status = game.WaitEnd(20);
  ASSERT_TRUE(status.has_value()) << "still running";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
  lines = game.StderrLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("game data missing"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(empty.string()), std::string::npos) << lines[0];
}

}  // namespace
