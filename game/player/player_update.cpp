#include "game/player/player_update.h"

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/stage_state.h"

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;
constexpr int key_up = 200;
constexpr int key_down = 208;
constexpr int key_left = 203;
constexpr int key_right = 205;

constexpr int gimmick_deadly_floor = 4;
constexpr int no_gimmick = 9999;

std::uint8_t change_latch;  // MAIN_CHANGE acts once per press

bool facing_right() { return pose >= 0 && pose <= 8; }
bool on_ground() { return jumping == 0 && falling == 0; }
bool skill_running(int id) { return skill_id == id; }
bool learned_1(int id) { return learned[1][id - 8] != 0; }
void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

// Strict overlap of the hero box (offsets from mx, my) with a screen rectangle.
bool meets(const HeroBox& box, int left, int right, int top, int bottom) {
  return left < mx + box.x1 && mx + box.x0 < right && top < my + box.y1 && my + box.y0 < bottom;
}

bool meets_gimmick(const HeroBox& box, const StageObject& g) {
  return meets(box, g.x + g.box_x0 - g_x, g.x + g.box_x1 - g_x, g.y + g.box_y0 + g_y, g.y + g.box_y1 + g_y);
}

// The first solid gimmick in use that the box meets, or null.
StageObject* gimmick_hit(const HeroBox& box) {
  for (StageObject& g : gimmicks) {
    if (g.in_use == 1 && g.solid != 0 && meets_gimmick(box, g)) return &g;
  }
  return nullptr;
}

void cancel_melee() {
  melee_count = 0;
  PlayerState = player_free;
  clear_enemy_hit_flags();
}

void end_attack() {
  attack_count = 0;
  PlayerState = player_free;
  clear_enemy_hit_flags();
}

// Moves the camera down by h, stopped at the column's lowest row; there the hero moves on the screen by `rest`
// until it is 500 pixels down.
void scroll_down_to_floor(int h, int rest) {
  g_y -= h;
  const int floor = camera_floor_scroll();
  if (g_y < floor) {
    g_y = floor;
    if (my < 500) my += rest;
  }
}

// Falls by h: on the screen above 300, else by the camera.
void fall_by(int h) {
  if (my < 300) {
    my += h;
  } else {
    scroll_down_to_floor(h, h);
  }
}

void land_at(int screen_y) {
  if (PlayerState == player_melee && (jumping != 0 || falling != 0)) cancel_melee();
  jumping = falling = head_bump = on_ladder = dash_jump = 0;
  my = screen_y;
  if (landed == 0) {
    landed = 1;
    play(se_step);
  }
  if (skill_running(15)) {
    skill_active = 0;
    PlayerState = player_free;
    skill_step = 0;
    skill_id = skill_none;
    clear_enemy_hit_flags();
  }
  fall_speed = jump = jump_anim = kick_push = wall_kicks = 0;
  on_solid = 1;
}

void buff_countdown(int buff, int duration) {
  if (buff_flags[buff] == 0) return;
  buff_time[buff] -= 1;
  if (buff_time[buff] < 1) {
    buff_time[buff] = duration;
    buff_flags[buff] = 0;
  }
}

void run_buffs() {
  if (hero == 0) {
    buff_countdown(buff_a, buff_duration_both);
    buff_countdown(buff_b, buff_duration_both);
    walk_speed = buff_flags[buff_b] != 0 ? 4 : 3;
    buff_countdown(buff_c, buff_duration_both);
  } else {
    buff_countdown(buff_a, buff_duration_both);
    buff_countdown(buff_b, buff_duration_both);
    buff_countdown(buff_d, buff_duration_hero1);
    buff_countdown(buff_f, buff_duration_hero1);
  }
  if (Mimic_c > 0) {
    Mimic_c -= 1;
    if (Mimic_c == 0) buff_kind = 0;
  }
  if (accessory == 2) {
    walk_speed = 4;
  } else if (buff_flags[buff_b] == 0) {
    walk_speed = 3;
  }
}

void run_splash(std::uint16_t& counter, int slot) {
  if (counter == 0) return;
  if (counter == 1) play(slot);
  counter += 1;
  if (counter > 30) counter = 0;
}

// Hurt, melee and hero 1's attack timers; false when the rest of the timers are skipped this frame.
void run_timers() {
  if (hurt != 0 && PlayerState != player_dead) {
    if (hurt_count < 30) PlayerState = player_hurt;
    hurt_count += 1;
    if (hurt_count > 100) {
      hurt_count = 0;
      hurt = 0;
    }
    if (hurt_count == 30) {
      PlayerState = player_free;
      return;
    }
  }
  if (PlayerState == player_melee) {
    melee_count += 1;
    if (melee_count >= 21) cancel_melee();
    return;
  }
  if (PlayerState == player_attack_1) {
    attack_count += 1;
    if (attack_count >= (crouching != 0 ? 32 : 28)) end_attack();
  } else if (PlayerState == player_attack_2) {
    attack_count += 1;
    if (attack_count >= 28) end_attack();
  }
}

void run_drain() {
  if (hero != 1 || accessory != 10 || hp <= 0) return;
  if (drain_count == 0) {
    hp -= 1;
    drain_count = 40;
    if (hp < 1) {
      hurt_count = 1;
      PlayerState = player_dead;
      skill_step = 0;
    }
  } else {
    drain_count -= 1;
  }
}

void kick_push_step() {
  if (kick_push == 0) return;
  if (kick_push == 1 || kick_push == 3) {
    if (!facing_right()) {
      if (mx < 300) {
        mx += 8;
      } else {
        g_x += 8;
      }
    } else {
      g_x -= 8;
    }
  }
  kick_push += 1;
}

void land_on_gimmicks() {
  for (int i = 0; i < gimmick_pool_size; ++i) {
    StageObject& g = gimmicks[i];
    if (g.in_use != 1 || g.solid == 0 || !meets_gimmick(hero_feet_box, g)) continue;
    land_at(g.y + g_y - g.stand_offset);
    stand_gimmick = i;
    g.stood_on = 1;
    if (g.type == gimmick_deadly_floor) {
      hp = 0;
      hurt = 1;
    }
  }
}

void ladders_step() {
  for (const LadderRecord& l : ladders) {
    if (l.part != ladder_part_top || on_ladder != 0 || rising != 0) continue;
    const int lx = l.x - g_x, ly = l.y + g_y;
    if (!meets(hero_ladder_top_box, lx, lx + ladder_segment_width, ly, ly + 1)) continue;
    land_at(ly - 95);
    on_ladder_top = 1;
  }
  ladder_near = 0;
  for (const LadderRecord& l : ladders) {
    if (l.part == 0) continue;
    const int lx = l.x - g_x, ly = l.y + g_y;
    if (!meets(hero_reach_box, lx + 30, lx + 60, ly, ly + 82)) continue;
    ladder_near = 1;
    if (l.part != ladder_part_top || on_ladder == 0 || ladder_move != 0) continue;
    if (ly < my + 75 && my + 45 < ly) {
      ladder = 0;
      ladder_move = 2;
      my -= 7;
    } else if (ly < my + 97 && my + 83 < ly + 1) {
      ladder = 0;
      ladder_move = 1;
      my += 7;
    }
  }
  if (ladder_move == 1) {
    ladder += 1;
    if (ladder == 1 || ladder == 14) my += 10;
    if (ladder == 28) my += 15;
    if (ladder == 35) {
      my += 20;
      ladder = 0;
      ladder_move = 0;
    }
  } else if (ladder_move == 2) {
    ladder += 1;
    if (ladder == 1 || ladder == 20 || ladder == 30) my -= 10;
    if (ladder == 40) my -= 15;
    if (ladder > 49) {
      ladder = 0;
      ladder_move = 0;
    }
  }
  if (ladder_near == 0) on_ladder = 0;
  if (on_solid == 0 && jumping == 0) {
    falling = 1;
    moved = 0;
    landed = 0;
    walk_attack = 0;
  }
}

void climb(int pad) {
  if ((pad & pad_up) != 0 && mx < 600 && PlayerState == player_free) {
    tea = 0;
    if (ladder_near != 0 && on_ladder_top == 0 && ladder_move == 0) {
      head_bump = 0;
      ladder += 1;
      if (ladder > 29) ladder = 0;
      if (const StageObject* g = gimmick_hit(hero_head_box)) {
        my = g->y + g->head_offset + g_y;
        head_bump = 1;
      } else if (my < 150) {
        g_y += 2;
      } else {
        my -= 2;
      }
      falling = 0;
      on_ladder = 1;
      jumping = rising = 0;
      jump = 0;
      fall_speed = 1;
    }
  }
  if ((pad & pad_down) != 0 && jumping == 0 && ladder_move == 0 && PlayerState == player_free) {
    tea = 0;
    if (on_ladder != 0 || on_ladder_top != 0) {
      ladder -= 1;
      if (ladder < 1) ladder = 30;
      if (ladder_near != 0) {
        if (my < 300) {
          my += 2;
        } else {
          g_y -= 2;
          const int floor = camera_floor_scroll();
          if (g_y < floor) {
            g_y = floor;
            if (my < 500) my += fall_speed / 2 + 2;
          }
        }
      }
      on_ladder = 1;
    }
    if (ladder_near == 0 && on_ladder == 0 && falling == 0) crouching = 1;
  }
}

// Walking or drifting in the air by one frame to the right (+1) or left (-1).
void walk(int dir, bool scripted) {
  tea = 0;
  const bool dash_case = jumping != 0 ? dash_jump != 0 : dashing != 0;
  const int a = dash_case ? (in_water != 0 ? 4 : 6) : (in_water != 0 ? walk_speed - 1 : walk_speed);
  const HeroBox& wall = dir > 0 ? hero_wall_right_box : jumping != 0 ? hero_wall_left_jump_box : hero_wall_left_box;
  if (jumping != 0) pose = dir > 0 ? 2 : 12;
  if (gimmick_hit(wall) != nullptr) {
    wall_contact = 1;
    return;
  }
  if (jumping == 0) moved = 1;
  if (dir > 0) {
    const bool leaving = jumping == 0 && (PlayerState == player_leaving_right ||
                                          (story_event == 17 && scene_state.step == 4));
    if (leaving) {
      mx += walk_speed;
    } else if (area == 3) {
      if (g_x + mx + 50 < area3_right_limit) mx += dash_case ? 6 : walk_speed;
    } else if (mx < 300) {
      mx += a;
    } else {
      g_x += a;
    }
  } else if (g_x < 1) {
    // Here the dash case counts either dash flag, in the air or not.
    const bool any_dash = dashing != 0 || dash_jump != 0;
    if (mx > 10) mx -= any_dash ? (in_water != 0 ? 4 : 6) : (in_water != 0 ? walk_speed - 1 : walk_speed);
  } else if (scripted) {
    mx -= walk_speed;
  } else {
    g_x -= a;
  }
  if (jumping != 0) return;
  int& counter = dir > 0 ? walk_r : walk_l;
  if (counter >= 32) counter = 0;
  pose = (dir > 0 ? 1 : 11) + counter / 4;
  counter += 1;
}

// Nothing holds the hero in place: not crouching, climbing, diving (skill 15) or dead.
bool free_to_walk() {
  return crouching == 0 && on_ladder == 0 && ladder_move == 0 && !skill_running(15) && PlayerState != player_dead;
}

// The states in which the pad walks the hero.
bool walking_state() {
  return PlayerState == player_free || (PlayerState == player_skill && skill_running(14)) ||
         ((jumping != 0 || falling != 0) && PlayerState != player_hurt) ||
         (PlayerState == player_attack_1 && walk_attack != 0);
}

void walking(int pad) {
  if (free_to_walk()) {
    const bool pad_walk = walking_state();
    if (((pad & pad_right) != 0 && pad_walk) || PlayerState == player_leaving_right || auto_walk_right != 0) {
      walk(+1, false);
    }
    if (((pad & pad_left) != 0 && pad_walk) || auto_walk_left != 0) walk(-1, auto_walk_left != 0);
  }
  if (moved == 0 && walk_attack != 0) {
    end_attack();
    walk_attack = 0;
  }
}

void charge_glow_step() {
  if (charge > 29) {
    charge_glow += 1;
    if (charge_glow > 44) charge_glow = 0;
  }
}

void hero0_main() {
  const bool main = action_held(action_main);
  if (main_form == 1 && main && ladder_move == 0 && PlayerState == player_free && on_ladder == 0) {
    if (main_latch == 0) {
      if (accessory == 6 && skill_effect == 0) {
        activate_skill(20, 0);
      } else {
        spawn_light_shot(g_x + mx, my - g_y + (crouching != 0 ? 57 : 35), facing_right() ? 1 : 0);
      }
    }
    main_latch = 1;
    if (charge < 100) {
      charge += 1;
      if (charge == 30) play(se_charge);
    }
    charge_glow_step();
  } else {
    main_latch = 0;
    if ((charge > 99 || (charge > 74 && accessory == 5)) && PlayerState != player_leaving_right &&
        PlayerState != 6) {
      play(se_shot_r);
      shot_request = 1;
      release_pose = 1;
    }
    charge = 0;
  }
  if (main_form == 0) {
    if (main && melee_latch == 0 && ladder_move == 0 && PlayerState == player_free) {
      tea = 0;
      if (on_ladder == 0) PlayerState = player_melee;
    }
    melee_latch = main ? 1 : 0;
  }
}

void hero1_main(int pad) {
  const bool main = action_held(action_main);
  if (main && main_latch_1 == 0 && ladder_move == 0 &&
      (PlayerState == player_free || PlayerState == player_attack_1)) {
    tea = 0;
    if (action_held(action_dash) && skill_active == 0 && on_ground() && on_ladder == 0 && learned_1(14)) {
      activate_skill(14, 0);
    } else if (on_ladder == 0 && on_ground() && learned_1(13) && (IsKeyDown(key_up) != 0 || (pad & pad_up) != 0)) {
      activate_skill(13, 0);
    } else if (!on_ground() && on_ladder == 0 && learned_1(15) &&
               (IsKeyDown(key_down) != 0 || (pad & pad_down) != 0)) {
      activate_skill(15, 0);
      if (skill_running(15)) fall_speed = 0;
    } else if (on_ladder == 0) {
      if ((PlayerState == player_free && weapon == 3) || (PlayerState == player_attack_1 && crouching == 0)) {
        if (walk_attack == 0) {
          clear_enemy_hit_flags();
          PlayerState = player_attack_2;
          attack_count = 0;
          if (buff_flags[buff_f] != 0) spawn_effect(mx, my, 17);
        }
      } else if (PlayerState == player_free) {
        PlayerState = player_attack_1;
        attack_count = 0;
        if (buff_flags[buff_f] != 0) spawn_effect(mx, my, 16);
        if (moved != 0) walk_attack = 1;
      }
    }
  }
  if (main) {
    main_latch_1 = 1;
    if (PlayerState < 20) {
      if (learned_1(12) && charge < 100) {
        charge += 1;
        if (charge == (weapon == 1 ? 79 : 99)) play(se_k_chm);
      }
      charge_glow_step();
    } else {
      charge = 0;
    }
  } else {
    main_latch_1 = 0;
    if (charge > (weapon == 1 ? 79 : 99) && on_ground() && on_ladder == 0 && PlayerState == player_free) {
      activate_skill(12, 0);
    }
    charge = 0;
  }
}

void skill_button() {
  if (!action_held(action_skill) || PlayerState != player_free || skill_effect != 0) {
    skill_latch = 0;
    return;
  }
  tea = 0;
  if (skill_latch != 0) return;
  const int selected = hero == 0 ? skill_sel_0 : skill_sel_1;
  if (selected == skill_none) return;
  const bool anywhere = hero == 0 && (selected == 4 || selected == 5);
  if (on_ladder != 0 || (!anywhere && !on_ground())) return;
  activate_skill(selected, 0);
  skill_latch = 1;
}

bool learned_skill(int id) { return id < 8 ? learned[0][id] != 0 : learned[1][id - 8] != 0; }

void select_skill() {
  const bool next = action_held(action_q_r), previous = action_held(action_q_l);
  if (!next && !previous) {
    q_latch = 0;
    return;
  }
  if (PlayerState != player_free || q_latch != 0) return;
  q_latch = 1;
  std::int32_t& selected = hero == 0 ? skill_sel_0 : skill_sel_1;
  const int first = hero == 0 ? 0 : 8, last = hero == 0 ? 7 : 11;
  if (next) {
    if (selected == skill_none) {
      selected = first;
      return;
    }
    for (int id = selected + 1; id <= last; ++id) {
      if (learned_skill(id)) {
        selected = id;
        return;
      }
    }
    selected = skill_none;
    return;
  }
  if (selected == skill_none) {
    selected = first;
    for (int id = last; id > first; --id) {
      if (learned_skill(id)) {
        selected = id;
        return;
      }
    }
    return;
  }
  for (int id = selected - 1; id >= first; --id) {
    if (learned_skill(id)) {
      selected = id;
      return;
    }
  }
  selected = skill_none;
}

void dash_step(int pad) {
  const bool held = action_held(action_dash);
  const int limit = hero == 0 ? 20 : 25;
  const bool direction = IsKeyDown(key_left) != 0 || IsKeyDown(key_right) != 0 || (pad & (pad_left | pad_right)) != 0;
  const bool state_ok = PlayerState == player_free || (hero == 1 && skill_running(14));
  if (held && dash < limit && state_ok && on_ground() && on_ladder == 0 && direction) {
    if (dash == 0) play(se_dash);
    dash += 1;
    dashing = 1;
    return;
  }
  dashing = 0;
  if (dash < limit || !held) dash = 0;
}

void jump_button() {
  if (!action_held(action_jump) || ladder_move != 0 || PlayerState != player_free || skill_running(15)) {
    jump_started = 0;
    jump_latch = 0;
    return;
  }
  if (falling != 0 && wall_contact == 0) {
    jump = 0;
    jump_started = 1;
    jump_latch = 1;
    return;
  }
  tea = 0;
  if (jump_latch != 0 && jump == 0) return;
  const bool new_press = jump_latch == 0;
  jump_latch = 1;
  const bool kick = wall_contact != 0 && ((new_press && jumping != 0 && jump_started == 0) || falling != 0);
  if (jump == 0) {  // also when this press kicks off a wall while falling: the kick follows the take-off
    landed = 0;
    jump_started = 1;
    play(se_jump);
    if (dashing != 0) {
      dash_jump = 1;
      spawn_effect(g_x + mx - 30, my - g_y - 30, 10);
    } else {
      spawn_effect(g_x + mx - 35, my - g_y - 30, 3);
    }
  }
  if (on_ladder != 0) {
    on_ladder = 0;
    landed = 0;
  }
  if (kick) {
    if (action_held(action_dash)) {
      dashing = 1;
      dash = 1;
    }
    wall_kicks += 1;
    falling = head_bump = 0;
    rising = 1;
    jump = 0;
    fall_speed = 1;
    kick_push = 1;
    jumping = 1;
    jump_started = 1;
    play(se_jump);
    play(se_collide);
  }
  if (jump_started != 0) {
    jumping = 1;
    if (jump < 8) {
      jump += 1;
      rising = 1;
    }
  }
}

// Gravity grows while rising, and while falling only below 8 pixels per frame of either movement.
void gravity(int screen_dy, int camera_dy) {
  if (in_water != 0 && odd_frame == 0) return;
  if (rising != 0 || (screen_dy < 8 && camera_dy == 0) || (camera_dy < 8 && screen_dy == 0)) fall_speed += 1;
}

void jump_motion(int frame_my, int frame_gy) {
  if (jumping == 0) return;
  jump_anim += 1;
  if (rising == 0 && jump_anim > 34) jump_anim = 15;
  if (const StageObject* g = gimmick_hit(hero_head_box)) {
    my = g->y + g->head_offset + g_y;
    fall_speed = 0;
    head_bump = 1;
  }
  if (head_bump != 0 || skill_running(15)) {
    fall_by(fall_speed / 2);
    rising = 0;
  } else {
    const int h = fall_speed / 2;
    const int dy = h - jump - 4;
    my += dy;
    if (my < 100 && rising != 0 && g_y < 0) {
      my -= dy;
      g_y -= dy;
    } else if (my > 300 && rising == 0) {
      my -= dy;
      scroll_down_to_floor(h, h - 10);
    }
    const bool was_rising = rising != 0;
    rising = jump + 4 > h ? 1 : 0;
    if (was_rising && rising == 0) jump_anim = 0;
  }
  gravity(my - frame_my, frame_gy - g_y);
}

void fall_motion() {
  if (falling == 0 || jumping != 0 || on_ladder != 0 || PlayerState == player_dead) return;
  tea = 0;
  jump_anim += 1;
  if (jump_anim > 14) jump_anim = 0;
  fall_speed += 1;
  fall_by(fall_speed / 2);
}

void main_change() {
  if (hero != 0 || !action_held(action_main_change)) {
    change_latch = 0;
    return;
  }
  if (ladder_move != 0 || PlayerState != player_free) return;
  tea = 0;
  if (change_latch != 0) return;
  change_latch = 1;
  play(se_form_change);
  main_form = static_cast<std::uint8_t>(1 - main_form);
}

}  // namespace

int camera_floor_scroll() {
  const int row = 3 * (stage - 1) + (area - 1);
  if (row < 0 || row >= 27 || screen_col < 0 || screen_col >= 20) return g_y;
  return -480 * camera_floor[row][screen_col];
}

void update_player(int pad) {
  if (area != 3 && g_x + mx > area_exit_column * 640 + area_exit_offset && PlayerState != player_stage_clear_2) {
    PlayerState = player_leaving_right;
  }
  if (my > 480) PlayerState = player_dead;
  compute_critical_chance();
  run_buffs();
  if (game_mode == mode_stage_play && hero == 0 && PlayerState != player_story_scene) {
    tea += 1;
    if (on_ladder != 0) {
      tea = 0;
      tea_pose = 0;
    } else {
      tea_pose = tea > 300 ? 1 : 0;
    }
  }
  run_splash(water_in_sound, se_water_in);
  run_splash(water_out_sound, se_water_out);
  run_timers();
  attack_timer = 0;
  odd_frame = static_cast<std::uint16_t>(1 - odd_frame);
  run_drain();

  const int frame_gx = g_x, frame_gy = g_y;
  prev_mx = mx;
  prev_my = my;
  moved = 0;
  if (PlayerState != player_attack_1 && PlayerState != player_attack_2) crouching = 0;
  wall_contact = 0;
  if (jumping == 0) dash_jump = 0;
  kick_push_step();
  if (shot_pose != 0 && ++shot_pose >= 20) shot_pose = 0;
  if (release_pose != 0 && ++release_pose >= 30) release_pose = 0;
  if (walk_r == walk_r_prev) walk_r = 0;
  if (walk_l == walk_l_prev) walk_l = 0;
  on_solid = on_ladder;
  idle_anim += 1;
  if (idle_anim > (hero == 0 ? 39 : 59)) idle_anim = 0;
  on_ladder_top = 0;
  stand_gimmick = no_gimmick;
  walk_r_prev = walk_r;
  walk_l_prev = walk_l;

  land_on_gimmicks();
  ladders_step();
  climb(pad);
  walking(pad);
  if (hero == 0) {
    hero0_main();
  } else {
    hero1_main(pad);
  }
  skill_button();
  select_skill();
  dash_step(pad);
  jump_button();
  jump_motion(prev_my, frame_gy);
  fall_motion();
  main_change();
  if (walk_r == 0 && jumping == 0 && pose >= 1 && pose <= 8) pose = 0;
  if (walk_l == 0 && jumping == 0 && pose >= 11 && pose <= 18) pose = 10;

  bg_x -= g_x - frame_gx;
  bg_y += g_y - frame_gy;
}
