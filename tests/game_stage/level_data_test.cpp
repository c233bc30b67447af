// The validator over all level data present: each data set's size, shape, exit line, counts, kinds, cells and
// layers as the level design fixes them, and the rules that make an area playable as far as they can be checked
// without the hero (floor under the start, a flat exit run-out free of walls, every door with its switch, ladder
// stacks, nothing the hero walks on below the camera's lowest row).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"

namespace {

// What one data set holds for one hero. Counted lists read "type(count)" with the count 1 left out; gimmick lists
// read "type:count(cell,cell,...)"; shapes "columns:rows;..." as in the level design notes.
struct Expected {
  int stage, area, hero;  // hero -1: the same for both heroes
  int columns, rows;
  const char* shape;
  int exit;  // world x, or -1 for none
  const char* gimmicks;
  const char* scenery_a;
  int a_layers[3];
  const char* scenery_b;
  int b_layers[3];
  const char* scenery_c;
  int c_layers[3];
  int ladder_tops, ladder_bodies;
  const char* hazards;
  const char* enemies;
};

const Expected kExpected[] = {
    {1, 1, -1, 16, 3, "0-1:0;2-4:0,1;5-7:0,1,2;8-10:1,2;11-12:0,1,2;13-15:1", 9700,
     "0:2(0,2);1:92(0,1,3,4,7);2:111(0,1,2,6);3:63(6,9,10);6:2(7);10:2(11);50:1",
     "1(9),2(7),3(2),10,11(2),13,14(5),30(8),31(2),35(2),36,46(2),47(3),68(6),70(6)", {38, 19, 0}, "", {0, 0, 0},
     "1,2,10(2),11(9),12(2)", {0, 15, 0}, 2, 11, "", ""},
    {1, 2, -1, 17, 3, "0-5:1;6-7:1,2;8-14:0,1,2;15:1,2;16:2", 10340,
     "1:76(0,1,3);2:120(0,1,2,6);3:35(2,6,9,10);6:6(7,10);7:3(15)",
     "2(5),3(6),5(3),6(6),30(2),31(3),35,36,40(4),41(4),42,43(2),46,47,68(4),70(4),108", {37, 12, 0}, "",
     {0, 0, 0}, "4(3),5(5),6(3),7(9),14(3),15(6)", {0, 29, 0}, 1, 3, "", ""},
    {1, 3, -1, 2, 2, "0-1:1", -1, "1:10(0,1);2:10(2)", "", {0, 0, 0}, "", {0, 0, 0}, "", {0, 0, 0}, 0, 0, "", ""},
    {2, 1, -1, 17, 3, "0-4:0,1;5:1;6:1,2;7-10:2;11:1,2;12:0,1,2;13:0,1;14-16:1", 10340,
     "1:91(0,1,3,4,5);2:104(0,1,2,6);3:37(6);6:1(7);7:12(16);8:9(17);50:1", "0(4),1(2),17(3),18,24(4),50,51",
     {8, 8, 0}, "", {0, 0, 0}, "0(8)", {0, 8, 0}, 5, 23, "", ""},
    {2, 2, 0, 14, 4, "0-1:2,3;2-8:0,1,2,3;9-11:1,2,3;12:0,1;13:1", 8420,
     "1:118(0,1,3,6,7,10);2:253(0,1,2,6,9);3:151(2,6,9,10);6:1(7);7:1(15);8:11(17);10:2(11);40:10",
     "1,2(7),17(15),18(3),22(3),23,60,63,65,108", {16, 18, 0}, "", {0, 0, 0}, "1(8)", {0, 8, 0}, 5, 37,
     "39(10),40(3),41(2)", "36(10)"},
    {2, 2, 1, 14, 4, "0-1:2,3;2-8:0,1,2,3;9-11:1,2,3;11:0;12:0,1;13:1", 8420,
     "1:118(0,1,3,6,7,10);2:253(0,1,2,6,9);3:151(2,6,9,10);6:1(7);7:1(15);8:11(17);10:2(11);40:10",
     "1,2(7),17(15),18(3),22(3),23,60,63,65,108", {16, 18, 0}, "", {0, 0, 0}, "1(8)", {0, 8, 0}, 5, 37,
     "39(2),40(4),41(6)", "36(10)"},
    {2, 3, -1, 2, 2, "0-1:1", -1, "1:10(0,1);2:10(2)", "", {0, 0, 0}, "", {0, 0, 0}, "", {0, 0, 0}, 0, 0, "", "27"},
    {3, 1, -1, 15, 3, "0-3:1;4:0,1;5-6:1,2;7:0,1,2;8-9:1,2;10:2;11:0,1,2;12-13:1,2;14:2", 8420,
     "1:60(0,1,3,4,5,6,7);2:42(0,2);3:45(6,10);8:15(17);10:1(11);50:1", "1(3),3(3),80(2),81(8),82(6),83(8)",
     {6, 24, 0}, "2(14),3,4(2)", {3, 14, 0}, "", {0, 0, 0}, 6, 13, "", "37"},
    {3, 2, -1, 18, 4, "0-2:1,2;3:1,2,3;4:2,3;5:1,2,3;6:0,1,2,3;7-8:1,2,3;9-10:2,3;11:1,2,3;12:0,1,2,3;13-16:1,2,3;17:2,3",
     10980, "1:127(0,1,2,3,6);2:196(0,2,6);3:127(2,6,9,10);6:1(7);7:2(15);8:16(17);10:1(11);13:1(7);40:1;50:3",
     "0(5),80,81(4),82(2),83(14),108", {6, 21, 0}, "3,4(2),5(18),6", {22, 0, 0}, "0(13)", {0, 13, 0}, 7, 34, "",
     "36"},
    {4, 1, -1, 17, 4, "0:1,2;1:1,2,3;2-13:0,1,2,3;14:1,2;15-16:2", 10340,
     "1:130(0,1,3,4,5,7,10);2:240(0,2,5,9);3:123(6,9,10);6:1(7);50:2",
     "0(3),7,27(6),28(2),40(2),41(2),44(6),45(2),68(2),75,76,90(2),91,92", {17, 15, 0}, "", {0, 0, 0},
     "7(5),8(3),9(3),10(26),11(6),12(4),20(3)", {0, 50, 0}, 4, 25, "", ""},
    {4, 2, -1, 18, 3, "0-2:1,2;3:0,2;4-6:1,2;7:2;8-10:1,2;11:0,1,2;12:1,2;13-15:0,1,2;16:1,2;17:2", 10980,
     "1:100(0,3,4,5,7);2:40(0,2);3:29(0,6,9,10);6:2(7);10:3(11);13:2(7);14:1(7)", "0(4),2(3),108", {8, 0, 0}, "",
     {0, 0, 0}, "0(4),1(6),2,3,4,5(2),6,13(3),14(5)", {12, 8, 4}, 5, 23, "", ""},
    {5, 1, -1, 16, 3, "0:0,1,2;1:1,2;2:0,1,2;3:1,2;4:0,1,2;5:2;6-7:0,1,2;8:1,2;9-10:2;11:1,2;12-15:2", 9700,
     "1:77(0,1,3,4,5);2:108(0,1,2);3:44(6,9,10);6:1(7);7:1(15);8:2(17);10:1(11);11:5(12);12:9(13);14:1(7)",
     "4,5(2),85(4),86", {4, 4, 0}, "", {0, 0, 0}, "0(3)", {0, 3, 0}, 5, 19, "39(5)", ""},
    {5, 2, 0, 15, 4, "0-2:0,1,2,3;3:1,2,3;4:2,3;5:0,2,3;6-8:0,1,2;9:1,2;10-14:0,1,2", 9060,
     "0:1(1);1:137(0,1,3,4,7,9);2:187(0,1,2,6,9);3:133(2,6,9,10);6:3(7);7:1(15);16:1(7);40:1",
     "0(7),2(5),5,27,42(5),68(2),72,73,108", {18, 6, 0}, "", {0, 0, 0}, "0(2),1(4),2(4),5(6),6,7,4(4)", {0, 22, 0},
     8, 53, "39(16)", "36"},
    {5, 2, 1, 15, 4, "0-2:0,1,2,3;3:1,2,3;4:2,3;5:0,2,3;6-8:0,1,2;9:1,2;10-14:0,1,2", 9060,
     "0:1(1);1:137(0,1,3,4,7,9);2:187(0,1,2,6,9);3:133(2,6,9,10);6:3(7);7:1(15);16:1(7);40:1",
     "0(7),2(5),5,27,42(5),68(2),72,73,108", {18, 6, 0}, "", {0, 0, 0}, "0(2),1(4),2(4),5(6),6,7,3(4)", {0, 22, 0},
     8, 53, "39(16)", "36"},
    {6, 1, -1, 18, 3, "0:1;1-2:0,1;3-4:1;5-8:0,1;9-11:1;12-13:0,1;14-17:0,1,2", 11030,
     "1:96(0,3);2:114(0,2);3:96(6,9,10);6:4(7);10:2(11);15:8(14)",
     "3(9),27(4),42(8),94(2),95,96,97,98(2),99,100(2),101", {20, 12, 0}, "", {0, 0, 0}, "1(14),2", {0, 15, 0}, 2,
     16, "40,41(5)", ""},
    {6, 2, -1, 18, 4, "0-4:0,1,2;5:1,2;6-10:0,1,2;11-14:0,1;15-17:0,1,2,3", 12950,
     "1:139(0,3,4,5,7);2:216(0,2);3:131(6,9,10);6:6(7);7:1(15);8:14(17);10:1(11);12:7(13);14:1(7)",
     "0(12),1(2),5(4),28,42(8),66(2),94(2),95(3),102(2),104,105,106,107", {35, 5, 0}, "", {0, 0, 0},
     "1(13),2(5),3(16)", {0, 34, 0}, 3, 25, "39(4),40(2),41(3)", ""},
    {7, 1, 0, 5, 2, "0-4:0,1", 3360, "1:25(0);2:15(2,6,9);3:39(2,6,9,10);40:2", "67,69(2)", {1, 0, 2}, "", {0, 0, 0},
     "", {0, 0, 0}, 0, 0, "", ""},
    {7, 1, 1, 5, 2, "0-4:0,1", 3360, "1:25(0);2:15(2,6,9);3:39(2,6,9,10);40:2", "67,69(2)", {1, 0, 2}, "", {0, 0, 0},
     "", {0, 0, 0}, 0, 0, "46", ""},
    {9, 3, -1, 1, 2, "0:1", -1, "99:5", "", {0, 0, 0}, "", {0, 0, 0}, "", {0, 0, 0}, 0, 0, "", ""},
};

std::map<int, int> counted(const std::string& list) {
  std::map<int, int> out;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    const auto paren = item.find('(');
    out[std::stoi(item.substr(0, paren))] += paren == std::string::npos ? 1 : std::stoi(item.substr(paren + 1));
  }
  return out;
}

struct GimmickKind {
  int count;
  std::set<int> cells;
};
std::map<int, GimmickKind> gimmick_kinds(const std::string& list) {
  std::map<int, GimmickKind> out;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ';');) {
    const auto colon = item.find(':');
    const auto paren = item.find('(');
    GimmickKind kind{std::stoi(item.substr(colon + 1)), {}};
    if (paren != std::string::npos) {
      std::stringstream cells(item.substr(paren + 1, item.find(')') - paren - 1));
      for (std::string c; std::getline(cells, c, ',');) kind.cells.insert(std::stoi(c));
    }
    out[std::stoi(item.substr(0, colon))] = kind;
  }
  return out;
}

std::set<std::pair<int, int>> screens(const std::string& shape) {
  std::set<std::pair<int, int>> out;
  std::stringstream in(shape);
  for (std::string part; std::getline(in, part, ';');) {
    const auto colon = part.find(':');
    const std::string cols = part.substr(0, colon);
    const auto dash = cols.find('-');
    const int first = std::stoi(cols);
    const int last = dash == std::string::npos ? first : std::stoi(cols.substr(dash + 1));
    std::stringstream rows(part.substr(colon + 1));
    for (std::string r; std::getline(rows, r, ',');) {
      for (int c = first; c <= last; ++c) out.insert({c, std::stoi(r)});
    }
  }
  return out;
}

std::vector<LevelEntry> entries_for(const LevelDataSet& set, int hero_id) {
  std::vector<LevelEntry> out;
  for (int i = 0; i < set.entry_count; ++i) {
    if (set.entries[i].hero == entry_both_heroes || set.entries[i].hero == hero_id) out.push_back(set.entries[i]);
  }
  return out;
}

const Expected* expected_for(const LevelDataSet& set, int hero_id) {
  for (const Expected& e : kExpected) {
    if (e.stage == set.stage && e.area == set.area && (e.hero == -1 || e.hero == hero_id)) return &e;
  }
  return nullptr;
}

void check_counts(const Expected& want, const std::vector<LevelEntry>& entries) {
  std::map<int, GimmickKind> gimmick_seen;
  std::map<int, int> seen[3];
  int layers[3][3] = {};
  std::map<int, int> hazards;
  std::map<int, int> enemies;
  int tops = 0, bodies = 0;
  std::set<std::pair<int, int>> occupied;
  for (const LevelEntry& e : entries) {
    if (e.kind == EntryKind::hazard) {
      occupied.insert({e.x / 640, e.y / 480});
      ++hazards[e.type];
      continue;
    }
    occupied.insert({e.room_x, e.room_y});
    switch (e.kind) {
      case EntryKind::gimmick:
        ++gimmick_seen[e.type].count;
        if (e.type < 40) gimmick_seen[e.type].cells.insert(e.sub);
        break;
      case EntryKind::scenery_a:
      case EntryKind::scenery_b:
      case EntryKind::scenery_c: {
        const int pool = static_cast<int>(e.kind) - static_cast<int>(EntryKind::scenery_a);
        ++seen[pool][e.type];
        ASSERT_GE(e.layer, 1);
        ASSERT_LE(e.layer, 3);
        ++layers[pool][e.layer - 1];
        if (e.kind == EntryKind::scenery_b) {
          EXPECT_EQ(e.mirror, 0) << "water is never mirrored";
        }
        break;
      }
      case EntryKind::ladder_segment:
        EXPECT_EQ(e.type, 0);
        (e.layer == ladder_part_top ? tops : bodies) += 1;
        EXPECT_TRUE(e.layer == ladder_part_top || e.layer == ladder_part_body);
        break;
      case EntryKind::enemy: ++enemies[e.type]; break;
      case EntryKind::hazard: break;
    }
  }
  const auto want_gimmicks = gimmick_kinds(want.gimmicks);
  EXPECT_EQ(gimmick_seen.size(), want_gimmicks.size()) << "gimmick types";
  for (const auto& [type, kind] : want_gimmicks) {
    EXPECT_EQ(gimmick_seen[type].count, kind.count) << "gimmick type " << type;
    if (type < 40) {
      EXPECT_EQ(gimmick_seen[type].cells, kind.cells) << "cells of gimmick type " << type;
    }
  }
  const char* lists[3] = {want.scenery_a, want.scenery_b, want.scenery_c};
  const int* want_layers[3] = {want.a_layers, want.b_layers, want.c_layers};
  for (int pool = 0; pool < 3; ++pool) {
    EXPECT_EQ(seen[pool], counted(lists[pool])) << "scenery pool " << "ABC"[pool];
    for (int l = 0; l < 3; ++l) EXPECT_EQ(layers[pool][l], want_layers[pool][l]) << "ABC"[pool] << " layer " << l + 1;
  }
  EXPECT_EQ(tops, want.ladder_tops);
  EXPECT_EQ(bodies, want.ladder_bodies);
  EXPECT_EQ(hazards, counted(want.hazards));
  EXPECT_EQ(enemies, counted(want.enemies));
  EXPECT_EQ(occupied, screens(want.shape)) << "screens holding entries";
}

// The area built into the pools, as the game builds it.
void build(const LevelDataSet& set, int hero_id) {
  stage = set.stage;
  area = set.area;
  hero = hero_id;
  clear_object_pools();
  build_stage();
}

struct Box {
  int x0, x1, y0, y1;
};
std::vector<Box> solid_boxes() {
  std::vector<Box> out;
  for (int i = 0; i < gimmick_count; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.in_use == 1 && g.solid != 0) out.push_back({g.x + g.box_x0, g.x + g.box_x1, g.y + g.box_y0, g.y + g.box_y1});
  }
  return out;
}

// The top of the highest solid surface at or below world y under the hero's feet (21 pixels wide from world x),
// or -1.
int floor_below(const std::vector<Box>& boxes, int x, int y) {
  int best = -1;
  for (const Box& b : boxes) {
    if (b.x0 < x + 21 && x < b.x1 && b.y0 >= y && (best == -1 || b.y0 < best)) best = b.y0;
  }
  return best;
}

void check_playable(const LevelDataSet& set, int hero_id) {
  build(set, hero_id);
  const std::vector<Box> boxes = solid_boxes();
  // A floor under the start, inside the area.
  max_hp = 100;
  stage_entry();
  const int start_y = my - g_y;
  // Stage 2's area 3 is never entered through the stage entry, whose start for that stage's later areas lies in
  // row 2; the area's floor is in row 1.
  if (set.stage != 2 || set.area != 3) {
    const int start_floor = floor_below(boxes, mx + g_x + 19, start_y);
    EXPECT_NE(start_floor, -1) << "no floor under the start";
    EXPECT_LT(start_floor, set.rows * 480) << "the start's floor lies outside the area";
  }
  const int camera_row = 3 * (set.stage - 1) + (set.area - 1);
  if (set.has_exit) {
    // The run-out around the exit line: one flat floor, and no wall in the hero's height above it.
    const int exit_x = set.exit_column * 640 + set.exit_offset;
    const int column = std::min(exit_x / 640, 19);
    const int lowest_row = camera_floor[camera_row][column];
    const int floor = floor_below(boxes, exit_x, 0);
    ASSERT_NE(floor, -1) << "no floor at the exit line";
    EXPECT_LT(floor, (lowest_row + 1) * 480) << "the exit's floor is below the camera's lowest row";
    for (int x = exit_x - 128; x <= exit_x + 128; x += 8) {
      EXPECT_EQ(floor_below(boxes, x, floor - 120), floor) << "run-out not flat at world x " << x;
    }
    for (const Box& b : boxes) {
      const bool in_band = b.x0 < exit_x + 128 && b.x1 > exit_x - 128 && b.y0 < floor && b.y1 > floor - 120;
      EXPECT_FALSE(in_band) << "a wall in the run-out at " << b.x0 << ", " << b.y0;
    }
    // Every surface the hero can stand on lies within the rows the camera shows in its column.
    for (const Box& b : boxes) {
      const int cx = (b.x0 + b.x1) / 2;
      bool covered = false;
      for (const Box& o : boxes) covered |= o.x0 <= cx && cx < o.x1 && o.y0 < b.y0 && o.y1 > b.y0 - 200;
      const int col = std::clamp(cx / 640, 0, 19);
      if (!covered) {
        EXPECT_LT(b.y0, (camera_floor[camera_row][col] + 1) * 480)
            << "a floor at " << b.x0 << ", " << b.y0 << " below the camera's lowest row";
      }
    }
  }
  // Ladder stacks: one x, 79 pixels apart (a few gaps of 69, 82 or 89), the top piece highest.
  std::map<int, std::vector<LadderRecord>> stacks;
  for (const LadderRecord& s : ladders) {
    if (s.part != 0) stacks[s.x].push_back(s);
  }
  for (auto& [x, stack] : stacks) {
    std::sort(stack.begin(), stack.end(), [](const LadderRecord& a, const LadderRecord& b) { return a.y < b.y; });
    for (std::size_t i = 0; i < stack.size(); ++i) {
      if (i > 0) {
        const int gap = stack[i].y - stack[i - 1].y;
        EXPECT_TRUE(gap == 79 || gap == 69 || gap == 82 || gap == 89) << "ladder at x " << x << " gap " << gap;
        EXPECT_EQ(stack[i].part, ladder_part_body) << "ladder at x " << x << ": a top piece below another piece";
      }
    }
  }
}

// Every door has its switch and every switch its door (the stage 7 and 8 arena's doors open by the boss fight).
void check_doors(const std::vector<LevelEntry>& entries, int stage_id) {
  std::multiset<int> doors, switches;
  for (const LevelEntry& e : entries) {
    if (e.kind == EntryKind::gimmick && e.type == gimmick_door) doors.insert(e.sub);
    if (e.kind == EntryKind::enemy && e.type == 36) switches.insert(e.sub);
  }
  if (stage_id == 7) {
    EXPECT_TRUE(switches.empty());
    return;
  }
  EXPECT_EQ(doors, switches);
  for (int id : doors) EXPECT_EQ(doors.count(id), 1u) << "door " << id << " twice";
}

TEST(LevelData, EveryDataSetMatchesItsDesignAndIsPlayable) {
  ASSERT_GT(level_data_set_count, 0);
  for (int i = 0; i < level_data_set_count; ++i) {
    const LevelDataSet& set = level_data_sets[i];
    for (int hero_id : {0, 1}) {
      SCOPED_TRACE(std::string(set.source) + " hero " + std::to_string(hero_id));
      const Expected* want = expected_for(set, hero_id);
      ASSERT_NE(want, nullptr) << "a data set without a design row";
      EXPECT_EQ(set.columns, want->columns);
      EXPECT_EQ(set.rows, want->rows);
      EXPECT_EQ(set.has_exit, want->exit != -1);
      if (set.has_exit) {
        EXPECT_EQ(set.exit_column * 640 + set.exit_offset, want->exit);
      }
      const std::vector<LevelEntry> entries = entries_for(set, hero_id);
      check_counts(*want, entries);
      check_doors(entries, set.stage);
      check_playable(set, hero_id);
    }
  }
}

// Once every data set is present, the level data as a whole: the entries of all areas (the shared area of stages
// 7 and 8 and each hero's own entries counted once) and the mirrored totals. The areas' design rows add up to
// 5,332 entries: 4,302 gimmicks, 360 scenery A, 39 B, 225 C, 335 ladder pieces, 57 hazards and 14 enemies.
TEST(LevelData, AllDataSetsTogetherHoldTheDesignedTotals) {
  if (level_data_set_count < 16) GTEST_SKIP() << "only " << level_data_set_count << " of 16 data sets present";
  int entries = 0, gimmick_mirrors = 0, a_mirrors = 0, c_mirrors = 0;
  for (int i = 0; i < level_data_set_count; ++i) {
    const LevelDataSet& set = level_data_sets[i];
    for (int e = 0; e < set.entry_count; ++e) {
      const LevelEntry& entry = set.entries[e];
      ++entries;
      if (entry.mirror == 0) continue;
      gimmick_mirrors += entry.kind == EntryKind::gimmick;
      a_mirrors += entry.kind == EntryKind::scenery_a;
      c_mirrors += entry.kind == EntryKind::scenery_c;
    }
  }
  EXPECT_EQ(entries, 5332);
  EXPECT_EQ(gimmick_mirrors, 657);
  EXPECT_EQ(a_mirrors, 29);
  EXPECT_EQ(c_mirrors, 26);
}

TEST(LevelData, StageOneIsPresentInAllItsAreas) {
  for (int a : {1, 2, 3}) EXPECT_NE(find_level_data(1, a), nullptr) << a;
  EXPECT_EQ(find_level_data(1, 4), nullptr);
  EXPECT_EQ(find_level_data(8, 1), find_level_data(7, 1)) << "stages 7 and 8 share their area";
}

}  // namespace
