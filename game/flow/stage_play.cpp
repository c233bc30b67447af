#include "game/flow/stage_play.h"

#include "engine/core/public_api.h"
#include "game/flow/captions.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_menu.h"
#include "game/flow/game_modes.h"
#include "game/flow/hud.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/flow/story_scenes.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_state.h"

std::uint8_t pause_latch;
int facing_left;
std::uint8_t debug_flag;
int stage6_top_exit;

bool new_pause_press(bool allowed) {
  if (!action_held(action_pause) || !allowed) {
    pause_latch = 0;
    return false;
  }
  if (pause_latch != 0) return false;
  pause_latch = 1;
  return true;
}

void close_game_menu() {
  stage_phase = 1;
  game_menu_page = 0;
  menu_counter_a = menu_counter_b = 0;
}

namespace {

constexpr int stage_clear_countdown_start = 1000;
constexpr int stage_clear_countdown_end = 1100;

void draw_slot(int x, int y, int slot, int transparent) { DrawGraphAt(x, y, background_slots[slot], transparent); }

void draw_layers(int first_slot, int dx_div, int y, int transparent) {
  for (int k = 0; k < 5; ++k) draw_slot(640 * k - g_x / dx_div, y, first_slot + k, transparent);
}

void draw_far_sky() {
  draw_slot(-(g_x / 20), 0, 0, 0);
  draw_slot(640 - g_x / 20, 0, 1, 0);
}

void draw_black_strip() { DrawRectangle(0, 480 + g_y / 10, 640, 480, MakeColorValue(0, 0, 0), 1); }

void darken(int alpha, int reset_param) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, reset_param);
}

void draw_default_background() {
  draw_far_sky();
  draw_layers(3, 4, g_y / 10, 0);
  draw_black_strip();
}

// The black fade-out shared by the area exit, the death and the stage clear; true in the frame it ends.
bool fade_out_ended() {
  SetBlendMode(1, exit_fade);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
  if (exit_fade <= 253) exit_fade += 2;
  return exit_fade > 253;
}

void pause_toggle() {
  const bool pausable = PlayerState <= 3 || PlayerState == 8;
  if (!new_pause_press(pausable)) return;
  if (stage_phase == 1) {
    stage_phase = 2;
    screen_phase = 0;
  } else if (stage_phase == 2) {
    close_game_menu();
  }
}

void hero_glow() {
  const bool hero0_glow = hero == 0 && charge_glow % 5 == 0 && (charge == 100 || (charge >= 70 && accessory == 5));
  const bool hero1_glow = hero == 1 && charge >= 100 && charge_glow % 5 == 0;
  if (hero0_glow || hero1_glow) {
    SetBlendMode(2, 255);
    SetBrightnessRGB(255, 0, 0);
  }
  if (buff_flags[buff_a] != 0) {
    glow_counter = glow_counter >= 100 ? 0 : glow_counter + 1;
    if (glow_counter % 5 == 0) {
      SetBlendMode(2, 255);
      SetBrightnessRGB(255, 255, 0);
    }
  }
}

void boss_trigger() {
  if (stage != 7 && stage != 8) return;
  switch (boss_phase_b) {
    case 0:
      if (mx + g_x >= 800) {
        if (StageObject* door = find_door(101)) {
          door->door_state = door_state_dropping;
          boss_phase_b = 1;
          if (hero == 1) play_bgm("bgm/boss.mp3", 3);
          if (hero == 0) {
            spawn_enemy(26, 0, 1, 1, 600, 260);
          } else {
            spawn_enemy(33, 1, 1, 1, 600, 100);
          }
        }
      }
      break;
    case 2:
      for (int i = 0; i < gimmick_count && i < gimmick_pool_size; ++i) {
        if (gimmicks[i].sub == 101 || gimmicks[i].sub == 102) gimmicks[i].door_state = door_state_rising;
      }
      boss_phase_b = 3;
      break;
    case 3:
      if (g_x > 2249) {
        PlayerState = player_story_scene;
        scene_state.step = 0;
        scene_state.row = 0;
        story_event = hero == 0 ? 16 : 18;
        reset_scene_state();
        boss_phase_b = 4;
      }
      break;
    default: break;
  }
}

void play_frame() {
  if (PlayerState != player_stage_clear_2) update_enemies();
  hero_glow();
  boss_trigger();
  if (PlayerState != player_stage_clear_2 && frame_counter >= stage_clear_countdown_start) {
    frame_counter += 1;
    if (frame_counter >= stage_clear_countdown_end) {
      PlayerState = player_stage_clear_2;
      frame_counter = 0;
    }
  }
  draw_hero_sprite();
  SetBlendMode(0, 0);
  SetBrightnessRGB(255, 255, 255);
  if (charge > 30) spawn_particle(mx + 30, my + 50, 0);
  update_particles();
  if (caption_code != 0) draw_caption();
  if (shot_request != 0) {
    const int y = my - g_y + (crouching != 0 ? 50 : 25);
    spawn_main_shot(mx + g_x, y, pose >= 0 && pose <= 8 ? 1 : 0);
  }
  if (PlayerState != player_stage_clear_2) update_hazards();
  update_light_shots();
  update_main_shot();
  update_hit_sparks();
  update_effects();
  update_skill_shots_a();
  update_skill_shots_b();
  update_skill_shots_c();
  update_skill_shots_d();
  melee_hit_gimmicks();
  melee_hit_enemies();
  update_pickups();
  update_skill();
  if (skill_effect != 0 && skill_phase == 0) draw_skill_effect();
  update_particle_groups();
  update_scenery_a(3);
  update_scenery_c(3);
  in_water = 0;  // pool B sets it again below when the hero is still in a water volume
  update_scenery_b(1);
  if (buff_kind == 4 && Mimic_c > 0) darken(180, 255);
  draw_hud();
  respawn_far_enemies();
  if (debug_flag != 0) draw_debug_overlay();
  update_screen_index();
}

// The letters of the stage clear: from frame 15 + 15i each letter shows, then all glow out from counter 200.
void draw_clear_letters() {
  const int sheet = menu_pics[menu_pic_acce];
  auto draw_pass = [&](int shown) {
    for (int i = 0; i < shown; ++i) {
      const int x = i < 5 ? 60 * i : 300 + 60 * (i - 5);
      const int sx = i < 5 ? 100 * i : 100 * (i - 5);
      const int sy = i < 5 ? 280 : 380;
      DrawGraphPart(x, 165, sx, sy, 100, 100, sheet, 1, 0);
    }
  };
  if (frame_counter < 200) {
    int shown = 0;
    for (int i = 0; i < 10; ++i) shown += frame_counter >= 15 + 15 * i ? 1 : 0;
    for (int pass = 0; pass < 10; ++pass) {
      if (pass > 0) SetBlendMode(2, 64);
      draw_pass(shown);
      SetBlendMode(0, 255);
    }
  } else {
    const int passes = 40 - frame_counter / 10;
    for (int pass = 0; pass < passes; ++pass) {
      if (pass > 0) SetBlendMode(2, 64);
      draw_pass(10);
      SetBlendMode(0, 255);
    }
  }
}

void menu_music() { play_bgm(hero == 0 ? "bgm/menu1.mp3" : "bgm/menu2.mp3", 3); }

void stage_clear() {
  frame_counter += 1;
  if (frame_counter == 1) {
    StopMusicFile();
    PlaySoundHandle(sound_table[se_clear], 1, 1);
  }
  draw_clear_letters();
  if (frame_counter < 700 || !fade_out_ended()) return;
  if (stage == 3) StopSoundHandle(sound_table[se_water]);
  if (stage >= 1 && stage <= 10 && stage_flags[stage] != 0) story_flags[stage - 1] = 1;
  menu_music();
  game_mode = mode_location_select;
  frame_counter = 0;
  SetBrightnessRGB(255, 255, 255);
  exit_fade = 0;
  PlayerState = player_free;
  reset_player_stats();
}

void death() {
  if (!fade_out_ended()) return;
  if (continues < 1) {
    if (stage == 3) StopSoundHandle(sound_table[se_water]);
    game_mode = mode_game_over;
    if (screen_pic_a != -1) DeleteGraphic(screen_pic_a, 0);
    screen_pic_a = LoadGraphicFile("gsx/system/over.png");
    exit_fade = 0;
    StopMusicFile();
    PlayerState = player_free;
    reset_player_stats();
  } else {
    continues -= 1;
    deaths += 1;
    game_mode = mode_restart;
  }
}

void outcomes(int pad) {
  if (PlayerState == player_stage_clear_2) {
    stage_clear();
  } else if (PlayerState == player_story_scene) {
    run_story_scene(pad);
  } else if (PlayerState == player_leaving_right) {
    if (area == 1) {
      if (fade_out_ended()) {
        game_mode = mode_next_area;
        if (stage == 6) stage6_top_exit = screen_row == 0 ? 1 : 0;
      }
    } else if (mx > 550) {
      PlayerState = player_stage_clear_2;
      frame_counter = 0;
    }
  } else if (PlayerState == player_dead) {
    death();
  }
}

}  // namespace

void draw_stage_background() {
  switch (stage) {
    case 1:
      draw_far_sky();
      if (area == 1) {
        draw_layers(3, 4, g_y / 10, 1);
      } else {
        for (int k = 0; k < 5; ++k) draw_slot(640 * k - g_x / 4, g_y / 10, 8, 0);
      }
      draw_black_strip();
      break;
    case 2:
      draw_layers(3, 4, g_y / 10, 0);
      draw_layers(8, 4, g_y / 10 + 480, 0);
      darken(128, 255);
      break;
    case 3:
      draw_layers(3, 4, g_y / 10, 0);
      draw_slot(3200 - g_x / 4, g_y / 10, 7, 0);
      draw_slot(-(g_x / 2), g_y / 10, 8, 1);
      draw_slot(640 - g_x / 2, g_y / 10, 9, 1);
      draw_slot(-(g_x / 2), g_y / 10 + 480, 8, 1);
      draw_slot(640 - g_x / 2, g_y / 10 + 480, 9, 1);
      break;
    case 4:
      if (area == 1) {
        draw_default_background();
        break;
      }
      draw_slot(-(g_x / 4), g_y / 2, 9, 1);
      DrawGraphPart(2100 - g_x / 4, g_y / 2, 0, 0, 2100, 1020, background_slots[9], 1, 1);
      for (int k = 0; k < 9; ++k) draw_slot(640 * k - g_x / 2, g_y / 2 + 530, 8, 1);
      break;
    case 5:
    case 6:
      draw_default_background();
      darken(stage == 5 ? 184 : 168, 0);
      break;
    case 7:
    case 8:
      draw_layers(3, 4, g_y / 10, 0);
      draw_slot(-(g_x / 2), g_y / 10, 8, 1);
      draw_slot(640 - g_x / 2, g_y / 10, 9, 1);
      break;
    case 9: draw_slot(0, 0, 3, 0); break;
    default: draw_default_background(); break;
  }
}

void stage_play_screen(int pad) {
  pause_toggle();
  if (stage_phase == 1) update_player(pad);
  draw_stage_background();
  update_scenery_c(2);
  update_scenery_b(2);
  update_scenery_a(2);
  update_gimmicks();
  draw_ladders();
  update_scenery_c(1);
  update_scenery_a(1);
  if (skill_effect != 0 && skill_phase == 0) draw_skill_aura();
  facing_left = pose >= 0 && pose <= 8 ? 0 : 1;
  if (stage_phase == 2) {
    run_game_menu(pad);
  } else if (stage_phase == 1) {
    play_frame();
  }
  outcomes(pad);
}

void update_screen_index() {
  const int x = mx + g_x;
  if (x < 11520) screen_col = x < 0 ? 0 : x / 640;
  const int y = my - g_y;
  if (y < 3360) screen_row = y < 0 ? 0 : y / 480;
}

void draw_debug_overlay() {
  const int white = MakeColorValue(255, 255, 255);
  const int values[] = {g_x, g_y, charge, jump, ladder, dash};
  const char* const labels[] = {"g_x", "g_y", "charge", "jump  ", "ladder", "dash  "};
  int y = 30;
  for (int i = 0; i < 6; ++i, y += 20) DrawTextFormatted(550, y, white, "%s：%d", labels[i], values[i]);
  for (int i = 0; i < 6; ++i, y += 20) {
    const char* name = menu_item_name(menu_row_skill + i);
    DrawTextFormatted(550, y, white, "%s：%d", name != nullptr ? name : "", buff_time[i]);
  }
  DrawTextFormatted(550, y, white, "お茶    ：%d", tea);
  DrawTextFormatted(550, y + 20, white, "お金 :%5d", money);
  DrawTextFormatted(550, y + 40, white, "CRI     :%d %%", CRI);
  DrawTextFormatted(550, y + 60, white, "Mimic_c :%d %%", Mimic_c);
  const int kills[] = {kill_1, kill_2, kill_3, kill_4};
  for (int i = 0; i < 4; ++i) DrawTextFormatted(550, y + 80 + 20 * i, white, "kill_%d :%d %%", i + 1, kills[i]);
  DrawTextFormatted(5, 5, white, "%s", rising != 0 ? "上" : "下");
  const struct {
    bool on;
    const char* label;
  } postures[] = {{jumping != 0, "ｼﾞｬﾝﾌﾟ中"}, {on_ladder != 0, "ﾊｼｺﾞ中"}, {ladder_near != 0, "ﾊｼｺﾞOK"},
                  {falling != 0, "落下中"},    {crouching != 0, "ｼｬｶﾞﾐ中"}, {PlayerState == player_skill, "ｽｷﾙ中"},
                  {wall_contact != 0, "壁蹴OK"}, {dashing != 0, "ﾀﾞｯｼｭ中"}, {dash_jump != 0, "ﾀﾞｯｼｭJ"}};
  int x = 0;
  for (const auto& p : postures) {
    if (p.on) DrawTextFormatted(x, 460, white, "%s", p.label);
    x += 60;
  }
  DrawTextFormatted(560, 420, white, "mx:%d", mx);
  DrawTextFormatted(560, 440, white, "my:%d", my);
  DrawTextFormatted(3, 440, white, "(%3d,%3d)", screen_col, screen_row);
  for (int bx = 0; bx <= 450; bx += 50) DrawRectangle(bx, 457, bx + 50, 475, white, 0);
  for (int row = 6; row >= -5; --row) DrawTextFormatted(600, 240 - 20 * row, white, "%7d", row);
  const int red = MakeColorValue(255, 0, 0);
  for (int k = 1; k <= 3; ++k) DrawLineSegment(0, g_y + 480 * k, 640, g_y + 480 * k, red);
}
