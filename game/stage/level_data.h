// The level data: one ordered entry list per data set (stage and area), compiled at build time from the text files
// in game/stage/levels/ by tools/level_compiler. build_stage walks the list of the current stage and area and hands
// each entry to the spawn operation of its family; entries for one hero only are skipped for the other hero in
// place, so the order of the others is the same for both heroes.
#pragma once

#include <cstdint>

enum class EntryKind : std::uint8_t { gimmick, scenery_a, scenery_b, scenery_c, ladder_segment, hazard, enemy };

inline constexpr std::int8_t entry_both_heroes = -1;

// One spawn request. The fields hold the spawn operation's arguments:
//   gimmick    spawn_gimmick(type, sub, room_x, room_y, x, y, mirror)
//   scenery_*  spawn_scenery_*(type, room_x, room_y, x, y, mirror, layer)
//   ladder_segment spawn_ladder(type, room_x, room_y, x, y, layer)            layer is the part: 1 top, 2 body
//   hazard     spawn_hazard(type, sub, x, y, layer)                       sub is the direction, x and y world
//                                                                         pixels, layer the parameter
//   enemy      spawn_enemy(type, sub, room_x, room_y, x, y)               sub is the parameter
struct LevelEntry {
  EntryKind kind;
  std::int8_t hero;  // entry_both_heroes, or the only HeroId that gets the entry
  std::int32_t type;
  std::int32_t sub;
  std::int32_t room_x;
  std::int32_t room_y;
  std::int32_t x;
  std::int32_t y;
  std::int32_t mirror;
  std::int32_t layer;
};

struct LevelDataSet {
  std::int32_t stage;
  std::int32_t area;
  bool has_exit;  // areas 1 and 2 write the exit line, area 3 does not
  std::int32_t exit_column;
  std::int32_t exit_offset;
  std::int32_t columns;  // size of the area in screens
  std::int32_t rows;
  const LevelEntry* entries;
  std::int32_t entry_count;
  const char* source;  // the text file it was compiled from
};

// Every compiled data set; stages 7 and 8 share one.
extern const LevelDataSet level_data_sets[];
extern const int level_data_set_count;

// The data set of a stage and area, or null when the area has none.
const LevelDataSet* find_level_data(int stage, int area);
