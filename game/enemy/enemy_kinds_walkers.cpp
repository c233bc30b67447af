// The heavy walkers on solid ground: the patrolling melee walkers of kinds 16, 20 and 23, the scripted heavy walker
// of kind 18 that also acts in a story scene, and the leaping slammer of kind 19.
#include "game/enemy/enemy_kinds.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_parts.h"
#include "game/flow/stage_play.h"

namespace enemy_kinds {

namespace {

using enemy_detail::play_se;

// facing 0 when the player stands left of the record's point c, else 1.
void face(EnemyRecord& e, int c) { e.facing = mx + 35 < ex(e) + c ? 0 : 1; }
bool in_window(const EnemyRecord& e, int from, int to, int height = 250) {
  return ex(e) + from < mx + 30 && mx + 30 < ex(e) + to && dist_y(e) < height;
}
void gravity(EnemyRecord& e) {
  e.y += e.fall;
  ++e.fall;
}
// Far from the player: parked at once, and back home with full HP when `reset`.
bool too_far(int i, EnemyRecord& e, int across, int down, bool reset) {
  if (dist_x(e) <= across && dist_y(e) <= down) return false;
  e.state = enemy_defeated;
  if (reset) reset_enemy(i);
  return true;
}

// ---- Kind 16 -----------------------------------------------------------------------------------------------------
void k16_walk_cell(EnemyRecord& e, int row) {
  draw(e, cell_by(e.timer, {7, 14, 21, 28, 35}, {0, 120, 240, 360, 480}, 600), row, 120, 150, e.facing);
  if (++e.timer >= 42) e.timer = 0;
}

void k16_active(EnemyRecord& e) {
  if (e.mode == 0) {
    k16_walk_cell(e, 0);
    const bool seen = e.param == 1 ? in_window(e, -220, 340) : in_window(e, -70, 190);
    if (seen) {
      face(e, 60);
      e.timer = 0;
      e.mode = e.param == 1 ? 1 : 2;
    }
  } else if (e.mode == 1) {
    k16_walk_cell(e, 150);
    e.x += 3 * dir(e);
    e.vx += 3;
    if (e.vx > 150) {
      e.vx = 0;
      if (in_window(e, -220, 340)) {
        e.facing = ex(e) + 80 <= mx + 35 ? 1 : 0;
      } else {
        e.mode = 0;
      }
    }
    if (in_window(e, -70, 190)) {
      e.mode = 2;
      e.timer = 0;
    }
    if (box_obstacle(e, 20, 70, 100, 100) >= 0) e.facing ^= 1;
  } else if (e.mode == 2) {
    const int t = e.timer;
    if (t <= 30) {
      draw(e, t <= 10 ? 720 : 840, 150, 120, 150, e.facing);
    } else {
      const int cx = cell_by(t, {38, 46, 54, 62}, {0, 180, 360, 540}, 720);
      const int o = e.facing == 0 ? -90 : 35;
      draw(e, cx, 450, 180, 150, e.facing, o);
      draw(e, cx, 300, 180, 150, e.facing, o);
    }
    ++e.timer;
    if (e.timer == 30) {
      play_se(se_mb_e04);
      spawn_hazard(31, e.facing, e.facing == 1 ? e.x + 103 : e.x - 60, e.y + 100, 1);
    }
    if (e.timer == 80) {
      e.timer = 0;
      e.mode = 1;
      e.facing = ex(e) + 60 <= mx + 35 ? 1 : 0;
    }
  }
}

// ---- Kind 20 -----------------------------------------------------------------------------------------------------
int k20_walk_x(int t) {
  return cell_by(t, {8, 16, 24, 32, 40, 48, 56, 63}, {0, 100, 200, 300, 400, 500, 600, 700}, 800);
}

void k20_active(EnemyRecord& e) {
  if (e.mode == 0) {
    draw(e, cell_by(e.timer, {10, 20, 30}, {0, 100, 200}, 300), 0, 100, 150, e.facing);
    if (++e.timer >= 40) e.timer = 0;
    if (in_window(e, -265, 435)) {
      e.mode = 1;
      face(e, 50);
      e.timer = 0;
    }
  } else if (e.mode == 1) {
    draw(e, k20_walk_x(e.timer), 150, 100, 150, e.facing);
    if (++e.timer >= 64) e.timer = 0;
    e.x += 6 * dir(e);
    e.vx += 6;
    if (box_obstacle(e, 7, 58, 74, 103) >= 0) e.facing ^= 1;
    if (e.vx > 149) {
      face(e, 50);
      e.vx = 0;
    }
    if (in_window(e, -60, 180)) {
      e.mode = 2;
      e.timer = 0;
    }
  } else if (e.mode == 2) {
    const int t = e.timer;
    if (t <= 15) {
      draw(e, cell_by(t, {5, 10}, {400, 500}, 600), 0, 100, 150, e.facing);
    } else if (t <= 50) {
      draw(e, cell_by(t, {22, 29, 36, 43}, {0, 180, 360, 540}, 720), 300, 180, 150, e.facing, e.facing == 0 ? -80 : 0);
    } else {
      draw(e, t <= 57 ? 700 : 800, 0, 100, 150, e.facing);
    }
    if (t == 16) {
      play_se(se_mb_u1);
      spawn_hazard(30, e.facing, e.facing == 1 ? e.x + 80 : e.x - 60, e.y + 40, 1);
    }
    if (t == 50) play_se(se_mb_u2);
    if (++e.timer >= 64) {
      e.mode = 0;
      e.timer = 0;
    }
  }
}

void k20_dying(EnemyRecord& e) {
  const int t = e.timer;
  if (t == 0) spawn_hazard(29, facing_left == 1 ? 0 : 1, e.x + 25, e.y + 10, 1);
  if (t <= 72) {
    draw(e, k20_walk_x(t), 450, 100, 150, e.facing);
  } else {
    draw(e, cell_by(t, {80, 88, 96, 104, 112}, {0, 100, 200, 300, 400}, 500), 600, 100, 150, e.facing);
  }
  if (++e.timer >= 120) e.state = enemy_defeated;
}

// ---- Kind 23 -----------------------------------------------------------------------------------------------------
void k23_wait_cell(EnemyRecord& e) {
  draw(e, cell_by(e.timer, {9, 19, 29}, {0, 120, 240}, 120), 120, 120, 120, e.facing);
}

void k23_active(EnemyRecord& e) {
  switch (e.mode) {
    case 0:
      k23_wait_cell(e);
      if (++e.timer >= 40) e.timer = 0;
      if (sight_x(e, 65) < 450 && dist_y(e) < 200) {
        e.facing = mx < ex(e) + 30 ? 0 : 1;
        e.mode = 1;
        e.timer = 0;
      }
      break;
    case 1:
      draw(e, cell_by(e.timer, {9, 19, 29}, {0, 120, 240}, 360), 0, 120, 120, e.facing);
      if (++e.timer >= 40) e.timer = 0;
      e.x += 6 * dir(e);
      if (sight_x(e, 30) < 50 && dist_y(e) < 200) {
        e.mode = 2;
        e.timer = 0;
      } else if (sight_x(e, 65) > 450 || dist_y(e) > 200) {
        e.mode = 0;
        e.timer = 0;
      }
      break;
    case 2:
      draw(e, e.timer <= 19 ? 360 : 480, 120, 120, 120, e.facing);
      if (e.timer > 20) {
        const int cx = cell_by(e.timer, {29, 34, 39, 44}, {0, 120, 240, 360});
        for (int k = 0; cx >= 0 && k < 5; ++k) {
          enemy_detail::draw_cell_blend(2, 64, ex(e), ey(e), cx, 240, 120, 120, enemy_images[e.type], e.facing);
        }
      }
      if (e.timer == 20) spawn_hazard(19, e.facing, e.facing == 1 ? e.x + 25 : e.x - 50, e.y - 75, 1);
      if (++e.timer >= 60) {
        e.timer = 0;
        e.step = 0;
        e.mode = 3;
      }
      break;
    case 3:
      k23_wait_cell(e);
      if (++e.timer >= 40) {
        e.timer = 0;
        if (++e.step >= 2) {
          e.step = 0;
          e.mode = 0;
        }
      }
      break;
    default: break;
  }
}

// ---- Kind 18 -----------------------------------------------------------------------------------------------------
constexpr int k18_walk_scene_step = 4;

void k18_stand(EnemyRecord& e, int mirror) {
  const int t = e.timer;
  if (t <= 10) {
    draw(e, 0, 0, 200, 200, mirror);
  } else {
    draw(e, cell_by(t, {20, 30}, {0, 200}, 0), 400, 200, 200, mirror);
  }
  if (++e.timer >= 40) e.timer = 0;
}
void k18_walk(EnemyRecord& e, int mirror) {
  draw(e, cell_by(e.timer, {10, 20, 30}, {0, 200, 400}, 600), 0, 200, 200, mirror);
  if (e.timer == 1) play_se(se_mb_e07);
  if (++e.timer >= 40) e.timer = 0;
}

void k18_active(int i, EnemyRecord& e) {
  if (e.mode == 0 && PlayerState == player_story_scene) {
    if (scene_state.step != k18_walk_scene_step) {
      k18_stand(e, 1);
    } else {
      k18_walk(e, 1);
      e.x += 1;
      if (++e.vx > 250) {
        scene_state.step += 1;
        e.timer = GetRandomUpTo(30);
      }
    }
    check_enemy_contact(i);
    return;
  }
  if (e.mode == 0) {
    k18_stand(e, e.facing);
    const bool seen = e.param == 1 ? in_window(e, -200, 400) : sight_x(e, 115) < 170 && abs_i(ey(e) - my + 80) < 250;
    if (seen) {
      e.mode = e.param == 1 ? 1 : 2;
      face(e, 100);
      e.timer = 0;
    }
  }
  if (e.mode == 1) {
    k18_walk(e, e.facing);
    e.x += 2 * dir(e);
    e.vx += 2;
    if (e.vx > 100) {
      e.vx = 0;
      e.facing = ex(e) + 100 <= mx + 35 ? 1 : 0;
    }
    if (in_window(e, 10, 190)) {
      e.mode = 2;
      e.timer = 0;
    }
    if (box_obstacle(e, 59, 112, 142, 135) >= 0) e.facing ^= 1;
  }
  if (e.mode == 2) {
    const int t = e.timer;
    if (t <= 12) {
      draw(e, 0, 0, 200, 200, e.facing);
    } else if (t <= 42) {
      draw(e, cell_by(t, {18, 24, 30, 36}, {0, 200, 400, 600}, 800), 200, 200, 200, e.facing);
    } else {
      draw(e, cell_by(t, {46, 50}, {400, 600}, 800), 400, 200, 200, e.facing);
    }
    if (t == 17) {
      play_se(se_mb_sab2);
      spawn_hazard(36, e.facing, e.facing == 0 ? e.x + 5 : e.x + 120, e.y, 1);
    }
    if (++e.timer >= 57) {
      e.timer = 0;
      e.mode = 3;
    }
  }
  if (e.mode == 3) {
    k18_stand(e, e.facing);
    if (e.timer == 0) {  // the stand cycle has just wrapped at 40
      e.mode = 1;
      face(e, 100);
    }
  }
  check_enemy_contact(i);
}

void k18_dying(EnemyRecord& e) {
  const int shift = e.facing == 0 ? 35 : -35;
  if (e.timer <= 40) {
    draw(e, cell_by(e.timer, {10, 20, 30}, {0, 200, 400}, 600), 600, 200, 200, e.facing, shift);
  } else {
    draw_alpha(e, e.alpha, 800, 600, 200, 200, e.facing, shift);
    e.alpha -= 4;
  }
  if (e.timer == 0) {
    spawn_hazard(25, 0, e.x + 50, e.y + 50, 1);
    play_se(se_k_z3);
  }
  ++e.timer;
  if (e.alpha < 5) e.state = enemy_defeated;
}

// ---- Kind 19 -----------------------------------------------------------------------------------------------------
void k19_wait_cell(EnemyRecord& e) {
  draw(e, cell_by(e.timer, {10, 20, 30}, {0, 170, 340}, 170), 0, 170, 170, e.facing);
  if (++e.timer >= 40) e.timer = 0;
}

void k19_active(int i, EnemyRecord& e) {
  switch (e.mode) {
    case 0:
      k19_wait_cell(e);
      if (in_window(e, -265, 435)) {
        e.mode = e.param == 1 || e.param == 2 ? 1 : 10;
        e.facing = ex(e) + 80 <= mx + 35 ? 1 : 0;
        e.timer = 0;
      }
      break;
    case 1: {
      const int t = e.timer;
      draw(e, 170 * ((t <= 28 ? cell_by(t, {7, 14, 21}, {0, 1, 2}, 3) : cell_by(t, {35, 42, 49}, {0, 1, 2}, 3))),
           t <= 28 ? 170 : 340, 170, 170, e.facing);
      if (++e.timer >= 56) e.timer = 0;
      e.x += 2 * dir(e);
      e.vx += 2;
      if (e.vx > 64) {
        e.vx = 0;
        e.facing = ex(e) + 80 <= mx + 35 ? 1 : 0;
      }
      if (in_window(e, -45, 215)) {
        e.mode = e.param == 1 ? 2 : 10;
        e.timer = 0;
      }
      if (box_obstacle(e, 30, 80, 140, 105) >= 0) e.facing ^= 1;
      break;
    }
    case 2:
      draw(e, cell_by(e.timer, {10, 15}, {0, 170}, 340), 510, 170, 170, e.facing);
      ++e.timer;
      if (e.timer > 10) e.y -= e.jump_power;
      if (e.fall >= e.jump_power && e.timer >= 11) {
        e.timer = 0;
        e.mode = 3;
      }
      break;
    case 3:
      e.fall = 0;
      draw(e, 510, 510, 170, 170, e.facing);
      if (++e.timer >= 10) {
        e.mode = 4;
        e.timer = 0;
        e.fall = 3;
        play_se(se_mb_dp1);
        spawn_hazard(21, e.facing, e.facing == 0 ? e.x - 60 : e.x + 75, e.y, i);
      }
      break;
    case 4:
      draw(e, 680, 510, 170, 170, e.facing);
      if (e.fall == 0 && ++e.timer >= 15) {
        e.timer = 0;
        e.mode = 5;
      }
      break;
    case 5:
      k19_wait_cell(e);
      if (e.timer == 0) e.mode = 0;  // the wait cycle has just wrapped at 40
      break;
    case 10: {
      const int t = e.timer;
      if (t <= 15) {
        draw(e, 0, 510, 170, 170, e.facing, 0, 5);
      } else if (t <= 20) {
        draw(e, 510, 0, 170, 170, e.facing, 0, -25);
      } else {
        draw(e, t <= 55 ? 680 : 850, 0, 170, 170, e.facing);
      }
      ++e.timer;
      if (e.timer == 55) play_se(se_mb_dp1);
      if (e.timer == 60) {
        if (e.param == 3) {
          spawn_hazard(23, e.facing, e.facing == 0 ? e.x - 40 : e.x + 85, e.y, 1);
        } else {
          spawn_hazard(22, e.facing, e.facing == 0 ? e.x - 60 : e.x + 75, e.y, 1);
        }
      }
      if (e.timer == 80) {
        e.timer = 0;
        e.mode = 5;
      }
      break;
    }
    default: break;
  }
  check_enemy_contact(i);
}

void k19_tail(EnemyRecord& e) {
  e.y += e.fall;
  if (!(e.state == enemy_active && e.mode == 2 && e.timer < 10)) ++e.fall;
  if (dist_x(e) > 900) e.state = enemy_defeated;
  if (body_obstacle(e) < 0) return;
  // A leap leaves the ground during its first 20 frames; a later hit of the leap turns it into the hang at once.
  if (e.state == enemy_active && e.mode == 2 && e.timer <= 20) return;
  e.fall = 0;
  if (e.state == enemy_active && e.mode == 2) e.mode = 3;
}

}  // namespace

void swinging_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k16_active(e);
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    const int t = e.timer;
    if (t <= 48) {
      draw(e, cell_by(t, {8, 16, 24, 30, 36, 42}, {0, 120, 240, 360, 480, 600}, 720), 600, 120, 150, e.facing);
    } else {
      draw_alpha(e, e.alpha, 840, 600, 120, 150, e.facing);
      e.alpha -= 4;
    }
    ++e.timer;
    if (e.alpha < 5) e.state = enemy_defeated;
  } else {
    return;  // a parked record stays where it is: no gravity pulls it on while it waits
  }
  gravity(e);
  too_far(i, e, 800, 600, true);
  if (body_obstacle(e) >= 0) e.fall = 0;
}

void runner(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k20_active(e);
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    k20_dying(e);
  } else {
    return;  // a parked record stays where it is: no gravity pulls it on while it waits
  }
  e.y += e.fall;
  if (e.fall < 5) ++e.fall;
  too_far(i, e, 900, 700, false);
  if (body_obstacle(e) >= 0) e.fall = 0;
}

void glow_runner(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k23_active(e);
    gravity(e);
    if (box_obstacle(e, 46, 63, 63, 89) >= 0) e.fall = 0;
    if (box_obstacle(e, 35, 42, 73, 62) >= 0) {
      e.facing ^= 1;
      e.x += 6 * dir(e);
    }
    if (dist_x(e) > 800 || dist_y(e) > 600) {
      park_and_reset(i, e);
    } else {
      check_enemy_contact(i);
    }
  } else if (e.state == enemy_dying) {
    draw_alpha(e, e.alpha, e.timer <= 9 ? 480 : 600, 0, 120, 120, e.facing);
    if (++e.timer >= 20) e.timer = 0;
    if (++e.step > 50) e.alpha -= 5;
    fade_end(e, 5);
  }
}

void scripted_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k18_active(i, e);
  } else if (e.state == enemy_dying) {
    k18_dying(e);
  } else {
    return;  // a parked record stays where it is: no gravity pulls it on while it waits
  }
  gravity(e);
  too_far(i, e, 800, 600, true);
  if (body_obstacle(e) >= 0) e.fall = 0;
}

void slammer(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k19_active(i, e);
  } else if (e.state == enemy_dying) {
    const int t = e.timer;
    if (t <= 40) {
      draw(e, t <= 15 ? 0 : 170, 680, 170, 170, e.facing);
    } else {
      draw_alpha(e, e.alpha, 340, 680, 170, 170, e.facing);
      e.alpha -= 4;
    }
    ++e.timer;
    if (e.alpha < 5) e.state = enemy_defeated;
  } else {
    return;  // a parked record stays where it is: no gravity pulls it on while it waits
  }
  k19_tail(e);
}

}  // namespace enemy_kinds
