// The enemy placement lists: per stage, hero and area (area 1, or areas 2 and 3), the enemies, coins and items that
// building an area places, as fixed spawn entries in list order. A few entries are guarded by progress flags so that
// an item already taken is not placed again.
#pragma once

#include <cstdint>
#include <span>

// What must still hold for a guarded entry to be placed.
enum class PlacementGuard : std::uint8_t {
  none,
  stage_item,    // the stage's skill gem or skill item not yet taken (stage_flags[stage])
  hp_item,       // the stage's max-HP item not yet taken (hp_up[stage - 1])
  sp_item,       // the stage's max-SP item not yet taken (sp_up[stage - 1])
  equipment_6,   // the equipment pickups 130, 131, 132: not yet owned
  equipment_10,
  equipment_11,
  collectible,   // kind 34: collect_flags[param] is not 1
};

// An enemy entry: spawn_enemy(kind, param, room_x, room_y, x, y). A pickup entry: spawn_pickup(x, y, kind) with x
// and y world pixels (room_x and room_y unused).
struct Placement {
  std::int32_t kind;
  std::int32_t param;
  std::int32_t room_x, room_y;
  std::int32_t x, y;
  bool pickup = false;
  PlacementGuard guard = PlacementGuard::none;
};

// The list of a stage (1..6), hero (0, 1) and area (1: the area-1 list, else the list of areas 2 and 3); empty for
// any other stage or hero.
std::span<const Placement> placement_list(int stage, int hero, int area);
// Whether an entry's guard holds now.
bool placement_guard_holds(const Placement& entry);
// Places a list in order, skipping entries whose guard does not hold.
void place_list(std::span<const Placement> list);

// The placement routine of each stage: the list of the current stage, area and hero.
void place_enemies_stage1();
void place_enemies_stage2();
void place_enemies_stage3();
void place_enemies_stage4();
void place_enemies_stage5();
void place_enemies_stage6();
