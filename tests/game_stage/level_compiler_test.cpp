// The level compiler refuses damaged level data with the file and line, and writes nothing then.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct CompileResult {
  int status;
  std::string errors;
};

CompileResult Compile(const std::string& text) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "level-compiler-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "area.txt") << text;
  std::filesystem::remove(dir / "out.cpp");
  const std::string command = std::string(LEVEL_COMPILER_TOOL) + " " + (dir / "out.cpp").string() + " " +
                              (dir / "area.txt").string() + " 2> " + (dir / "errors.txt").string();
  const int status = std::system(command.c_str());
  std::ifstream errors(dir / "errors.txt");
  CompileResult run{WEXITSTATUS(status), std::string(std::istreambuf_iterator<char>(errors), {})};
  if (run.status != 0) {
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cpp"));
  }
  return run;
}

TEST(LevelCompiler, AcceptsAWellFormedAreaAndNamesTheLineOfEachFault) {
  const std::string head = "stage 1\narea 1\nsize 2 1\nexit 1 100\n";
  EXPECT_EQ(Compile(head + "room 0 0\nrow 1 0 240 0 128 256\nladder 10 20 top\nhero 1 hazard 39 100 200 1\n").status,
            0);
  const struct {
    std::string text;
    const char* error;
  } faults[] = {
      {head + "gimmick 1 0 0 0\n", "area.txt:5: gimmick before any 'room'"},
      {head + "room 0 0\ngimmick 1 zero 0 0\n", "area.txt:6: not a number: 'zero'"},
      {head + "room 0 0\nscenery_a 1 0 0 4\n", "area.txt:6: a draw layer is 1, 2 or 3"},
      {head + "room 0 0\nladder 0 0 middle\n", "area.txt:6: a ladder segment is 'top' or 'body'"},
      {head + "room 0 0\ngimmick 1 0 0 0 mirror extra\n", "area.txt:6: unexpected 'extra'"},
      {head + "room 0 0\nportal 1 2\n", "area.txt:6: unknown statement 'portal'"},
      {head + "hero 2 room 0 0\n", "area.txt:5: the hero is 0 or 1"},
      {"size 2 1\n", "needs 'stage' 1..9 and 'area' 1..3"},
  };
  for (const auto& f : faults) {
    const CompileResult run = Compile(f.text);
    EXPECT_EQ(run.status, 1) << f.error;
    EXPECT_NE(run.errors.find(f.error), std::string::npos) << run.errors;
  }
}

}  // namespace
