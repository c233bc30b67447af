// A started headless game with empty enemy, hazard and gimmick pools, the camera at the origin, a seeded random
// generator and a fresh player block, plus helpers that run frames and place solid gimmicks.
#pragma once

#include <vector>

#include "engine/core/random.h"
#include "game/enemy/enemy_contact.h"
#include "game/enemy/enemy_frame.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/dialogue_box.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_object.h"
#include "game/stage/stage_state.h"
#include "tests/game_flow/game_fixture.h"

namespace enemy_test {

class Enemies : public game_test::GameFlow {
 protected:
  void SetUp() override {
    GameFlow::SetUp();
    SeedRandom(4357);
    free_all_enemies();
    free_all_hazards();
    for (StageObject& g : gimmicks) g = StageObject{};
    gimmick_count = 0;
    player_globals = PlayerGlobals{};
    for (auto& f : collect_flags) f = 0;
    g_x = g_y = 0;
    stage = 1;
    hero = 0;
    hp = max_hp = 100;
    accessory = 99;
    story_event = 0;
    scene_state.step = 0;
    FarPlayer();
  }

  // The player far from everything (no sight, no contact).
  static void FarPlayer() {
    mx = 20000;
    my = 20000;
  }
  static void PlayerAt(int x, int y) {
    mx = x;
    my = y;
  }

  // Spawns one record in room (0, 0) and returns its index.
  static int Spawn(int kind, int param, int x, int y) {
    const int before = enemy_count;
    spawn_enemy(kind, param, 0, 0, x, y);
    return enemy_count > before ? LastSpawned(kind, x, y) : -1;
  }
  static int LastSpawned(int kind, int x, int y) {
    for (int i = 0; i < enemy_pool_size; ++i) {
      const EnemyRecord& e = enemy_pool[i];
      if (e.state != enemy_free && e.type == kind && e.home_x == x && e.home_y == y) return i;
    }
    return -1;
  }
  static int SpawnHazard(int kind, int direction, int x, int y, int param) {
    for (int i = 0; i < hazard_pool_size; ++i) {
      if (hazard_pool[i].state == hazard_free) {
        spawn_hazard(kind, direction, x, y, param);
        return i;
      }
    }
    return -1;
  }

  static void EnemyFrames(int n) {
    for (int k = 0; k < n; ++k) update_enemies();
  }
  static void HazardFrames(int n) {
    for (int k = 0; k < n; ++k) update_hazards();
  }

  // A solid gimmick in use with its box (left, right, top, bottom) relative to (x, y).
  static int AddSolid(int x, int y, int left, int right, int top, int bottom) {
    StageObject& g = gimmicks[gimmick_count];
    g = StageObject{};
    g.solid = 1;
    g.in_use = 1;
    g.x = x;
    g.y = y;
    g.box_x0 = left;
    g.box_x1 = right;
    g.box_y0 = top;
    g.box_y1 = bottom;
    return gimmick_count++;
  }

  // The live hazards of a kind, in pool order.
  static std::vector<const HazardRecord*> LiveHazards(int kind) {
    std::vector<const HazardRecord*> found;
    for (const HazardRecord& h : hazard_pool) {
      if (h.state == hazard_live && h.type == kind) found.push_back(&h);
    }
    return found;
  }
};

// Frames until the record's state changes from `state`, up to `limit` (-1 when it does not).
inline int FramesWhile(int i, int state, int limit = 2000) {
  for (int n = 1; n <= limit; ++n) {
    update_enemies();
    if (enemy_pool[i].state != state) return n;
  }
  return -1;
}

// Frames until a live hazard of `kind` appears, up to `limit` (-1 when none does).
inline int FramesUntilHazard(int kind, int limit = 2000) {
  for (int n = 1; n <= limit; ++n) {
    update_enemies();
    for (const HazardRecord& h : hazard_pool) {
      if (h.state == hazard_live && h.type == kind) return n;
    }
  }
  return -1;
}

}  // namespace enemy_test
