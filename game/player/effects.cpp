#include "game/player/effects.h"

#include <array>
#include <cmath>

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"

EffectRecord effects[effect_pool_size];

namespace {

struct TrigTables {
  std::int16_t sin[360];
  std::int16_t cos[360];
};

const TrigTables& trig() {
  static const TrigTables tables = [] {
    TrigTables t{};
    for (int d = 0; d < 360; ++d) {
      const double r = d * 3.14159265358979323846 / 180.0;
      t.sin[d] = static_cast<std::int16_t>(std::lround(1000.0 * std::sin(r)));
      t.cos[d] = static_cast<std::int16_t>(std::lround(1000.0 * std::cos(r)));
    }
    return t;
  }();
  return tables;
}

constexpr int blend_none = 0;
constexpr int blend_alpha = 1;
constexpr int blend_add = 2;

struct Cell {
  int x, y, w, h;
};

int sheet(int index) { return effect_sheets[index]; }
constexpr int sheet_ex01 = 5, sheet_all_01 = 6, sheet_all_02 = 7, sheet_tr_01 = 9, sheet_tr_03 = 11,
              sheet_tr_04 = 12, sheet_tr_05 = 13, sheet_tr_07 = 15, sheet_strike = 17;
constexpr int proj_ds = 2, proj_km = 3, proj_burst = 4, proj_oni = 5, proj_blood = 6;

// Draws `cell` n times at screen (x, y) under the blend already set (n of 0 or less draws nothing).
void stack(int n, int image, int x, int y, Cell cell, int mirrored) {
  for (int i = 0; i < n; ++i) DrawGraphPart(x, y, cell.x, cell.y, cell.w, cell.h, image, 1, mirrored);
}

void stacked(int blend, int param, int n, int image, int x, int y, Cell cell, int mirrored) {
  SetBlendMode(blend, param);
  stack(n, image, x, y, cell, mirrored);
  SetBlendMode(blend_none, 0);
}

int sx(const EffectRecord& e) { return e.x - g_x; }
int sy(const EffectRecord& e) { return e.y + g_y; }
int facing_left() { return mirror != 0 ? 1 : 0; }

// Frame f (0..15) of the 4 x 4 burst grid; nothing from 16 on.
void burst(int blend, int param, int n, int x, int y, int f) {
  if (f >= 16) return;
  stacked(blend, param, n, projectile_sheets[proj_burst], x, y, Cell{160 * (f % 4), 160 * (f / 4), 160, 160}, 0);
}

void tint_by_weapon(int w0r, int w0g, int w0b, bool tint_zero) {
  if (weapon == 2) {
    SetBrightnessRGB(255, tint_zero ? 96 : 108, tint_zero ? 96 : 108);
  } else if (weapon == 1) {
    SetBrightnessRGB(255, 255, tint_zero ? 128 : 96);
  } else if (weapon == 0 && tint_zero) {
    SetBrightnessRGB(w0r, w0g, w0b);
  }
}

void ring_and_burst(EffectRecord& e) {
  e.phase += 5;
  const int grow = 2 * e.phase + 20;
  tint_by_weapon(192, 192, 255, true);
  SetBlendMode(blend_alpha, (85 - e.phase) * 3);
  for (int i = 0; i < 2; ++i) {
    DrawGraphStretched(sx(e) - grow, sy(e) - grow, sx(e) + 152 + grow, sy(e) + 152 + grow, gallery_pics[0], 1);
  }
  burst(blend_alpha, 168, 1, sx(e), sy(e), e.age);
  SetBrightnessRGB(255, 255, 255);
  if (e.age > 16) e.active = 0;
}

// A glint or sparkle that fades by `fade` per update under additive blend at its alpha.
void fading_glint(EffectRecord& e, int image, int x, int y, Cell cell, int mirrored, int draws, int fade,
                  int free_at_or_below) {
  stacked(blend_add, e.alpha, draws, image, x, y, cell, mirrored);
  e.alpha -= fade;
  if (e.alpha <= free_at_or_below) e.active = 0;
}

// Hero-anchored slash of types 16 to 18: the cell at (mx + dx, my + dy), fading over 16 updates.
void hero_slash(EffectRecord& e, Cell cell, int dx_left, int dx_right, int dy) {
  stacked(blend_add, 36, 16 - e.age, sheet(sheet_tr_04), mx + (facing_left() ? dx_left : dx_right), my + dy, cell,
          facing_left());
  if (e.age > 16) e.active = 0;
}

void staged_aura(EffectRecord& e) {
  for (int k = 0; k < 10; ++k) {
    const int length = k == 8 ? 30 : 20;
    if (e.age < 5 * k || e.stage_count[k] >= length) continue;
    Cell cell{};
    int x = mx - 81, y = my - 46, param = 36;
    if (k <= 3) {
      cell = Cell{120 * k, 0, 120, 108};
      x = mx - 31;
      y = my;
    } else if (k <= 6) {
      cell = Cell{200 * (k - 4), 108, 200, 200};
    } else if (k == 7) {
      cell = Cell{0, 308, 200, 200};
    } else if (k == 8) {
      cell = Cell{200, 308, 200, 200};
      param = 18;
    } else {
      cell = Cell{400, 308, 200, 100};
      param = 18;
    }
    stacked(blend_add, param, length - e.stage_count[k], sheet(sheet_tr_05), x, y, cell, 0);
    e.stage_count[k] += 1;
  }
  if (e.stage_count[9] >= 20) e.active = 0;
}

void staged_strike(EffectRecord& e) {
  for (int k = 0; k < 7; ++k) {
    if (e.age < 3 * k || e.stage_count[k] >= 10) continue;
    stacked(blend_add, 12, 10 - e.stage_count[k], sheet(sheet_strike), e.x, e.y, Cell{114 * k, 113, 114, 238},
            facing_left());
    e.stage_count[k] += 1;
  }
  if (e.stage_count[6] >= 10) e.active = 0;
}

void fire_spirit(EffectRecord& e) {
  if (e.phase == 0) {
    e.angle = (e.type - 25) * 120;
    e.phase = 1;
  }
  if (e.anim >= 52) {
    e.radius = 3;
    e.step_x = cos_table[e.angle] * 3 / 1000;
    e.step_y = sin_table[e.angle] * e.radius / 1000;
    e.angle += 3;
    if (e.angle >= 360) e.angle = 0;
    e.x += e.step_x;
    e.y += e.step_y;
  }
  const Cell cell = e.anim < 40 ? Cell{54 * (e.anim / 4), 0, 54, 54} : Cell{54 * ((e.anim - 40) / 4), 54, 54, 54};
  static constexpr int dx[3] = {-10, 30, -45};
  static constexpr int dy[3] = {-22, 35, 35};
  const int k = e.type - 25;
  stacked(blend_alpha, 180, 1, projectile_sheets[proj_oni], e.x + mx + dx[k], e.y + my + dy[k], cell, 0);
  e.anim += 1;
  if (e.anim == 76) e.anim = 52;
  if (e.anim >= 52 && spirit_barrier == 0) {
    e.active = 0;
    PlaySoundHandle(sound_table[se_k_oni2], 1, 1);
  }
}

void run_effect(EffectRecord& e) {
  const int x = sx(e), y = sy(e);
  switch (e.type) {
    case 1:
      stacked(blend_none, 0, 1, sheet(sheet_ex01), x, y,
              e.age < 10 ? Cell{64 * e.age, 0, 64, 64} : Cell{64 * (e.age - 10), 64, 64, 64}, 0);
      if (e.age > 20) e.active = 0;
      break;
    case 2: {
      const Cell cell{90 * e.half_age, 131, 90, 90};
      stacked(blend_none, 0, 1, sheet(sheet_all_02), x, y, cell, 0);
      stacked(blend_add, 48, 10, sheet(sheet_all_02), x, y, cell, 0);
      if (e.half_age > 7) e.active = 0;
      break;
    }
    case 3:
      SetBlendMode(blend_add, 13);
      if (e.age > 0) stack(10 - e.age, sheet(sheet_tr_04), x, y, Cell{0, 780, 110, 120}, 1);
      if (e.age > 5) stack(10 - e.age, sheet(sheet_tr_04), x, y, Cell{110, 780, 110, 120}, 1);
      SetBlendMode(blend_none, 0);
      if (e.age >= 10) e.active = 0;
      break;
    case 5:
      burst(blend_add, 24, 30 - e.age, x, y, e.age);
      if (e.age > 16) e.active = 0;
      break;
    case 6:
    case 7:
      SetBlendMode(blend_add, 10);
      for (int i = 0; i < 30 - e.age; ++i) {
        if (e.type == 6) {
          DrawGraphAt(x, y, projectile_sheets[proj_ds], 1);
        } else {
          DrawGraphMirrored(x, y, projectile_sheets[proj_ds], 1);
        }
      }
      SetBlendMode(blend_none, 0);
      e.x += e.type == 6 ? -1 : 1;
      if (e.age > 30) e.active = 0;
      break;
    case 8:
    case 9:
      stacked(blend_add, 15, 15 - e.age, sheet(sheet_tr_04), x, y, Cell{0, 710, 58, 58}, e.type == 9 ? 1 : 0);
      if (e.age > 14) e.active = 0;
      break;
    case 10:
      SetBlendMode(blend_add, 10);
      for (int i = 0; i < 4; ++i) {
        if (e.age > 2 * i) stack(15 - e.age, sheet(sheet_tr_04), x, y, Cell{110 * i, 780, 110, 120}, 1);
      }
      SetBlendMode(blend_none, 0);
      if (e.age > 14) e.active = 0;
      break;
    case 11:
    case 12:
    case 13:
    case 14:
      tint_by_weapon(255, 255, 255, false);
      stacked(blend_add, 32, 16 - e.age, sheet(sheet_tr_03), x, y, Cell{429, 281, 211, 200},
              e.type == 12 || e.type == 13 ? 1 : 0);
      SetBrightnessRGB(255, 255, 255);
      if (e.age > 16) e.active = 0;
      break;
    case 15:
    case 24: ring_and_burst(e); break;
    case 16: {
      const int dy = walk_attack != 0 ? -10 : crouching != 0 ? 2 : -20;
      const bool close = walk_attack != 0 || crouching != 0;
      hero_slash(e, Cell{450, 752, 141, 142}, close ? -70 : -65, close ? -10 : -15, dy);
      break;
    }
    case 17: hero_slash(e, Cell{628, 731, 173, 150}, -100, -10, -40); break;
    case 18: hero_slash(e, Cell{500, 606, 86, 144}, -40, 15, -30); break;
    case 19: staged_aura(e); break;
    case 20:
      fading_glint(e, sheet(sheet_tr_01), x - 24, y - 20, Cell{579, 108, 61, 60}, 0, e.odd == 1 ? 2 : 1, 20, 20);
      break;
    case 22:
    case 23:
      if (e.alpha == 255) e.alpha = 160;
      fading_glint(e, sheet(sheet_tr_01), x - 24, y - 20, Cell{579, e.type == 22 ? 44 : 108, 61, 60}, 0,
                   e.odd == 1 ? 2 : 1, 10, 10);
      break;
    case 25:
    case 26:
    case 27: fire_spirit(e); break;
    case 28:
      if (e.age < 20) {
        stacked(blend_none, 0, 1, projectile_sheets[proj_km], x, y,
                Cell{128 * (e.age % 5), 128 * (e.age / 5), 128, 128}, 0);
      }
      if (e.age > 20) e.active = 0;
      break;
    case 29: {
      const int column = e.phase < 8 ? 0 : e.phase < 16 ? 120 : 240;
      stacked(blend_add, 64 - e.age, 8, sheet(sheet_tr_05), x, y, Cell{column, 520, 120, 120}, 0);
      e.phase += 1;
      if (e.phase == 24) e.phase = 0;
      if (e.age > 50) e.active = 0;
      break;
    }
    case 30:
    case 31:
      if (e.age < 21) {
        stacked(blend_add, 96, 5, projectile_sheets[proj_blood], x - 24, y - 20, Cell{100 * (e.age / 3), 0, 100, 160},
                e.type == 31 ? 1 : 0);
      }
      if (e.age == 21) e.active = 0;
      break;
    case 32:
    case 33: fading_glint(e, enemy_images[28], x, y, Cell{840, 0, 30, 12}, e.type == 33 ? 1 : 0, 1, 20, 20); break;
    case 34:
      if (e.age == 1) e.angle = GetRandomUpTo(355);
      e.angle += 5;
      if (e.angle >= 360) e.angle = 0;
      e.x += sin_table[e.angle] / 200;
      e.y -= 3;
      fading_glint(e, sheet(sheet_tr_01), sx(e), sy(e), Cell{607, 0, 33, 33}, 0, 1, 4, 5);
      break;
    case 35:
      stacked(blend_add, 32, 5, sheet(sheet_tr_07), x, y, Cell{8, 567, 19, 109}, 0);
      e.y -= 20;
      if (e.y < -200) e.active = 0;
      break;
    case 36:
      SetBrightnessRGB(32, 32, 255);
      burst(blend_add, 128, 30 - e.age, x - 40, y - 60, e.age);
      SetBrightnessRGB(255, 255, 255);
      if (e.age > 16) e.active = 0;
      break;
    case 37:
    case 38:
      fading_glint(e, sheet(sheet_all_01), x, y, e.type == 37 ? Cell{719, 447, 28, 30} : Cell{755, 455, 42, 20}, 0, 5,
                   10, 9);
      break;
    case 39: staged_strike(e); break;
    default: break;  // types 4 and 21 and any other stay without effect
  }
}

}  // namespace

const std::int16_t (&sin_table)[360] = trig().sin;
const std::int16_t (&cos_table)[360] = trig().cos;

void spawn_effect(int x, int y, int type) {
  for (EffectRecord& e : effects) {
    if (e.active != 0) continue;
    e.active = 1;
    e.type = type;
    e.x = x + 10;
    e.y = y;
    e.phase = e.anim = e.age = e.half_age = e.odd = 0;
    for (std::int32_t& c : e.stage_count) c = 0;
    e.alpha = 255;
    if (type == 5) PlaySoundHandle(sound_table[se_critical], 1, 1);
    if (type == 15) PlaySoundHandle(sound_table[se_k_zc0], 1, 1);
    return;
  }
}

void update_effects() {
  for (EffectRecord& e : effects) {
    if (e.active != 1) continue;
    e.age += 1;
    if (e.odd == 0) e.half_age += 1;
    e.odd = 1 - e.odd;
    run_effect(e);
  }
}
