// The player fixture with the skill state, the skill projectile pools, the enemy, hazard, gimmick and effect pools
// empty, a seeded random generator and hero 0 standing at a known screen spot with full SP; helpers that place
// enemy records and run stage play's skill calls for a frame.
#pragma once

#include "engine/core/random.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/player/effects.h"
#include "game/player/skill_effects.h"
#include "game/player/skills.h"
#include "game/stage/stage_object.h"
#include "game/stage/stage_state.h"
#include "tests/game_player/player_fixture.h"

namespace game_test {

class SkillTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    SeedRandom(kDefaultRandomSeed);
    skill_id = skill_none;
    skill_phase = skill_active = skill_effect = skill_pos_x = skill_pos_y = 0;
    for (int& f : skill_fade) f = 0;
    for (Sparkle& s : sparkles) s = Sparkle{};
    for (SkillBoltSet& b : skill_bolts) b = SkillBoltSet{};
    skill_bomb = SkillBomb{};
    for (SkillDart& d : skill_darts) d = SkillDart{};
    skill_wave = SkillWave{};
    for (EffectRecord& e : effects) e = EffectRecord{};
    free_all_enemies();
    free_all_hazards();
    for (StageObject& g : gimmicks) g = StageObject{};
    gimmick_count = 0;
    g_x = g_y = 0;
    stage = 1;
    area = 1;
    hero = 0;
    hp = max_hp = 100;
    sp = max_sp = 100;
    accessory = accessory_none;
    mx = 200;
    my = 200;
    pose = 0;
  }

 public:
  // An alive enemy record of `kind` at world (x, y) with `hit_points`; returns its index.
  static int PlaceEnemy(int kind, int x, int y, int hit_points = 5000) {
    const int i = enemy_count++;
    EnemyRecord& e = enemy_pool[i];
    e = EnemyRecord{};
    e.type = kind;
    e.x = x;
    e.y = y;
    e.state = enemy_active;
    e.hp = e.max_hp = hit_points;
    e.timer = 7;
    return i;
  }

  // A breakable solid gimmick whose box is world x0..x1, y0..y1.
  static int PlaceBlock(int x0, int x1, int y0, int y1, int hit_points = 100, bool breakable = true) {
    StageObject& g = gimmicks[gimmick_count];
    g = StageObject{};
    g.solid = 1;
    g.in_use = 1;
    g.x = x0;
    g.y = y0;
    g.box_x1 = x1 - x0;
    g.box_y1 = y1 - y0;
    g.hit_points = hit_points;
    g.breakable = breakable ? 1 : 0;
    return gimmick_count++;
  }

  // The skill calls of one stage-play frame, in its order.
  static void SkillFrame() {
    update_skill_shots_a();
    update_skill_shots_b();
    update_skill_shots_c();
    update_skill_shots_d();
    update_skill();
    if (skill_effect != 0 && skill_phase == 0) draw_skill_effect();
  }
  static void SkillFrames(int n) {
    for (int i = 0; i < n; ++i) SkillFrame();
  }

  // No skill running and no casting effect: the hero free to start the next one.
  static void Idle() {
    cancel_skill();
    skill_phase = 0;
    PlayerState = player_free;
  }

  // Skill `id` running with its next update at `step`.
  static void RunningAt(int id, int step) {
    skill_active = 1;
    skill_id = id;
    skill_phase = 0;
    skill_step = step - 1;
    PlayerState = player_skill;
    for (int& f : skill_fade) f = 255;
  }
};

}  // namespace game_test
