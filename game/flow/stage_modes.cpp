#include "game/flow/stage_modes.h"

#include "engine/core/public_api.h"
#include "game/flow/game_menu.h"
#include "game/flow/game_modes.h"
#include "game/flow/hero_select.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/save_file.h"
#include "game/flow/settings.h"
#include "game/flow/stage_play.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"

namespace {

constexpr int pad_down = 1;
constexpr int pad_up = 8;

// What modes 2 and 3 share before the area is built again.
void reset_for_rebuild() {
  exit_fade = 0;
  SetBrightnessRGB(255, 255, 255);
  g_x = g_y = 0;
  menu_counter_a = menu_counter_b = menu_counter_c = 0;
  game_menu_page = 0;
  clear_object_pools();
}

void play_menu_music() { play_bgm(hero == 0 ? "bgm/menu1.mp3" : "bgm/menu2.mp3", 3); }

void full_black(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
}

void game_over_choice(int pad) {
  const int sheet = menu_pics[menu_pic_system_sheet];
  if (frame_counter >= 40) {
    frame_counter = 0;
  } else if (screen_cursor[0] == 0) {
    draw_pulsing_part(frame_counter, 243, 267, 486, 395, 155, 38, sheet);
  } else {
    draw_pulsing_part(frame_counter, 261, 315, 516, 442, 126, 38, sheet);
  }
  const bool main = action_held(action_main);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  if (!main && !up && !down) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  if (main) {
    exit_fade = 256;
  } else {
    StopSoundHandle(sound_table[se_cursor]);
    PlaySoundHandle(sound_table[se_cursor], 1, 1);
    screen_cursor[0] = screen_cursor[0] == 0 ? 1 : 0;
  }
}

void leave_game_over() {
  exit_fade = 0;
  if (screen_cursor[0] == 0) {
    // Continue from the automatic save; a damaged one goes to the corrupt-save notice instead.
    if (!read_save()) {
      game_mode = mode_corrupt_save;
      StopMusicFile();
    } else {
      screen_phase = 0;
      clear_screen_counters();
      title_fade = 0;
      continues = 4;
      SetBrightnessRGB(255, 255, 255);
      play_menu_music();
      init_game_state();
      game_mode = mode_location_select;
    }
  } else {
    game_mode = mode_title;
    StopMusicFile();
    menu_counter_b = 0;
    screen_phase = 0;
  }
  DeleteGraphic(screen_pic_a, 0);
  screen_pic_a = -1;
}

}  // namespace

void next_area_mode() {
  reset_for_rebuild();
  if (area < 3) area += 1;
  build_stage();
  reset_player_stats();
  game_mode = mode_stage_play;
  PlayerState = player_free;
  start_camera();
  if (stage == 6 && stage6_top_exit == 0) {
    my = 320;
    g_x = 0;
    g_y = -960;
  }
  if (stage == 4 && area == 2) {
    SetTransparentColor(255, 0, 255);
    if (background_slots[9] != -1) DeleteGraphic(background_slots[9], 0);
    background_slots[9] = LoadGraphicFile("gsx/fld/04_2.png");
    SetTransparentColor(0, 0, 0);
  }
  boss_phase_b = 0;
}

void restart_mode() {
  reset_for_rebuild();
  build_stage();
  reset_player_stats();
  stage_entry();
  game_mode = mode_stage_play;
  PlayerState = player_free;
  skill_active = 0;
  boss_phase_b = 0;
  if (stage == 7 || stage == 8) play_bgm("bgm/stage_7.mp3", 3);
  if (stage == 9) {
    // The final boss has no retry: the hero, rebuilt and healed, goes back to the location select.
    screen_phase = 0;
    clear_screen_counters();
    play_menu_music();
    game_mode = mode_location_select;
  }
}

void game_over_screen(int pad) {
  if (exit_fade < 255) {
    DrawGraphAt(0, 0, screen_pic_a, 1);
    full_black(255 - exit_fade);
    exit_fade += 1;
    frame_counter = menu_counter_a = screen_cursor[0] = 0;
    return;
  }
  DrawGraphAt(0, 0, screen_pic_a, 1);
  DrawGraphPart(189, 250, 698, 0, 262, 138, menu_pics[menu_pic_system_sheet], 1, 0);
  if (exit_fade == 255) {
    game_over_choice(pad);
    return;
  }
  full_black(exit_fade - 255);
  exit_fade += 2;
  if (exit_fade - 255 >= 254) leave_game_over();
}
