// Route files: the header and lines read back as written, and malformed files are refused with the line.
#include <gtest/gtest.h>

#include <string>

#include "tools/passability/area_run.h"
#include "tools/passability/route_file.h"

namespace {

// The engine the searches and replays start ends before the process does, so its background thread never outlives
// the statics it uses.
class HeadlessGameEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { passability::StopHeadlessGame(); }
};
[[maybe_unused]] ::testing::Environment* const headless_game_environment =
    ::testing::AddGlobalTestEnvironment(new HeadlessGameEnvironment);

TEST(RouteFile, KeysWordsAndPadBitsConvertBothWays) {
  const struct {
    const char* keys;
    int pad;
  } cases[] = {
      {"-", 0},
      {"R", passability::kPadRight},
      {"LJ", passability::kPadLeft | passability::kPadJump},
      {"RJC", passability::kPadRight | passability::kPadJump | passability::kPadDash},
      {"UDAS", passability::kPadUp | passability::kPadDown | passability::kPadMain | passability::kPadSkill},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(passability::PadFromKeys(c.keys), c.pad) << c.keys;
    EXPECT_EQ(passability::KeysFromPad(c.pad), c.keys);
  }
  EXPECT_EQ(passability::PadFromKeys("RX"), -1);
  EXPECT_EQ(passability::PadFromKeys(""), -1);
}

TEST(RouteFile, AWrittenRouteReadsBack) {
  passability::Route route;
  route.written_by = "passability search, 2026-01-02";
  route.digest = 0x0123456789abcdefULL;
  route.stage = 6;
  route.area = 2;
  route.hero = 1;
  route.top_entry = true;
  route.goals = {"switch101", "exit", "run-out"};
  route.lines = {{"", 8, passability::kPadRight, 62, 250}, {"switch101", 0, 0, 0, 0},
                 {"", 30, passability::kPadJump | passability::kPadLeft, 10, -20}};
  const std::string text = passability::FormatRoute(route);
  passability::Route back;
  std::string error;
  ASSERT_TRUE(passability::ParseRoute(text, &back, &error)) << error;
  EXPECT_EQ(back.written_by, route.written_by);
  EXPECT_EQ(back.digest, route.digest);
  EXPECT_EQ(back.stage, 6);
  EXPECT_EQ(back.area, 2);
  EXPECT_EQ(back.hero, 1);
  EXPECT_TRUE(back.top_entry);
  EXPECT_EQ(back.goals, route.goals);
  EXPECT_EQ(passability::FormatRoute(back), text);
  EXPECT_EQ(passability::RouteFrames(back), 38);
  EXPECT_EQ(passability::RoutePath("r", 6, 2, 1, true), "r/hero1/stage6_area2_top.route");
}

TEST(RouteFile, MalformedLinesAreRefusedWithTheirNumber) {
  const std::string head = "# start stage 1 area 1 hero 0\n";
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {head + "8 R 1 2\nx R 1 2\n", "line 3: not a frame count"},
      {head + "0 R 1 2\n", "line 2: not a frame count"},
      {head + "8 Q 1 2\n", "line 2: unknown keys 'Q'"},
      {head + "8 R 1\n", "line 2: expected"},
      {head + "8 R 1 2 3\n", "line 2: unexpected '3'"},
      {head + "goal\n", "line 2: a goal line needs a name"},
      {"8 R 1 2\n", "no start line"},
  };
  for (const auto& c : cases) {
    passability::Route route;
    std::string error;
    EXPECT_FALSE(passability::ParseRoute(c.text, &route, &error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

}  // namespace
