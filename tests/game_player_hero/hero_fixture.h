// Stage play on small fixture stages built in the test: the hero of stage 1's area 1 at a chosen screen spot, with
// the exit line out of reach, and one update of the hero per pad word.
#pragma once

#include "game/player/effects.h"
#include "game/player/hero_sprite.h"
#include "game/player/particles.h"
#include "game/player/player_update.h"
#include "tests/game_stage/stage_fixture.h"

namespace game_test {

inline constexpr int kJump = 0x10 << 1;  // button 2: JUMP under the default map
inline constexpr int kDash = 0x10 << 2;
inline constexpr int kSkill = 0x10 << 3;
inline constexpr int kQR = 0x10 << 6;
inline constexpr int kQL = 0x10 << 7;

class HeroTest : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    stage = 1;
    area = 1;
    hero = 0;
    game_mode = mode_stage_play;
    reset_player_stats();
    area_exit_column = 100;
    for (EffectRecord& e : effects) e = EffectRecord{};
    for (Particle& p : particles) p = Particle{};
    for (ParticleGroup& g : particle_groups) g = ParticleGroup{};
    for (HitSpark& s : hit_sparks) s = HitSpark{};
  }

  // One update of the hero with the pad word (directions and buttons mapped to actions as the main loop does).
  static void Tick(int pad) {
    map_buttons(pad);
    update_player(pad);
  }
  static void Ticks(int pad, int n) {
    for (int i = 0; i < n; ++i) Tick(pad);
  }

  // A row of floor tiles (type 1, walkable top 45 below y) from world x0 to x1 at world y.
  static void FloorRow(int x0, int x1, int y) {
    for (int x = x0; x < x1; x += 120) spawn_gimmick(1, 0, 0, 0, x, y, 0);
  }
  // A wall block (type 3) column from world y0 to y1 at x.
  static void WallColumn(int x, int y0, int y1) {
    for (int y = y0; y < y1; y += 120) spawn_gimmick(3, 0, 0, 0, x, y, 0);
  }
  // The hero standing on the floor whose tile top is at world y, at screen x.
  static void StandOn(int floor_y, int x) {
    mx = x;
    my = floor_y + g_y - 50;
    Tick(0);
  }
};

}  // namespace game_test
