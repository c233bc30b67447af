// The hero's movement frame by frame on small fixture stages: walking and the scroll band, jumps by hold time, the
// wall kick, the dash, ladders, falling with the camera floor, the fall death into the restart, and the gimmicks that
// carry or stop the hero.
#include <gtest/gtest.h>

#include <vector>

#include "game/enemy/enemy_contact.h"
#include "tests/game_player_hero/hero_fixture.h"

namespace {

using game_test::Frame;
using game_test::HeroTest;
using game_test::kDash;
using game_test::kJump;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::kQL;
using game_test::kQR;

constexpr int kFloorY = 300;               // tile top at world y 300: the walkable top is at 345
constexpr int kStandY = kFloorY - 50;      // the hero's screen y standing on it with g_y 0

TEST_F(HeroTest, WalkingMovesTheHeroToThreeHundredThenTheCamera) {
  FloorRow(-120, 2400, kFloorY);
  StandOn(kFloorY, 288);
  EXPECT_EQ(landed, 1);
  std::vector<int> poses;
  for (int i = 0; i < 10; ++i) {
    Tick(kPadRight);
    poses.push_back(pose);
  }
  EXPECT_EQ(mx, 300) << "288 + 3 + 3 + 3 + 3, then the camera";
  EXPECT_EQ(g_x, 18);
  EXPECT_EQ(bg_x, -18) << "the background offset follows the camera";
  EXPECT_EQ(poses, (std::vector<int>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3}));
  Tick(0);
  EXPECT_EQ(pose, 3) << "the walk counter still moved in the last frame";
  Tick(0);
  EXPECT_EQ(pose, 0) << "standing again";
  Ticks(kPadLeft, 4);
  EXPECT_EQ(mx, 300) << "with g_x above 0 walking left moves only the camera";
  EXPECT_EQ(g_x, 6);
  EXPECT_EQ(pose, 11);
  Ticks(kPadLeft, 2);
  EXPECT_EQ(g_x, 0);
  EXPECT_EQ(mx, 300);
  Tick(kPadLeft);
  EXPECT_EQ(mx, 297) << "with the camera at 0 the hero moves";
  EXPECT_EQ(my, kStandY);
}

// The jump as the formula gives it: the power counter rises while the button is held (at most 8 frames), each frame
// moves dy = fall_speed / 2 - jump - 4, gravity grows while rising or while the fall is below 8 pixels per frame.
std::vector<int> ModelJump(int held, int start_y, int floor_top) {
  std::vector<int> path;
  int y = start_y, speed = 0, power = 0;
  for (int frame = 1; frame < 200; ++frame) {
    if (frame > 1 && floor_top < y + 97) break;  // the feet meet the floor: landed
    if (frame <= held && power < 8) ++power;
    const int h = speed / 2;
    const int dy = h - power - 4;
    y += dy;
    const bool rising = power + 4 > h;
    if (rising || dy < 8) ++speed;
    path.push_back(y);
  }
  return path;
}

TEST_F(HeroTest, JumpHeightAndLengthFollowTheHoldTime) {
  FloorRow(-120, 1200, kFloorY);
  int previous_apex = kStandY;
  for (const int held : {1, 4, 8, 12}) {
    SCOPED_TRACE(held);
    StandOn(kFloorY, 100);
    Tick(0);
    const std::vector<int> expected = ModelJump(held, kStandY, kFloorY + 45);
    std::vector<int> path;
    for (int frame = 1; frame <= static_cast<int>(expected.size()); ++frame) {
      Tick(frame <= held ? kJump : 0);
      path.push_back(my);
    }
    EXPECT_EQ(path, expected);
    Tick(0);
    EXPECT_EQ(my, kStandY) << "landed after " << expected.size() << " frames in the air";
    EXPECT_EQ(jumping, 0);
    int apex = kStandY;
    for (int y : path) apex = std::min(apex, y);
    if (held <= 8) {
      EXPECT_LT(apex, previous_apex) << "a longer hold jumps higher";
    } else {
      EXPECT_EQ(apex, previous_apex) << "the power stops at 8 frames";
    }
    previous_apex = apex;
  }
}

TEST_F(HeroTest, HoldingJumpThroughALandingDoesNotJumpAgain) {
  FloorRow(-120, 1200, kFloorY);
  StandOn(kFloorY, 100);
  my -= 40;  // in the air above the floor, falling
  Tick(0);
  EXPECT_EQ(falling, 1);
  Ticks(kJump, 40);
  EXPECT_EQ(my, kStandY);
  EXPECT_EQ(jumping, 0) << "the press made while falling does not jump on landing";
  Tick(0);
  Tick(kJump);
  EXPECT_EQ(jumping, 1) << "a new press does";
}

TEST_F(HeroTest, ASecondPressAgainstAWallKicksOffIt) {
  FloorRow(-120, 480, kFloorY);
  WallColumn(-100, -240, kFloorY);
  WallColumn(260, -240, kFloorY);  // a shaft 240 pixels wide
  StandOn(kFloorY, 209);
  Tick(kJump | kPadRight);
  EXPECT_EQ(mx, 212);
  Tick(kJump | kPadRight);
  EXPECT_EQ(wall_contact, 1);
  EXPECT_EQ(mx, 212) << "the wall stops the step";
  EXPECT_EQ(wall_kicks, 0) << "a held button does not kick";
  Tick(kPadRight);
  Tick(kJump | kPadRight);
  EXPECT_EQ(wall_kicks, 1);
  EXPECT_EQ(kick_push, 1);
  EXPECT_EQ(jump, 1);
  EXPECT_EQ(rising, 1);
  std::vector<int> camera;
  for (int i = 0; i < 4; ++i) {
    Tick(0);
    camera.push_back(g_x);
  }
  EXPECT_EQ(camera, (std::vector<int>{-8, -8, -16, -16})) << "pushed 8 away from the wall at kick frames 1 and 3";
}

// Falling (no jump under way) against a wall, a press both takes off, with its dust, and kicks off the wall.
TEST_F(HeroTest, APressWhileFallingAgainstAWallTakesOffAndKicks) {
  FloorRow(-120, 480, kFloorY);
  WallColumn(260, -240, kFloorY);
  mx = 212;
  my = 60;
  falling = 1;
  Tick(kPadRight);
  ASSERT_EQ(falling, 1);
  ASSERT_EQ(jump, 0);
  Tick(kJump | kPadRight);
  EXPECT_EQ(wall_kicks, 1);
  EXPECT_EQ(kick_push, 1);
  EXPECT_EQ(jumping, 1);
  int dust = 0;
  for (const EffectRecord& e : effects) dust += e.active != 0 && e.type == 3 ? 1 : 0;
  EXPECT_EQ(dust, 1) << "the take-off's dust";
}

TEST_F(HeroTest, ADashRunsTwentyFramesAtSixAndNeedsANewPress) {
  FloorRow(-120, 1200, kFloorY);
  StandOn(kFloorY, 50);
  std::vector<int> steps;
  for (int i = 0; i < 23; ++i) {
    const int before = mx;
    Tick(kDash | kPadRight);
    steps.push_back(mx - before);
  }
  std::vector<int> expected(23, 6);
  expected[0] = 3;
  expected[21] = expected[22] = 3;
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(dash, 20);
  EXPECT_EQ(dashing, 0);
  Tick(kPadRight);
  EXPECT_EQ(dash, 0) << "released";
  Tick(kDash | kPadRight);
  EXPECT_EQ(dashing, 1);
}

TEST_F(HeroTest, ClimbingALadderEndsStandingOnItsTop) {
  FloorRow(-120, 600, 420);
  spawn_ladder(0, 0, 0, 200, 240, ladder_part_top);
  spawn_ladder(0, 0, 0, 200, 319, ladder_part_body);
  spawn_ladder(0, 0, 0, 200, 398, ladder_part_body);
  StandOn(420, 210);
  EXPECT_EQ(my, 370);
  Tick(kPadUp);
  EXPECT_EQ(on_ladder, 1);
  EXPECT_EQ(my, 368);
  int frames = 1;
  while (ladder_move != 2 && frames < 200) {
    Tick(kPadUp);
    ++frames;
  }
  ASSERT_EQ(ladder_move, 2) << "climbing over the top";
  EXPECT_EQ(my, 194 - 7 - 10) << "the first step of getting over the top in the same frame";
  Ticks(kPadUp, 60);
  Ticks(0, 10);
  EXPECT_EQ(on_ladder_top, 1);
  EXPECT_EQ(on_ladder, 0);
  EXPECT_EQ(my, 240 - 95);
  Tick(kPadDown);
  Ticks(kPadDown, 40);
  EXPECT_EQ(on_ladder, 1) << "down on the top gets back onto the ladder";
  EXPECT_GT(my, 240 - 95 + 50);
}

TEST_F(HeroTest, FallingScrollsTheCameraDownToTheColumnsLowestRow) {
  g_x = 1920;  // column 3 of stage 1 area 1 may show row 1 at most
  screen_col = 3;
  mx = 100;
  my = 300;
  falling = 1;
  std::vector<int> camera;
  while (my == 300 && camera.size() < 200) {
    Tick(0);
    camera.push_back(g_y);
  }
  EXPECT_EQ(camera.back(), -480);
  EXPECT_GT(my, 300) << "the hero moves on the screen once the camera stops";
  for (std::size_t i = 1; i + 1 < camera.size(); ++i) EXPECT_LT(camera[i], camera[i - 1]);
}

TEST_F(HeroTest, WalkingOffTheEdgeFallsToDeathAndTheRestart) {
  FloorRow(-120, 240, kFloorY);
  StandOn(kFloorY, 200);
  continues = 1;
  int frames = 0;
  while (PlayerState != player_dead && frames < 300) {
    Frame(kPadRight);
    ++frames;
  }
  ASSERT_EQ(PlayerState, player_dead);
  EXPECT_GT(my, 480);
  EXPECT_EQ(g_y, 0) << "column 0 may show only the top row";
  int fade = 0;
  while (game_mode == mode_stage_play && fade < 200) {
    Frame(0);
    ++fade;
  }
  EXPECT_EQ(game_mode, mode_restart);
  EXPECT_EQ(fade + 1, 127) << "the fade starts in the frame of the death";
  EXPECT_EQ(continues, 0);
  EXPECT_EQ(deaths, 1);
}

TEST_F(HeroTest, PassingTheExitLineLeavesTheArea) {
  FloorRow(-120, 1200, kFloorY);
  area_exit_column = 0;
  area_exit_offset = 200;
  StandOn(kFloorY, 198);
  Tick(kPadRight);
  EXPECT_EQ(PlayerState, player_free) << "201 is past 200 only after this frame's step";
  Tick(0);
  EXPECT_EQ(PlayerState, player_leaving_right);
  Ticks(0, 5);
  EXPECT_EQ(mx, 201 + 6 * 3) << "the hero walks on by itself, from the frame the state is set";
  area = 3;
  PlayerState = player_free;
  Tick(0);
  EXPECT_EQ(PlayerState, player_free) << "an area 3 has no exit line";
}

// Gimmicks move in the stage frame after the hero's update; the hero rides them.
TEST_F(HeroTest, LiftsPlatformsAndFallingFloorsCarryTheHero) {
  struct Case {
    int type;
    int frames;
    int dx, dy;  // the hero's move on the screen
  };
  for (const Case c : {Case{14, 10, 0, -20}, Case{13, 10, -20, 0}, Case{6, 30, 0, 30}}) {
    SCOPED_TRACE(c.type);
    clear_object_pools();
    spawn_gimmick(c.type, 0, 0, 0, 200, kFloorY, 0);
    StandOn(kFloorY, 210);
    const int x = mx, y = my;
    for (int i = 0; i < c.frames; ++i) Frame(0);
    EXPECT_EQ(mx - x, c.dx);
    EXPECT_EQ(my - y, c.dy);
    EXPECT_EQ(gimmicks[0].y + g_y - gimmicks[0].stand_offset, my) << "standing on it";
    EXPECT_EQ(jumping + falling, 0);
  }
}

TEST_F(HeroTest, TheHeroLandsOnAFallenCrate) {
  FloorRow(-120, 600, kFloorY);
  spawn_gimmick(8, 17, 0, 0, 300, 0, 0);
  for (int i = 0; i < 60; ++i) update_gimmicks();
  const int crate_y = gimmicks[gimmick_count - 1].y;
  update_gimmicks();
  EXPECT_EQ(gimmicks[gimmick_count - 1].y, crate_y) << "the crate rests on the floor";
  mx = 300;
  my = 0;
  falling = 1;
  Ticks(0, 60);
  EXPECT_EQ(stand_gimmick, gimmick_count - 1);
  EXPECT_EQ(my, crate_y - 85);
}

TEST_F(HeroTest, AClosedDoorStopsTheHeroUntilItRises) {
  FloorRow(-120, 1200, kFloorY);
  spawn_gimmick(gimmick_door, 101, 0, 0, 300, 100, 0);
  StandOn(kFloorY, 200);
  for (int i = 0; i < 40; ++i) Frame(kPadRight);
  EXPECT_EQ(wall_contact, 1);
  EXPECT_LE(mx + 50, 303);
  find_door(101)->door_state = door_state_rising;
  for (int i = 0; i < 60; ++i) Frame(kPadRight);
  EXPECT_GT(mx, 300) << "through the opened door";
}

TEST_F(HeroTest, LandingOnTheDeadlyFloorKillsAfterTheHitReaction) {
  spawn_gimmick(4, 0, 0, 0, 100, kFloorY, 0);
  StandOn(kFloorY, 110);
  EXPECT_EQ(hp, 0);
  EXPECT_EQ(hurt, 1);
  int frames = 0;
  while (PlayerState != player_dead && frames < 100) {
    Frame(0);
    ++frames;
  }
  EXPECT_EQ(frames, 30) << "the 30 frames of the hit reaction first";
}

// Death starts whenever no HP is left once no reaction frames are pending, also when the hit came during the
// protection time or did not start the reaction (a hit counter started at 31).
TEST_F(HeroTest, NoHpLeftStartsTheDeathOnceNoReactionIsPending) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  struct Case {
    int hurt_count;
    int frames_to_death;
  };
  for (const Case c : {Case{0, 30}, Case{20, 10}, Case{31, 1}, Case{60, 1}}) {
    SCOPED_TRACE(c.hurt_count);
    PlayerState = player_free;
    hurt = 1;
    hurt_count = c.hurt_count;
    hp = 0;
    int frames = 0;
    while (PlayerState != player_dead && frames < 100) {
      Frame(0);
      ++frames;
    }
    EXPECT_EQ(frames, c.frames_to_death);
  }
}

TEST_F(HeroTest, AHitHoldsTheHeroThirtyFramesAndProtectsItForAHundred) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  hurt = 1;
  hurt_count = 0;
  for (int i = 1; i <= 29; ++i) {
    Tick(kPadRight);
    ASSERT_EQ(PlayerState, player_hurt) << i;
  }
  EXPECT_EQ(mx, 100) << "no control while hurt";
  Tick(0);
  EXPECT_EQ(PlayerState, player_free);
  Ticks(0, 70);
  EXPECT_EQ(hurt, 1);
  Tick(0);
  EXPECT_EQ(hurt, 0) << "hurtable again on the 101st update";
}

TEST_F(HeroTest, SkillSelectionStepsThroughTheLearnedSkills) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  struct Case {
    int hero_id, learned_ids_mask, from, button, to;
  };
  const Case cases[] = {
      {0, 0b1, skill_none, kQR, 0},          {0, 0b10101, 0, kQR, 2},   {0, 0b10101, 4, kQR, skill_none},
      {0, 0b10101, skill_none, kQL, 4},      {0, 0b1, skill_none, kQL, 0}, {0, 0b10101, 2, kQL, 0},
      {0, 0b10101, 0, kQL, skill_none},      {1, 0b1, skill_none, kQR, 8},  {1, 0b1011, 9, kQR, 11},
      {1, 0b1, 8, kQL, skill_none},          {1, 0b0101, skill_none, kQL, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hero_id << " " << c.from << " " << c.button);
    hero = c.hero_id;
    for (int k = 0; k < 10; ++k) learned[c.hero_id][k] = (c.learned_ids_mask >> k) & 1;
    (c.hero_id == 0 ? skill_sel_0 : skill_sel_1) = c.from;
    Tick(0);
    Tick(c.button);
    Tick(c.button);
    EXPECT_EQ(c.hero_id == 0 ? skill_sel_0 : skill_sel_1, c.to) << "once per press";
  }
}

TEST_F(HeroTest, CrouchingAndTheJumpDustEffect) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  Tick(kPadDown);
  EXPECT_EQ(crouching, 1);
  Tick(kPadDown | kPadRight);
  EXPECT_EQ(mx, 100) << "no walking while crouching";
  Tick(0);
  Tick(kJump);
  EXPECT_EQ(effects[0].active, 1);
  EXPECT_EQ(effects[0].type, 3);
  EXPECT_EQ(effects[0].x, g_x + 100 - 35 + 10);
  EXPECT_EQ(effects[0].y, kStandY - g_y - 30);
}

TEST_F(HeroTest, ReleasingAFullChargeAsksForTheMainShot) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  main_form = 1;
  struct Case {
    int accessory_number, held, fires;
  };
  for (const Case c : {Case{accessory_none, 100, 1}, Case{accessory_none, 99, 0}, Case{5, 75, 1}, Case{5, 74, 0}}) {
    SCOPED_TRACE(testing::Message() << c.accessory_number << " " << c.held);
    accessory = static_cast<std::uint16_t>(c.accessory_number);
    shot_request = 0;
    Ticks(game_test::kMain, c.held);
    EXPECT_EQ(charge, c.held);
    Tick(0);
    EXPECT_EQ(shot_request, c.fires);
    EXPECT_EQ(release_pose, c.fires);
    EXPECT_EQ(charge, 0);
    release_pose = 0;
  }
}

// An enemy's touch (the enemy code's contact) that leaves no HP: the reaction runs its frames, then the death.
TEST_F(HeroTest, AnEnemysFatalTouchEndsInDeathAfterTheReaction) {
  FloorRow(-120, 600, kFloorY);
  StandOn(kFloorY, 100);
  hp = 5;
  spawn_enemy(2, 0, 0, 0, g_x + mx, my - g_y);
  check_enemy_contact(0);
  ASSERT_EQ(hurt, 1);
  ASSERT_LT(hp, 1);
  const int start = hurt_count;
  Frame(0);
  EXPECT_EQ(PlayerState, player_hurt);
  int frames = 1;
  while (PlayerState != player_dead && frames < 100) {
    Frame(0);
    ++frames;
  }
  EXPECT_EQ(frames, 30 - start);
}

}  // namespace
