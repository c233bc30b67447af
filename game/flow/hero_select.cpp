#include "game/flow/hero_select.h"

#include <cstring>

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

void free_screen_pic(int& handle) {
  if (handle != -1) DeleteGraphic(handle, 0);
  handle = -1;
}

// The standing pictures and the sprite sheet that the title loaded for this screen are not needed after it.
void free_select_pictures() {
  free_screen_pic(screen_pic_a);
  free_screen_pic(screen_pic_b);
  free_screen_pic(screen_pic_c);
}

void black_overlay(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
}

// The chosen hero's game begins: hero 0 at the location select, hero 1 with the prologue.
void start_new_game() {
  load_hero_images();
  StopMusicFile();
  frame_counter = menu_counter_a = menu_counter_b = screen_phase = 0;
  init_game_state();
  game_mode = mode_location_select;
  free_select_pictures();
  if (hero == 0) {
    play_bgm("bgm/menu1.mp3", 3);
    return;
  }
  game_mode = mode_prologue;
  screen_pic_b = LoadGraphicFile("gsx/system/mop1.png");
  scene_state.step_frames = 0;
  scene_state.step = 1;
  frame_counter = 255;
  fade_counter = 0;
  reset_scene_state();
  StopMusicFile();
}

void draw_frame() {
  const int sheet = menu_pics[menu_pic_system_sheet];
  const int menu = menu_pics[menu_pic_menu_01];
  DrawGraphAt(0, 0, menu_pics[menu_pic_menu_back_02], 0);
  black_overlay(168);
  DrawGraphPart(310, 10, 668, 424, 276, 56, sheet, 1, 0);
  SetBlendMode(2, 64);
  for (int i = 0; i < 13; ++i) DrawGraphPart(310, 10, 668, 424, 276, 56, sheet, 1, 0);
  SetBlendMode(0, 255);
  DrawGraphPart(290, 185, 315, 205, 325, 50, menu, 1, 0);
  DrawGraphPart(328, 251, 387, 304, 253, 152, menu, 1, 0);
  if (menu_counter_a == 0) {
    DrawGraphPart(348, 197, 477, 210, 210, 23, sheet, 1, 0);
    DrawGraphPart(354, 263, 495, 250, 195, 120, sheet, 1, 0);
  } else {
    DrawGraphPart(348, 197, 725, 210, 200, 23, sheet, 1, 0);
    DrawGraphPart(354, 263, 725, 250, 205, 120, sheet, 1, 0);
  }
  DrawGraphPart(565, 459, 565, 154, 75, 21, menu, 1, 0);
  if (menu_counter_b == 1) DrawGraphPart(565, 458, 565, 176, 75, 21, menu, 1, 0);
}

void draw_slide() {
  frame_counter += 10;
  const int in_x = frame_counter - 250;
  const int out_x = -frame_counter;
  const int in_pic = menu_counter_a == 0 ? screen_pic_a : screen_pic_b;
  const int out_pic = menu_counter_a == 0 ? screen_pic_b : screen_pic_a;
  SetBlendMode(2, frame_counter);
  DrawGraphAt(in_x, 0, in_pic, 1);
  SetBlendMode(2, 255 - frame_counter);
  DrawGraphAt(out_x, 0, out_pic, 1);
  SetBlendMode(0, 255);
  if (frame_counter >= 250) {
    frame_counter = 0;
    screen_phase = 0;
  }
}

void draw_chosen_hero() {
  static constexpr int hero0_x[4] = {0, 57, 114, 57};
  static constexpr int hero1_x[4] = {0, 120, 240, 120};
  const int step = frame_counter / 10 % 4;
  if (menu_counter_a == 0) {
    DrawGraphAt(0, 0, screen_pic_a, 1);
    DrawGraphPart(420, 80, hero0_x[step], 130, 57, 108, screen_pic_c, 1, 0);
  } else {
    DrawGraphAt(0, 0, screen_pic_b, 1);
    DrawGraphPart(390, 80, hero1_x[step], 238, 120, 108, screen_pic_c, 1, 0);
    DrawGraphPart(390, 70, hero1_x[step], 346, 120, 108, screen_pic_c, 1, 0);
  }
  if (++frame_counter >= 40) frame_counter = 0;

  // The arrow to the other hero, pulsing while the heroes' row is chosen.
  const int sheet = menu_pics[menu_pic_system_sheet];
  const int x = menu_counter_a == 0 ? 485 : 356;
  const int flip = menu_counter_a == 0 ? 1 : 0;
  DrawGraphPart(x, 104, 282, 196, 48, 51, sheet, 1, flip);
  if (menu_counter_b != 0) return;
  const int times = fade_counter < 20 ? fade_counter : 40 - fade_counter;
  SetBlendMode(2, 48);
  for (int i = 0; i < times; ++i) DrawGraphPart(x, 104, 282, 196, 48, 51, sheet, 1, flip);
  SetBlendMode(0, 255);
  if (++fade_counter >= 40) fade_counter = 0;
}

void choose(int pad) {
  const bool main = action_held(action_main);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  const bool left = (pad & pad_left) != 0;
  const bool right = (pad & pad_right) != 0;
  if (!main && !up && !down && !left && !right) {
    key_latch = 0;
    return;
  }
  if (main) {
    key_latch = 1;
    play_se(se_decide);
    if (menu_counter_b == 0) {
      fade_counter = 0;
      screen_phase = 2;
      hero = menu_counter_a;
    } else {
      screen_phase = 3;
    }
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  if ((up && menu_counter_b == 1) || (down && menu_counter_b == 0)) {
    play_se(se_cursor);
    menu_counter_b = 1 - menu_counter_b;
  } else if (left && menu_counter_b == 0 && menu_counter_a == 1) {
    play_se(se_cursor);
    menu_counter_a = 0;
    screen_phase = 1;
    frame_counter = 0;
  } else if (right && menu_counter_b == 0 && menu_counter_a == 0) {
    play_se(se_cursor);
    menu_counter_a = 1;
    screen_phase = 1;
    frame_counter = 0;
  }
}

}  // namespace

void hero_select_screen(int pad) {
  if (clear_level == 0) {
    free_select_pictures();
    hero = 0;
    load_hero_images();
    StopMusicFile();
    frame_counter = menu_counter_a = menu_counter_b = screen_phase = 0;
    init_game_state();
    game_mode = mode_location_select;
    play_bgm("bgm/menu1.mp3", 3);
    return;
  }

  draw_frame();
  switch (screen_phase) {
    case 0:
      draw_chosen_hero();
      choose(pad);
      break;
    case 1: draw_slide(); break;
    case 2:
    case 3:
      scene_timer += 2;
      black_overlay(scene_timer);
      if (scene_timer <= 253) break;
      if (screen_phase == 2) {
        start_new_game();
      } else {
        game_mode = mode_title;
        StopMusicFile();
        frame_counter = menu_counter_a = menu_counter_b = screen_phase = 0;
        free_select_pictures();
      }
      break;
    default: break;
  }
}

void init_game_state() {
  area = 1;
  clear_screen_counters();
  stage = 1;
  g_x = g_y = bg_x = bg_y = 0;
  menu_counter_a = menu_counter_b = menu_counter_c = game_menu_page = 0;
  area3_right_limit = 640;
  scene_state.initialised = 0;
  for (int& cursor : screen_cursor) cursor = 0;
  enemy_count = 0;

  if (game_mode == mode_hero_select) {
    std::memset(accessory_owned, 0, sizeof accessory_owned);
    std::memset(item_count, 0, sizeof item_count);
    main_form = 1;
    money = 1000;
    std::memset(hp_up, 0, sizeof hp_up);
    std::memset(sp_up, 0, sizeof sp_up);
    // Swords of an earlier run are not carried into a new one: only the first is owned.
    std::memset(sword_owned, 0, sizeof sword_owned);
    sword_owned[0] = 1;
    weapon = 0;
    const int h = hero == 1 ? 1 : 0;
    for (int i = 0; i < 10; ++i) learned[h][i] = 0;
    const int first_skills = h == 0 ? 4 : 2;
    for (int i = 0; i < first_skills; ++i) learned[h][i] = 1;
    std::memset(stage_flags, 0, sizeof stage_flags);
    std::memset(event_flags, 0, sizeof event_flags);
    std::memset(story_flags, 0, sizeof story_flags);
    talk_count = 0;
    accessory = accessory_none;
    skill_sel_0 = skill_sel_1 = skill_none;
    kill_1 = kill_2 = kill_3 = kill_4 = hits_taken = deaths = 0;
    continues = 4;
  }
  // After the new game's progress reset, so a previous run's HP and SP upgrades do not raise the fresh maxima.
  reset_player_stats();

  buff_words[0] = buff_words[1] = 0;
  std::memset(buff_flags, 0, sizeof buff_flags);
}

void draw_menu_hero(int flip) {
  const int k = frame_counter / 4;
  if (k < 0 || k > 7) return;
  if (hero == 0) {
    DrawGraphPart(mx, my, 57 * k, 108, 57, 108, hero_body[0], 1, flip);
  } else {
    DrawGraphPart(mx - 50, my, 120 * k, 108, 120, 108, hero_body[0], 1, flip);
    DrawGraphPart(mx - 50, my, 120 * k, 108, 120, 108, hero_body[1], 1, flip);
  }
}
