#include "game/player/hero_sprite.h"

#include <initializer_list>

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/player/effects.h"
#include "game/stage/stage_state.h"

namespace {

constexpr int nothing = -1;

// The value of the first step whose limit lies above v; `values` has one entry more than `limits` for the frames
// after the last limit, or as many entries when nothing follows (then the result is `nothing`).
int step(int v, std::initializer_list<int> limits, std::initializer_list<int> values) {
  if (v < 0) return nothing;
  auto value = values.begin();
  for (int limit : limits) {
    if (v < limit) return *value;
    ++value;
  }
  return value != values.end() ? *value : nothing;
}

struct Cell {
  int x, y, w, h;
};

int left() { return pose >= 0 && pose <= 8 ? 0 : 1; }
bool alternate_costume() { return hero == 1 && accessory == 14; }
bool shooting_pose() { return shot_pose != 0 || release_pose != 0; }
int walk_value() {
  if (pose >= 1 && pose <= 8) return pose;
  if (pose >= 11 && pose <= 18) return pose - 10;
  return 0;
}
void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }
void effect_at_screen(int x, int y, int type) { spawn_effect(x + g_x, y - g_y, type); }

// A cell of body sheet 1..4 at screen (x, y), transparent.
void body(int sheet, Cell c, int x, int y, int mirrored) {
  DrawGraphPart(x, y, c.x, c.y, c.w, c.h, hero_body[sheet - 1], 1, mirrored);
}
void sword(int sheet, Cell c, int x, int y, int mirrored) {
  DrawGraphPart(x, y, c.x, c.y, c.w, c.h, hero_weapon[sheet - 1], 1, mirrored);
}
// A body cell with the sword cell of the same place laid over it.
void armed(int sheet, int sword_sheet, Cell c, int x, int y, int mirrored) {
  body(sheet, c, x, y, mirrored);
  sword(sword_sheet, c, x, y, mirrored);
}
// The usual anchors: 57-wide cells at the hero, 120-wide cells 31 pixels left of it.
void narrow(int sheet, int cx, int cy, int mirrored) { body(sheet, {cx, cy, 57, 108}, mx, my - 2, mirrored); }
void wide(int sheet, int cx, int cy, int mirrored) { body(sheet, {cx, cy, 120, 108}, mx - 31, my - 2, mirrored); }

void victory_pose() {
  const int f = frame_counter;
  if (hero == 0) {
    if (f == 480) play(se_wi);
    if (f < 451) {
      body(1, {399, 0, 57, 108}, mx, my, 0);
    } else if (f >= 480 && f <= 489) {
      body(2, {342, 432, 57, 108}, mx, my, 0);
    } else {
      body(2, {285, 432, 57, 108}, mx, my, 0);
    }
    return;
  }
  if (f == 470) effect_at_screen(mx - 31, my, 19);
  if (f < 446) {
    body(1, {360, 0, 120, 108}, mx - 31, my, 0);
    return;
  }
  const int column = step(f, {471, 476, 481, 486, 491, 496, 501, 531}, {0, 120, 240, 360, 480, 600, 720, 840, 840});
  const int dx = step(f, {481, 491}, {-31, -51, -53});
  body(3, {column, f >= 531 ? 432 : 540, 120, 108}, mx + dx, my, 0);
}

void death_pose() {
  skill_step += 1;
  const int c = skill_step;
  if (hero == 0) {
    const int column = step(c, {21, 31, 36}, {0, 108, 216, 324});
    body(2, {column, 108, 108, 108}, left() != 0 ? mx : mx - 50, my, left());
    return;
  }
  const int column = step(c, {21, 36}, {360, 480, 600});
  const int x = c < 21 ? (left() != 0 ? mx : mx - 50) : mx - 20;
  body(2, {column, 540, 120, 108}, x, my, left());
}

void hit_reaction() {
  const int k = step(hurt_count, {11, 21}, {0, 1, 2});
  if (hero == 0) {
    narrow(2, k == 1 ? 663 : 606, 0, left());
  } else if (alternate_costume()) {
    wide(4, 560 + 120 * k, 0, left());
  } else {
    wide(2, 120 * k, 540, left());
  }
}

void tea_idle() {
  const int t = tea;
  if (t >= 2010 && t <= 2199) {
    tea_overlay_alpha = 0;
    tea_overlay_offset = left() != 0 ? -30 : 30;
  }
  if (t >= 2200 && t <= 2299 && tea_overlay_alpha < 251) tea_overlay_alpha += 5;
  if (t >= 2940 && t <= 2989) tea_overlay_alpha -= 5;
  const int body_column =
      step(t, {2010, 2200, 2420, 2430, 2500, 2515, 2550, 2590, 2650, 2750, 2770, 3050},
           {0, 57, 114, 171, 228, 285, 342, 285, 342, 399, 456, 513, 0});
  narrow(3, body_column, 0, left());
  const int side = step(t, {2200, 2300, 2320, 2420, 2860, 2880, 2900, 2920, 2940, 2990},
                        {nothing, 0, 57, 114, 456, 342, 399, 342, 399, 285, nothing});
  if (side != nothing) {
    const bool fade = (t >= 2200 && t <= 2299) || (t >= 2940 && t <= 2989);
    if (fade) SetBlendMode(1, tea_overlay_alpha);
    body(3, {side, 108, 57, 108}, mx + tea_overlay_offset, my - 2, left());
    if (fade) SetBlendMode(0, 255);
  }
  if (t == 3059) tea = 0;
}

void melee_pose() {
  const int a = melee_count;
  if (a == 6) {
    play(se_swing);
    effect_at_screen(mx, my, 18);
  }
  if (a >= 21) return;
  const int k = a / 3;
  melee_frame = k + 1;
  const int x = left() != 0 ? mx - 28 : mx - 32;
  if (jumping != 0 || falling != 0) {
    if (k < 2) {
      body(2, {120 * k, 216, 120, 108}, x, my - 2, left());
    } else {
      body(3, {120 * (k - 2), 216, 120, 108}, x, my - 2, left());
    }
  } else {
    body(2, k == 6 ? Cell{600, 108, 120, 108} : Cell{120 * k, 216, 120, 108}, x, my - 2, left());
  }
}

void sword_swing() {
  const int s = attack_count;
  const int m = left();
  if (s == 1) play(PlayerState == player_attack_2 ? se_mb_dp1 : se_swing);
  if (walk_attack != 0) {
    if (s == 24) play(se_k_sn2);
    const int v = walk_value();
    if (v != 0) body(3, {120 * (v - 1), 324, 120, 108}, mx - 31, my - 2, m);
    if (s >= 32) return;
    const Cell c{120 * (s / 4), 216, 120, 108};
    body(3, c, mx - 31, my - 2, m);
    if (s < 8 || s >= 24) {
      sword(3, c, mx - 31, my - 2, m);
    } else {
      const int k = s / 4 - 2;
      sword(3, {240 + 140 * k, 216, k == 3 ? 139 : 140, 108}, m != 0 ? mx - 51 : mx - 31, my - 2, m);
    }
    return;
  }
  if (crouching != 0) {
    if (s == 24) play(se_k_sn2);
    const int column = step(s, {4, 8, 12, 16, 20, 24, 28, 32}, {0, 120, 240, 360, 480, 600, 120, 0});
    if (column == nothing) return;
    const int shift = s >= 8 && s < 24 ? (m != 0 ? -10 : 10) : 0;
    armed(2, 2, {column, 216, 120, 108}, mx - 31 + shift, my - 2, m);
    return;
  }
  if (s >= 28) return;
  if (PlayerState == player_attack_2) {
    if (s == 20) play(se_k_sn2);
    if (s < 20) {
      armed(2, 2, {140 * (s / 4), 108, 140, 108}, mx - 3 + (m != 0 ? -76 : 0), my - 12, m);
    } else {
      armed(2, 2, {s < 24 ? 600 : 0, 0, 120, 108}, mx - 31, my - 2, m);
    }
    return;
  }
  if (s == 24) play(se_k_sn2);
  if (s < 4) {
    armed(2, 2, {0, 0, 120, 108}, mx - 31, my - 2, m);
  } else if (s < 20) {
    const int k = s / 4 - 1;
    const int x = mx - 31 + (m != 0 ? -10 : 10);
    if (alternate_costume()) {
      const Cell c{324 + 120 * k, 108, 120, 108};
      body(4, c, x, my - 2, m);
      sword(2, c, x, my - 2, m);
    } else {
      armed(2, 2, {120 + 120 * k, 0, 120, 108}, x, my - 2, m);
    }
  } else {
    armed(2, 2, {s < 24 ? 600 : 0, 0, 120, 108}, mx - 31, my - 2, m);
  }
}

// The casting pose of the running skill; false when the skill has no pose at this count.
bool casting_pose() {
  const int c = skill_step;
  const int m = left();
  const int shift = m != 0 ? -76 : 0;
  switch (skill_id) {
    case 3: {
      body(2, {step(c, {15, 20, 25, 30, 35}, {0, 120, 240, 360, 480, 600}), 324, 120, 108}, mx - 32, my - 2, m);
      if (c < 16) {
        SetBlendMode(2, 64);
        const Cell glow{186 * ((c / 2) % 4), c < 8 ? 0 : 186, 186, 186};
        for (int i = 0; i < 10; ++i) {
          DrawGraphPart(mx - 63, my - 45, glow.x, glow.y, glow.w, glow.h, effect_sheets[19], 1, 0);
        }
        SetBlendMode(0, 255);
      }
      return true;
    }
    case 5: narrow(1, 456, 0, m); return true;
    case 6: {
      if (c >= 70) return true;
      const int k = step(c, {5, 10, 15, 25, 30, 35}, {0, 1, 2, 3, 4, 5, 6});
      const Cell cells[7] = {{0, 540, 120, 108},   {120, 540, 120, 108}, {240, 540, 120, 108}, {360, 540, 120, 108},
                             {480, 540, 120, 108}, {600, 540, 120, 108}, {600, 432, 120, 108}};
      body(2, cells[k], mx - 32, my - 2, m);
      return true;
    }
    case 7: {
      const int column = step(c, {10, 20, 30, 40, 50, 60, 70}, {0, 57, 114, 171, 228, 171, 228});
      if (column == nothing) return false;
      body(2, {column, 432, 57, 108}, mx, my - 2, m);
      if (c >= 31 && c <= 59) {
        const int k = (c - 31) / 5;
        SetBlendMode(1, 128);
        DrawGraphPart(mx - 40, my - 15, 128 * (c - 30 - 5 * k), 128 * k, 128, 128, projectile_sheets[1], 1, 0);
        SetBlendMode(0, 255);
      }
      return true;
    }
    case 12: {
      if (c == 15) play(se_k_za);
      if (c == 42) play(se_k_sn2);
      if (c >= 50) return true;
      if (c < 15 || c >= 42) {
        armed(2, 2, {c >= 42 && c < 46 ? 600 : 0, 0, 120, 108}, mx - 31, my - 2, m);
        return true;
      }
      const Cell cell{step(c, {19, 23, 27}, {0, 140, 280, 420}), alternate_costume() ? 0 : 648, 140, 108};
      body(alternate_costume() ? 4 : 2, cell, mx - 3 + shift, my - 12, m);
      sword(2, cell, mx - 3 + shift, my - 12, m);
      return true;
    }
    case 13: {
      if (c == 4) play(se_k_za);
      if (c == 28) play(se_k_sn2);
      if (c < 8) {
        armed(3, 3, {0, 108, 120, 108}, mx - 31, my - 2, m);
      } else if (c < 28) {
        const int k = step(c, {12, 16, 20}, {0, 1, 2, 3});
        const Cell costume{140 * k, 432, 140, 108};
        const Cell cell{120 + 140 * k, 108, 140, 108};
        body(alternate_costume() ? 4 : 3, alternate_costume() ? costume : cell, mx - 3 + shift, my - 12, m);
        sword(3, cell, mx - 3 + shift, my - 12, m);
      } else if (c < 36) {
        armed(2, 2, {c < 32 ? 600 : 0, 0, 120, 108}, mx - 31, my - 2, m);
      } else {
        return false;
      }
      return true;
    }
    case 14: {
      if (c == 20) play(se_k_sn2);
      if (c >= 24) return false;
      const int k = c / 4;
      constexpr int body_columns[6] = {0, 140, 280, 280, 420, 560};
      const int x = mx - 31 + (m != 0 ? -40 : 30);
      body(alternate_costume() ? 4 : 3, {body_columns[k], alternate_costume() ? 216 : 0, 140, 108}, x, my - 11, m);
      sword(3, {140 * k, 0, 140, 108}, x, my - 11, m);
      return true;
    }
    case 15: {
      if (c >= 40) return true;
      const Cell cell{step(c, {8, 16, 24, 32}, {0, 120, 240, 360, 240}), 432, 120, 108};
      body(alternate_costume() ? 4 : 3, {cell.x, alternate_costume() ? 540 : 432, 120, 108}, mx - 31, my - 2, m);
      sword(3, cell, mx - 31, my - 2, m);
      return true;
    }
    case 20:
      if (hero == 0) {
        narrow(2, step(c, {5, 10}, {0, 57, 114}), 0, m);
      } else if (alternate_costume() && c >= 5 && c < 20) {
        body(4, {480 + 120 * ((c - 5) / 5), 540, 120, 108}, mx - 32, my - 2, m);
      } else {
        body(2, {step(c, {5, 10, 15, 20}, {0, 120, 240, 360, 480}), 432, 120, 108}, mx - 32, my - 2, m);
      }
      return true;
    default: return false;
  }
}

void jump_pose() {
  const int j = jump_anim;
  const int m = left();
  const bool kick_pose = kick_push != 0 && kick_push <= 5;
  int column = 0;
  if (jumping != 0 && rising != 0 && kick_pose) {
    effect_at_screen(m != 0 ? mx - 10 : mx, my + 40, m != 0 ? 9 : 8);
    column = hero == 0 ? 456 : 840;
  } else if (jumping != 0 && rising != 0) {
    column = step(j, {10, 20}, {0, 1, 2});
    column *= hero == 0 ? 57 : 120;
  } else if (jumping != 0) {
    column = hero == 0 ? step(j, {15, 25, 30}, {171, 228, 285, 342}) : step(j, {15, 25, 30}, {360, 480, 600, 720});
  } else {
    column = hero == 0 ? step(j, {5, 10}, {228, 285, 342}) : step(j, {5, 10}, {480, 600, 720});
  }
  if (hero == 0) {
    narrow(1, column, shooting_pose() ? 432 : 324, m);
  } else {
    const Cell c{column, 324, 120, 108};
    body(alternate_costume() ? 4 : 1, c, mx - 31, my - 2, m);
    sword(1, c, mx - 31, my - 2, m);
  }
}

void attack_pose() {
  const int p = release_pose;
  const int m = left();
  if (walk_attack != 0 && walk_value() != 0) {
    narrow(1, 57 * (walk_value() - 1), 216, m);
    return;
  }
  const int column = step(p, {2, 4, 11, 21, 31}, {456, 513, 570, 513, 570});
  if (column != nothing) narrow(1, column, p < 11 ? 432 : 539, m);
  const int k = step(p, {5, 8, 11, 14, 17, 20}, {0, 1, 2, 3, 4, 5});
  if (k != nothing) {
    constexpr int source_x[6] = {0, 35, 89, 160, 231, 302};
    constexpr int width[6] = {34, 54, 71, 71, 71, 45};
    const int x = m == 0 ? (k == 0 ? mx + 20 : mx) : (k == 0 ? mx + 15 : k == 5 ? mx + 20 : mx - 5);
    DrawGraphPart(x, my - 15, source_x[k], 17, width[k], 95, effect_sheets[6], 1, m);
  }
  if (p < 6) DrawGraphPart(m != 0 ? mx - 100 : mx - 50, my - 100, 0, 0, 215, 230, effect_sheets[9], 1, m);
}

void dash_dust() {
  if (dash == 1 || dash == 6 || dash == 11) effect_at_screen(mx - 60, my + 50, 6);
}

void stand_walk_dash() {
  const int m = left();
  const int v = walk_value();
  if (dashing != 0) {
    dash_dust();
    if (hero == 0) {
      const int column = step(dash, {2, 4}, {282, 390, 498});
      body(2, {column, 0, 108, 108}, dash < 2 ? mx - 20 : mx - 30, my - 2, m);
      return;
    }
    const int k = step(dash, {2, 6, 10, 14, 18, 22}, {0, 1, 2, 3, 4, 5, 6});
    constexpr int columns[7] = {0, 108, 216, 324, 216, 108, 216};
    constexpr int costume_columns[7] = {0, 0, 108, 216, 108, 0, 0};
    if (alternate_costume()) {
      body(4, {costume_columns[k], 108, 108, 108}, mx - 20, my - 2, m);
    } else {
      body(2, {columns[k], 324, 108, 108}, mx - 20, my - 2, m);
    }
    sword(2, {dash < 2 ? 0 : 120, 324, 120, 108}, m != 0 ? mx - 30 : mx - 20, my - 2, m);
    return;
  }
  if (hero == 0) {
    if (v != 0) {
      narrow(1, 57 * (v - 1), shot_pose != 0 ? 216 : 108, m);
    } else if (shot_pose != 0) {
      narrow(1, 456, 0, m);
    } else {
      narrow(1, step(idle_anim, {10, 20, 30}, {171, 228, 285, 228}), 0, m);
    }
    return;
  }
  if (v != 0) {
    const Cell c{120 * (v - 1), 108, 120, 108};
    armed(1, 1, c, mx - 31, my - 2, m);
  } else {
    wide(1, step(idle_anim, {15, 30, 45}, {0, 120, 240, 120}), 0, m);
  }
}

void ladder_pose() {
  const int l = ladder;
  if (ladder_move == 1) {
    if (hero == 0) {
      narrow(1, step(l, {7, 14, 21, 28}, {456, 399, 342, 285, 228}), 540, 0);
    } else {
      wide(1, step(l, {10, 20, 30, 40}, {360, 360, 240, 120, 0}), 648, 0);
    }
  } else if (ladder_move == 2) {
    if (hero == 0) {
      narrow(1, step(l, {10, 20, 30, 40}, {228, 285, 342, 399, 456}), 540, 0);
    } else if (alternate_costume() && l >= 0 && l < 10) {
      wide(4, 804, 108, 0);
    } else {
      wide(1, step(l, {10, 20, 30, 40}, {0, 120, 240, 360, 360}), 648, 0);
    }
  } else {
    const int k = step(l, {5, 10, 15, 21, 26}, {0, 1, 2, 3, 4, 5});
    if (k == nothing) return;
    if (hero == 0) {
      narrow(3, 57 * k, 324, 0);
    } else {
      wide(1, 120 * k, 540, 0);
    }
  }
}

void draw_pose() {
  const bool dying = PlayerState == player_dead;
  if (!dying && hurt_count >= 30 && hurt_count % 2 == 1) return;
  if (PlayerState == player_stage_clear_2) return victory_pose();
  if (dying) return death_pose();
  if (hurt_count >= 1 && hurt_count <= 30) return hit_reaction();
  if (crouching != 0 && PlayerState != player_attack_1 && PlayerState != player_attack_2) {
    if (hero == 0) {
      narrow(1, shooting_pose() ? 570 : 513, 0, left());
    } else {
      wide(1, 840, 0, left());
    }
    return;
  }
  if (on_ladder != 0) return ladder_pose();
  if (tea > 2000) return tea_idle();
  if (PlayerState == player_melee) return melee_pose();
  if (PlayerState == player_attack_1 || PlayerState == player_attack_2) return sword_swing();
  if (PlayerState == player_skill && casting_pose()) return;
  if (jumping != 0 || falling != 0) return jump_pose();
  if (hero == 0 && release_pose != 0) return attack_pose();
  stand_walk_dash();
}

}  // namespace

void draw_hero_sprite() {
  mirror = left();
  draw_pose();
  // The death starts once no HP is left and no hit reaction frames are pending, whatever started the hit.
  if (hp < 1 && PlayerState != player_dead && !(hurt != 0 && hurt_count < 30)) {
    PlayerState = player_dead;
    skill_step = 0;
  }
}
