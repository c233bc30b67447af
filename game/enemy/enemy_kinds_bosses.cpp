// The bosses: kind 26, the hovering caster of the first hero's boss room; kind 33, the giant with beams of the
// second hero's boss room; kind 27, the charging brawler fought inside a story scene. Each shows the boss gauge while
// it fights and hands the game back (the room step, the player state, the scene step) when its fall ends.
#include "engine/core/public_api.h"
#include "game/enemy/enemy_kinds.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/logo_screen.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"

namespace enemy_kinds {

namespace {

using enemy_detail::play_se;

constexpr int trail_sheet = 12;   // effect_sheets: "gsx/ef/tr_all_04.png"
constexpr int marker_sheet = 15;  // effect_sheets: "gsx/ef/tr_all_07.png"
constexpr int collapse_sheet_slot = 41;
constexpr int room_handed_back = 2;  // boss_phase_b once a boss room's boss has fallen
constexpr int fall_scene_step = 9;   // the story scene's step after boss 27 falls

void fight_end(int i) {
  check_enemy_contact(i);
  draw_boss_gauge(i);
}

// ---- Kind 26 -----------------------------------------------------------------------------------------------------
constexpr int b26_w = 80, b26_h = 120;
constexpr int b26_top = 611;  // the boss rises until its world y is above this

void b26_face(EnemyRecord& e) { e.facing = ex(e) + 40 <= mx + 30 ? 1 : 0; }
void b26_cell(const EnemyRecord& e, int cx, int cy) { draw(e, cx, cy, b26_w, b26_h, e.facing); }
void b26_walk(EnemyRecord& e) {
  b26_cell(e, cell_by(e.timer, {9, 19, 29}, {0, 80, 160}, 80), 0);
  if (++e.timer >= 40) e.timer = 0;
}
// Rises 2 pixels a frame; true once above the top line.
bool b26_rise(EnemyRecord& e) {
  if (e.y >= b26_top) {
    e.y -= 2;
    return false;
  }
  return true;
}
// Sinks 2 pixels a frame; true once back at its spawn height on the screen.
bool b26_sink(EnemyRecord& e) {
  if (ey(e) < e.local_y) {
    e.y += 2;
    return false;
  }
  return true;
}
void b26_to_choice(EnemyRecord& e) {
  e.mode = 1;
  e.timer = 0;
  e.step = 0;
}

void b26_rain(EnemyRecord& e) {
  if (e.step == 0) {
    b26_walk(e);
    if (b26_rise(e)) {
      e.step = 1;
      e.timer = 0;
    }
  } else if (e.step == 1) {
    b26_cell(e, 320, 0);
    ++e.timer;
    if (e.timer == 40 || e.timer == 80 || e.timer == 120) spawn_hazard(5, 0, e.x, e.y + 20, 1);
    if (e.timer > 159) {
      e.timer = 0;
      e.step = 2;
    }
    b26_face(e);
  } else {
    b26_walk(e);
    if (b26_sink(e)) b26_to_choice(e);
  }
}

void b26_volley(EnemyRecord& e) {
  if (e.timer == 0) e.step = GetRandomUpTo(10) <= 3 ? 1 : 2;
  b26_cell(e, 240, 0);
  ++e.timer;
  const int t = e.timer;
  const bool shot = e.step == 1 ? (t % 20 == 0 && t <= 100) : (t % 25 == 0 && t <= 100);
  if (shot) spawn_hazard(7, e.facing, e.x, e.y + 20, 1);
  if (e.timer >= 140) {
    e.mode = 1;
    e.timer = 0;
    if (e.step == 2) e.step = 0;
  }
}

void b26_summon(int i, EnemyRecord& e) {
  switch (e.step) {
    case 0:
      if (GetRandomUpTo(10) <= 4) {
        e.counter = 0;
        e.step = 1;
      } else {
        e.counter = 1;
        e.step = 2;
      }
      e.counter2 = 0;
      break;
    case 1:
      b26_cell(e, cell_by(e.timer, {14, 29}, {0, 80}, 160), 240);
      ++e.timer;
      if (b26_rise(e)) {
        e.step = 3;
        e.timer = 0;
      }
      break;
    case 2:
      b26_cell(e, cell_by(e.timer, {7, 15, 23}, {160, 480, 560}, 480), 240);
      if (++e.timer >= 32) e.timer = 0;
      if (++e.counter2 >= 80) {
        e.step = 3;
        e.timer = 0;
        e.counter2 = 0;
      }
      break;
    case 3:
      b26_cell(e, cell_by(e.timer, {7, 15, 23}, {240, 320, 400}, 320), 240);
      if (++e.timer >= 32) e.timer = 0;
      if (++e.counter2 == 1) spawn_hazard(8, 0, e.x - 85, e.y - 100, i);
      if (e.counter2 >= 200) {
        e.counter2 = 0;
        e.timer = 0;
        if (e.counter == 0) {
          e.step = 4;
        } else {
          e.step = 0;
          e.mode = 1;
        }
      }
      break;
    default:
      b26_cell(e, 160, 240);
      if (b26_sink(e)) {
        e.timer = 0;
        e.step = 0;
        e.mode = 6;
      }
      break;
  }
}

void b26_strike(EnemyRecord& e) {
  if (e.step == 0) {
    b26_walk(e);
    e.x += mx + 30 < ex(e) + 40 ? -3 : 3;
    if (ex(e) - 50 < mx + 40 && mx + 40 < ex(e) + 170 && dist_y(e) < 250) {
      e.step = 1;
      e.timer = 0;
    }
    return;
  }
  const int t = e.timer;
  if (t >= 50 && t <= 84) {
    b26_cell(e, 560, 0);
  } else if (t >= 95) {
    b26_cell(e, 0, 0);
  } else {
    b26_cell(e, cell_by(t, {4, 9, 14, 19, 34, 39, 44, 49}, {0, 80, 160, 240, 320, 400, 480, 560}, 560), 120);
  }
  if (t == 40) spawn_hazard(6, 1 - e.facing, e.facing == 1 ? e.x + 30 : e.x - 100, e.y, 1);
  if (++e.timer >= 135) b26_to_choice(e);
}

void b26_wander(EnemyRecord& e) {
  if (e.counter == 0) e.counter = GetRandomUpTo(150) + 50;
  b26_walk(e);
  e.x += e.facing == 1 ? 3 : -3;
  e.vx += 3;
  if (e.vx > 49) {
    e.vx = 0;
    b26_face(e);
  }
  if (++e.step >= e.counter) b26_to_choice(e);
}

int b26_collapse_cell_x(int t) {
  if (t <= 500) return t % 10 < 5 ? 0 : 120;
  return cell_by(t, {509, 519, 529, 539, 549, 559, 569, 579}, {240, 360, 480, 0, 120, 240, 360, 480}, -1);
}

void b26_collapse(EnemyRecord& e) {
  PlayerState = player_stage_clear;
  if (e.timer == 0) play_se(se_mb_dp2);
  const int t = e.timer;
  if (t > 1000) {
    draw_alpha(e, e.alpha, 480, 510, 120, 150, e.facing, -20);
  } else if (const int cx = b26_collapse_cell_x(t); cx >= 0) {
    draw(e, cx, t <= 529 ? 360 : 510, 120, 150, e.facing, -20);
  }
  ++e.timer;
  if (e.timer > 50 && e.timer < 500) {
    ++e.y;
    if (obstacle(e, 27, 63, 27, 110) >= 0) e.timer = 500;
  }
  if (e.timer > 580 && e.timer < 1000) e.timer = 1000;
  if (e.timer <= 1000) return;
  e.alpha -= 2;
  if (e.alpha < 2) {
    boss_phase_b = room_handed_back;
    e.state = enemy_free;
    PlayerState = player_free;
  }
}

// ---- Kind 33 -----------------------------------------------------------------------------------------------------
constexpr int b33_w = 350, b33_h = 272;

void b33_face(EnemyRecord& e) { e.facing = mx + 35 < ex(e) + 175 ? 0 : 1; }
void b33_cell(const EnemyRecord& e, int cx, int cy) { draw(e, cx, cy, b33_w, b33_h, e.facing); }
void b33_idle(EnemyRecord& e) {
  b33_cell(e, cell_by(e.timer, {11, 23, 35}, {0, 350, 700}, 350), 0);
  if (++e.timer >= 48) e.timer = 0;
}
void b33_to_idle(EnemyRecord& e) {
  e.timer = 0;
  e.step = 0;
  e.mode = 1;
}

void b33_choose(EnemyRecord& e) {
  b33_idle(e);
  if (++e.step <= 99) return;
  b33_face(e);
  e.step = 0;
  e.timer = 0;
  e.angle = GetRandomUpTo(10);
  e.mode = e.angle <= 2 ? 2 : e.angle <= 4 ? 5 : e.angle <= 7 ? 6 : 7;
}

void b33_walk(EnemyRecord& e) {
  const int k = e.timer / 10;
  b33_cell(e, 350 * (k % 4), k < 4 ? 816 : 1088);
  if (++e.timer >= 80) e.timer = 0;
  e.x += e.facing == 1 ? 2 : -2;
  e.vx += 2;
  if (e.vx > 70) {
    e.vx = 0;
    e.facing = ex(e) + 175 <= mx + 35 ? 1 : 0;
  }
  if (ex(e) + 55 < mx + 30 && mx + 30 < ex(e) + 295) {
    e.mode = 3;
    e.timer = 0;
    e.step = 0;
  }
}

void b33_swing(EnemyRecord& e) {
  const int t = e.timer;
  if (t <= 49) {
    b33_cell(e, cell_by(t, {9, 39}, {0, 350}, 700), 272);
  } else if (t <= 53) {
    b33_cell(e, 1050, 272);
  } else {
    b33_cell(e, cell_by(t, {57, 61, 65}, {0, 350, 700}, 1050), 544);
  }
  if (t == 40) {
    play_se(se_mb_bk);
    spawn_hazard(44, e.facing, e.facing == 1 ? e.x + 200 : e.x + 35, e.y + 100, 0);
  }
  if (++e.timer >= 70) b33_to_idle(e);
}

void b33_strike(EnemyRecord& e) {
  b33_cell(e, 1050, 0);
  if (e.timer == 0) e.counter2 = mx - 80 + g_x;
  ++e.timer;
  if (e.timer < 80) {
    for (int k = 0; k < 80 - e.step; ++k) {
      enemy_detail::draw_cell_blend(2, 12, e.counter2 - g_x - 3, 387, 3, 518, 227, 28, effect_sheets[marker_sheet], 0);
    }
    ++e.step;
  }
  if (e.timer == 80) {
    play_se(se_mb_lov);
    spawn_hazard(43, e.facing, e.counter2, e.y, -500);
  }
  if (e.timer > 280) b33_to_idle(e);
}

void b33_beam(EnemyRecord& e) {
  b33_cell(e, 1050, 0);
  ++e.timer;
  if (e.timer == 50 || e.timer == 55) flash_request = 1;
  if (e.timer == 50) {
    spawn_hazard(38, e.facing, e.facing == 1 ? e.x + 1520 : e.x + 100, e.y + 50, 0);
    play_se(se_mb_bl);
  }
  if (e.timer > 150) b33_to_idle(e);
}

void b33_volley(EnemyRecord& e) {
  if (e.timer == 0) e.step = GetRandomUpTo(10);
  b33_cell(e, 1050, 0);
  const int t = ++e.timer;
  bool shot = false;
  int last = 0;
  if (e.step <= 2) {
    shot = t == 40 || t == 70 || t == 100;
    last = 120;
  } else if (e.step <= 6) {
    shot = t % 50 == 0 && t <= 200;
    last = 220;
  } else {
    shot = t % 35 == 0 && t <= 175;
    last = 200;
  }
  if (shot) spawn_hazard(42, e.facing, e.facing == 1 ? e.x + 250 : e.x + 100, e.y + 50, 0);
  if (t > last) {
    if (e.step >= 7) e.step = 0;
    e.timer = 0;
    e.mode = 1;
  }
}

void b33_collapse(EnemyRecord& e) {
  if (e.timer == 0) {
    StopMusicFile();
    e.step = 0;
    play_se(se_mb_dp2);
    spawn_hazard(45, 0, e.x + 50, e.y + 50, 1);
    PlayerState = player_stage_clear;
  }
  const int sheet = enemy_images[collapse_sheet_slot];
  if (e.timer < 160) {
    const int row = e.timer / 40;
    enemy_detail::draw_cell(ex(e), ey(e), 350 * (e.step - 5 * row), 272 * row, b33_w, b33_h, sheet, e.facing);
  } else {
    enemy_detail::draw_cell_blend(1, e.alpha, ex(e), ey(e), 1400, 816, b33_w, b33_h, sheet, e.facing);
    e.alpha -= 4;
  }
  if (++e.timer % 8 == 0) ++e.step;
  if (e.alpha < 5) {
    e.state = enemy_free;
    PlayerState = player_free;
    boss_phase_b = room_handed_back;
    play_bgm("bgm/stage_7.mp3", 3);
  }
}

// ---- Kind 27 -----------------------------------------------------------------------------------------------------
constexpr int b27_size = 150;
constexpr int b27_left_edge = 30, b27_right_edge = 470;

void b27_cell(const EnemyRecord& e, int cx, int cy, int dx = 0, int dy = 0) {
  draw(e, cx, cy, b27_size, b27_size, e.facing, dx, dy);
}
// The walking cycle on a counter wrapping at 32.
void b27_walk(const EnemyRecord& e, int& counter) {
  b27_cell(e, cell_by(counter, {7, 15, 23}, {0, 150, 300}, 150), 0);
  if (++counter >= 32) counter = 0;
}
void b27_to_choice(EnemyRecord& e) {
  e.timer = 0;
  e.step = 0;
  e.mode = 1;
}
// 8 pixels a frame toward the facing side; at the edge of the arena it turns and true is returned.
bool b27_dash(EnemyRecord& e) {
  if (e.facing == 0) {
    e.x -= 8;
    if (e.x < b27_left_edge) {
      e.facing = 1;
      return true;
    }
  } else {
    e.x += 8;
    if (e.x > b27_right_edge) {
      e.facing = 0;
      return true;
    }
  }
  return false;
}

void b27_choose(EnemyRecord& e) {
  const int r = GetRandomUpTo(100);
  e.step = r;
  if (r <= 4) {
    e.mode = 2;
  } else if (r <= 24) {
    e.mode = 3;
  } else if (r <= 39) {
    e.mode = 4;
  } else if (r <= 59) {
    e.mode = 5;
  } else if (r <= 79) {
    e.mode = 6;
  } else {
    play_se(se_mb_rjump);
    spawn_effect(e.x, e.y + 20, 10);
    e.mode = 7;
  }
}

void b27_thrust(EnemyRecord& e) {
  const int t = e.timer;
  if (t < 100) {
    b27_cell(e, cell_by(t, {14, 39, 54, 69}, {0, 150, 300, 450}, 600), 300);
  } else {
    b27_walk(e, e.step);
  }
  if (t == 70) {
    play_se(se_mb_nf);
    const int hx = e.facing == 1 ? e.x + 150 : e.x - 50;
    if (e.mode == 3) {
      spawn_hazard(16, e.facing, hx, e.y + 70, 1);
    } else {
      spawn_hazard(17, e.facing, hx, e.y + 60, 1);
      spawn_hazard(18, e.facing, hx, e.y + 50, 1);
    }
  }
  if (++e.timer >= 150) b27_to_choice(e);
}

void b27_pull(EnemyRecord& e) {
  if (e.step < 50) {
    b27_walk(e, e.timer);
  } else {
    b27_cell(e, 0, 150, e.step % 2 == 0 ? -2 : 2, 15);
    mx += mx + 30 < ex(e) + 75 ? 4 : -4;
  }
  if (++e.step > 200) b27_to_choice(e);
}

void b27_charge(EnemyRecord& e) {
  const int t = e.timer;
  b27_cell(e, cell_by(t, {11, 29, 39}, {0, 150, 300}, 450), 150, -2, 15);
  if (t == 40) play_se(se_mb_bn);
  if (t >= 40) {
    const int x = ex(e) - (e.facing == 0 ? 45 : 60);
    const int y = ey(e) - 20;
    const int cy = t % 2 == 0 ? 0 : 150;
    const int sheet = effect_sheets[trail_sheet];
    enemy_detail::draw_cell(x, y, 0, cy, 250, 150, sheet, e.facing);
    for (int k = 0; k < 5; ++k) enemy_detail::draw_cell_blend(2, 64, x, y, 0, cy, 250, 150, sheet, e.facing);
  }
  if (++e.timer >= 37 && b27_dash(e)) b27_to_choice(e);
}

void b27_leap(EnemyRecord& e) {
  b27_cell(e, 450, 0, -2);
  const bool turned = b27_dash(e);
  e.y += e.fall - e.jump_power;
  e.counter ^= 1;
  if (e.counter == 0) ++e.fall;
  if (turned) {
    e.y = e.home_y;
    e.fall = 0;
    b27_to_choice(e);
  }
}

void b27_defeat(EnemyRecord& e) {
  PlayerState = player_stage_clear;
  const int t = e.timer;
  if (t < 140) {
    const int k = t < 40 ? t / 20 : t / 10 - 2;  // 0..11: six cells a row
    b27_cell(e, 150 * (k % 6), k < 6 ? 450 : 600, -2);
  } else {
    draw_alpha(e, e.alpha, 750, 300, b27_size, b27_size, e.facing, -2);
  }
  if (t > 139 && e.alpha > 2) e.alpha -= 3;
  if (++e.timer > 299) {
    e.state = enemy_defeated;
    PlayerState = player_story_scene;
    StopMusicFile();
    scene_state.step = fall_scene_step;
  }
}

}  // namespace

void hovering_caster(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    switch (e.mode) {
      case 0:
        if (dist_x(e) < 450) e.mode = 1;
        break;
      case 1:
        b26_cell(e, 0, 0);
        {
          const int r = GetRandomUpTo(12);
          e.mode = r <= 1 ? 2 : r <= 3 ? 3 : r <= 5 ? 4 : r <= 7 ? 5 : r <= 10 ? 6 : 7;
        }
        e.timer = e.step = e.counter = 0;
        b26_face(e);
        break;
      case 2: b26_rain(e); break;
      case 3: b26_volley(e); break;
      case 4: b26_summon(i, e); break;
      case 5: b26_strike(e); break;
      case 6:
        b26_walk(e);
        if (++e.step >= 20) b26_to_choice(e);
        break;
      case 7: b26_wander(e); break;
      default: break;
    }
    fight_end(i);
  } else if (e.state == enemy_dying) {
    b26_collapse(e);
  }
}

void giant(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    switch (e.mode) {
      case 0:
        b33_idle(e);
        if (ex(e) - 420 < mx + 30 && mx + 30 < ex(e) + 510) e.mode = 1;
        break;
      case 1: b33_choose(e); break;
      case 2: b33_walk(e); break;
      case 3: b33_swing(e); break;
      case 5: b33_strike(e); break;
      case 6: b33_beam(e); break;
      case 7: b33_volley(e); break;
      default: break;
    }
    fight_end(i);
  } else if (e.state == enemy_dying) {
    b33_collapse(e);
  } else {
    return;
  }
  e.y += e.fall;
  ++e.fall;
  if (body_obstacle(e) >= 0) e.fall = 0;
}

void brawler(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    switch (e.mode) {
      case 0: e.mode = 1; break;
      case 1: b27_choose(e); break;
      case 2:
        b27_walk(e, e.timer);
        if (++e.step >= 50) b27_to_choice(e);
        break;
      case 3:
      case 4: b27_thrust(e); break;
      case 5: b27_pull(e); break;
      case 6: b27_charge(e); break;
      case 7: b27_leap(e); break;
      default: break;
    }
    fight_end(i);
  } else if (e.state == enemy_dying) {
    b27_defeat(e);
  }
}

}  // namespace enemy_kinds
