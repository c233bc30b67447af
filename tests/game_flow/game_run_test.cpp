// The real game, headless, in a process of its own: scripted input, a fixed number of frames, then Escape.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/game_flow/game_fixture.h"

namespace {

constexpr int kKeyEscape = 1;

void StepScript() { platform::headless::StepInputScript(); }

// Runs game_main in a child process with `frames` idle frames, then Escape held; returns its exit status.
int RunGame(int frames) {
  std::vector<platform::headless::InputFrame> script(static_cast<std::size_t>(frames));
  script.push_back({{kKeyEscape}, {}});
  const pid_t child = fork();
  if (child == 0) {
    platform::headless::SetInputScript(std::move(script));
    set_frame_start_hook(StepScript);
    std::_Exit(game_main() & 0xFF);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
}

// No engine started in this process: the child starts its own.
class GameRun : public engine_test::HeadlessEngine {};

TEST_F(GameRun, RunsFramesAndEndsOnEscapeWritingTheSettings) {
  ASSERT_EQ(RunGame(120), 0);
  const std::vector<unsigned char> settings = game_test::ReadBytes("setting.dat");
  ASSERT_EQ(settings.size(), 100u);
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(settings[b], b);
  EXPECT_EQ(settings[13], 100);
  EXPECT_EQ(settings[15], 1);
}

TEST_F(GameRun, DamagedSettingsAreRepairedOnTheWay) {
  std::vector<unsigned char> record(100, 0);
  record[13] = 40;
  record[50] = 0x77;
  game_test::WriteBytes("setting.dat", record);
  // The notice waits for A, B, C or X: the child's first scripted frame holds A.
  std::vector<platform::headless::InputFrame> script = {{{30}, {}}};
  const pid_t child = fork();
  if (child == 0) {
    script.resize(40);
    script.push_back({{kKeyEscape}, {}});
    platform::headless::SetInputScript(std::move(script));
    platform::headless::StepInputScript();  // A held from the start
    set_frame_start_hook(StepScript);
    std::_Exit(game_main() & 0xFF);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::vector<unsigned char> settings = game_test::ReadBytes("setting.dat");
  ASSERT_EQ(settings.size(), 100u);
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(settings[b], b);
  EXPECT_EQ(settings[13], 100) << "a damaged record's volume is not trusted";
  EXPECT_EQ(settings[14], 100);
  EXPECT_EQ(settings[15], 1) << "the window";
  EXPECT_EQ(settings[50], 0x77) << "bytes the game never sets are kept";
}

}  // namespace
