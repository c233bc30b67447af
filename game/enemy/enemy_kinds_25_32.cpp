// Enemy kinds 25 and 28 to 32: the charging walker, the hovering card caster, the leaping ambusher, the diving
// flyer, the great walker whose second defeat ends the stage or brings out its orb, and the walker with two escorts.
#include "game/enemy/enemy_kinds.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"

namespace enemy_kinds {

namespace {

using enemy_detail::play_se;

// Four cells x0, x1, x2, x1 of a row, `frames` each, on the timer wrapping at 4 x frames.
void cycle4(EnemyRecord& e, int x0, int x1, int x2, int row, int w, int h, int frames, int& timer) {
  const int k = timer / frames;
  draw(e, k == 0 ? x0 : k == 2 ? x2 : x1, row, w, h, e.facing);
  if (++timer >= 4 * frames) timer = 0;
}

// The walkers' wall test: the body box widened by 20 on each side and shortened by 40 at top and bottom.
bool wall_ahead(const EnemyRecord& e) {
  const EnemyBoxRow& b = enemy_box_row(e.type);
  return box_obstacle(e, b.left - 20, b.top + 40, b.right + 20, b.bottom - 40) >= 0;
}

// Walks `speed` pixels a frame, turning to the player after every `span` pixels and at walls.
void patrol_toward_player(EnemyRecord& e, int speed, int span, int face_offset) {
  e.x += speed * dir(e);
  e.vx += speed;
  if (e.vx > span) {
    e.vx = 0;
    e.facing = mx + 35 < ex(e) + face_offset ? 0 : 1;
  }
  if (wall_ahead(e)) e.facing ^= 1;
}

// ---- Kind 25 -----------------------------------------------------------------------------------------------------
bool k25_ground(const EnemyRecord& e) { return obstacle(e, 46, 63, 60, 63) >= 0; }

void k25_active(int i, EnemyRecord& e) {
  if (e.mode == 0) {
    draw(e, e.timer <= 29 ? 120 + 60 * (e.timer / 10) : 0, e.timer <= 29 ? 0 : 60, 60, 60, e.facing);
    if (++e.timer >= 40) e.timer = 0;
    if (sight_x(e, 120) < 350 && dist_y(e) < 200) {
      e.mode = 1;
      e.timer = e.step = 0;
      e.facing = mx < ex(e) + 30 ? 0 : 1;
    }
  } else {
    draw(e, e.timer <= 9 ? 0 : 60, 0, 60, 60, e.facing);
    if (++e.timer >= 20) e.timer = 0;
    e.x += 5 * dir(e);
    if (dist_x(e) > 800) e.state = enemy_defeated;
  }
  if (e.counter == 0) {
    e.y += e.fall;
    ++e.fall;
  }
  e.counter ^= 1;
  if (obstacle(e, 35, 73, 40, 42) >= 0) {
    e.facing ^= 1;
    e.x += 5 * dir(e);
  }
  if (k25_ground(e)) e.fall = 0;
  check_enemy_contact(i);
}

void k25_dying(EnemyRecord& e) {
  if (e.timer++ == 0) e.fall = 1;
  if (e.fall != 0) {
    e.y += e.fall - e.jump_power;
    if (e.counter == 0) ++e.fall;
    e.counter ^= 1;
  } else {
    e.alpha -= 5;
  }
  const bool landed_cell = e.jump_power - e.fall < -1 || e.fall == 0;
  draw_alpha(e, e.alpha, landed_cell ? 120 : 60, 60, 60, 60, e.facing);
  if (e.fall > e.jump_power && k25_ground(e)) e.fall = 0;
  fade_end(e, 5);
}

// ---- Kind 28 -----------------------------------------------------------------------------------------------------
struct CardVolley {
  int frames[6];
  int count;
  int q;
  int end;
};
constexpr CardVolley card_volleys[4] = {
    {{30, 50}, 2, 5, 70},
    {{30, 40, 50, 60, 70, 80}, 6, 8, 100},
    {{30, 55, 80}, 3, 3, 110},
    {{30, 50}, 2, 10, 70},
};

void k28_active(int i, EnemyRecord& e) {
  if (e.mode == 0) {
    draw(e, cell_by(e.timer, {10, 20, 30}, {0, 150, 300}, 150), 0, 150, 210, e.facing);
    if (++e.timer >= 40) e.timer = 0;
    if (e.flag < 50) ++e.flag;
    e.facing = mx + 35 < ex(e) + 50 ? 0 : 1;
    if (e.flag == 50 && ex(e) - 225 < mx + 30 && mx + 30 < ex(e) + 375 && dist_y(e) < 250) {
      const int r = GetRandomUpTo(16);
      e.mode = r <= 2 ? 1 : r <= 6 ? 2 : r <= 9 ? 3 : 4;
      e.timer = 0;
      e.flag = 0;
    }
  } else {
    draw(e, e.timer <= 20 ? 450 : 600, 0, 150, 210, e.facing);
    const CardVolley& v = card_volleys[(e.mode - 1) & 3];
    for (int k = 0; k < v.count; ++k) {
      if (e.timer != v.frames[k]) continue;
      const int x = e.facing == 1 ? e.x + 100 : e.x;
      if (e.mode == 4) {
        for (int q = 10; q <= 12; ++q) spawn_hazard(37, e.facing, x, e.y + 90, q);
      } else {
        spawn_hazard(37, e.facing, x, e.y + 90, v.q);
      }
    }
    if (++e.timer >= v.end) {
      e.mode = 0;
      e.timer = 0;
    }
  }
  if (++e.step % 10 == 0) e.y += e.step <= 100 ? -1 : 1;
  if (e.step >= 200) e.step = 0;
  if (body_obstacle(e) >= 0) e.fall = 0;
  check_enemy_contact(i);
}

// ---- Kinds 29 and 30: the dying burst ----------------------------------------------------------------------------
void burst_death(EnemyRecord& e, int group) {
  if (e.timer == 0) spawn_particle_group(group, e.x, e.y, e.facing);
  if (++e.timer >= 100) e.state = enemy_defeated;
}

// ---- Kind 29 -----------------------------------------------------------------------------------------------------
void k29_active(EnemyRecord& e) {
  if (e.mode == 0) {
    cycle4(e, 0, 60, 120, 0, 60, 60, 10, e.timer);
    e.x += dir(e);
    if (++e.vx > e.param) {
      e.vx = 0;
      e.facing ^= 1;
    }
    const int d = e.x - mx - g_x + 55;
    const bool ahead = e.facing == 0 ? d >= 1 && d <= 199 : d >= -199 && d <= -1;
    if (abs_i(e.y - my + 80 + g_y) < 150 && ahead) {
      e.mode = 1;
      e.timer = 0;
      e.facing = ex(e) + 80 <= mx + 35 ? 1 : 0;
    }
  } else if (e.mode == 1) {
    if (e.timer < 15) {
      draw(e, 180, 0, 60, 60, e.facing);
    } else {
      draw(e, 240, 0, 60, 60, e.facing);
      e.y -= e.jump_power;
    }
    ++e.timer;
  } else {
    draw(e, 300, 0, 60, 60, e.facing);
    e.x += 6 * dir(e);
  }
}

// ---- Kind 30 -----------------------------------------------------------------------------------------------------
void k30_active(EnemyRecord& e) {
  if (e.mode == 0) {
    if (e.param <= 10) e.facing = mx < ex(e) + 20 ? 0 : 1;
    cycle4(e, 0, 60, 120, 0, 60, 50, 5, e.timer2);
    if (e.param > 10) {
      const int speed = e.param % 10;
      e.x += speed * dir(e);
      e.vx += speed;
      if (e.vx > e.param) {
        e.vx = 0;
        e.facing ^= 1;
      }
    } else if (sight_x(e, 55) < 250 && ey(e) < my - 30) {
      e.mode = 1;
      const enemy_detail::Step s = enemy_detail::aimed_step(mx + g_x - e.x, my - e.y - g_y, 5);
      e.vx = s.vx;
      e.vy = s.vy;
    }
  } else {
    draw(e, 180, 0, 60, 50, e.facing);
    e.x += e.vx;
    e.y += e.vy;
    if (dist_x(e) > 500 || dist_y(e) > 500) e.state = enemy_defeated;
  }
}

// ---- Kind 31 -----------------------------------------------------------------------------------------------------
constexpr int great_walker_clear_count = 2;

void k31_big_cell(const EnemyRecord& e, int cx, int cy) {
  draw(e, cx, cy, 350, 293, e.facing, e.facing == 0 ? -54 : -98);
}

void k31_active(EnemyRecord& e) {
  switch (e.mode) {
    case 0:
      cycle4(e, 0, 198, 396, 0, 198, 293, 10, e.timer);
      e.facing = mx < ex(e) + 70 ? 0 : 1;
      // Each wrap of the 40-frame cycle counts; the third (the count standing at 2) roars.
      if (e.timer == 0) {
        if (e.counter == 2) {
          e.counter = 0;
          e.mode = 3;
          if (ex(e) - 500 < mx + 30 && mx + 30 < ex(e) + 700) play_se(se_mb_um);
        } else {
          ++e.counter;
        }
      }
      if (ex(e) - 200 < mx + 30 && mx + 30 < ex(e) + 400 && dist_y(e) < 300) e.mode = 1;
      break;
    case 3:
      draw(e, 792 + 198 * (e.timer / 10), 0, 198, 293, e.facing);
      if (++e.timer >= 30) {
        e.timer = 0;
        e.mode = 0;
      }
      break;
    case 1:
      draw(e, 198 * (e.timer / 10), 293, 198, 293, e.facing);
      if (++e.timer >= 80) e.timer = 0;
      patrol_toward_player(e, 2, 100, 70);
      if (ex(e) - 60 < mx + 30 && mx + 30 < ex(e) + 260 && dist_y(e) < 250) {
        e.mode = 2;
        e.timer = 0;
      }
      break;
    case 2: {
      const int t = e.timer;
      if (t < 56) {
        const int k = t / 8;
        k31_big_cell(e, 350 * (k % 4), k < 4 ? 586 : 879);
      } else {
        draw(e, 198 * ((t - 56) / 8), 0, 198, 293, e.facing);
      }
      if (t == 30) {
        play_se(se_mb_bk);
        spawn_hazard(32, e.facing, e.facing == 1 ? e.x + 123 : e.x - 50, e.y + 80, 1);
      }
      if (++e.timer >= 80) {
        e.timer = 0;
        e.mode = 0;
      }
      break;
    }
    default: break;
  }
}

void k31_dying(EnemyRecord& e) {
  const int k = e.timer / 8;  // 19 cells: four rows of four, then three
  if (k < 19) k31_big_cell(e, 350 * (k % 4), 1172 + 293 * (k / 4));
  if (++e.timer <= 152) return;
  e.state = enemy_defeated;
  if (++boss_phase_a != great_walker_clear_count) return;
  if (stage >= 0 && stage < 11 && stage_flags[stage] == 0) {
    spawn_enemy(35, stage - 1, 17, 3, 100, 230);
  } else {
    frame_counter = 1000;
  }
}

// ---- Kind 32 -----------------------------------------------------------------------------------------------------
void k32_active(int i, EnemyRecord& e) {
  cycle4(e, 0, 60, 120, 0, 60, 60, 10, e.timer);
  if (e.mode == 0) {
    if (e.param != 1 && ex(e) - 420 < mx + 30 && mx + 30 < ex(e) + 510 && dist_y(e) < 250) {
      e.mode = 1;
      e.facing = mx + 35 < ex(e) + 30 ? 0 : 1;
      e.timer = 0;
      spawn_hazard(34, e.facing, e.x - 50, e.y + 40, i);
      spawn_hazard(34, e.facing, e.x + 70, e.y, i);
    }
  } else {
    patrol_toward_player(e, 2, 150, 30);
  }
}

}  // namespace

void charging_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k25_active(i, e);
  } else if (e.state == enemy_dying) {
    k25_dying(e);
  }
}

void card_caster(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k28_active(i, e);
  } else if (e.state == enemy_dying) {
    if (e.timer <= 35) {
      draw(e, 150 * cell_by(e.timer, {7, 14, 21, 28}, {0, 1, 2, 3}, 4), 210, 150, 210, e.facing);
    } else {
      e.alpha -= 5;
      draw_alpha(e, e.alpha, 750, 210, 150, 210, e.facing);
    }
    ++e.timer;
    fade_end(e, 5);
  }
}

void leaping_ambusher(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k29_active(e);
    e.y += e.fall;
    ++e.fall;
    if (body_obstacle(e) >= 0) {
      e.fall = 0;
      if (e.mode == 1 && e.timer > 20) e.mode = 2;
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    burst_death(e, 2);
  }
  if (e.state != enemy_free && abs_i(e.x - mx - g_x) > 900) e.state = enemy_defeated;
}

void diving_flyer(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k30_active(e);
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    burst_death(e, 3);
  }
}

void great_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k31_active(e);
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    k31_dying(e);
  }
}

void escorted_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k32_active(i, e);
    if (abs_i(e.x - mx - g_x) > 1000) {
      park_and_reset(i, e);
    } else {
      check_enemy_contact(i);
    }
  } else if (e.state == enemy_dying) {
    SetBlendMode(1, e.alpha);
    enemy_detail::draw_cell(ex(e), ey(e), 70 * (e.timer < 40 ? e.timer / 8 : 5), 60, 70, 70, enemy_images[e.type],
                            e.facing);
    SetBlendMode(0, 255);
    ++e.timer;
    e.y += 1;
    e.alpha -= 15;
    if (e.alpha < 15) e.state = enemy_defeated;
  }
}

}  // namespace enemy_kinds
