#include "tools/passability/game_state.h"

#include <cstddef>
#include <cstring>

#include "engine/core/random.h"
#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_menu.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/settings.h"
#include "game/flow/stage_play.h"
#include "game/player/effects.h"
#include "game/player/particles.h"
#include "game/player/pickups.h"
#include "game/player/player_globals.h"
#include "game/player/shots.h"
#include "game/player/skill_effects.h"
#include "game/player/skills.h"
#include "game/stage/fall_stage.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_state.h"

namespace passability {

namespace {

struct Region {
  void* at;
  std::size_t size;
};

#define REGION(name) Region{static_cast<void*>(&(name)), sizeof(name)}

// Every global that a stage-play frame touches. Resource handles, texts and settings that play never writes are
// left out; so are the tables built once at start-up.
std::vector<Region> Regions() {
  std::size_t random_size = 0;
  void* random = RandomStateBytes(&random_size);
  return {
      REGION(player_globals), REGION(buff_time), REGION(fall_speed), REGION(on_solid),
      REGION(gimmicks), REGION(gimmick_count), REGION(ladders),
      REGION(scenery_a), REGION(scenery_b), REGION(scenery_c), REGION(scenery_a_count), REGION(scenery_b_count),
      REGION(scenery_c_count),
      REGION(stage), REGION(area), REGION(g_x), REGION(g_y), REGION(bg_x), REGION(bg_y),
      REGION(area_exit_column), REGION(area_exit_offset), REGION(area3_right_limit),
      REGION(enemy_pool), REGION(enemy_count), REGION(collect_flags), REGION(hazard_pool),
      REGION(pickups), REGION(pickup_count),
      REGION(effects), REGION(particles), REGION(particle_groups), REGION(hit_sparks),
      REGION(light_shots), REGION(main_shot), REGION(shot_trails),
      REGION(skill_bolts), REGION(skill_bomb), REGION(skill_darts), REGION(skill_wave), REGION(sparkles),
      REGION(skill_active), REGION(skill_effect), REGION(skill_fade), REGION(skill_id), REGION(skill_phase),
      REGION(skill_pos_x), REGION(skill_pos_y), REGION(fall_state),
      REGION(scene_state), REGION(story_event),
      REGION(exit_fade), REGION(fade_counter), REGION(frame_counter), REGION(game_mode), REGION(glow_counter),
      REGION(key_latch), REGION(menu_counter_a), REGION(menu_counter_b), REGION(menu_counter_c),
      REGION(phase_counter), REGION(scene_timer), REGION(screen_cursor), REGION(screen_phase), REGION(stage_phase),
      REGION(game_menu_page), REGION(menu_anim), REGION(menu_phase), REGION(flash_request),
      REGION(action_flags), REGION(action_flags_lead), REGION(pause_latch), REGION(facing_left),
      REGION(stage6_top_exit),
      Region{random, random_size},
  };
}

#undef REGION

const std::vector<Region>& AllRegions() {
  static const std::vector<Region> regions = Regions();
  return regions;
}

std::size_t Words(std::size_t bytes) { return (bytes + 7) / 8; }

// The regions laid end to end, each padded to whole words.
void Gather(std::vector<std::uint64_t>& out) {
  std::size_t total = 0;
  for (const Region& r : AllRegions()) total += Words(r.size);
  out.assign(total, 0);
  std::size_t at = 0;
  for (const Region& r : AllRegions()) {
    std::memcpy(&out[at], r.at, r.size);
    at += Words(r.size);
  }
}

}  // namespace

void GameState::SetBase() { Gather(base_); }

// Encoding: pairs of (words unchanged, words changed) followed by the changed words, until the end.
Snapshot GameState::Save() const {
  std::vector<std::uint64_t> now;
  Gather(now);
  Snapshot s;
  std::size_t i = 0;
  while (i < now.size()) {
    std::size_t same = 0;
    while (i + same < now.size() && now[i + same] == base_[i + same]) ++same;
    i += same;
    std::size_t changed = 0;
    while (i + changed < now.size() && now[i + changed] != base_[i + changed]) ++changed;
    s.words.push_back(same);
    s.words.push_back(changed);
    s.words.insert(s.words.end(), now.begin() + static_cast<std::ptrdiff_t>(i),
                   now.begin() + static_cast<std::ptrdiff_t>(i + changed));
    i += changed;
  }
  return s;
}

void GameState::Restore(const Snapshot& snapshot) const {
  std::vector<std::uint64_t> now = base_;
  std::size_t at = 0;
  std::size_t read = 0;
  while (read + 1 < snapshot.words.size()) {
    at += snapshot.words[read];
    const std::size_t changed = snapshot.words[read + 1];
    read += 2;
    for (std::size_t k = 0; k < changed; ++k) now[at + k] = snapshot.words[read + k];
    at += changed;
    read += changed;
  }
  std::size_t offset = 0;
  for (const Region& r : AllRegions()) {
    std::memcpy(r.at, &now[offset], r.size);
    offset += Words(r.size);
  }
}

}  // namespace passability
