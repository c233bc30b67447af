// The hero's skills: prices and the SP caption, the state machine (casting delay, end, skill_id falling back with the
// casting effect, cancel), the heal, the buffs, the sweep boxes step by step, and damage_enemy's formula and kill
// counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "game/flow/main_loop.h"
#include "tests/game_player/skill_fixture.h"

namespace {

using game_test::SkillTest;

struct CostCase {
  int id;
  int accessory;
  int cost;
};

TEST_F(SkillTest, PricesFollowTheAccessoryAndTooLittleSpShowsTheCaptionAndChangesNothing) {
  const CostCase cases[] = {
      {0, 99, 25},  {0, 1, 17},   {1, 1, 34},   {2, 99, 35},  {2, 1, 24},   {3, 1, 14},  {6, 99, 15}, {6, 1, 10},
      {7, 1, 14},   {8, 99, 20},  {9, 1, 24},   {10, 99, 100}, {10, 1, 67}, {11, 1, 14}, {11, 10, 0}, {12, 99, 15},
      {12, 1, 10},  {13, 10, 0},  {14, 10, 0},  {15, 10, 0},  {10, 10, 100}, {8, 10, 20}, {20, 99, 0}, {20, 1, 0},
  };
  frame_start_ms = 4321;
  for (const CostCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " with accessory " + std::to_string(c.accessory));
    accessory = static_cast<std::uint16_t>(c.accessory);
    EXPECT_EQ(skill_cost(c.id), c.cost);
    // Exactly enough SP starts it.
    Idle();
    hero = c.id >= 8 && c.id <= 15 ? 1 : 0;
    sp = c.cost;
    caption_code = 0;
    activate_skill(c.id, 0);
    EXPECT_EQ(skill_active, 1);
    EXPECT_EQ(sp, 0);
    EXPECT_EQ(caption_code, 0);
    if (c.cost == 0) continue;
    // One SP short: the caption, and nothing else.
    Idle();
    sp = c.cost - 1;
    activate_skill(c.id, 0);
    EXPECT_EQ(skill_active, 0);
    EXPECT_EQ(skill_id, skill_none);
    EXPECT_EQ(PlayerState, player_free);
    EXPECT_EQ(sp, c.cost - 1);
    EXPECT_EQ(caption_code, 9999);
    EXPECT_EQ(caption_start, 4321);
  }
}

TEST_F(SkillTest, IdsWithoutASkillAndRequestsDuringASkillStartNothing) {
  for (const int id : {-1, 16, 19, 21, 99}) {
    activate_skill(id, 0);
    EXPECT_EQ(skill_active, 0) << id;
    EXPECT_EQ(sp, 100) << id;
    EXPECT_EQ(caption_code, 0) << id;
    EXPECT_EQ(PlayerState, player_free) << id;
  }
  activate_skill(3, 0);
  ASSERT_EQ(sp, 80);
  activate_skill(0, 0);
  EXPECT_EQ(skill_id, 3) << "a request while a skill runs is ignored";
  EXPECT_EQ(sp, 80);
}

// Skill 2: 40 frames of casting (state 4), then it runs 30 frames in state 1; its casting effect runs 50 frames from
// the end of the casting and only then lets skill_id fall back.
TEST_F(SkillTest, CastingDelayRunEndAndSkillIdFallingBackWithTheEffect) {
  activate_skill(2, 0);
  EXPECT_EQ(PlayerState, player_casting);
  EXPECT_EQ(skill_phase, 40);
  EXPECT_EQ(skill_effect, 50);
  SkillFrames(39);
  EXPECT_EQ(PlayerState, player_casting);
  EXPECT_EQ(skill_effect, 50) << "the effect waits for the casting";
  SkillFrame();
  EXPECT_EQ(PlayerState, player_skill);
  EXPECT_EQ(skill_step, 0);
  SkillFrames(29);
  EXPECT_EQ(skill_active, 1);
  EXPECT_EQ(skill_step, 29);
  SkillFrame();
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(skill_step, 0);
  EXPECT_EQ(skill_id, 2) << "the casting effect still runs";
  EXPECT_EQ(skill_effect, 19) << "counted down since the last frame of casting";
  SkillFrames(18);
  EXPECT_EQ(skill_id, 2);
  SkillFrame();
  EXPECT_EQ(skill_effect, 0);
  EXPECT_EQ(skill_id, skill_none);
}

TEST_F(SkillTest, CastingDelayIsThePhaseForTheSkillsThatTakeOneAndFortyForTwoAndNine) {
  const struct {
    int id;
    int phase;
    int expected;
  } cases[] = {{0, 5, 5}, {1, 5, 5}, {8, 5, 5}, {10, 5, 5}, {11, 5, 5}, {3, 5, 0}, {12, 5, 0}, {9, 0, 40}, {2, 7, 40}};
  for (const auto& c : cases) {
    Idle();
    sp = 200;
    activate_skill(c.id, c.phase);
    EXPECT_EQ(skill_phase, c.expected) << c.id;
  }
}

TEST_F(SkillTest, ACancelEndsTheSkillAtOnceAndTheNextOneStarts) {
  activate_skill(3, 0);
  SkillFrames(10);
  cancel_skill();
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(skill_id, skill_none);
  EXPECT_EQ(skill_step, 0);
  SkillFrame();
  EXPECT_EQ(skill_step, 0) << "nothing runs after the cancel";
  PlayerState = player_free;
  activate_skill(6, 0);
  EXPECT_EQ(skill_id, 6);
  SkillFrame();
  EXPECT_EQ(skill_step, 1) << "the new skill counts from its first step";
}

// A move skill started while the last skill's casting effect still runs replaces that effect, so the effect running
// out cannot reset skill_id under the running skill and leave the hero in the skill state.
TEST_F(SkillTest, AMoveSkillDuringALingeringCastingEffectRunsToItsEnd) {
  hero = 1;
  activate_skill(9, 0);
  SkillFrames(40 + 30);
  ASSERT_EQ(skill_active, 0);
  ASSERT_GT(skill_effect, 0);
  activate_skill(12, 0);
  EXPECT_EQ(skill_effect, 0);
  SkillFrames(49);
  EXPECT_EQ(skill_id, 12);
  EXPECT_EQ(PlayerState, player_skill);
  SkillFrame();
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(PlayerState, player_free);
}

TEST_F(SkillTest, HealGivesThreeTenthsPlusARollOfTwoTenthsCappedAtTheMaximum) {
  std::set<int> healed;
  for (int i = 0; i < 200; ++i) {
    Idle();
    sp = 100;
    hp = 10;
    activate_skill(0, 0);
    SkillFrame();
    healed.insert(hp - 10);
  }
  EXPECT_EQ(*healed.begin(), 30);
  EXPECT_EQ(*healed.rbegin(), 50);
  EXPECT_GT(healed.size(), 15u) << "the roll spreads over 0..20";
  const struct {
    int max_hp;
    int hp;
    bool buff;
    int after;
  } cases[] = {{100, 10, true, 60}, {150, 10, true, 85}, {100, 90, true, 100}, {100, 75, false, 100}, {9, 1, false, 1}};
  for (const auto& c : cases) {
    Idle();
    sp = 100;
    max_hp = c.max_hp;
    hp = c.hp;
    buff_flags[buff_a] = c.buff ? 1 : 0;
    activate_skill(0, 0);
    SkillFrame();
    EXPECT_EQ(hp, c.after) << c.max_hp << ' ' << c.hp;
    EXPECT_EQ(skill_pos_x, g_x + mx - 28);
    EXPECT_EQ(skill_pos_y, my - g_y - 5);
  }
  SkillFrames(48);
  EXPECT_EQ(skill_active, 1);
  SkillFrame();
  EXPECT_EQ(skill_active, 0) << "ends at step 50";
  EXPECT_EQ(skill_id, skill_none);
}

TEST_F(SkillTest, BuffSkillsStartTheirBuffWithItsFullDuration) {
  const struct {
    int id;
    int frames;  // updates until the buff is set
    int buff;
    int duration;
  } cases[] = {{1, 1, buff_a, 2000},  {2, 41, buff_b, 2000}, {9, 41, buff_b, 2000},
               {7, 70, buff_c, 2000}, {8, 50, buff_d, 1500}, {11, 50, buff_f, 1500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Idle();
    sp = 100;
    for (auto& f : buff_flags) f = 0;
    for (auto& t : buff_time) t = 0;
    walk_speed = 3;
    activate_skill(c.id, 0);
    SkillFrames(c.frames - 1);
    EXPECT_EQ(buff_flags[c.buff], 0);
    SkillFrame();
    EXPECT_EQ(buff_flags[c.buff], 1);
    EXPECT_EQ(buff_time[c.buff], c.duration);
    if (c.buff == buff_b) {
      EXPECT_EQ(walk_speed, 4);
    }
  }
}

TEST_F(SkillTest, SkillTenSummonsTheSpiritsOnceOnItsThirdStep) {
  hero = 1;
  activate_skill(10, 0);
  SkillFrames(2);
  EXPECT_EQ(spirit_barrier, 0);
  SkillFrame();
  EXPECT_EQ(spirit_barrier, 1);
  std::multiset<int> types;
  for (const EffectRecord& e : effects) {
    if (e.active != 0) types.insert(e.type);
  }
  EXPECT_EQ(types, (std::multiset<int>{25, 26, 27}));
  SkillFrames(47);
  EXPECT_EQ(skill_active, 0);
  // With the spirits already present a second use adds none.
  for (EffectRecord& e : effects) e = EffectRecord{};
  sp = 100;
  activate_skill(10, 0);
  SkillFrames(5);
  for (const EffectRecord& e : effects) EXPECT_EQ(e.active, 0);
}

TEST_F(SkillTest, TheShotOfAccessorySixFiresFiveDartsAndLeavesTheProgressFlagsAlone) {
  for (std::uint8_t& f : story_flags) f = 0;
  story_flags[2] = 1;
  accessory = 6;
  activate_skill(20, 0);
  EXPECT_EQ(sp, 100);
  int darts = 0;
  for (int frame = 1; frame <= 40; ++frame) {
    update_skill();
    if (frame == 1) {
      EXPECT_EQ(skill_darts[0].in_use, 1);
    }
    EXPECT_EQ(skill_active, frame < 40 ? 1 : 0) << frame;
  }
  for (const SkillDart& d : skill_darts) darts += d.in_use;
  EXPECT_EQ(darts, 5);
  EXPECT_EQ(skill_darts[0].x, g_x + mx + 55);
  EXPECT_GE(skill_darts[0].y, my - g_y + 32);
  EXPECT_LE(skill_darts[0].y, my - g_y + 47);
  const std::uint8_t expected[10] = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(story_flags), std::end(story_flags), std::begin(expected)));
}

// ---- Sweeps ----

struct SweepCase {
  int skill;
  int step;
  bool right;
  int x0, x1, y0, y1;  // expected box, offsets from (mx, my) on the screen
};

// The sweep boxes per step against an enemy of kind 2 (box 22 x 20), probed one pixel inside and on each edge: the
// intervals are open, and a box whose edges meet is a single point. The camera is away from the origin so that the
// screen-to-world conversion shows.
TEST_F(SkillTest, SweepBoxesPerStepAndFacing) {
  const SweepCase cases[] = {
      {3, 31, true, 70, 120, 70, 100},    {3, 31, false, -90, -40, 70, 100},  {3, 34, true, 70, 130, 60, 100},
      {3, 34, false, -90, -30, 60, 100},  {3, 40, true, 70, 150, 40, 100},   {3, 40, false, -90, -10, 40, 100},
      {3, 59, true, 70, 150, 10, 100},    {6, 31, false, -5, 75, 40, 90},     {6, 36, true, -25, 95, 20, 90},
      {6, 69, false, -50, 120, 0, 90},    {12, 1, false, 50, 50, 12, 12},     {12, 17, true, 74, 177, 34, 52},
      {12, 17, false, -92, -89, 34, 52},  {12, 18, true, 50, 50, 12, 12},     {12, 20, true, 65, 250, 34, 57},
      {12, 20, false, -165, -16, 34, 57}, {12, 49, true, 65, 275, 34, 62},    {12, 49, false, -201, 9, 34, 62},
      {13, 1, true, 95, 115, 37, 97},     {13, 6, false, -50, -30, -88, 97},  {13, 20, true, 95, 115, -88, 97},
      {14, 1, true, 70, 140, 32, 77},     {14, 14, false, -70, 0, 32, 77},    {14, 15, false, 50, 50, 12, 12},
      {15, 5, true, 40, 60, 60, 130},     {15, 5, false, 0, 20, 60, 130},
  };
  g_x = 1000;
  g_y = -480;
  dashing = 1;
  constexpr int kW = 22, kH = 20;  // kind 2's box: 11..33 by 12..32 from its position
  auto hits = [&](const SweepCase& c, int left, int top) {
    free_all_enemies();
    const int i = PlaceEnemy(2, left - 11, top - 12);
    pose = c.right ? 0 : 10;
    RunningAt(c.skill, c.step);
    update_skill();
    return enemy_pool[i].hp < 5000;
  };
  for (const SweepCase& c : cases) {
    SCOPED_TRACE("skill " + std::to_string(c.skill) + " step " + std::to_string(c.step) +
                 (c.right ? " right" : " left"));
    const int x0 = mx + c.x0 + g_x, x1 = mx + c.x1 + g_x, y0 = my + c.y0 - g_y, y1 = my + c.y1 - g_y;
    const int top = y0 == y1 ? y0 - 1 : y0;    // overlaps vertically
    const int left = x0 == x1 ? x0 - 1 : x0;  // overlaps horizontally
    EXPECT_TRUE(hits(c, x1 - 1, top)) << "right edge";
    EXPECT_FALSE(hits(c, x1, top)) << "beyond the right edge";
    EXPECT_TRUE(hits(c, x0 + 1 - kW, top)) << "left edge";
    EXPECT_FALSE(hits(c, x0 - kW, top)) << "beyond the left edge";
    EXPECT_TRUE(hits(c, left, y1 - 1)) << "bottom edge";
    EXPECT_FALSE(hits(c, left, y1)) << "below the bottom edge";
    EXPECT_TRUE(hits(c, left, y0 + 1 - kH)) << "top edge";
    EXPECT_FALSE(hits(c, left, y0 - kH)) << "above the top edge";
  }
}

TEST_F(SkillTest, StepsWithoutASweepAndKindsTheSkillsNeverHurt) {
  const struct {
    int skill;
    int step;
  } quiet[] = {{3, 30}, {3, 60}, {6, 30}, {12, 50}, {13, 36}};
  for (const auto& q : quiet) {
    free_all_enemies();
    const int i = PlaceEnemy(4, mx - 50, my - 60);  // a large box around the hero
    RunningAt(q.skill, q.step);
    update_skill();
    EXPECT_EQ(enemy_pool[i].hp, 5000) << q.skill << " at " << q.step;
  }
  for (const int skill : {3, 6, 12}) {
    free_all_enemies();
    const int first = PlaceEnemy(34, mx + 80, my + 50);
    const int second = PlaceEnemy(35, mx + 80, my + 50);
    const int dying = PlaceEnemy(4, mx + 60, my + 20);
    enemy_pool[dying].state = enemy_dying;
    const int coin = PlaceEnemy(37, mx + 80, my + 50);
    RunningAt(skill, 45);
    update_skill();
    for (const int i : {first, second, dying, coin}) EXPECT_EQ(enemy_pool[i].hp, 5000) << skill << ' ' << i;
  }
}

TEST_F(SkillTest, SkillSixHurtsEveryFrameAndSkillTwelveOncePerUse) {
  const int blasted = PlaceEnemy(4, mx - 10, my - 20);
  RunningAt(6, 42);
  for (int i = 0; i < 5; ++i) update_skill();
  EXPECT_EQ(enemy_pool[blasted].hp, 5000 - 5 * 7);
  Idle();
  free_all_enemies();
  hero = 1;
  const int cut = PlaceEnemy(4, mx + 100, my - 20);
  activate_skill(12, 0);
  for (int i = 0; i < 50; ++i) update_skill();
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(enemy_pool[cut].hp, 4000) << "one hit of 1000 in the whole slash";
  EXPECT_EQ(enemy_pool[cut].hit_flag, 0) << "the end lets the next attack hit again";
  sp = 100;
  activate_skill(12, 0);
  for (int i = 0; i < 50; ++i) update_skill();
  EXPECT_EQ(enemy_pool[cut].hp, 3000);
}

TEST_F(SkillTest, SweepsDamageBreakableBlocksExceptSkillThrees) {
  // A breakable block and one that cannot break, both in front of the hero inside every sweep below.
  const int block = PlaceBlock(mx + 100, mx + 110, my + 40, my + 60, 100000);
  const int wall = PlaceBlock(mx + 100, mx + 110, my + 40, my + 60, 100000, false);
  const struct {
    int skill;
    int step;
    int frames;
    int damage;
  } cases[] = {{3, 45, 3, 0}, {6, 45, 3, 3 * 7}, {12, 25, 3, 3 * 1000}, {14, 5, 2, 2 * 1000}};
  dashing = 1;
  for (const auto& c : cases) {
    gimmicks[block].hit_points = 100000;
    RunningAt(c.skill, c.step);
    for (int i = 0; i < c.frames; ++i) update_skill();
    EXPECT_EQ(100000 - gimmicks[block].hit_points, c.damage) << c.skill;
    EXPECT_EQ(gimmicks[wall].hit_points, 100000) << c.skill;
  }
}

TEST_F(SkillTest, SkillSixBreaksTheFirstStrikableHazardInItsBlastEachFrame) {
  g_x = 500;
  const HazardBoxRow& row = hazard_box_row(39);
  ASSERT_LT(row.left, row.right);
  auto place = [&](int index, int breakable, int state) {
    HazardRecord& h = hazard_pool[index];
    h = HazardRecord{};
    h.type = 39;
    h.breakable = breakable;
    h.state = state;
    h.x = g_x + mx + 30 - row.left;  // its box starts inside the blast
    h.y = my - g_y + 50 - row.top;
    h.anim_frame = h.anim_counter = 9;
  };
  place(0, 0, hazard_live);  // harmless: cannot be struck
  place(1, 1, hazard_breaking);
  place(2, 1, hazard_live);
  place(3, 1, hazard_live);
  RunningAt(6, 45);
  update_skill();
  EXPECT_EQ(hazard_pool[0].state, hazard_live);
  EXPECT_EQ(hazard_pool[2].state, hazard_breaking);
  EXPECT_EQ(hazard_pool[2].anim_frame, 0);
  EXPECT_EQ(hazard_pool[2].anim_counter, 0);
  EXPECT_EQ(hazard_pool[3].state, hazard_live) << "one hazard per frame";
  update_skill();
  EXPECT_EQ(hazard_pool[3].state, hazard_breaking);
}

TEST_F(SkillTest, SkillFourteenEndsWhenTheDashStopsAndSpawnsTheWaveOnItsFourthStep) {
  hero = 1;
  dashing = 1;
  g_x = 300;
  pose = 10;  // facing left
  activate_skill(14, 0);
  for (int i = 0; i < 3; ++i) update_skill();
  EXPECT_EQ(skill_wave.in_use, 0);
  update_skill();
  EXPECT_EQ(skill_wave.in_use, 1);
  EXPECT_EQ(skill_wave.x, g_x + mx - 90);
  EXPECT_EQ(skill_wave.y, my - g_y - 60);
  EXPECT_EQ(skill_wave.direction, 1);
  dashing = 0;
  update_skill();
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(skill_id, skill_none);
  EXPECT_EQ(PlayerState, player_free);
  // Dashing on, it runs 24 steps.
  sp = 100;
  dashing = 1;
  activate_skill(14, 0);
  for (int i = 0; i < 23; ++i) update_skill();
  EXPECT_EQ(skill_active, 1);
  update_skill();
  EXPECT_EQ(skill_active, 0);
}

TEST_F(SkillTest, TheRisingSlashStartsItsStrikeAndDustAboveTheHero) {
  hero = 1;
  g_x = 700;
  g_y = -480;
  for (const bool right : {true, false}) {
    Idle();
    for (EffectRecord& e : effects) e = EffectRecord{};
    pose = right ? 0 : 10;
    sp = 100;
    activate_skill(13, 0);
    update_skill();
    const int dx = right ? 50 : -100;
    const EffectRecord* strike = nullptr;
    const EffectRecord* dust = nullptr;
    for (const EffectRecord& e : effects) {
      if (e.active != 0 && e.type == 39) strike = &e;
      if (e.active != 0 && e.type == 3) dust = &e;
    }
    ASSERT_NE(strike, nullptr);
    ASSERT_NE(dust, nullptr);
    EXPECT_EQ(strike->x, mx + dx + 10) << "on the screen";
    EXPECT_EQ(strike->y, my - 123);
    EXPECT_EQ(dust->x, g_x + mx + dx + 10) << "in the world";
    EXPECT_EQ(dust->y, my - g_y - 25);
  }
}

TEST_F(SkillTest, SkillFifteenKeepsRunningWithItsStepCyclingUntilSomethingEndsIt) {
  hero = 1;
  activate_skill(15, 0);
  int lowest_after_wrap = 100;
  for (int i = 1; i <= 200; ++i) {
    update_skill();
    ASSERT_GE(skill_step, 1);
    ASSERT_LE(skill_step, 39);
    if (i > 39) lowest_after_wrap = std::min(lowest_after_wrap, skill_step);
  }
  EXPECT_EQ(lowest_after_wrap, 10);
  EXPECT_EQ(skill_active, 1);
  EXPECT_EQ(PlayerState, player_skill);
}

// ---- damage_enemy ----

TEST_F(SkillTest, DamageFormulaByAccessoryAndBuffA) {
  const struct {
    int accessory;
    int sp;
    bool buff;
    int amount;
    int damage;
    int sp_after;
  } cases[] = {
      {11, 11, false, 100, 200, 1},  {11, 10, false, 100, 100, 10}, {0, 50, true, 1000, 1450, 50},
      {99, 50, true, 100, 120, 50},  {0, 50, false, 7, 8, 50},      {11, 11, true, 1000, 2200, 1},
      {99, 50, false, 7, 7, 50},     {99, 50, true, 7, 8, 50},
  };
  for (const auto& c : cases) {
    free_all_enemies();
    const int i = PlaceEnemy(4, 0, 0);
    accessory = static_cast<std::uint16_t>(c.accessory);
    sp = c.sp;
    buff_flags[buff_a] = c.buff ? 1 : 0;
    damage_enemy(i, c.amount, 3);
    EXPECT_EQ(5000 - enemy_pool[i].hp, c.damage) << c.accessory << ' ' << c.sp << ' ' << c.buff << ' ' << c.amount;
    EXPECT_EQ(sp, c.sp_after);
    EXPECT_EQ(enemy_pool[i].hit_flag, 1);
    EXPECT_EQ(enemy_pool[i].flash, 1);
    EXPECT_EQ(enemy_pool[i].state, enemy_active);
  }
}

TEST_F(SkillTest, AKillStartsTheDyingStateAndCountsForTheHeroAndWeapon) {
  const struct {
    int hero;
    int weapon;
    int counter;  // 1..4: which kill counter, 0 none
  } cases[] = {{0, 0, 2}, {0, 3, 2}, {1, 0, 1}, {1, 1, 2}, {1, 2, 3}, {1, 3, 4}};
  for (const auto& c : cases) {
    kill_1 = kill_2 = kill_3 = kill_4 = 0;
    free_all_enemies();
    hero = c.hero;
    weapon = static_cast<std::uint16_t>(c.weapon);
    const int i = PlaceEnemy(4, 0, 0, 100);
    damage_enemy(i, 99, 12);
    EXPECT_EQ(enemy_pool[i].state, enemy_active) << "1 HP left";
    damage_enemy(i, 1, 12);
    EXPECT_EQ(enemy_pool[i].state, enemy_dying);
    EXPECT_EQ(enemy_pool[i].timer, 0) << "the dying sequence starts from its first frame";
    const int kills[4] = {kill_1, kill_2, kill_3, kill_4};
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(kills[k], k + 1 == c.counter ? 1 : 0) << c.hero << ' ' << c.weapon << ' ' << k;
    }
  }
}

}  // namespace
