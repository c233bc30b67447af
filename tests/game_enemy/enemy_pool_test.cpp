// The enemy pool: spawning into the first free record, the count, resets, the full pool, respawning far from the
// player, the hit flash and the skill cancel.
#include <gtest/gtest.h>

#include "game/flow/game_parts.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

TEST_F(Enemies, SpawnPlacesByRoomAndCopiesTheKindTable) {
  spawn_enemy(5, 1, 2, 1, 100, 50);
  const EnemyRecord& e = enemy_pool[0];
  EXPECT_EQ(e.state, enemy_active);
  EXPECT_EQ(e.x, 1380);
  EXPECT_EQ(e.y, 530);
  EXPECT_EQ(e.home_x, 1380);
  EXPECT_EQ(e.home_y, 530);
  EXPECT_EQ(e.local_x, 100);
  EXPECT_EQ(e.local_y, 50);
  EXPECT_EQ(e.hp, 20);
  EXPECT_EQ(e.max_hp, 20);
  EXPECT_EQ(e.alpha, 255);
  EXPECT_EQ(enemy_count, 1);
  spawn_enemy(10, 1, 0, 0, 0, 0);
  EXPECT_EQ(enemy_pool[1].jump_power, 14);
  EXPECT_EQ(enemy_pool[1].hp, 100);
  for (int k = 0; k < 60; ++k) {
    spawn_enemy(37, 1, 0, 0, k, 0);
    const int t2 = enemy_pool[k + 2].timer2;
    EXPECT_TRUE(t2 >= 0 && t2 <= 10) << t2;
  }
}

TEST_F(Enemies, AFullPoolDropsTheSpawnAndAFreedRecordIsReused) {
  for (int k = 0; k < enemy_pool_size; ++k) spawn_enemy(37, 1, 0, 0, k, 0);
  enemy_pool[7].state = enemy_finished;
  EXPECT_EQ(enemy_count, enemy_pool_size);
  spawn_enemy(5, 1, 0, 0, 999, 999);
  EXPECT_EQ(enemy_count, enemy_pool_size) << "nothing handed out, nothing counted";
  EXPECT_EQ(enemy_pool[7].type, 37);
  enemy_pool[3].state = enemy_free;
  spawn_enemy(5, 1, 0, 0, 999, 999);
  EXPECT_EQ(enemy_pool[3].type, 5);
  EXPECT_EQ(enemy_count, enemy_pool_size + 1) << "a reused record still raises the count";
  EnemyFrames(1);  // the loop stays inside the pool
}

TEST_F(Enemies, TheLargestListFitsBesideTheBuildersChests) {
  for (int k = 0; k < 10; ++k) spawn_enemy(36, 101 + k, 1, 1, 40 * k, 0);
  for (int k = 0; k < 115; ++k) spawn_enemy(k % 2 == 0 ? 37 : 5, 1, 2, 1, 10 * k, 0);
  int in_use = 0;
  for (const EnemyRecord& e : enemy_pool) in_use += e.state != enemy_free;
  EXPECT_EQ(in_use, 125);
  EXPECT_EQ(enemy_count, 125);
}

TEST_F(Enemies, ResetRestoresTheSpawnValuesButNotTheState) {
  const int i = Spawn(3, 1, 200, 100);
  EnemyRecord& e = enemy_pool[i];
  e.state = enemy_defeated;
  e.x = 50;
  e.y = 60;
  e.hp = -5;
  e.mode = 3;
  e.step = 70;
  e.alpha = 3;
  e.flash = 2;
  e.hit_flag = 1;
  reset_enemy(i);
  EXPECT_EQ(e.state, enemy_defeated);
  EXPECT_EQ(e.x, 200);
  EXPECT_EQ(e.y, 100);
  EXPECT_EQ(e.hp, 30);
  EXPECT_EQ(e.mode, 0);
  EXPECT_EQ(e.step, 0);
  EXPECT_EQ(e.alpha, 255);
  EXPECT_EQ(e.flash, 0);
  EXPECT_EQ(e.hit_flag, 0);
  EXPECT_EQ(e.jump_power, 6);
}

TEST_F(Enemies, DefeatedEnemiesComeBackOnlyWhenThePlayerIsFarFromTheirHome) {
  struct Case {
    int player_world_x;
    int state_after;
  };
  for (const Case& c : {Case{600, enemy_defeated}, Case{601, enemy_active}, Case{-601, enemy_active}}) {
    free_all_enemies();
    const int i = Spawn(3, 1, 0, 480);
    enemy_pool[i].state = enemy_defeated;
    enemy_pool[i].x = 900;  // where it fell does not count
    enemy_pool[i].hp = 0;
    g_x = 100;
    mx = c.player_world_x - g_x;
    my = 99999;  // the vertical distance plays no part
    respawn_far_enemies();
    EXPECT_EQ(enemy_pool[i].state, c.state_after) << c.player_world_x;
    if (c.state_after == enemy_active) {
      EXPECT_EQ(enemy_pool[i].x, 0);
      EXPECT_EQ(enemy_pool[i].hp, 30);
    }
  }
}

TEST_F(Enemies, TheHitFlashRunsFourFramesInAnyState) {
  const int i = Spawn(9, 1, 0, 0);
  enemy_pool[i].flash = 1;
  enemy_pool[i].state = enemy_defeated;
  for (int expected : {2, 3, 4, 0, 0}) {
    EnemyFrames(1);
    EXPECT_EQ(enemy_pool[i].flash, expected);
  }
}

TEST_F(Enemies, HitFlagsClearAndTheSkillIsCancelled) {
  Spawn(9, 1, 0, 0);
  Spawn(9, 1, 100, 0);
  enemy_pool[0].hit_flag = enemy_pool[1].hit_flag = 1;
  clear_enemy_hit_flags();
  EXPECT_EQ(enemy_pool[0].hit_flag + enemy_pool[1].hit_flag, 0);
  skill_id = 3;
  skill_active = 1;
  skill_effect = 20;
  skill_step = 9;
  cancel_skill();
  EXPECT_EQ(skill_id, 99);
  EXPECT_EQ(skill_active + skill_effect + skill_step, 0);
}

TEST_F(Enemies, NothingHandedOutRunsNothing) {
  enemy_pool[0].type = 9;
  enemy_pool[0].flash = 1;
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[0].flash, 1) << "the loop stops at once with no record handed out";
}

}  // namespace
