#include "game/player/pickups.h"

#include "engine/core/public_api.h"
#include "game/enemy/enemy_common.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"

Pickup pickups[pickup_pool_size];
int pickup_count;

namespace {

constexpr int effect_sheet_all_01 = 6;
constexpr int effect_sheet_tr_all_01 = 9;
constexpr int effect_sheet_tr_all_04 = 12;

// The story event whose scene steps 14..16 move, glint and light up the skill gems.
constexpr int gem_scene_event = 17;

struct Cell {
  int sheet;  // item_icons, or an effect sheet index
  int x, y, w, h;
  int lift;  // drawn this much higher
};
constexpr int item_sheet = -1;

constexpr int money_amounts[9] = {10, 50, 150, 300, 70, 70, 250, 350, 500};
constexpr Cell money_cells[9] = {
    {item_sheet, 0, 0, 13, 13, 0},  {item_sheet, 0, 0, 13, 13, 0},  {item_sheet, 0, 0, 13, 13, 0},
    {item_sheet, 0, 0, 13, 13, 0},  {item_sheet, 14, 0, 13, 14, 0}, {item_sheet, 29, 0, 15, 14, 0},
    {item_sheet, 46, 0, 13, 15, 0}, {item_sheet, 60, 0, 13, 17, 0}, {item_sheet, 74, 0, 18, 16, 0},
};

bool is_money(int kind) { return kind >= pickup_money_first && kind <= pickup_money_last; }
bool expires(int kind) { return kind < pickup_hp_up; }
bool is_goal(int kind) { return kind >= pickup_goal_a && kind <= pickup_goal_last; }
bool is_recovery_range(int kind) { return kind >= pickup_heal_10 && kind <= pickup_goal_last; }

Cell icon_cell(int kind) {
  if (is_money(kind)) return money_cells[kind - 1];
  if (kind == pickup_goal_a) return {effect_sheet_all_01, 638, 449, 40, 28, 5};
  if (kind == pickup_goal_b) return {effect_sheet_all_01, 683, 455, 33, 21, 5};
  if (kind == pickup_equipment_6) return {item_sheet, 58, 181, 34, 31, 0};
  if (kind == pickup_equipment_10) return {item_sheet, 104, 185, 20, 26, 0};
  if (kind == pickup_equipment_11) return {item_sheet, 135, 188, 22, 22, 0};
  if (kind >= pickup_gem_first) return {item_sheet, 24 * (kind - pickup_gem_first), 96, 24, 24, 0};
  return {item_sheet, 24 * (kind - pickup_heal_10), 72, 24, 24, 0};
}

void draw_cell(const Pickup& p, const Cell& c) {
  const int handle = c.sheet == item_sheet ? item_icons : effect_sheets[c.sheet];
  DrawGraphPart(p.x - g_x, p.y + g_y - c.lift, c.x, c.y, c.w, c.h, handle, 1, 0);
}

void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

void raise_caption(int code) {
  caption_code = code;
  caption_start = frame_start_ms;
}

bool in_gem_scene() { return story_event == gem_scene_event; }

// Story event 17, steps 14..16: the gems drift apart, glint and, later, stand in a halo.
void gem_scene_motion(Pickup& p) {
  const int step = scene_state.step;
  if (step == 14 && scene_state.step_frames % 5 == 0) {
    static constexpr int drift[5][2] = {{-1, -2}, {-2, -4}, {-3, -2}, {-1, 0}, {-3, 0}};
    if (p.kind >= pickup_gem_first && p.kind < pickup_gem_first + 5) {
      p.x += drift[p.kind - pickup_gem_first][0];
      p.y += drift[p.kind - pickup_gem_first][1];
    }
  }
  if (step < 14 || step > 16) return;
  const int sx = p.x - g_x, sy = p.y + g_y;
  SetBlendMode(2, 125);
  for (int i = p.glow_step == 1 ? 2 : 1; i > 0; --i) {
    DrawGraphPart(sx - 24, sy - 30, 579, 44, 61, 60, effect_sheets[effect_sheet_tr_all_01], 1, 0);
  }
  if (step >= 15) {
    SetBrightnessRGB(255, 255, 196);
    SetBlendMode(1, 16);
    DrawGraphPart(sx - 154, sy - 150, 367, 13, 310, 317, effect_sheets[effect_sheet_tr_all_04], 1, 0);
    if (p.glow_step == 1) {
      SetBlendMode(1, 8);
      DrawGraphPart(sx - 154, sy - 150, 367, 13, 310, 317, effect_sheets[effect_sheet_tr_all_04], 1, 0);
    }
    SetBrightnessRGB(255, 255, 255);
  }
  SetBlendMode(0, 255);
  p.glow_step = p.glow_step + 1 >= 8 ? 0 : p.glow_step + 1;
}

// The icon drifts a pixel every 10 updates, 5 up then 5 down.
void bob(Pickup& p) {
  if (++p.bob_count < 10) return;
  p.bob_count = 0;
  ++p.bob_steps;
  p.y += p.bob_dir == 0 ? -1 : 1;
  if (p.bob_steps > 4) {
    p.bob_steps = 0;
    p.bob_dir = 1 - p.bob_dir;
  }
}

void move(Pickup& p) {
  if (p.kind < pickup_gem_first) {
    p.y += p.vy - p.bounce;
    if (p.vy != 0) {
      if (expires(p.kind)) {
        p.x += p.dx;
      } else if (p.kind == pickup_goal_a) {
        p.x += 1;
      }
      if (p.vy % 2 == 0) spawn_effect(p.x - 10, p.y - 10, 20);
    }
  } else if (in_gem_scene()) {
    gem_scene_motion(p);
  } else {
    bob(p);
  }
}

void draw(const Pickup& p) {
  if (p.life < 150 && expires(p.kind) && p.life % 2 == 0) return;
  if (p.kind < pickup_money_first || (p.kind > pickup_money_last && p.kind < pickup_heal_10)) return;
  const Cell cell = icon_cell(p.kind);
  if (is_money(p.kind)) {
    SetBlendMode(2, 24);
    for (int i = 0; i < 10; ++i) draw_cell(p, cell);
    SetBlendMode(0, 255);
  } else if (p.kind == pickup_goal_a || p.kind == pickup_goal_b || p.kind >= pickup_gem_first) {
    draw_cell(p, cell);
  } else {
    draw_cell(p, cell);
    SetBlendMode(2, 128);
    for (int i = 0; i < 3; ++i) draw_cell(p, cell);
    SetBlendMode(0, 255);
  }
  if (in_gem_scene() && scene_state.step == 16 && (scene_state.step_frames == 80 || scene_state.step_frames == 110)) {
    if (p.kind == pickup_goal_a) {
      spawn_effect(p.x - 10, p.y - 10, 37);
      play(se_chime_2);
    } else if (p.kind == pickup_goal_b) {
      spawn_effect(p.x - 10, p.y - 10, 38);
    }
  }
}

// The stage goal and the upgrades mark the current stage; the flag arrays are indexed only within their bounds.
void set_stage_flag() {
  if (stage >= 0 && stage < static_cast<int>(sizeof stage_flags)) stage_flags[stage] = 1;
}

void collect_recovery(int kind) {
  const int m = accessory == 4 ? 2 : 1;
  switch (kind) {
    case pickup_heal_10: hp += 10 * m; break;
    case pickup_heal_20: hp += 20 * m; break;
    case pickup_heal_40: hp += 40 * m; break;
    case pickup_heal_full: hp = max_hp; break;
    case pickup_sp_10: sp += 10 * m; break;
    case pickup_sp_20: sp += 20 * m; break;
    case pickup_sp_40: sp += 40 * m; break;
    case pickup_continue:
      if (continues < 9) ++continues;
      break;
    case pickup_refill:
      hp = max_hp;
      sp = max_sp;
      return;
    case pickup_hp_up:
      if (stage >= 1 && stage <= 5) hp_up[stage - 1] = 1;
      max_hp += 10;
      hp += 10;
      break;
    case pickup_sp_up:
      if (stage >= 1 && stage <= 5) sp_up[stage - 1] = 1;
      max_sp += 10;
      sp += 10;
      break;
    default:
      if (is_goal(kind)) {
        set_stage_flag();
        if (stage == 6) {
          PlayerState = player_stage_clear_2;
          frame_counter = 0;
        }
      }
      break;
  }
  if (hp > max_hp) hp = max_hp;
  if (sp > max_sp) sp = max_sp;
}

void collect_treasure(const Pickup& p) {
  int code = 0;
  if (p.kind <= pickup_gem_last) {
    set_stage_flag();
    if (p.kind == pickup_gem_first) accessory_owned[5] = 1;
    const int skill = stage + 2;  // the skill the stage's gem teaches hero 0
    if (skill >= 0 && skill < static_cast<int>(sizeof learned[0] / sizeof learned[0][0])) learned[0][skill] = 1;
    code = 9000;
  } else if (p.kind == pickup_equipment_6) {
    accessory_owned[6] = 1;
    code = 4007;
  } else if (p.kind == pickup_equipment_10) {
    accessory_owned[10] = 1;
    code = 4003;
  } else if (p.kind == pickup_equipment_11) {
    accessory_owned[11] = 1;
    code = 4008;
  }
  play(se_gem);
  for (int i = 0; i < 4; ++i) spawn_effect(p.x - 10 + GetRandomUpTo(20), p.y - 10 + GetRandomUpTo(20), 23);
  if (code != 0) raise_caption(code);
}

void collect(Pickup& p) {
  p.active = 0;
  if (p.kind < pickup_heal_10) {
    money += pickup_money(p.kind);
    play(se_item_get_2);
    raise_caption(p.kind);
  } else if (is_recovery_range(p.kind)) {
    collect_recovery(p.kind);
    play(se_item_get_3);
  } else {
    collect_treasure(p);
  }
}

bool touches_hero(const Pickup& p) {
  const int left = p.x - g_x, top = p.y + g_y;
  return enemy_detail::boxes_meet(left, left + 24, top, top + 24, mx + 5, mx + 45, my, my + 100);
}

void land(Pickup& p) {
  if (p.vy < 3) {
    p.bounce = 0;
  } else {
    p.bounce = p.vy / 3;
    const int sx = p.x - g_x, sy = p.y + g_y;
    if (sx > -40 && sx < 680 && sy > -40 && sy < 520) {
      if (is_money(p.kind)) play(se_je);
      if (p.kind != pickup_goal_a && p.kind != pickup_goal_b) play(se_item_bound);
    }
  }
  p.vy = 0;
}

void update(Pickup& p) {
  p.landed = 0;
  move(p);
  draw(p);
  if (--p.life < 1) {
    if (expires(p.kind)) {
      p.active = 0;
    } else {
      p.life = 0;
    }
  }
  // A pickup that ran out of life in this update can still be taken in it.
  if (touches_hero(p) && PlayerState != player_story_scene) collect(p);
  if (enemy_detail::any_obstacle(p.x, p.x + 20, p.y, p.y + 20)) p.landed = 1;
  if (p.landed == 0) {
    if (p.life % 2 == 1) ++p.vy;
  } else {
    land(p);
  }
}

}  // namespace

int pickup_money(int kind) { return is_money(kind) ? money_amounts[kind - 1] : 0; }

void spawn_pickup(int x, int y, int kind) {
  for (Pickup& p : pickups) {
    if (p.active != 0) continue;
    p = Pickup{};
    p.x = x + 25;
    p.y = y - 5;
    p.active = 1;
    p.kind = kind;
    p.life = 700;
    p.vy = -4;
    p.dx = 3 - GetRandomUpTo(6);
    ++pickup_count;
    return;
  }
}

void update_pickups() {
  for (Pickup& p : pickups) {
    if (p.active == 1) update(p);
  }
}
