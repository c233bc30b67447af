// The route file reader: the steps, keys and goals it takes from a file, and the lines it refuses.
#include <gtest/gtest.h>

#include "tests/playthrough/driver.h"
#include "tests/playthrough/route.h"

namespace playthrough {
namespace {

TEST(RouteFile, ReadsStepsKeysAndGoals) {
  const std::string text =
      "# written by the passability check\r\n"
      "# goals: exit\n"
      "\n"
      "12 - 40 380\n"
      "30 RJC 130 300\r\n"
      "  # an indented comment\n"
      "5 LUDASR 128 301\n"
      "goal exit\n";
  Route route;
  std::string error;
  ASSERT_TRUE(ParseRoute(text, &route, &error)) << error;
  ASSERT_EQ(route.size(), 3u);
  EXPECT_EQ(route[0].frames, 12);
  EXPECT_TRUE(route[0].keys.empty());
  EXPECT_EQ(route[0].x, 40);
  EXPECT_EQ(route[0].y, 380);
  EXPECT_EQ(route[1].keys, (std::vector<int>{kKeyRight, kKeyJump, kKeyDash}));
  EXPECT_EQ(route[1].goal, "");
  EXPECT_EQ(route[2].keys, (std::vector<int>{kKeyLeft, kKeyUp, kKeyDown, kKeyMain, kKeySkill, kKeyRight}));
  EXPECT_EQ(route[2].goal, "exit");
  EXPECT_EQ(RoutePath("routes", 1, 7, 2, false), "routes/hero1/stage7_area2.route");
  EXPECT_EQ(RoutePath("routes", 0, 6, 2, true), "routes/hero0/stage6_area2_top.route");
}

TEST(RouteFile, RefusesMalformedLinesNamingThem) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"10 R 1 2\n10 X 1 2\n", "line 2: unknown key letter"},
      {"10 R 1\n", "line 1: not <frames> <keys> <x> <y>"},
      {"10 R 1 2 3\n", "line 1: not <frames> <keys> <x> <y>"},
      {"10 R one 2\n", "line 1: not <frames> <keys> <x> <y>"},
      {"0 R 1 2\n", "line 1: not a frame count"},
      {"-3 R 1 2\n", "line 1: not a frame count"},
      {"3x R 1 2\n", "line 1: not a frame count"},
      {"goal exit\n", "line 1: a goal before any step"},
      {"10 R 1 2\ngoal\n", "line 2: a goal line names one goal"},
      {"10 R 1 2\ngoal a b\n", "line 2: a goal line names one goal"},
  };
  for (const auto& c : cases) {
    Route route;
    std::string error;
    EXPECT_FALSE(ParseRoute(c.text, &route, &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave " << error;
    EXPECT_TRUE(route.empty()) << c.text;
  }
}

TEST(RouteFile, AMissingFileIsNamed) {
  Route route;
  std::string error;
  EXPECT_FALSE(LoadRoute("no/such/dir/hero0/stage1_area1.route", &route, &error));
  EXPECT_NE(error.find("no/such/dir/hero0/stage1_area1.route"), std::string::npos);
}

}  // namespace
}  // namespace playthrough
