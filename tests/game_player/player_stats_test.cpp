// The player's block: a fresh hero's stats, the critical-hit chance and the screen counters.
#include <gtest/gtest.h>

#include "tests/game_player/player_fixture.h"

namespace {

using game_test::PlayerTest;

TEST_F(PlayerTest, FreshHeroMaximaCountUpgradesForTheFirstHeroOnly) {
  struct Case {
    int hero;
    int hp_ups, sp_ups;
    int max_hp, max_sp;
  };
  const Case cases[] = {{0, 0, 0, 100, 100}, {0, 5, 0, 150, 100}, {0, 2, 3, 120, 130}, {1, 5, 5, 150, 150},
                        {1, 0, 0, 150, 150}};
  for (const Case& c : cases) {
    player_globals = PlayerGlobals{};
    hero = c.hero;
    for (int i = 0; i < 5; ++i) {
      hp_up[i] = i < c.hp_ups ? 1 : 0;
      sp_up[i] = i < c.sp_ups ? 1 : 0;
    }
    reset_player_stats();
    EXPECT_EQ(max_hp, c.max_hp) << "hero " << c.hero << " hp ups " << c.hp_ups;
    EXPECT_EQ(max_sp, c.max_sp) << "hero " << c.hero << " sp ups " << c.sp_ups;
    EXPECT_EQ(hp, c.max_hp);
    EXPECT_EQ(sp, c.max_sp);
    EXPECT_EQ(hp_trail_shown, c.max_hp);
  }
}

TEST_F(PlayerTest, UpgradeEntriesCountOnlyWhenExactlyOne) {
  hero = 0;
  hp_up[0] = 2;
  hp_up[1] = 1;
  reset_player_stats();
  EXPECT_EQ(max_hp, 110);
}

TEST_F(PlayerTest, FreshHeroClearsMotionAndBuffsButKeepsProgress) {
  hero = 0;
  money = 777;
  PlayerState = player_dead;
  mx = my = 400;
  pose = 12;
  on_ladder = jumping = falling = hurt = dashing = landed = 1;
  hurt_count = wall_kicks = melee_count = 9;
  walk_speed = 4;
  fall_speed = 14;
  for (auto& b : buff_flags) b = 1;
  buff_kind = 1;
  Mimic_c = 300;
  for (auto& t : buff_time) t = 55;
  reset_player_stats();
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(mx, 80);
  EXPECT_EQ(my, 10);
  EXPECT_EQ(pose, 0);
  EXPECT_EQ(on_ladder + jumping + falling + hurt + dashing + landed, 0);
  EXPECT_EQ(hurt_count + wall_kicks + melee_count, 0);
  EXPECT_EQ(walk_speed, 3);
  EXPECT_EQ(fall_speed, 1);
  EXPECT_EQ(CRI, 5);
  EXPECT_EQ(drain_count, 40);
  EXPECT_EQ(buff_kind, 0);
  EXPECT_EQ(Mimic_c, 0);
  for (int b : {buff_a, buff_b, buff_c, buff_d, buff_f}) EXPECT_EQ(buff_flags[b], 0) << "buff " << b;
  EXPECT_EQ(buff_flags[buff_e], 1) << "buff E has no counter and is not a fresh hero's";
  EXPECT_EQ(spirit_barrier, 1);
  for (int t : buff_time) EXPECT_EQ(t, 0);
  EXPECT_EQ(money, 777);
}

TEST_F(PlayerTest, CriticalChanceByWeaponAccessoryAndBuffs) {
  struct Case {
    int weapon, accessory, buff_d, buff_kind, mimic;
    int cri;
  };
  const Case cases[] = {
      {0, 99, 0, 0, 0, 15}, {1, 99, 0, 0, 0, 10}, {2, 99, 0, 0, 0, 30},  {3, 99, 0, 0, 0, 5},
      {2, 13, 0, 0, 0, 50}, {2, 99, 1, 0, 0, 50}, {2, 13, 1, 0, 0, 50},  // +20 once even with both
      {3, 13, 0, 0, 0, 25}, {0, 99, 0, 1, 0, 15}, {0, 99, 0, 1, 1, 100}, {0, 99, 0, 2, 5, 15},
  };
  for (const Case& c : cases) {
    weapon = static_cast<std::uint16_t>(c.weapon);
    accessory = static_cast<std::uint16_t>(c.accessory);
    buff_flags[buff_d] = static_cast<std::uint8_t>(c.buff_d);
    buff_kind = static_cast<std::uint16_t>(c.buff_kind);
    Mimic_c = static_cast<std::int16_t>(c.mimic);
    compute_critical_chance();
    EXPECT_EQ(CRI, c.cri) << "weapon " << c.weapon << " accessory " << c.accessory << " buff D " << c.buff_d
                          << " kind " << c.buff_kind << " frames " << c.mimic;
  }
}

TEST_F(PlayerTest, ScreenCountersKeepTheSeventhCursor) {
  for (int i = 0; i < 7; ++i) screen_cursor[i] = i + 1;
  frame_counter = 33;
  clear_screen_counters();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(screen_cursor[i], 0) << i;
  EXPECT_EQ(screen_cursor[6], 7);
  EXPECT_EQ(frame_counter, 0);
}

TEST_F(PlayerTest, CameraFloorKeepsThirdAreasOnTheTopRow) {
  for (int stage_index = 0; stage_index < 8; ++stage_index) {
    for (int col = 0; col < 20; ++col) EXPECT_EQ(camera_floor[3 * stage_index + 2][col], 0) << stage_index;
  }
  EXPECT_EQ(camera_floor[4][0], 2);
  EXPECT_EQ(camera_floor[4][13], 2);
  EXPECT_EQ(camera_floor[16][10], 2);
  EXPECT_EQ(camera_floor[16][11], 1);
  EXPECT_EQ(camera_floor[16][16], 3);
  EXPECT_EQ(camera_floor[21][13], 1);
  EXPECT_EQ(camera_floor[21][14], 2);
  EXPECT_EQ(camera_floor[26][19], 1);
}

}  // namespace
