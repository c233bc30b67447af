#include "game/stage/stage_build.h"

#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/level_data.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_state.h"

namespace {

template <typename Pool>
void free_records(Pool& pool) {
  for (auto& record : pool) record.in_use = 0;
}

void spawn_entry(const LevelEntry& e) {
  switch (e.kind) {
    case EntryKind::gimmick: spawn_gimmick(e.type, e.sub, e.room_x, e.room_y, e.x, e.y, e.mirror); break;
    case EntryKind::scenery_a: spawn_scenery_a(e.type, e.room_x, e.room_y, e.x, e.y, e.mirror, e.layer); break;
    case EntryKind::scenery_b: spawn_scenery_b(e.type, e.room_x, e.room_y, e.x, e.y, e.mirror, e.layer); break;
    case EntryKind::scenery_c: spawn_scenery_c(e.type, e.room_x, e.room_y, e.x, e.y, e.mirror, e.layer); break;
    case EntryKind::ladder_segment: spawn_ladder(e.type, e.room_x, e.room_y, e.x, e.y, e.layer); break;
    case EntryKind::hazard: spawn_hazard(e.type, e.sub, e.x, e.y, e.layer); break;
    case EntryKind::enemy: spawn_enemy(e.type, e.sub, e.room_x, e.room_y, e.x, e.y); break;
  }
}

void run_placement_routine() {
  switch (stage) {
    case 1: place_enemies_stage1(); break;
    case 2: place_enemies_stage2(); break;
    case 3: place_enemies_stage3(); break;
    case 4: place_enemies_stage4(); break;
    case 5: place_enemies_stage5(); break;
    case 6: place_enemies_stage6(); break;
    default: do_nothing(); break;
  }
}

}  // namespace

void clear_object_pools() {
  clear_stage_object_pools();
  for (EnemyRecord& enemy : enemies) enemy.state = 0;
  enemy_count = 0;
}

void clear_stage_object_pools() {
  free_records(gimmicks);
  for (LadderRecord& segment : ladders) segment.part = 0;
  free_records(scenery_a);
  free_records(scenery_b);
  free_records(scenery_c);
  free_all_hazards();
  for (Pickup& p : pickups) p.active = 0;
  gimmick_count = 0;
  scenery_a_count = scenery_b_count = scenery_c_count = 0;
  pickup_count = 0;
}

void build_stage() {
  if (stage < 1 || stage > 9) return;
  if (const LevelDataSet* set = find_level_data(stage, area)) {
    if (set->has_exit) {
      area_exit_column = set->exit_column;
      area_exit_offset = set->exit_offset;
    }
    for (int i = 0; i < set->entry_count; ++i) {
      const LevelEntry& entry = set->entries[i];
      if (entry.hero == entry_both_heroes || entry.hero == hero) spawn_entry(entry);
    }
  }
  run_placement_routine();
}

namespace {

struct EntryRow {
  int g_x, g_y, my, landed;
  bool keep_scroll;
};

EntryRow entry_row() {
  const bool first = area == 1;
  switch (stage) {
    case 1: return area == 1 || area == 3 ? EntryRow{0, 0, 200, 1, false} : EntryRow{0, -480, 300, 1, false};
    case 2: return first ? EntryRow{0, -480, 300, 1, false} : EntryRow{0, -960, 320, 1, false};
    case 3: return first ? EntryRow{0, -480, 250, 1, false} : EntryRow{0, -480, 320, 1, false};
    case 4: return area <= 2 ? EntryRow{0, -480, 320, 1, false} : EntryRow{0, 0, 0, 1, true};
    case 5:
      if (first) return {0, -480, 200, 1, false};
      return area == 2 ? EntryRow{0, -960, 320, 1, false} : EntryRow{0, 0, 0, 1, true};
    case 6:
      if (first) return {0, -480, 320, 1, false};
      return area == 2 ? EntryRow{0, 0, 0, 1, false} : EntryRow{0, 0, 0, 1, true};
    case 7:
    case 8: return first ? EntryRow{0, -480, 0, 0, false} : EntryRow{0, 0, 0, 0, true};
    default: return {0, -480, 300, 1, false};  // stage 9
  }
}

}  // namespace

void stage_entry() {
  mx = 30;
  my = 0;
  landed = 1;
  if (stage >= 1 && stage <= 9) {
    const EntryRow row = entry_row();
    if (!row.keep_scroll) {
      g_x = row.g_x;
      g_y = row.g_y;
    }
    my = row.my;
    landed = static_cast<std::uint8_t>(row.landed);
  }
  hp = max_hp;
  sp = max_sp;
}

void start_camera() {
  switch (stage) {
    case 1:
    case 3:
      g_x = 0;
      g_y = -480;
      break;
    case 2:
      g_x = 0;
      g_y = area == 2 ? -960 : -480;
      if (area == 2) my = 250;
      break;
    case 4:
      g_x = 0;
      g_y = -480;
      if (area == 2) my = 250;
      break;
    case 5:
      g_x = 0;
      g_y = area == 2 ? -960 : -480;
      break;
    default:
      break;
  }
}
