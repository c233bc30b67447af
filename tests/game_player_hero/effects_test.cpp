// The effect pool and the particle, debris and spark pools: lifetimes by type, the full pool, the moving types.
#include <gtest/gtest.h>

#include "tests/game_player_hero/hero_fixture.h"

namespace {

using game_test::HeroTest;

int UpdatesUntilFreed(EffectRecord& e, int limit) {
  for (int n = 1; n <= limit; ++n) {
    update_effects();
    if (e.active == 0) return n;
  }
  return -1;
}

TEST_F(HeroTest, EachEffectTypeLivesItsNumberOfUpdates) {
  struct Case {
    int type, updates;
  };
  const Case cases[] = {{1, 21},  {2, 15},  {3, 10},  {5, 17},  {6, 31},  {7, 31},  {8, 15},  {10, 15}, {11, 17},
                        {12, 17}, {15, 17}, {16, 17}, {17, 17}, {18, 17}, {19, 64}, {20, 12}, {22, 15}, {23, 15},
                        {25, 52}, {28, 21}, {29, 51}, {30, 21}, {33, 12}, {34, 63}, {36, 17}, {37, 25}, {39, 27}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    effects[0] = EffectRecord{};
    spawn_effect(100, 200, c.type);
    EXPECT_EQ(effects[0].x, 110);
    EXPECT_EQ(UpdatesUntilFreed(effects[0], 500), c.updates);
  }
  effects[0] = EffectRecord{};
  spawn_effect(0, 0, 21);
  EXPECT_EQ(UpdatesUntilFreed(effects[0], 500), -1) << "a type without behaviour stays";
}

TEST_F(HeroTest, AFullEffectPoolDropsTheSpawn) {
  for (int i = 0; i < effect_pool_size; ++i) spawn_effect(i, 0, 1);
  const EffectRecord last = effects[effect_pool_size - 1];
  spawn_effect(999, 999, 5);
  for (int i = 0; i < effect_pool_size; ++i) EXPECT_EQ(effects[i].type, 1);
  EXPECT_EQ(effects[effect_pool_size - 1].x, last.x);
  update_effects();
  spawn_effect(7, 8, 2);
  EXPECT_EQ(effects[0].type, 1) << "every record still in use after one update";
}

TEST_F(HeroTest, DustDriftsAndSpiritsCircleWhileTheBarrierHolds) {
  spawn_effect(100, 0, 6);
  spawn_effect(100, 0, 7);
  for (int i = 0; i < 30; ++i) update_effects();
  EXPECT_EQ(effects[0].x, 110 - 30);
  EXPECT_EQ(effects[1].x, 110 + 30);
  effects[0] = effects[1] = EffectRecord{};
  spirit_barrier = 1;
  spawn_effect(0, 0, 25);
  for (int i = 0; i < 300; ++i) update_effects();
  EXPECT_EQ(effects[0].active, 1);
  const int x = effects[0].x, y = effects[0].y;
  update_effects();
  EXPECT_NE(effects[0].x * 1000 + effects[0].y, x * 1000 + y) << "still circling";
  spirit_barrier = 0;
  update_effects();
  EXPECT_EQ(effects[0].active, 0);
}

TEST_F(HeroTest, TheTablesOfSineAndCosine) {
  EXPECT_EQ(sin_table[0], 0);
  EXPECT_EQ(sin_table[30], 500);
  EXPECT_EQ(sin_table[90], 1000);
  EXPECT_EQ(cos_table[60], 500);
  EXPECT_EQ(cos_table[180], -1000);
  EXPECT_EQ(sin_table[359], -17);
}

TEST_F(HeroTest, TheLargestParticleGathersAndFades) {
  spawn_particle(0, 0, 0);
  Particle& p = particles[0];
  p.size = 16.0f;
  p.speed = 16.0f * 0.1875f + 1.0f;
  int freed_at = -1;
  for (int n = 1; n <= 40 && freed_at < 0; ++n) {
    update_particles();
    if (n == 19) {
      EXPECT_EQ(p.alpha, 152);
      EXPECT_GT(p.dist, 0.0f);
    }
    if (n == 20) {
      EXPECT_EQ(p.dist, 0.0f);
    }
    if (p.active == 0) freed_at = n;
  }
  EXPECT_EQ(freed_at, 32);
}

TEST_F(HeroTest, DebrisGroupsFadeAndBounceOffBlocks) {
  struct Case {
    int type, updates;
  };
  for (const Case c : {Case{0, 51}, Case{2, 63}, Case{6, 63}, Case{10, 63}}) {
    SCOPED_TRACE(c.type);
    particle_groups[0] = ParticleGroup{};
    spawn_particle_group(c.type, 2000, -2000, 1);
    int n = 0;
    while (particle_groups[0].active == 1 && n < 200) {
      update_particle_groups();
      ++n;
    }
    EXPECT_EQ(n, c.updates);
  }
  particle_groups[0] = ParticleGroup{};
  spawn_particle_group(1, 0, 0, 0);
  for (int i = 0; i < 100; ++i) update_particle_groups();
  EXPECT_EQ(particle_groups[0].active, 1) << "a type without pieces stays in its record";

  particle_groups[0] = ParticleGroup{};
  spawn_gimmick(3, 0, 0, 0, 0, 0, 0);  // a block at world 0..120
  spawn_particle_group(2, 40, 40, 0);
  ParticleGroup& g = particle_groups[0];
  const int rise = g.rise[0];
  update_particle_groups();
  EXPECT_EQ(g.rise[0], rise / 2) << "a piece inside a block bounces";
  EXPECT_EQ(g.fall[0], 0);
}

TEST_F(HeroTest, OneHitSparkAtATimeForNineUpdates) {
  spawn_hit_spark(50, 60);
  spawn_hit_spark(70, 80);
  EXPECT_EQ(hit_sparks[0].x, 60);
  EXPECT_EQ(hit_sparks[1].active, 0);
  int n = 0;
  while (hit_sparks[0].active != 0 && n < 20) {
    update_hit_sparks();
    ++n;
  }
  EXPECT_EQ(n, 9);
}

}  // namespace
