#include "game/flow/option_screens.h"

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;

// Sound options rows.
constexpr int row_music = 0;
constexpr int row_effects = 1;
constexpr int row_buttons = 2;
constexpr int row_back = 4;
// Button assignment rows: 0..7 the actions, 9 back.
constexpr int row_last_action = 7;
constexpr int row_save = 9;

// Digit cells of the options sheet: 20 x 19, plain and highlighted columns.
constexpr int digit_plain_x = 547;
constexpr int digit_lit_x = 583;
constexpr int digit_w = 20;
constexpr int digit_h = 19;

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

// Times the highlight is stacked this frame: rising 0..20 and falling back over the 40 steps of the counter.
int pulse_times(int counter) { return counter < 20 ? counter : 40 - counter; }

void step_pulse(int& counter) {
  if (++counter >= 40) counter = 0;
}

void draw_digit(int x, int y, int src_x, int digit) {
  DrawGraphPart(x, y, src_x, 275 + digit_h * digit, digit_w, digit_h, screen_pic_c, 1, 0);
}

// A volume 0..100 right-aligned at x 430: "100", "d0" or "0".
void draw_volume(int value, int y, int src_x) {
  if (value >= 100) {
    draw_digit(390, y, src_x, 1);
    draw_digit(410, y, src_x, 0);
  } else if (value >= 10) {
    draw_digit(410, y, src_x, value / 10);
  }
  draw_digit(430, y, src_x, 0);
}

// One step of a volume: right goes up by 10 and wraps 100 -> 0, left goes down by 10 and wraps 0 -> 100.
int step_volume(int value, bool up) {
  if (up) return value >= 100 ? 0 : value + 10;
  return value <= 0 ? 100 : value - 10;
}

void free_screen_pic(int& handle) {
  if (handle != -1) DeleteGraphic(handle, 0);
  handle = -1;
}

// The options no longer need their pictures once the title runs again.
void leave_sound_options() {
  game_mode = mode_title;
  menu_counter_b = 0;
  screen_phase = 0;
  free_screen_pic(screen_pic_a);
  free_screen_pic(screen_pic_b);
  free_screen_pic(screen_pic_c);
}

void change_volume(bool up) {
  if (menu_counter_b == row_music) {
    bgm_volume = step_volume(bgm_volume, up);
    SetMusicVolume(engine_volume(bgm_volume));
  } else if (menu_counter_b == row_effects) {
    se_volume = step_volume(se_volume, up);
    apply_se_volume();
  }
  play_se(se_cursor);
}

// The pad button (1..8) whose action in button_map_edit is `action`, or 0.
int button_of_action(int action) {
  for (int b = 1; b <= 8; ++b) {
    if (button_map_edit[b] == action) return b;
  }
  return 0;
}

void draw_button_number(int action, int src_x) {
  const int b = button_of_action(action);
  if (b == 0) return;
  DrawGraphPart(410, 114 + digit_h * (action - 1), src_x, 294 + digit_h * (b - 1), digit_w, digit_h, screen_pic_c,
                1, 0);
}

// Runs run_colour_initializer before main, as the start-up code runs the game's static initializers.
struct ColourInitializer {
  ColourInitializer() { run_colour_initializer(); }
};
const ColourInitializer colour_initializer;

}  // namespace

int white_colour;

void init_white_colour() { white_colour = MakeColorValue(255, 255, 255); }

void run_colour_initializer() { init_white_colour(); }

int engine_volume(int setting) {
  if (setting <= 0) return 0;
  if (setting >= 100) return 255;
  return setting * 255 / 100;
}

void apply_se_volume() {
  const int volume = engine_volume(se_volume);
  for (int handle : sound_table) {
    if (handle != -1) SetSoundHandleVolume(volume, handle);
  }
}

void sound_options_screen(int pad) {
  DrawGraphAt(0, 0, screen_pic_a, 0);
  DrawGraphAt(0, 0, screen_pic_b, 1);
  draw_volume(bgm_volume, 132, digit_plain_x);
  draw_volume(se_volume, 151, digit_plain_x);

  const int row = menu_counter_b;
  for (int i = pulse_times(fade_counter); i > 0; --i) {
    SetBlendMode(2, 32);
    DrawGraphPart(144, 132 + 19 * row, 144, 132 + 19 * row, 356, 19, screen_pic_c, 1, 0);
    if (row == row_music) draw_volume(bgm_volume, 132, digit_lit_x);
    if (row == row_effects) draw_volume(se_volume, 151, digit_lit_x);
  }
  SetBlendMode(0, 255);
  step_pulse(fade_counter);

  const bool main = action_held(action_main);
  const bool jump = action_held(action_jump);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  const bool right = (pad & pad_right) != 0;
  const bool left = (pad & pad_left) != 0;

  if (main) {
    key_latch = 1;
    if (row == row_buttons) {
      play_se(se_decide);
      game_mode = mode_button_assignment;
      free_screen_pic(screen_pic_b);
      free_screen_pic(screen_pic_c);
      screen_pic_b = LoadGraphicFile("gsx/system/key.png");
      screen_pic_c = LoadGraphicFile("gsx/system/key2.png");
      menu_counter_b = screen_phase = scene_timer = fade_counter = 0;
    } else if (row == row_back) {
      play_se(se_decide);
      save_settings();
      apply_se_volume();
      leave_sound_options();
    }
  } else if (jump) {
    leave_sound_options();
  } else if (up || down || right || left) {
    if (key_latch != 0) return;
    key_latch = 1;
    if (up) {
      play_se(se_cursor);
      menu_counter_b = row == 0 ? row_back : row == row_back ? row_buttons : row - 1;
    } else if (down) {
      menu_counter_b = row == row_back ? 0 : row == row_buttons ? row_back : row + 1;
      play_se(se_cursor);
    } else if (row == row_music || row == row_effects) {
      change_volume(right);
    } else {
      play_se(se_cursor);
    }
  } else {
    key_latch = 0;
  }
}

void button_config_screen(int pad) {
  DrawGraphAt(0, 0, screen_pic_a, 0);
  DrawGraphAt(0, 0, screen_pic_b, 0);
  if (screen_phase == 0) {
    for (int b = 1; b <= 8; ++b) button_map_edit[b] = button_map[b];
    screen_phase = 1;
    WaitPumpingMessagesEntry(500);
  }
  for (int a = 1; a <= 8; ++a) draw_button_number(a, digit_plain_x);

  const int row = menu_counter_b;
  if (scene_timer == 0) {
    for (int i = pulse_times(fade_counter); i > 0; --i) {
      SetBlendMode(2, 32);
      DrawGraphPart(143, 113 + 19 * row, 143, 113 + 19 * row, 340, 19, screen_pic_c, 1, 0);
      if (row <= row_last_action) draw_button_number(row + 1, digit_lit_x);
    }
    SetBlendMode(0, 255);
    step_pulse(fade_counter);
  }

  map_buttons(pad);

  int held_button = 0;
  for (int b = 1; b <= 8 && held_button == 0; ++b) {
    if ((pad & (0x10 << (b - 1))) != 0) held_button = b;
  }
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;

  if (row == row_save && action_held(action_main)) {
    play_se(se_decide);
    menu_counter_b = 0;
    game_mode = mode_sound_options;
    for (int b = 1; b <= 8; ++b) button_map[b] = button_map_edit[b];
    save_settings();
    free_screen_pic(screen_pic_b);
    free_screen_pic(screen_pic_c);
    screen_pic_b = LoadGraphicFile("gsx/system/op.png");
    screen_pic_c = LoadGraphicFile("gsx/system/op2.png");
  } else if (up || down) {
    if (key_latch != 0) return;
    key_latch = 1;
    play_se(se_cursor);
    if (up) {
      menu_counter_b = row == 0 ? row_save : row == row_save ? row_last_action : row - 1;
    } else {
      menu_counter_b = row == row_save ? 0 : row == row_last_action ? row_save : row + 1;
    }
  } else if (held_button != 0) {
    if (key_latch != 0 || row > row_last_action) return;
    key_latch = 1;
    assign_button(held_button);
  } else {
    key_latch = 0;
  }
}

void input_test_screen(int pad) {
  static constexpr const char* names[8] = {"MAIN", "JUMP", "DASH", "SKILL", "MAIN_CHANGE", "PAUSE", "Q_R", "Q_L"};
  map_buttons(pad);
  const int white = MakeColorValue(255, 255, 255);
  for (int a = 1; a <= 8; ++a) {
    if (action_held(a)) DrawTextFormatted(50, 50, white, "%s", names[a - 1]);
  }
}
