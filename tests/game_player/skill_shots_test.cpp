// The skill projectiles and sparkles: the fan of bolts, the bomb with its second-press detonation and refund, the
// darts and the wave, each spawned by its skill or directly and run through stage play's projectile calls.
#include <gtest/gtest.h>

#include <vector>

#include "tests/game_player/skill_fixture.h"

namespace {

using game_test::SkillTest;

int ActiveEffects(int type) {
  int n = 0;
  for (const EffectRecord& e : effects) n += e.active != 0 && e.type == type ? 1 : 0;
  return n;
}

// Kind 2's box is 11..33 by 12..32 from its position: an enemy whose box starts at world (x, y).
int EnemyBoxAt(int x, int y, int hit_points) { return SkillTest::PlaceEnemy(2, x - 11, y - 12, hit_points); }

TEST_F(SkillTest, FanOfBoltsSpreadsFromTheHeroAndEndsTheSkillAtOnce) {
  g_x = 400;
  g_y = -480;
  PlayerState = player_free;
  activate_skill(4, 0);
  EXPECT_EQ(sp, 97);
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(skill_id, skill_none);
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(shot_pose, 1);
  const SkillBoltSet& fan = skill_bolts[0];
  ASSERT_EQ(fan.in_use, 1);
  const int x = g_x + mx + 55, y = my - g_y + 32;
  update_skill_shots_a();
  const int drift[5] = {0, -1, 1, -2, 2};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(fan.x[k], x + 10) << k;
    EXPECT_EQ(fan.y[k], y + drift[k]) << k;
  }
  // Facing left and crouching: further down, starting 20 to the left, flying left.
  Idle();
  pose = 10;
  crouching = 1;
  activate_skill(4, 0);
  const SkillBoltSet& low = skill_bolts[1];
  ASSERT_EQ(low.in_use, 1);
  EXPECT_EQ(low.x[0], g_x + mx - 20);
  EXPECT_EQ(low.y[0], my - g_y + 54);
  EXPECT_EQ(low.direction, 0);
}

TEST_F(SkillTest, ABoltHitsTheFirstEnemyInItsWayAndTheOthersFlyOn) {
  // After 28 frames bolt 0 reaches world x 535..565 at y 232 while the others have spread 28..56 pixels away.
  const int target = EnemyBoxAt(560, 230, 9);
  spawn_skill_shot_a(g_x + mx, my - g_y + 32, 1);
  for (int i = 0; i < 27; ++i) update_skill_shots_a();
  EXPECT_EQ(enemy_pool[target].hp, 9);
  update_skill_shots_a();
  const SkillBoltSet& fan = skill_bolts[0];
  EXPECT_EQ(fan.alive[0], 0);
  for (int k = 1; k < 5; ++k) EXPECT_EQ(fan.alive[k], 1) << k;
  EXPECT_EQ(enemy_pool[target].hp, 1);
  EXPECT_EQ(enemy_pool[target].flash, 1);
  EXPECT_EQ(enemy_pool[target].state, enemy_dying) << "a bolt kills at 1 HP or less";
  EXPECT_EQ(enemy_pool[target].timer, 0);
  EXPECT_EQ(kill_1, 1);
  EXPECT_EQ(ActiveEffects(2), 1);
  // The rest leave the screen 680 pixels right of its left edge and the fan frees.
  int frames = 0;
  while (fan.in_use != 0 && frames < 100) {
    update_skill_shots_a();
    ++frames;
  }
  EXPECT_EQ(fan.in_use, 0);
  EXPECT_EQ(frames, 15) << "the last bolts pass world x 680 at 255 + 10 x 43";
}

TEST_F(SkillTest, BoltsDieAtABreakableWallAndPassThroughOtherBlocks) {
  PlaceBlock(400, 440, 0, 480, 100, false);
  spawn_skill_shot_a(g_x + mx, my - g_y + 32, 1);
  for (int i = 0; i < 20; ++i) update_skill_shots_a();
  EXPECT_EQ(skill_bolts[0].in_use, 1) << "a block that cannot break stops nothing";
  EXPECT_EQ(ActiveEffects(2), 0);
  PlaceBlock(500, 540, 0, 480);
  for (int i = 0; i < 10; ++i) update_skill_shots_a();
  EXPECT_EQ(skill_bolts[0].in_use, 0) << "every bolt met the breakable wall";
  EXPECT_EQ(ActiveEffects(2), 5);
  EXPECT_EQ(gimmicks[1].hit_points, 100 - 5 * 8);
  EXPECT_EQ(gimmicks[0].hit_points, 100);
}

TEST_F(SkillTest, TheExplosionAndTheDartsDamageBreakableBlocks) {
  spawn_skill_shot_b(0, 0, 1, 0);
  detonate_skill_bomb();
  const int x = skill_bomb.x, y = skill_bomb.y;
  const int inside = PlaceBlock(x + 80, x + 120, y + 80, y + 120, 1000);
  const int outside = PlaceBlock(x + 90, x + 120, y, y + 120, 1000);
  for (int i = 0; i < 20; ++i) update_skill_shots_b();
  EXPECT_EQ(gimmicks[inside].hit_points, 1000 - 20 * 12);
  EXPECT_EQ(gimmicks[outside].hit_points, 1000) << "the blast on blocks ends 90 to the right";
  const int wall = PlaceBlock(200, 240, 0, 480, 15);
  spawn_skill_shot_c(100, 200, 1);
  for (int i = 0; i < 10 && skill_darts[0].in_use != 0; ++i) update_skill_shots_c();
  EXPECT_EQ(skill_darts[0].in_use, 0);
  EXPECT_EQ(gimmicks[wall].hit_points, 5);
  spawn_skill_shot_c(100, 200, 1);
  for (int i = 0; i < 10 && skill_darts[0].in_use != 0; ++i) update_skill_shots_c();
  EXPECT_EQ(gimmicks[wall].in_use, 0) << "broken";
}

TEST_F(SkillTest, AFullBoltPoolOrAFlyingBombGivesBackWhatWasPaid) {
  const struct {
    int accessory;
    int bolt_price;
    int bomb_price;
  } cases[] = {{99, 3, 5}, {1, 2, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.accessory);
    accessory = static_cast<std::uint16_t>(c.accessory);
    for (SkillBoltSet& b : skill_bolts) b = SkillBoltSet{};
    skill_bomb = SkillBomb{};
    sp = 50;
    for (int i = 0; i < 3; ++i) {
      Idle();
      activate_skill(4, 0);
    }
    EXPECT_EQ(sp, 50 - 2 * c.bolt_price) << "the third fan found no record";
    sp = 50;
    Idle();
    activate_skill(5, 0);
    EXPECT_EQ(sp, 50 - c.bomb_price);
    update_skill_shots_b();
    const int x = skill_bomb.x, y = skill_bomb.y;
    // The second press detonates the bomb where it is and costs nothing in the end.
    Idle();
    activate_skill(5, 0);
    EXPECT_EQ(sp, 50 - c.bomb_price);
    EXPECT_EQ(skill_bomb.exploding, 1);
    EXPECT_EQ(skill_bomb.x, x - 42);
    EXPECT_EQ(skill_bomb.y, y - 42);
    EXPECT_LE(sp, max_sp);
  }
}

TEST_F(SkillTest, TheBombFliesStraightOrInAnArcAndGoesOffAtAnEnemy) {
  spawn_skill_shot_b(300, 300, 1, 0);
  EXPECT_EQ(skill_bomb.x, 355);
  update_skill_shots_b();
  EXPECT_EQ(skill_bomb.in_use, 1);
  EXPECT_EQ(skill_bomb.x, 361);
  EXPECT_EQ(skill_bomb.y, 300);
  skill_bomb = SkillBomb{};
  spawn_skill_shot_b(100, 300, 0, 1);
  std::vector<int> ys;
  for (int i = 0; i < 4; ++i) {
    update_skill_shots_b();
    ys.push_back(skill_bomb.y);
  }
  EXPECT_EQ(ys, (std::vector<int>{292, 284, 277, 270})) << "-8, -8, then one slower every second frame";
  EXPECT_EQ(skill_bomb.x, 80 - 4 * 6);
  skill_bomb = SkillBomb{};
  const int target = EnemyBoxAt(300, 230, 500);
  spawn_skill_shot_b(g_x + mx, my - g_y + 32, 1, 0);  // box 255..285 by 232..252, 6 pixels a frame
  int frames = 0;
  while (skill_bomb.exploding == 0 && frames < 20) {
    update_skill_shots_b();
    ++frames;
  }
  EXPECT_EQ(frames, 3) << "its box meets the enemy's at x 273..303";
  EXPECT_EQ(skill_bomb.x, 273 - 42);
  EXPECT_EQ(enemy_pool[target].hp, 500) << "the explosion hurts, not the flight";
}

TEST_F(SkillTest, TheExplosionLastsTwentyFramesAndHurtsTheFirstEnemyInItEveryFrame) {
  spawn_skill_shot_b(0, 0, 1, 0);
  ASSERT_TRUE(detonate_skill_bomb());
  EXPECT_FALSE(detonate_skill_bomb()) << "already going off";
  const int x = skill_bomb.x, y = skill_bomb.y;
  // Kind 4's box (47..91 by 16..171) covers both the wide and the narrow blast.
  const int first = PlaceEnemy(4, x - 27, y + 4);
  const int second = PlaceEnemy(4, x - 27, y + 4);
  int frames = 0;
  while (skill_bomb.in_use != 0 && frames < 50) {
    update_skill_shots_b();
    ++frames;
  }
  EXPECT_EQ(frames, 20);
  EXPECT_EQ(enemy_pool[first].hp, 5000 - 20 * 12);
  EXPECT_EQ(enemy_pool[second].hp, 5000);
}

TEST_F(SkillTest, DartsHitEveryEnemyTheyMeetAndHalveUnderTheItemBuff) {
  for (int i = 0; i < 11; ++i) spawn_skill_shot_c(0, 100 * i, 1);
  int flying = 0;
  for (const SkillDart& d : skill_darts) flying += d.in_use;
  EXPECT_EQ(flying, 10) << "the eleventh finds no record";
  for (SkillDart& d : skill_darts) d = SkillDart{};
  const int a = EnemyBoxAt(80, 10, 100);
  const int b = EnemyBoxAt(80, 12, 10);
  spawn_skill_shot_c(0, 10, 1);  // box 55..85 after spawning, 65..95 after the first move
  update_skill_shots_c();
  EXPECT_EQ(skill_darts[0].in_use, 0);
  EXPECT_EQ(enemy_pool[a].hp, 90);
  EXPECT_EQ(enemy_pool[b].state, enemy_dying) << "the same dart hit the second enemy in the same frame";
  EXPECT_EQ(kill_1, 1);
  buff_kind = 2;
  Mimic_c = 5;
  spawn_skill_shot_c(0, 10, 1);
  update_skill_shots_c();
  EXPECT_EQ(enemy_pool[a].hp, 85);
}

TEST_F(SkillTest, TheWaveDriftsAgainstTheHerosFacingAndFreesAtAgeTwenty) {
  spawn_skill_shot_d(500, 300, 0);
  EXPECT_EQ(skill_wave.y, 240);
  spawn_skill_shot_d(900, 300, 1);
  EXPECT_EQ(skill_wave.x, 500) << "one wave at a time";
  for (int i = 0; i < 19; ++i) update_skill_shots_d();
  EXPECT_EQ(skill_wave.in_use, 1);
  EXPECT_EQ(skill_wave.x, 500 - 2 * 19);
  update_skill_shots_d();
  EXPECT_EQ(skill_wave.in_use, 0);
  spawn_skill_shot_d(500, 300, 1);
  update_skill_shots_d();
  EXPECT_EQ(skill_wave.x, 502);
}

TEST_F(SkillTest, SparklesSpawnAroundTheHeroAndLiveFiftyOneFrames) {
  for (int i = 0; i < 11; ++i) spawn_sparkle();
  for (const Sparkle& s : sparkles) {
    EXPECT_EQ(s.in_use, 1);
    EXPECT_GE(s.x, mx - 15);
    EXPECT_LE(s.x, mx + 35);
    EXPECT_GE(s.y, my - 20);
    EXPECT_LE(s.y, my + 10);
  }
  for (int i = 0; i < 50; ++i) update_sparkles();
  EXPECT_EQ(sparkles[0].in_use, 1);
  update_sparkles();
  EXPECT_EQ(sparkles[0].in_use, 0);
  // The buff skills clear them when they start and spawn one every fifth frame of their effect.
  for (int i = 0; i < 3; ++i) spawn_sparkle();
  activate_skill(1, 0);
  int frames = 0;
  int most = 0;
  while (skill_effect != 0 && frames < 100) {
    SkillFrame();
    ++frames;
    int live = 0;
    for (const Sparkle& s : sparkles) live += s.in_use;
    most = std::max(most, live);
    if (frames == 1) {
      EXPECT_EQ(live, 1) << "cleared by the skill's first step, then the effect's first sparkle";
    }
  }
  EXPECT_EQ(frames, 70);
  EXPECT_EQ(most, 10);
}

}  // namespace
