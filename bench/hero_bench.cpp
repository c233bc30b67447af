// The hero's per-frame cost in stage 1, area 1, headless with its drawing on the placeholder pictures, in CPU time
// per frame against a clear and present of the same frame in the same run (the difference is the hero's own cost):
// the player update plus the hero sprite while walking back and forth, and the effect and particle pools kept full
// (50 effects of mixed types, 100 particles, 100 debris groups, a hit spark), and the pickup pool kept full (20
// pickups of every look: money, recovery items, stage goals, gems, equipment). The vertical-blank wait is off.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "bench/headless_game.h"
#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/effects.h"
#include "game/player/hero_sprite.h"
#include "game/player/particles.h"
#include "game/player/pickups.h"
#include "game/player/player_globals.h"
#include "game/player/player_update.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"

namespace {

// A started headless engine in a temporary directory with the placeholder tree, stage 1 area 1 built, its pictures
// and the hero's loaded. Once per process.
bool StartHero() {
  static int started = -1;
  if (started != -1) return started == 1;
  started = 0;
  if (!bench_game::StartHeadlessGame("hero")) return false;
  clear_resource_handles();
  load_common_images();
  stage = 1;
  area = 1;
  hero = 0;
  load_stage_images(0);
  load_hero_images();
  reset_player_stats();
  stage_entry();
  clear_object_pools();
  build_stage();
  game_mode = mode_stage_play;
  started = 1;
  return true;
}

// What the cases change: the player, the view and the effect, particle and pickup pools, as StartHero left them.
// Each case starts from it, so it measures the same frames alone or after any other case.
struct StartState {
  PlayerGlobals player;
  int gx, gy;
  EffectRecord effects[effect_pool_size];
  Particle particles[particle_pool_size];
  ParticleGroup groups[particle_group_pool_size];
  HitSpark sparks[hit_spark_pool_size];
  Pickup pickups[pickup_pool_size];
};

bool StartFresh() {
  if (!StartHero()) return false;
  static StartState start;
  static bool saved = false;
  if (!saved) {
    start.player = player_globals;
    start.gx = g_x;
    start.gy = g_y;
    std::copy(std::begin(effects), std::end(effects), start.effects);
    std::copy(std::begin(particles), std::end(particles), start.particles);
    std::copy(std::begin(particle_groups), std::end(particle_groups), start.groups);
    std::copy(std::begin(hit_sparks), std::end(hit_sparks), start.sparks);
    std::copy(std::begin(pickups), std::end(pickups), start.pickups);
    saved = true;
  }
  player_globals = start.player;
  g_x = start.gx;
  g_y = start.gy;
  std::copy(std::begin(start.effects), std::end(start.effects), effects);
  std::copy(std::begin(start.particles), std::end(start.particles), particles);
  std::copy(std::begin(start.groups), std::end(start.groups), particle_groups);
  std::copy(std::begin(start.sparks), std::end(start.sparks), hit_sparks);
  std::copy(std::begin(start.pickups), std::end(start.pickups), pickups);
  return true;
}

constexpr int kPadLeft = 2;
constexpr int kPadRight = 4;

void BM_ClearAndPresent(benchmark::State& state) {
  if (!StartFresh()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_ClearAndPresent)->MeasureProcessCPUTime()->UseRealTime();

void BM_HeroUpdateAndSprite(benchmark::State& state) {
  if (!StartFresh()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  int frame = 0;
  for (auto _ : state) {
    const int pad = (frame++ / 60) % 2 == 0 ? kPadRight : kPadLeft;
    ClearCurrentDrawScreen();
    map_buttons(pad);
    update_player(pad);
    draw_hero_sprite();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_HeroUpdateAndSprite)->MeasureProcessCPUTime()->UseRealTime();

// Types of every look: fades by stacking, the burst grid, the ring, hero-anchored slashes, the staged aura, glints.
constexpr int kEffectTypes[] = {1, 2, 3, 5, 6, 8, 10, 11, 15, 16, 17, 18, 19, 20, 22, 29, 30, 34, 36, 37};

void FillPools() {
  int k = 0;
  for (EffectRecord& e : effects) {
    if (e.active == 0) spawn_effect(g_x + 40 + 11 * k, 200 - g_y, kEffectTypes[k % std::size(kEffectTypes)]);
    ++k;
  }
  for (Particle& p : particles) {
    if (p.active == 0) spawn_particle(mx + 30, my + 50, 0);
  }
  for (int i = 0; i < particle_group_pool_size; ++i) {
    if (particle_groups[i].active == 0) spawn_particle_group(i % 2 == 0 ? 0 : 6, g_x + 6 * i, 100 - g_y, i % 2);
  }
  spawn_hit_spark(g_x + 320, 240 - g_y);
}

void BM_FullEffectAndParticlePools(benchmark::State& state) {
  if (!StartFresh()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    FillPools();
    ClearCurrentDrawScreen();
    update_hit_sparks();
    update_effects();
    update_particles();
    update_particle_groups();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_FullEffectAndParticlePools)->MeasureProcessCPUTime()->UseRealTime();

// Kinds of every look and motion: flying money and recovery items, goals, bobbing gems and equipment.
constexpr int kPickupKinds[] = {1, 4, 5, 9, 100, 103, 105, 107, 109, 110, 111, 112, 113, 120, 123, 126, 130, 131, 132, 2};

void BM_FullPickupPool(benchmark::State& state) {
  if (!StartFresh()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    // Spread over the screen's upper half, clear of the hero; expired and far-fallen records are put back.
    for (int i = 0; i < pickup_pool_size; ++i) {
      Pickup& p = pickups[i];
      if (p.active == 0 || p.y + g_y > 480) {
        p.active = 0;
        spawn_pickup(g_x + 30 * i, 60 - g_y, kPickupKinds[i]);
      }
    }
    ClearCurrentDrawScreen();
    update_pickups();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_FullPickupPool)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
