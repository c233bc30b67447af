// The per-kind handlers of update_enemies and the blocks they share.
#pragma once

#include <initializer_list>

#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_contact.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/player/player_globals.h"

namespace enemy_kinds {

using Handler = void (*)(int index, EnemyRecord& e);

void hopper(int i, EnemyRecord& e);          // 1
void flyer(int i, EnemyRecord& e);           // 2
void jumper(int i, EnemyRecord& e);          // 3
void heavy_walker(int i, EnemyRecord& e);    // 4
void small_floater(int i, EnemyRecord& e);   // 5
void large_floater(int i, EnemyRecord& e);   // 6
void leaper(int i, EnemyRecord& e);          // 7
void thrower(int i, EnemyRecord& e);         // 8
void caster(int i, EnemyRecord& e);          // 9
void vertical_hopper(int i, EnemyRecord& e); // 10
void small_flier(int i, EnemyRecord& e);     // 11
void burst_caster(int i, EnemyRecord& e);    // 12
void armoured_walker(int i, EnemyRecord& e); // 13
void hanging_shooter(int i, EnemyRecord& e); // 14
void arm_shooter(int i, EnemyRecord& e);     // 15
void swinging_walker(int i, EnemyRecord& e); // 16
void inertia_flyer(int i, EnemyRecord& e);   // 17
void scripted_walker(int i, EnemyRecord& e); // 18
void slammer(int i, EnemyRecord& e);         // 19
void runner(int i, EnemyRecord& e);          // 20
void crawler(int i, EnemyRecord& e);         // 21
void ambusher(int i, EnemyRecord& e);        // 22
void glow_runner(int i, EnemyRecord& e);     // 23
void splitting_caster(int i, EnemyRecord& e); // 24
void charging_walker(int i, EnemyRecord& e); // 25
void hovering_caster(int i, EnemyRecord& e); // 26, boss
void brawler(int i, EnemyRecord& e);         // 27, boss of a story scene
void card_caster(int i, EnemyRecord& e);     // 28
void leaping_ambusher(int i, EnemyRecord& e); // 29
void diving_flyer(int i, EnemyRecord& e);    // 30
void great_walker(int i, EnemyRecord& e);    // 31
void escorted_walker(int i, EnemyRecord& e); // 32
void giant(int i, EnemyRecord& e);           // 33, boss
void collectible(int i, EnemyRecord& e);     // 34, 35, 37, 38, 39
void chest(int i, EnemyRecord& e);           // 36

// Screen position of a record and the distances to the player (screen x against mx, screen y against my).
inline int ex(const EnemyRecord& e) { return e.x - g_x; }
inline int ey(const EnemyRecord& e) { return e.y + g_y; }
using enemy_detail::abs_i;
inline int dist_x(const EnemyRecord& e) { return abs_i(ex(e) - mx); }
inline int dist_y(const EnemyRecord& e) { return abs_i(ey(e) - my); }
// |x - g_x - mx + offset|: the sight test of several kinds.
inline int sight_x(const EnemyRecord& e, int offset) { return abs_i(ex(e) - mx + offset); }

// The shared ends of a handler.
// fade end: parks the record (state 3) once alpha is at most `limit`.
inline void fade_end(EnemyRecord& e, int limit) {
  if (e.alpha <= limit) e.state = enemy_defeated;
}
// park and reset, then contact.
inline void park_and_reset(int i, EnemyRecord& e) {
  e.state = enemy_defeated;
  reset_enemy(i);
  check_enemy_contact(i);
}

// The first solid gimmick meeting the test box x + a .. x + b, y + c .. y + d of the record, or -1.
inline int obstacle(const EnemyRecord& e, int a, int b, int c, int d, int from = 0) {
  return enemy_detail::next_obstacle(from, e.x + a, e.x + b, e.y + c, e.y + d);
}

// The same with the test box given as (left, top, right, bottom) offsets, the order of the kind box rows.
inline int box_obstacle(const EnemyRecord& e, int left, int top, int right, int bottom) {
  return obstacle(e, left, right, top, bottom);
}
// The gimmick test with the kind's own box row (enemy_box_table).
inline int body_obstacle(const EnemyRecord& e) {
  const EnemyBoxRow& b = enemy_box_row(e.type);
  return obstacle(e, b.left, b.right, b.top, b.bottom);
}
// -1 for a record looking left (facing 0), +1 for one looking right.
inline int dir(const EnemyRecord& e) { return e.facing == 1 ? 1 : -1; }

// Draws a cell of the kind's own sheet at the record's screen position plus an offset.
inline void draw(const EnemyRecord& e, int cx, int cy, int w, int h, int mirror, int dx = 0, int dy = 0) {
  enemy_detail::draw_cell(ex(e) + dx, ey(e) + dy, cx, cy, w, h, enemy_images[e.type], mirror);
}
inline void draw_alpha(const EnemyRecord& e, int alpha, int cx, int cy, int w, int h, int mirror, int dx = 0,
                       int dy = 0) {
  enemy_detail::draw_cell_blend(1, alpha, ex(e) + dx, ey(e) + dy, cx, cy, w, h, enemy_images[e.type], mirror);
}

// Cell x chosen from a timer by inclusive upper thresholds: the first i with t <= upper[i] gives cells[i]; past the
// last threshold, `after` (-1 draws nothing).
int cell_by(int t, std::initializer_list<int> upper, std::initializer_list<int> cells, int after = -1);

}  // namespace enemy_kinds
