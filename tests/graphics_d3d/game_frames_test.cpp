// The real game, headless, on the placeholder assets, run twice in processes of its own: once through the
// Direct3D path and once through the software path, with the same scripted input; the presented frames are compared.
//
// Tolerance: each channel within 2 (blends and fades: the device blends in floating point and rounds, the software
// loops truncate), and at most 0.5 % of a frame's pixels beyond it (edge pixels of rotated or diagonal drawing,
// where the two rasterisers choose differently).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/graphics/draw_state.h"
#include "game/flow/main_loop.h"
#include "platform/d3d/egl_context.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyA = 30;
constexpr int kCaptures[] = {30, 90, 150, 230, 300};

int g_frame = 0;
const char* g_mode = "";

// Steps the script and keeps the frames presented so far at the capture points.
void StepAndCapture() {
  platform::headless::StepInputScript();
  ++g_frame;
  for (int c : kCaptures) {
    if (c != g_frame) continue;
    const platform::headless::Framebuffer f = platform::headless::GetFramebuffer();
    std::ofstream(std::string("path-") + g_mode) << Use3D;
    std::ofstream out(std::string("frame-") + std::to_string(c) + "-" + g_mode + ".raw", std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.pixels.data()),
              static_cast<std::streamsize>(f.pixels.size() * sizeof(std::uint32_t)));
  }
}

// The game runs in a fresh process (this test program started again on the child test below): a forked copy of a
// process that already made a GL context would inherit the context without the rasteriser's threads.
int RunGame(bool device, const std::string& directory) {
  const pid_t child = fork();
  if (child == 0) {
    setenv("D3D_GAME_CHILD", device ? "device" : "software", 1);
    setenv("D3D_GAME_DIRECTORY", directory.c_str(), 1);
    execl("/proc/self/exe", "graphics_d3d_tests", "--gtest_filter=GameFramesChild.Run", static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
}

// Runs the game with the scripted input in the parent's directory, keeping the frames at the capture points; only
// when started by RunGame.
TEST(GameFramesChild, Run) {
  const char* mode = std::getenv("D3D_GAME_CHILD");
  const char* directory = std::getenv("D3D_GAME_DIRECTORY");
  if (mode == nullptr || directory == nullptr) GTEST_SKIP() << "run by GameFrames only";
  ASSERT_EQ(chdir(directory), 0);
  const bool device = std::string(mode) == "device";
  std::vector<platform::headless::InputFrame> script(330);
  for (int f : {60, 61, 120, 121, 200, 201, 260, 261}) script[static_cast<std::size_t>(f)].keysDown = {kKeyA};
  script.push_back({{kKeyEscape}, {}});
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::SetInstanceLockDirectory(directory);
  platform::d3d::SetContextMode(device ? platform::d3d::ContextMode::kEgl : platform::d3d::ContextMode::kOff);
  g_mode = device ? "device" : "software";
  platform::headless::SetInputScript(std::move(script));
  set_frame_start_hook(StepAndCapture);
  std::_Exit(game_main() & 0xFF);
}

std::vector<std::uint32_t> ReadFrame(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint32_t> pixels(640 * 480);
  in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
  if (in.gcount() != static_cast<std::streamsize>(pixels.size() * 4)) pixels.clear();
  return pixels;
}

class GameFrames : public engine_test::HeadlessEngine {};

TEST_F(GameFrames, TheDirect3DPathShowsTheSoftwarePathsFrames) {
  const std::string tool = PLACEHOLDER_TOOL;
  ASSERT_EQ(std::system((tool + " . > /dev/null").c_str()), 0);
  ASSERT_EQ(RunGame(true, directory_), 0);
  ASSERT_EQ(RunGame(false, directory_), 0);
  EXPECT_EQ(engine_test::ReadFile("path-device"), "1") << "the game drew through the Direct3D path";
  EXPECT_EQ(engine_test::ReadFile("path-software"), "0");
  for (int c : kCaptures) {
    SCOPED_TRACE(testing::Message() << "frame " << c);
    const std::vector<std::uint32_t> device = ReadFrame("frame-" + std::to_string(c) + "-device.raw");
    const std::vector<std::uint32_t> software = ReadFrame("frame-" + std::to_string(c) + "-software.raw");
    ASSERT_FALSE(device.empty());
    ASSERT_FALSE(software.empty());
    int beyond = 0, nonBlack = 0;
    for (std::size_t i = 0; i < device.size(); ++i) {
      if (software[i] != 0) ++nonBlack;
      for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((device[i] >> shift) & 0xFF) - static_cast<int>((software[i] >> shift) & 0xFF)) >
            2) {
          ++beyond;
          break;
        }
      }
    }
    EXPECT_LE(beyond, 640 * 480 / 200) << nonBlack << " non-black pixels";
  }
}

}  // namespace
