// The hero's attacks against enemy records, gimmicks and hazards placed at known spots: the boxes, the damage of every
// attack under its modifiers, kills and their counters, the main shot's once-per-enemy marks and trail, breakable
// blocks, the sword's strike on projectiles, and the loot rolls with a seeded random generator.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/random.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/sound/sound.h"
#include "game/player/combat.h"
#include "game/player/effects.h"
#include "game/player/melee.h"
#include "game/player/particles.h"
#include "game/player/pickups.h"
#include "game/player/shots.h"
#include "tests/game_stage/stage_fixture.h"
#include "tests/support/bmp_writer.h"

namespace {

// The hero stands at screen (100, 200) facing right, the camera at the origin, no critical hits unless a test asks.
class Attacks : public game_test::StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    Reset();
  }

  // The stage's pools empty, the shots and effects free, a fresh player block, the seeded random generator.
  static void Reset() {
    SeedRandom(kDefaultRandomSeed);
    clear_object_pools();
    game_mode = mode_stage_play;
    g_x = g_y = 0;
    for (LightShot& s : light_shots) s = LightShot{};
    main_shot = MainShot{};
    for (ShotTrail& t : shot_trails) t = ShotTrail{};
    for (StageObject& g : gimmicks) g = StageObject{};
    for (EffectRecord& e : effects) e = EffectRecord{};
    for (ParticleGroup& g : particle_groups) g = ParticleGroup{};
    for (HitSpark& s : hit_sparks) s = HitSpark{};
    player_globals = PlayerGlobals{};
    hp = max_hp = 100;
    sp = max_sp = 50;
    accessory = accessory_none;
    CRI = -1;
    mx = 100;
    my = 200;
  }

  // An enemy of `kind` at world (x, y) with `health` HP.
  static EnemyRecord& Enemy(int kind, int x, int y, int health = 100000) {
    int index = 0;
    while (enemy_pool[index].state != enemy_free) ++index;
    spawn_enemy(kind, 0, 0, 0, x, y);
    EnemyRecord& e = enemy_pool[index];
    e.hp = e.max_hp = health;
    return e;
  }
  // The enemy every attack of Fire meets: a tall box at world 167..211 x 166..321.
  static EnemyRecord& Target(int health = 100000) { return Enemy(4, 120, 150, health); }
  // A solid gimmick with the world box (left, top)..(right, bottom); breakable with `points` when points > 0.
  static StageObject& Block(int index, int left, int top, int right, int bottom, int points = 0) {
    StageObject& g = gimmicks[index];
    g = StageObject{};
    g.solid = 1;
    g.in_use = 1;
    g.x = left;
    g.y = top;
    g.box_x1 = right - left;
    g.box_y1 = bottom - top;
    g.breakable = points > 0 ? 1 : 0;
    g.hit_points = points;
    return g;
  }

  static int CountEffects(int type) {
    int n = 0;
    for (const EffectRecord& e : effects) n += e.active != 0 && e.type == type ? 1 : 0;
    return n;
  }
  static const EffectRecord* FindEffect(int type) {
    for (const EffectRecord& e : effects) {
      if (e.active != 0 && e.type == type) return &e;
    }
    return nullptr;
  }
};

enum Attack { light_shot, main_shot_attack, mace, cut_1, cut_2 };
void Fire(Attack a) {
  switch (a) {
    case light_shot:
      spawn_light_shot(100, 220, 1);
      update_light_shots();
      break;
    case main_shot_attack:
      spawn_main_shot(100, 220, 1);
      update_main_shot();
      break;
    case mace:
      attack_timer = 4;
      melee_hit_gimmicks();
      break;
    case cut_1:
    case cut_2:
      PlayerState = a == cut_1 ? player_attack_1 : player_attack_2;
      attack_count = 5;
      melee_hit_enemies();
      break;
  }
}

TEST_F(Attacks, DamageOfEveryAttackUnderItsModifiers) {
  struct Case {
    const char* name;
    Attack attack;
    std::function<void()> setup;
    int damage;
  };
  const auto crit = [] { CRI = 100; };
  const Case cases[] = {
      {"light shot", light_shot, [] {}, 10},
      {"light shot critical", light_shot, crit, 20},
      {"light shot in the falling stage", light_shot, [] { game_mode = mode_fall_scene; }, 20},
      {"light shot critical in the falling stage", light_shot, [&] { game_mode = mode_fall_scene; crit(); }, 40},
      {"light shot halved, critical, buff A", light_shot,
       [&] { buff_kind = 2; Mimic_c = 5; buff_flags[buff_a] = 1; crit(); }, 12},
      {"light shot: the halving item without time left", light_shot, [] { buff_kind = 2; Mimic_c = 0; }, 10},
      {"main shot never critical", main_shot_attack, crit, 50},
      {"main shot halved", main_shot_attack, [] { buff_kind = 2; Mimic_c = 1; }, 25},
      {"main shot buff A", main_shot_attack, [] { buff_flags[buff_a] = 1; }, 60},
      {"mace", mace, [] {}, 40},
      {"mace critical", mace, crit, 80},
      {"mace accessory 2", mace, [] { accessory = 2; }, 50},
      {"mace accessory 8 at 9%, critical, buff A", mace,
       [&] { accessory = 8; hp = 9; crit(); buff_flags[buff_a] = 1; }, 168},
      {"mace accessory 8 at 19%", mace, [] { accessory = 8; hp = 19; }, 70},
      {"mace accessory 8 at 29%", mace, [] { accessory = 8; hp = 29; }, 60},
      {"mace accessory 8 at 39%", mace, [] { accessory = 8; hp = 39; }, 50},
      {"mace accessory 8 at 49%", mace, [] { accessory = 8; hp = 49; }, 45},
      {"mace accessory 8 at 50%", mace, [] { accessory = 8; hp = 50; }, 40},
      {"mace accessory 8 with no maximum", mace, [] { accessory = 8; max_hp = 0; hp = 0; }, 40},
      {"first cut", cut_1, [] {}, 500},
      {"first cut critical", cut_1, crit, 1000},
      {"cut with accessory 11 and 10 SP", cut_1, [] { accessory = 11; sp = 10; }, 500},
      {"cut with accessory 11 and 11 SP", cut_1, [] { accessory = 11; sp = 11; }, 1000},
      {"first cut, weapon 3, 400 kills, critical", cut_1, [&] { weapon = 3; kill_4 = 400; crit(); }, 1000},
      {"second cut, weapon 3, 400 kills, critical", cut_2, [&] { weapon = 3; kill_4 = 400; crit(); }, 3000},
      {"second cut, weapon 3, 99 kills", cut_2, [] { weapon = 3; kill_4 = 99; }, 500},
      {"second cut, weapon 3, 100 kills", cut_2, [] { weapon = 3; kill_4 = 100; }, 1000},
      {"second cut, weapon 3, 999 kills", cut_2, [] { weapon = 3; kill_4 = 999; }, 1500},
      {"second cut, weapon 3, 1000 kills", cut_2, [] { weapon = 3; kill_4 = 1000; }, 2000},
      {"second cut, weapon 2, 1000 kills", cut_2, [] { weapon = 2; kill_4 = 1000; }, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    c.setup();
    EnemyRecord& e = Target();
    Fire(c.attack);
    EXPECT_EQ(100000 - e.hp, c.damage);
    EXPECT_EQ(e.flash, 1);
  }
}

TEST_F(Attacks, AccessoryElevenSpendsTenSpOnlyAboveTen) {
  accessory = 11;
  for (const int start : {10, 11}) {
    sp = start;
    EnemyRecord& e = Target();
    Fire(cut_1);
    EXPECT_EQ(sp, start == 10 ? 10 : 1);
    e.state = enemy_free;
  }
}

TEST_F(Attacks, CriticalChanceIsCriPlusTenWithAccessoryZero) {
  constexpr int kRolls = 20000;
  for (const int acc : {0, accessory_none}) {
    SCOPED_TRACE(acc);
    accessory = static_cast<std::uint16_t>(acc);
    CRI = 5;
    int hits = 0;
    for (int i = 0; i < kRolls; ++i) hits += roll_critical() ? 1 : 0;
    const double expected = (acc == 0 ? 16.0 : 6.0) / 101.0 * kRolls;  // r in 0..100, r <= threshold
    EXPECT_NEAR(hits, expected, expected * 0.1);
  }
}

TEST_F(Attacks, KillsSetDyingStartTheSequenceAndCountByWeapon) {
  struct Case {
    Attack attack;
    int weapon_id;
    std::int32_t* counter;
  };
  const Case cases[] = {{light_shot, 0, &kill_1},   {main_shot_attack, 0, &kill_1}, {mace, 0, &kill_2},
                        {cut_1, 0, &kill_1},        {cut_2, 1, &kill_2},            {cut_1, 2, &kill_3},
                        {cut_2, 3, &kill_4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attack << " weapon " << c.weapon_id);
    Reset();
    weapon = static_cast<std::uint16_t>(c.weapon_id);
    EnemyRecord& e = Target(1);
    e.timer = 37;
    Fire(c.attack);
    EXPECT_EQ(e.state, enemy_dying);
    EXPECT_EQ(e.timer, 0);
    EXPECT_EQ(*c.counter, 1);
    EXPECT_EQ(kill_1 + kill_2 + kill_3 + kill_4, 1);
  }
}

TEST_F(Attacks, MaceKillsThirtyNineHpWithThePlainHitAndAccessoryTwelveRefillsOnSwordKills) {
  EnemyRecord& e = Target(39);
  Fire(mace);
  EXPECT_EQ(e.state, enemy_dying);

  accessory = 12;
  for (const int start : {47, 48, 50}) {
    sp = start;
    EnemyRecord& victim = Target(1);
    Fire(cut_1);
    EXPECT_EQ(sp, start < 50 ? start + 2 : 50) << start;
    victim.state = enemy_free;
  }
  sp = 10;
  Target(100000);
  Fire(cut_1);
  EXPECT_EQ(sp, 10) << "no refill without a kill";
}

TEST_F(Attacks, OnlyLiveEnemiesOfHittableKindsAreHit) {
  const struct {
    int kind, state;
    bool hit;
  } cases[] = {{4, enemy_active, true},  {36, enemy_active, true},  {34, enemy_active, false},
               {35, enemy_active, false}, {37, enemy_active, false}, {4, enemy_dying, false},
               {4, enemy_defeated, false}};
  for (const auto& c : cases) {
    for (const Attack a : {light_shot, main_shot_attack, mace, cut_1}) {
      SCOPED_TRACE(testing::Message() << "kind " << c.kind << " state " << c.state << " attack " << a);
      Reset();
      const EnemyBoxRow& row = enemy_box_row(c.kind);
      EnemyRecord& e = Enemy(c.kind, 170 - row.left, 210 - row.top);  // every attack's box meets (170, 210)
      e.state = c.state;
      Fire(a);
      EXPECT_EQ(e.hp < 100000, c.hit);
    }
  }
}

// A WAV long enough to be still playing when a test asks.
std::vector<unsigned char> SecondOfSilence() {
  std::vector<unsigned char> w = game_test::TinyWav();
  constexpr unsigned kDataBytes = 44100;
  w.resize(44 + kDataBytes, 0);
  for (int i = 0; i < 4; ++i) {
    w[4 + i] = static_cast<unsigned char>((36 + kDataBytes) >> (8 * i));
    w[40 + i] = static_cast<unsigned char>(kDataBytes >> (8 * i));
  }
  return w;
}

// A 1 x 1 breakable probe block at world (x, y): whether the attack damaged it.
bool ProbeHit(const std::function<void()>& attack, int x, int y) {
  for (StageObject& g : gimmicks) g = StageObject{};
  StageObject& g = gimmicks[0];
  g.solid = 1;
  g.in_use = 1;
  g.x = x;
  g.y = y;
  g.box_x1 = g.box_y1 = 1;
  g.breakable = 1;
  g.hit_points = 100000;
  for (LightShot& s : light_shots) s = LightShot{};
  main_shot = MainShot{};
  attack();
  return g.hit_points != 100000;
}

TEST_F(Attacks, EveryAttackBoxHasItsEdges) {
  struct Case {
    const char* name;
    std::function<void()> attack;
    int left, top, right, bottom;  // world box with the hero at screen (100, 200), camera at (300, -40)
  };
  const auto mace_facing = [](int p) {
    return [p] {
      pose = p;
      attack_timer = 4;
      melee_hit_gimmicks();
    };
  };
  const auto cut = [](int state, int p, int crouch, int w, int f) {
    return [=] {
      pose = p;
      crouching = static_cast<std::uint8_t>(crouch);
      weapon = static_cast<std::uint16_t>(w);
      buff_flags[buff_f] = static_cast<std::uint8_t>(f);
      PlayerState = state;
      attack_count = 9;
      melee_hit_enemies();
    };
  };
  const auto shot = [](int dir) {
    return [dir] {
      spawn_light_shot(1000, 1000, dir);
      update_light_shots();
    };
  };
  // World = screen + (300, 40) with g_x 300 and g_y -40.
  const Case cases[] = {
      {"mace right", mace_facing(0), 450, 245, 505, 330},
      {"mace left", mace_facing(10), 355, 245, 410, 330},
      {"first cut right", cut(player_attack_1, 0, 0, 0, 0), 450, 245, 500, 310},
      {"first cut left", cut(player_attack_1, 12, 0, 0, 0), 360, 245, 410, 310},
      {"first cut crouching", cut(player_attack_1, 0, 1, 0, 0), 450, 280, 500, 330},
      {"first cut, weapon 1", cut(player_attack_1, 0, 0, 1, 0), 450, 245, 510, 310},
      {"first cut left, weapon 2", cut(player_attack_1, 10, 0, 2, 0), 370, 245, 410, 310},
      {"second cut right, buff F", cut(player_attack_2, 0, 0, 2, 1), 450, 250, 565, 340},
      {"second cut left", cut(player_attack_2, 18, 0, 0, 0), 325, 250, 410, 340},
      {"light shot right", shot(1), 1063, 1000, 1093, 1020},
      {"light shot left", shot(0), 972, 1000, 1002, 1020},
      {"light shot down", shot(3), 980, 1007, 1010, 1027},
      {"main shot against blocks", [] { spawn_main_shot(400, 300, 1); update_main_shot(); }, 460, 300, 520, 340},
  };
  g_x = 300;
  g_y = -40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const struct {
      int x, y;
      bool inside;
    } probes[] = {{c.left, c.top, true},           {c.right - 1, c.bottom - 1, true}, {c.left - 1, c.top, false},
                  {c.right, c.top, false},          {c.left, c.top - 1, false},        {c.left, c.bottom, false}};
    for (const auto& p : probes) EXPECT_EQ(ProbeHit(c.attack, p.x, p.y), p.inside) << p.x << ", " << p.y;
  }
}

TEST_F(Attacks, MainShotMeetsEnemiesWithASixtyPixelSquare) {
  // The shot flies at world (160, 220) after its first step; an enemy of kind 2 has box (11, 12)..(33, 32).
  const struct {
    int x, y;
    bool hit;
  } cases[] = {{160 - 32, 220, true}, {160 - 33, 220, false}, {220 - 12, 220, true}, {220 - 11, 220, false},
               {160, 280 - 13, true}, {160, 280 - 12, false}, {160, 220 - 31, true}, {160, 220 - 32, false}};
  for (const auto& c : cases) {
    Reset();
    EnemyRecord& e = Enemy(2, c.x, c.y);
    Fire(main_shot_attack);
    EXPECT_EQ(e.hp < 100000, c.hit) << c.x << ", " << c.y;
  }
}

TEST_F(Attacks, MainShotHitsEachEnemyOnceAndItsEndClearsTheMarks) {
  EnemyRecord& e = Target();
  shot_request = 1;
  Fire(main_shot_attack);
  for (int i = 0; i < 5; ++i) update_main_shot();
  EXPECT_EQ(100000 - e.hp, 50);
  EXPECT_EQ(e.hit_flag, 1);
  EXPECT_EQ(CountEffects(36), 1);
  while (main_shot.active != 0) update_main_shot();
  EXPECT_EQ(e.hit_flag, 0);
  EXPECT_EQ(shot_request, 0);
  EXPECT_GT(main_shot.x, 680);
}

TEST_F(Attacks, MainShotEndingAtAWallOverAnEnemyLeavesNoMarkBehind) {
  EnemyRecord& e = Target();
  Block(0, 150, 200, 400, 260);
  shot_request = 1;
  Fire(main_shot_attack);
  EXPECT_EQ(main_shot.active, 0);
  EXPECT_EQ(100000 - e.hp, 50);
  EXPECT_EQ(e.hit_flag, 0) << "the next main shot can hit it";
  EXPECT_EQ(shot_request, 0);
}

TEST_F(Attacks, MainShotBreaksThroughBreakableBlocksAndStopsAtTheFirstSolidOne) {
  StageObject& crate = Block(0, 200, 220, 240, 260, 120);
  StageObject& wall = Block(1, 300, 220, 340, 260);
  Fire(main_shot_attack);
  EXPECT_EQ(crate.hit_points, 70) << "50 for the first frame of overlap";
  update_main_shot();
  EXPECT_EQ(crate.hit_points, 20);
  update_main_shot();
  EXPECT_EQ(crate.in_use, 0) << "broken";
  EXPECT_EQ(particle_groups[0].active, 1);
  int frames = 0;
  while (main_shot.active != 0 && frames < 100) {
    update_main_shot();
    ++frames;
  }
  EXPECT_EQ(main_shot.x + 60 > wall.x && main_shot.x < wall.x + 40, true) << main_shot.x;
  EXPECT_EQ(wall.in_use, 1);
}

TEST_F(Attacks, MainShotWaitsWhileOneFliesAndFreesTheTrailWhenItStarts) {
  for (ShotTrail& t : shot_trails) t.active = 1;
  spawn_main_shot(100, 220, 0);
  EXPECT_EQ(main_shot.x, 60);
  for (const ShotTrail& t : shot_trails) EXPECT_EQ(t.active, 0);
  spawn_main_shot(500, 500, 1);
  EXPECT_EQ(main_shot.x, 60) << "the flying shot is kept";
  EXPECT_EQ(main_shot.dir, 0);
}

TEST_F(Attacks, TrailPiecesFadeOverNineDrawsAndAFullTrailDropsThePiece) {
  Fire(main_shot_attack);
  EXPECT_EQ(shot_trails[0].active, 1);
  EXPECT_EQ(shot_trails[0].x, 160);  // spawned at the shot's x before its step, plus 10
  EXPECT_EQ(shot_trails[0].flip, 1);
  for (int i = 0; i < 8; ++i) draw_shot_trail();
  EXPECT_EQ(shot_trails[0].active, 0) << "freed on its ninth draw";
  EXPECT_EQ(shot_trails[0].glow_count, 9);
  for (ShotTrail& t : shot_trails) t.active = 1;
  shot_trails[39].x = -7;
  spawn_shot_trail(1, 2, 0);
  EXPECT_EQ(shot_trails[39].x, -7);
}

TEST_F(Attacks, LightShotStopsAtAGimmickAndStillHitsTheEnemyThere) {
  StageObject& crate = Block(0, 160, 200, 180, 260, 15);
  EnemyRecord& a = Target();
  EnemyRecord& b = Enemy(4, 125, 150);
  Fire(light_shot);
  EXPECT_EQ(light_shots[0].active, 0);
  EXPECT_EQ(crate.hit_points, 5);
  EXPECT_EQ(100000 - a.hp, 10);
  EXPECT_EQ(100000 - b.hp, 10);
  EXPECT_EQ(hit_sparks[0].active, 1);
  EXPECT_EQ(CountEffects(2), 3);
}

TEST_F(Attacks, LightShotsFlyThreeAtATimeAndNotInWater) {
  for (int i = 0; i < 4; ++i) spawn_light_shot(100 * i, 300, 1);
  EXPECT_EQ(light_shots[2].x, 255);
  EXPECT_EQ(light_shots[2].flash_x, 252);
  EXPECT_EQ(light_shots[2].flash_y, 303);
  EXPECT_EQ(shot_pose, 1);
  for (int i = 0; i < 30; ++i) update_light_shots();
  EXPECT_EQ(light_shots[0].x, 55 + 240);
  while (light_shots[2].active != 0) update_light_shots();
  EXPECT_GT(light_shots[2].x, 680);

  Reset();
  in_water = 1;
  spawn_light_shot(100, 300, 0);
  EXPECT_EQ(light_shots[0].active, 0);
  const EffectRecord* impact = FindEffect(2);
  ASSERT_NE(impact, nullptr);
  EXPECT_EQ(impact->x, 80 - 35 + 10);
}

std::uint32_t BackPixel(int x, int y) {
  const platform::dd::Surface* back = GetBackSurface();
  std::uint32_t v;
  std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
  return v & 0xFFFFFF;
}

// A 24-bit BMP of w x h pixels of the given red.
std::vector<unsigned char> RedBmp(int w, int h, unsigned char red = 0xFF) {
  return test_bmp::Bmp24(w, h, [red](int, int) { return static_cast<std::uint32_t>(red) << 16; });
}

TEST_F(Attacks, MuzzleFlashShowsExceptInTheFallingStage) {
  game_test::WriteBytes("gsx/ef/all_01.bmp", RedBmp(96, 15));  // the flash cells, all red
  effect_sheets[6] = LoadGraphicFile("gsx/ef/all_01.bmp");
  ASSERT_GE(effect_sheets[6], 0);
  for (const int mode : {int{mode_stage_play}, int{mode_fall_scene}}) {
    SCOPED_TRACE(mode);
    Reset();
    game_mode = mode;
    g_x = 40;
    g_y = 10;
    SelectDrawTarget(-2);
    SetBlendMode(0, 255);
    DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
    spawn_light_shot(100, 220, 1);  // the flash at world (152, 223)
    update_light_shots();
    EXPECT_EQ(BackPixel(152 - 40, 223 + 10) != 0, mode == mode_stage_play);
  }
}

TEST_F(Attacks, ABoltFlyingRightHasOneDrawMoreThanOneFlyingLeft) {
  game_test::WriteBytes("gsx/ef/shot1.bmp", RedBmp(30, 20, 40));
  effect_sheets[0] = LoadGraphicFile("gsx/ef/shot1.bmp");
  ASSERT_GE(effect_sheets[0], 0);
  SelectDrawTarget(-2);
  SetBlendMode(0, 255);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  spawn_light_shot(100, 220, 1);  // drawn at (155, 220)
  spawn_light_shot(300, 220, 0);  // drawn at (280, 220)
  update_light_shots();
  const std::uint32_t right = BackPixel(160, 225) >> 16, left = BackPixel(285, 225) >> 16;
  EXPECT_GT(left, 0u);
  EXPECT_GE(right, left + 30) << "the plain draw of red 40 on top of the same ten added draws";
}

TEST_F(Attacks, MaceHitsTheFirstBlockOnlyAndEnemiesBehindASolidOne) {
  StageObject& wall = Block(0, 150, 200, 170, 300);
  StageObject& crate = Block(1, 150, 200, 170, 300, 100);
  EnemyRecord& e = Target();
  Fire(mace);
  EXPECT_EQ(wall.in_use, 1);
  EXPECT_EQ(crate.hit_points, 100) << "only the first block in the pool is struck";
  EXPECT_EQ(100000 - e.hp, 40);
  Fire(mace);
  EXPECT_EQ(100000 - e.hp, 40) << "one hit per swing";
  attack_timer = 3;
  wall.in_use = 0;
  melee_hit_gimmicks();
  EXPECT_EQ(crate.hit_points, 100) << "no hit before the swing's fourth picture";
}

TEST_F(Attacks, SwordCutsEveryBlockAndTheFirstProjectileInItsActiveFrames) {
  StageObject& a = Block(0, 150, 210, 170, 260, 1200);
  StageObject& b = Block(3, 180, 210, 190, 260, 1200);
  for (int i = 0; i < 3; ++i) {
    spawn_hazard(5, 0, 140, 190, 0);  // breakable, box (23, 29)..(66, 66)
  }
  hazard_pool[0].breakable = 0;
  hazard_pool[1].anim_frame = hazard_pool[1].anim_counter = hazard_pool[1].fall_speed = 9;
  struct {
    int state, count;
    bool active;
  } frames[] = {{player_attack_1, 4, false}, {player_attack_1, 5, true}, {player_attack_1, 13, true},
                {player_attack_1, 14, false}, {player_attack_2, 17, true}, {player_attack_2, 18, false}};
  int expected = 1200;
  for (const auto& f : frames) {
    PlayerState = f.state;
    attack_count = f.count;
    melee_hit_enemies();
    if (f.active) expected -= 500;
    if (expected < 1) break;
    EXPECT_EQ(a.hit_points, expected) << f.state << " " << f.count;
  }
  EXPECT_EQ(a.in_use, 0);
  EXPECT_EQ(b.in_use, 0);
  EXPECT_EQ(hazard_pool[0].state, hazard_live) << "harmless projectiles stay";
  EXPECT_EQ(hazard_pool[1].state, hazard_breaking);
  EXPECT_EQ(hazard_pool[1].anim_frame + hazard_pool[1].anim_counter + hazard_pool[1].fall_speed, 0);
  EXPECT_EQ(hazard_pool[2].state, hazard_breaking) << "the next frame strikes the next one";
}

TEST_F(Attacks, SwordSlashAndBloodSitByKindSideAndFacing) {
  struct Case {
    int kind, side, mirror_flag, type, x, y;
  };
  const Case cases[] = {{2, 1, 0, 11, 1000 - 90, 500 - 90}, {2, 1, 1, 12, 1000 - 120, 500 - 90},
                        {33, 2, 0, 13, 1070, 565},          {33, 2, 1, 14, 1040, 565},
                        {31, 1, 0, 11, 1000, 550},          {26, 1, 0, 11, 960, 460},
                        {39, 2, 0, 13, 960, 460},           {-1, 2, 0, 13, 960, 460}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " side " << c.side << " mirror " << c.mirror_flag);
    for (EffectRecord& e : effects) e = EffectRecord{};
    mirror = c.mirror_flag;
    spawn_enemy_hit_effect(c.kind, 1000, 500, c.side);
    EXPECT_EQ(effects[0].type, c.type);
    EXPECT_EQ(effects[0].x, c.x + 10);
    EXPECT_EQ(effects[0].y, c.y);
  }
  for (const int m : {0, 1}) {
    Reset();
    mirror = m;
    EnemyRecord& e = Enemy(19, 120, 120);
    Fire(cut_1);
    const EffectRecord* blood = FindEffect(m == 0 ? 30 : 31);
    ASSERT_NE(blood, nullptr) << m;
    EXPECT_EQ(blood->x, e.x + (m == 0 ? 70 : 20) + 10);
    EXPECT_EQ(blood->y, e.y + 20);
  }
}

TEST_F(Attacks, CriticalBurstsBesideTheHero) {
  CRI = 100;
  g_x = 1000;
  g_y = -300;
  struct Case {
    Attack attack;
    int p, type, x, y;
  };
  // The hero's world position is (1100, 500).
  const Case cases[] = {{mace, 0, 5, 1075, 460}, {mace, 10, 5, 1015, 460}, {cut_1, 0, 15, 1075, 460},
                        {cut_2, 11, 15, 1015, 460}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attack << " pose " << c.p);
    for (EffectRecord& e : effects) e = EffectRecord{};
    pose = c.p;
    Enemy(4, c.p == 0 ? 1120 : 1020, 450);
    Fire(c.attack);
    const EffectRecord* burst = FindEffect(c.type);
    ASSERT_NE(burst, nullptr);
    EXPECT_EQ(burst->x, c.x + 10);
    EXPECT_EQ(burst->y, c.y);
  }
}

TEST_F(Attacks, ArmouredKindsSoundTheirArmourByAttack) {
  game_test::WriteBytes("ssez/tone.wav", SecondOfSilence());
  const int first = sound_table[se_mb_ardm] = LoadSoundFile("ssez/tone.wav", 3, -1);
  const int second = sound_table[se_mb_ardm_b] = LoadSoundFile("ssez/tone.wav", 3, -1);
  const int death = enemy_death_sounds[16] = LoadSoundFile("ssez/tone.wav", 3, -1);
  ASSERT_GE(first, 0);
  struct Case {
    Attack attack;
    int kind;
    bool first, second;
  };
  const Case cases[] = {{cut_1, 15, true, false}, {cut_2, 16, false, true}, {mace, 15, false, true},
                        {light_shot, 16, false, true}, {main_shot_attack, 15, false, true},
                        {cut_1, 4, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attack << " kind " << c.kind);
    Reset();
    sound_table[se_mb_ardm] = first;
    sound_table[se_mb_ardm_b] = second;
    for (const int h : {first, second}) StopSoundHandle(h);
    EnemyRecord& e = Enemy(c.kind, 140, 180);
    Fire(c.attack);
    ASSERT_LT(e.hp, 100000);
    EXPECT_EQ(CheckSoundHandlePlaying(first) == 1, c.first);
    EXPECT_EQ(CheckSoundHandlePlaying(second) == 1, c.second);
  }
  StopSoundHandle(death);
  EnemyRecord& e = Enemy(16, 140, 180, 1);
  Fire(mace);
  EXPECT_EQ(e.state, enemy_dying);
  EXPECT_EQ(CheckSoundHandlePlaying(death), 1) << "the kind's death sound";
  enemy_death_sounds[16] = -1;
}

TEST_F(Attacks, BreakableGimmicksLoseHitPointsAndBreakBelowOne) {
  StageObject& crate = Block(5, 0, 0, 10, 10, 60);
  StageObject& wall = Block(6, 0, 0, 10, 10);
  wall.hit_points = 60;
  damage_gimmick(5, 59);
  EXPECT_EQ(crate.hit_points, 1);
  EXPECT_EQ(crate.in_use, 1);
  damage_gimmick(6, 500);
  EXPECT_EQ(wall.hit_points, 60);
  EXPECT_EQ(wall.in_use, 1);
  damage_gimmick(5, 1);
  EXPECT_EQ(crate.in_use, 0);
  EXPECT_EQ(particle_groups[0].active, 1);
  EXPECT_EQ(particle_groups[0].type, 0);
  damage_gimmick(-1, 10);
  damage_gimmick(gimmick_pool_size, 10);
}

TEST_F(Attacks, LootRollsByKindWithTheLuckyAccessoryAndTheExtraRoll) {
  constexpr int kRolls = 30000;
  const struct {
    int kind, acc;
    double share;  // chance that the table pickup drops
    int pickup;
  } cases[] = {{5, accessory_none, 10.0 / 101, 1}, {5, 3, 10.0 / 71, 1}, {23, accessory_none, 30.0 / 101, 7},
               {19, 3, 15.0 / 71, 9},            {31, accessory_none, 0.0, 0}, {40, 3, 0.0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " accessory " << c.acc);
    accessory = static_cast<std::uint16_t>(c.acc);
    int dropped = 0;
    for (int i = 0; i < kRolls; ++i) {
      const int pickup = roll_table_pickup(c.kind);
      ASSERT_TRUE(pickup == 0 || pickup == c.pickup) << pickup;
      dropped += pickup != 0 ? 1 : 0;
    }
    EXPECT_NEAR(dropped, c.share * kRolls, 0.1 * c.share * kRolls + 1);
  }
  int extra[108] = {};
  for (int i = 0; i < kRolls; ++i) {
    const int pickup = roll_extra_pickup();
    ASSERT_TRUE(pickup == 0 || (pickup >= 100 && pickup <= 107)) << pickup;
    ++extra[pickup == 0 ? 0 : pickup];
  }
  const double share[8] = {8, 4, 0, 0, 6, 3, 0, 2};  // kinds 100..107, out of 101
  for (int k = 0; k < 8; ++k) {
    EXPECT_NEAR(extra[100 + k], share[k] / 101 * kRolls, 0.12 * share[k] / 101 * kRolls + 1) << 100 + k;
  }
}

int PickupsInPool() {
  int n = 0;
  for (const Pickup& p : pickups) n += p.active != 0 ? 1 : 0;
  return n;
}

TEST_F(Attacks, AKillLeavesItsRolledPickupsInThePool) {
  accessory = 3;
  bool two = false;
  for (int kill = 0; kill < 200 && !two; ++kill) {
    for (Pickup& p : pickups) p = Pickup{};
    EnemyRecord& e = Enemy(23, 120, 150, 1);  // table pickup 7, chance 30 in 71
    Fire(mace);
    ASSERT_EQ(e.state, enemy_dying);
    e.state = enemy_free;
    const int n = PickupsInPool();
    ASSERT_LE(n, 2);
    if (n == 2) {
      two = true;
      EXPECT_EQ(pickups[0].kind, 7);
      EXPECT_GE(pickups[1].kind, 100) << "the extra recovery pickup";
      EXPECT_EQ(pickups[0].x, pickups[1].x);
    }
  }
  EXPECT_TRUE(two) << "one kill can leave two pickups";

  for (const int kind : {26, 27, 33, 36}) {
    for (Pickup& p : pickups) p = Pickup{};
    SeedRandom(kDefaultRandomSeed);
    for (int i = 0; i < 100; ++i) drop_loot(kind, 500, 300);
    EXPECT_EQ(PickupsInPool(), 0) << kind;
    const int next = GetRandomUpTo(1000);
    SeedRandom(kDefaultRandomSeed);
    EXPECT_EQ(GetRandomUpTo(1000), next) << kind << " draws no roll";
  }
}

}  // namespace
