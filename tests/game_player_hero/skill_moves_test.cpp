// Hero 1's move skills started by the player update's input combinations on a fixture floor: the diving slash runs
// until the hero lands, the dash slash until the dash stops.
#include <gtest/gtest.h>

#include "game/player/skill_effects.h"
#include "game/player/skills.h"
#include "tests/game_player_hero/hero_fixture.h"

namespace {

using game_test::HeroTest;
using game_test::kDash;
using game_test::kJump;
using game_test::kMain;
using game_test::kPadDown;
using game_test::kPadRight;

constexpr int kFloorY = 300;
constexpr int kStandY = kFloorY - 50;

class HeroSkillTest : public HeroTest {
 protected:
  void SetUp() override {
    HeroTest::SetUp();
    hero = 1;
    reset_player_stats();
    for (int k = 4; k < 8; ++k) learned[1][k] = 1;  // skills 12..15
    skill_id = skill_none;
    skill_active = skill_effect = skill_phase = 0;
    skill_wave = SkillWave{};
    FloorRow(-120, 2400, kFloorY);
    StandOn(kFloorY, 200);
  }
  // The player update and the skill of one frame.
  static void Frame(int pad) {
    Tick(pad);
    update_skill();
  }
};

TEST_F(HeroSkillTest, TheDivingSlashRunsInTheAirUntilTheHeroLands) {
  for (int i = 0; i < 8; ++i) Frame(kJump);
  ASSERT_NE(jumping, 0);
  const int sp_before = sp;
  Frame(kMain | kPadDown);
  ASSERT_EQ(skill_id, 15);
  EXPECT_EQ(sp, sp_before - 15);
  int frames = 1;
  while (skill_active != 0 && frames < 300) {
    EXPECT_EQ(PlayerState, player_skill);
    Frame(0);
    ++frames;
  }
  EXPECT_EQ(skill_active, 0) << "ended by the landing";
  EXPECT_EQ(skill_id, skill_none);
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(my, kStandY);
  EXPECT_EQ(jumping, 0);
  EXPECT_GT(frames, 2);
}

TEST_F(HeroSkillTest, TheDashSlashRunsWhileTheHeroDashes) {
  Frame(kMain | kDash | kPadRight);
  ASSERT_EQ(skill_id, 14);
  for (int i = 0; i < 5; ++i) Frame(kDash | kPadRight);
  EXPECT_EQ(skill_active, 1);
  EXPECT_NE(dashing, 0);
  EXPECT_EQ(skill_wave.in_use, 1) << "the wave of step 4";
  Frame(0);
  EXPECT_EQ(skill_active, 0) << "the dash stopped";
  EXPECT_EQ(PlayerState, player_free);
}

}  // namespace
