#include "game/flow/game_modes.h"

#include "engine/core/public_api.h"
#include "game/flow/ending_screens.h"
#include "game/flow/event_scene.h"
#include "game/flow/logo_screen.h"
#include "game/flow/option_screens.h"
#include "game/flow/game_parts.h"
#include "game/flow/prologue_screen.h"
#include "game/flow/story_scenes.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/flow/stage_modes.h"

int game_mode;
int screen_phase;
std::uint8_t key_latch;
int frame_counter;
int fade_counter;
int glow_counter;
int phase_counter;
int menu_counter_a;
int menu_counter_b;
int menu_counter_c;
int screen_cursor[7];
int scene_timer;
int screen_pic_a = -1;
int screen_pic_b = -1;
int screen_pic_c = -1;
int stage_phase;
int title_cursor;
int title_fade;
int exit_fade;
bool quit_requested;

namespace {

constexpr int pad_down = 1;
constexpr int pad_up = 8;

struct TitleEntry {
  int y, src_x, width;
};
constexpr TitleEntry title_entries[5] = {{244, 28, 105}, {280, 132, 105}, {316, 242, 125}, {353, 370, 125},
                                         {388, 502, 88}};

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

// The title's choice once its fade-out is complete.
void leave_title() {
  switch (title_cursor) {
    case 0:  // new game
      screen_phase = 0;
      clear_screen_counters();
      title_fade = 0;
      menu_counter_a = menu_counter_b = frame_counter = fade_counter = scene_timer = 0;
      SetBrightnessRGB(255, 255, 255);
      game_mode = mode_hero_select;
      screen_pic_a = LoadGraphicFile("gsx/system/stand_01.png");
      screen_pic_b = LoadGraphicFile("gsx/system/stand_03.png");
      screen_pic_c = LoadGraphicFile("gsx/cr/common.png");
      if (clear_level >= 1) play_bgm("bgm/select.mp3", 3);
      break;
    case 1:  // load
      game_mode = mode_load;
      screen_cursor[1] = 0;
      screen_phase = 0;
      title_fade = 0;
      SetBrightnessRGB(255, 255, 255);
      break;
    case 2:  // sound room
      StopMusicFile();
      game_mode = mode_sound_room;
      menu_counter_a = menu_counter_b = screen_cursor[1] = screen_phase = 0;
      title_fade = fade_counter = scene_timer = 0;
      frame_counter = 255;
      screen_pic_a = LoadGraphicFile("gsx/system/sroom.png");
      screen_pic_b = LoadGraphicFile("gsx/system/slist1.png");
      screen_pic_c = LoadGraphicFile("gsx/system/slist2.png");
      SetBrightnessRGB(255, 255, 255);
      break;
    case 3:  // options
      screen_phase = screen_cursor[1] = fade_counter = menu_counter_b = title_fade = 0;
      game_mode = mode_sound_options;
      SetBrightnessRGB(255, 255, 255);
      StopMusicFile();
      play_bgm("bgm/sys.mp3", 3);
      screen_pic_a = LoadGraphicFile("gsx/system/sys.png");
      screen_pic_b = LoadGraphicFile("gsx/system/op.png");
      screen_pic_c = LoadGraphicFile("gsx/system/op2.png");
      break;
    default:
      break;
  }
}

}  // namespace

void draw_pulsing_part(int& counter, int x, int y, int src_x, int src_y, int width, int height, int handle) {
  const int times = counter < 20 ? counter : 40 - counter;
  for (int i = 0; i < times; ++i) {
    SetBlendMode(2, 48);
    DrawGraphPart(x, y, src_x, src_y, width, height, handle, 1, 0);
    SetBlendMode(0, 255);
  }
  if (++counter >= 40) counter = 0;
}

void title_screen(int pad) {
  if (screen_phase == 0) {
    screen_phase = 1;
    play_bgm("bgm/title.mp3", 3);
  }
  const int sheet = menu_pics[menu_pic_title_sheet];
  DrawGraphAt(0, 0, menu_pics[menu_pic_title], 0);
  DrawGraphPart(0, 0, 0, 0, 530, 295, sheet, 1, 0);
  const TitleEntry& entry = title_entries[title_cursor];
  draw_pulsing_part(fade_counter, 268, entry.y, entry.src_x, 422, entry.width, 49, sheet);

  if (screen_phase == 2) {
    title_fade += 4;
    SetBrightnessRGB(255 - title_fade, 255 - title_fade, 255 - title_fade);
    if (title_fade == 248) DrawGraphAt(0, 0, loading_pic, 0);
    if (title_fade >= 252) leave_title();
  }

  const bool main = action_held(action_main);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  if (!main && !up && !down) {
    key_latch = 0;
    return;
  }
  if (screen_phase != 1 || key_latch != 0) return;
  key_latch = 1;
  if (main) {
    if (title_cursor == 4) {
      quit_requested = true;
    } else if (title_cursor == 2 && clear_level < 1) {
      play_se(se_refuse);
    } else {
      screen_phase = 2;
      play_se(se_decide);
    }
  } else if (up) {
    play_se(se_cursor);
    title_cursor = title_cursor == 0 ? 4 : title_cursor - 1;
  } else {
    play_se(se_cursor);
    title_cursor = title_cursor == 4 ? 0 : title_cursor + 1;
  }
}

void first_frame_mode() {
  game_mode = mode_sound_loading;
  if (assets_ok == 0) game_mode = mode_resources_missing;
}

void sound_loading_mode() {
  load_sound_effects();
  apply_se_volume();  // the saved effect volume holds from the first sound on
  game_mode = mode_logo;
  logo_pic = LoadGraphicFile("gsx/system/staff.png");
  if (assets_ok == 0) game_mode = mode_resources_missing;
}

void resources_missing_screen() {
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  const int colour = MakeColorValue(128, 128, 255);
  DrawTextFormatted(40, 50, colour, "%s", "データが存在しません。");
  DrawTextFormatted(40, 80, colour, "%s", "正しい位置にSelvarinthaxis.exeを置くか、");
  DrawTextFormatted(40, 110, colour, "%s", "リソースデータを正しい位置においてください。");
  DrawTextFormatted(40, 400, colour, "%s", "Escキー：終了");
}

void run_game_mode(int pad) {
  switch (game_mode) {
    case mode_title: title_screen(pad); break;
    case mode_stage_play: stage_play_screen(pad); break;
    case mode_next_area: next_area_mode(); break;
    case mode_restart: restart_mode(); break;
    case mode_game_over: game_over_screen(pad); break;
    case mode_fall_scene: fall_scene_screen(pad); break;
    case mode_hero_select: hero_select_screen(pad); break;
    case mode_location_select: location_select_screen(pad); break;
    case mode_prologue: prologue_screen(pad); break;
    case mode_save:
    case mode_load: save_slot_screen(pad); break;
    case mode_shop: shop_screen(pad); break;
    case mode_cathedral: cathedral_screen(pad); break;
    case mode_event_scene: event_scene_screen(pad); break;
    case mode_boss_event: boss_event_screen(pad); break;
    case mode_first_ending: first_ending_screen(pad); break;
    case mode_second_ending: second_ending_screen(pad); break;
    case mode_first_frame: first_frame_mode(); break;
    case mode_sound_loading: sound_loading_mode(); break;
    case mode_sound_options: sound_options_screen(pad); break;
    case mode_button_assignment: button_config_screen(pad); break;
    case mode_input_test: input_test_screen(pad); break;
    case mode_sound_room: sound_room_screen(pad); break;
    case mode_corrupt_save: corrupt_save_screen(pad); break;
    case mode_resources_missing: resources_missing_screen(); break;
    case mode_logo: logo_screen(pad); break;
    default: break;  // every value without a screen: the cleared screen only
  }
}
