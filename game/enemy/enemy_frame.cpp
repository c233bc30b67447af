#include "game/enemy/enemy_frame.h"

#include <cmath>

#include "engine/core/public_api.h"
#include "game/enemy/enemy_kinds.h"

namespace enemy_detail {

short sin_table[360];
short cos_table[360];

namespace {

struct TrigTables {
  TrigTables() {
    for (int d = 0; d < 360; ++d) {
      const double r = d * 3.14159265358979323846 / 180.0;
      sin_table[d] = static_cast<short>(std::lround(1000.0 * std::sin(r)));
      cos_table[d] = static_cast<short>(std::lround(1000.0 * std::cos(r)));
    }
  }
} trig_tables;

}  // namespace

Step aimed_step(int dx, int dy, int divisor) {
  const int d = static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
  const int n = d / divisor;
  if (n == 0) return {0, 0};
  return {(dx + 30) / n, (dy + 30) / n};
}

}  // namespace enemy_detail

namespace enemy_kinds {

int cell_by(int t, std::initializer_list<int> upper, std::initializer_list<int> cells, int after) {
  auto c = cells.begin();
  for (int u : upper) {
    if (t <= u) return *c;
    ++c;
  }
  return after;
}

}  // namespace enemy_kinds

namespace {

using namespace enemy_kinds;

// Handlers by kind.
Handler handler_of(int kind) {
  switch (kind) {
    case 1: return hopper;
    case 2: return flyer;
    case 3: return jumper;
    case 4: return heavy_walker;
    case 5: return small_floater;
    case 6: return large_floater;
    case 7: return leaper;
    case 8: return thrower;
    case 9: return caster;
    case 10: return vertical_hopper;
    case 11: return small_flier;
    case 12: return burst_caster;
    case 13: return armoured_walker;
    case 14: return hanging_shooter;
    case 15: return arm_shooter;
    case 16: return swinging_walker;
    case 17: return inertia_flyer;
    case 18: return scripted_walker;
    case 19: return slammer;
    case 20: return runner;
    case 21: return crawler;
    case 22: return ambusher;
    case 23: return glow_runner;
    case 24: return splitting_caster;
    case 25: return charging_walker;
    case 26: return hovering_caster;
    case 27: return brawler;
    case 28: return card_caster;
    case 29: return leaping_ambusher;
    case 30: return diving_flyer;
    case 31: return great_walker;
    case 32: return escorted_walker;
    case 33: return giant;
    case 34: case 35: case 37: case 38: case 39: return collectible;
    case 36: return chest;
    default: return nullptr;
  }
}

}  // namespace

void update_enemies() {
  if (enemy_count <= 0) return;
  // enemy_count is read again after every record: a record spawned by a handler is run in the same frame.
  for (int i = 0; i < enemy_loop_end(); ++i) {
    apply_hit_flash(i);
    EnemyRecord& e = enemy_pool[i];
    if (const Handler handler = handler_of(e.type)) handler(i, e);
    SetBrightnessRGB(255, 255, 255);
  }
}
