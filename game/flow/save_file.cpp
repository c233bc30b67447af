#include "game/flow/save_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/public_api.h"
#include "game/flow/atomic_file.h"
#include "game/flow/captions.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_modes.h"
#include "game/flow/hero_select.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"

std::uint8_t save_record[save_record_size];
std::uint8_t save_headers[3][save_header_size];

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;

// The hero 1 record keeps accessories 0..4 and 10..14 in its ten bytes; hero 0 keeps 0..9.
int accessory_entry(int h, int k) { return h == 1 && k >= 5 ? k + 5 : k; }

std::uint8_t flag(int value) { return value != 0 ? 1 : 0; }

void put24(std::uint8_t* at, int value) {
  if (value < 0) value = 0;
  if (value > save_money_limit) value = save_money_limit;
  at[0] = static_cast<std::uint8_t>(value >> 16);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value);
}

int get24(const std::uint8_t* at) { return (at[0] << 16) | (at[1] << 8) | at[2]; }

// The automatic save when `auto_mode` is running, else the slot of screen_cursor[1] (none for the back entry).
const char* save_file_name(int auto_mode) {
  if (game_mode == auto_mode) return auto_save_file;
  const int slot = screen_cursor[1];
  return slot >= 0 && slot < 3 ? save_slot_files[slot] : nullptr;
}

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

bool is_saved_game(const std::uint8_t* header) { return header[0] == 5 || header[0] == 6; }

// Says on screen (a caption) and in the log that a save file could not be read or written.
void report_save_problem(int caption, const char* what, const char* path, int error) {
  report_file_problem(what, path, error);
  caption_code = caption;
  caption_start = frame_start_ms;
}

// Reads the first 50 bytes of every slot file; a missing one is created empty (500 zero bytes) and shows empty. One
// that is there but cannot be read shows empty, is said, and is kept as it is.
void read_slot_headers() {
  static const std::uint8_t empty_record[save_record_size] = {};
  for (int i = 0; i < 3; ++i) {
    std::memset(save_headers[i], 0, save_header_size);
    const std::string path = game_file_path(save_slot_files[i]);
    std::size_t length = 0;
    switch (read_file_start(path.c_str(), save_headers[i], save_header_size, &length)) {
      case FileRead::missing:
        if (!write_file_atomically(path.c_str(), empty_record, save_record_size)) {
          report_file_problem("could not create", path.c_str(), errno);
        }
        break;
      case FileRead::unreadable:
        report_save_problem(save_unreadable_caption_code, "cannot read (kept as it is)", path.c_str(), errno);
        break;
      case FileRead::read:
        if (length != static_cast<std::size_t>(save_header_size)) {
          std::memset(save_headers[i], 0, save_header_size);  // a truncated header shows as an empty slot
        }
        break;
    }
  }
}

void draw_dark_bar(int slot) { DrawGraphPart(0, 80 + 130 * slot, 0, 0, 640, 124, menu_pics[menu_pic_system_sheet], 1, 0); }

void draw_slot(int i) {
  const std::uint8_t* h = save_headers[i];
  const int y0 = 102 + 130 * i;
  const int menu = menu_pics[menu_pic_menu_01];
  if (!is_saved_game(h)) {
    DrawGraphPart(255, y0 + 33, 17, 177, 110, 21, menu_pics[menu_pic_system_sheet], 1, 0);
    return;
  }
  const int saved_hero = h[0] - 5;
  DrawGraphPart(47, y0, 0, saved_hero == 0 ? 0 : 57, 235, 55, menu, 1, 0);
  DrawGraphPart(320, y0, 0, 318, 283, 35, menu, 1, 0);
  for (int k = 0; k < 8; ++k) {
    if (h[1 + k] == 1) DrawGraphPart(380 + 27 * k, y0 + 6, 27 * k, saved_hero == 0 ? 204 : 232, 24, 21, menu, 1, 0);
  }
  DrawGraphPart(320, y0 + 38, 0, 353, 227, 40, menu, 1, 0);
  for (int k = 0; k < 6; ++k) {
    if (h[11 + k] != 1) continue;
    const int x = 380 + (saved_hero == 0 ? 30 : 27) * k;
    DrawGraphPart(x, y0 + 45, 24 * k, saved_hero == 0 ? 96 : 120, 24, 24, item_icons, 1, 0);
  }
  DrawTextFormatted(115, y0 + 68, MakeColorValue(0, 0, 0), "%d/%d/%d  %d:%d", (h[21] << 8) | h[22], h[23], h[24],
                    h[25], h[26]);
}

void finish_load() {
  load_hero_images();  // with the hero's own menu background
  StopMusicFile();
  frame_counter = menu_counter_a = menu_counter_b = screen_phase = 0;
  init_game_state();
  game_mode = mode_location_select;
  play_bgm(hero == 1 ? "bgm/menu2.mp3" : "bgm/menu1.mp3", 3);
  init_game_state();
  game_mode = mode_location_select;
}

// Phase 1: the slot list's input through the key latch.
void choose_slot(int pad) {
  const bool main = action_held(action_main);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  if (!main && !up && !down) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  int& cursor = screen_cursor[1];
  if (main) {
    if (cursor == 3) {
      play_se(se_cursor);
      frame_counter = 0;
      screen_phase = 10;
    } else if (game_mode == mode_save) {
      screen_phase = 2;
    } else if (is_saved_game(save_headers[cursor])) {
      play_se(se_gem);
      screen_phase = 4;
    } else {
      play_se(se_refuse);
    }
    return;
  }
  StopSoundHandle(sound_table[se_cursor]);
  play_se(se_cursor);
  if (up) {
    cursor = cursor == 0 ? 3 : cursor - 1;
  } else {
    cursor = cursor == 3 ? 0 : cursor + 1;
  }
}

// Phase 2: yes (0) or no (1) for saving into the slot under the cursor.
void confirm_save(int pad) {
  const int c = screen_cursor[1];
  const int sheet = menu_pics[menu_pic_system_sheet];
  DrawGraphPart(282, 103 + 130 * c, 0, 600, 350, 77, menu_pics[menu_pic_menu_05], 1, 0);
  DrawGraphPart(308, 126 + 130 * c, 474, 171, 154, 31, sheet, 1, 0);
  DrawGraphPart(465, 126 + 130 * c, 667, 171, 133, 31, sheet, 1, 0);
  if (menu_counter_a == 0) {
    DrawGraphPart(468, 126 + 130 * c, 810, 171, 55, 31, sheet, 1, 0);
  } else {
    DrawGraphPart(522, 126 + 130 * c, 864, 171, 75, 31, sheet, 1, 0);
  }

  const bool main = action_held(action_main);
  const bool left = (pad & pad_left) != 0;
  const bool right = (pad & pad_right) != 0;
  if (!main && !left && !right) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  if (main) {
    if (menu_counter_a == 0) {
      play_se(se_gem);
      screen_phase = 3;
    } else {
      screen_phase = 1;
    }
  } else if (left && menu_counter_a != 0) {
    play_se(se_cursor);
    menu_counter_a = 0;
  } else if (right && !left && menu_counter_a != 1) {
    play_se(se_cursor);
    menu_counter_a = 1;
  }
}

void leave_screen() {
  frame_counter += 3;
  SetBlendMode(1, frame_counter);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
  if (frame_counter <= 251) return;
  const bool saving = game_mode == mode_save;
  screen_phase = frame_counter = 0;
  screen_cursor[1] = 0;
  screen_cursor[0] = 0;
  game_mode = saving ? mode_location_select : mode_title;
}

}  // namespace

void build_save_record(const int date[5]) {
  std::uint8_t* r = save_record;
  std::memset(r, 0, save_record_size);
  const int h = hero == 1 ? 1 : 0;
  r[0] = static_cast<std::uint8_t>(5 + h);
  for (int i = 0; i < 10; ++i) r[1 + i] = static_cast<std::uint8_t>(learned[h][i]);
  for (int s = 1; s <= 10; ++s) r[10 + s] = flag(stage_flags[s]);
  r[21] = static_cast<std::uint8_t>(date[0] >> 8);
  r[22] = static_cast<std::uint8_t>(date[0]);
  for (int i = 1; i < 5; ++i) r[22 + i] = static_cast<std::uint8_t>(date[i]);
  put24(r + 27, money);
  for (int k = 0; k < 10; ++k) r[30 + k] = flag(accessory_owned[accessory_entry(h, k)]);
  for (int i = 0; i < 5; ++i) r[40 + i] = static_cast<std::uint8_t>(item_count[i]);
  r[45] = static_cast<std::uint8_t>(accessory);
  for (int i = 0; i < 5; ++i) r[46 + i] = static_cast<std::uint8_t>(sword_owned[i]);
  r[51] = h == 0 ? flag(main_form) : static_cast<std::uint8_t>(weapon);
  r[52] = static_cast<std::uint8_t>(h == 0 ? skill_sel_0 : skill_sel_1);
  for (int i = 0; i < 10; ++i) r[53 + i] = flag(buff_flags[i]);
  for (int i = 0; i < 10; ++i) r[63 + i] = flag(story_flags[i]);
  for (int i = 0; i < 5; ++i) r[73 + i] = hp_up[i] == 1 ? 1 : 0;
  for (int i = 0; i < 5; ++i) r[78 + i] = sp_up[i] == 1 ? 1 : 0;
  r[83] = static_cast<std::uint8_t>(continues);
  put24(r + 84, kill_1);
  put24(r + 87, kill_2);
  put24(r + 90, kill_3);
  put24(r + 93, kill_4);
  put24(r + 96, hits_taken);
  put24(r + 99, deaths);
  for (int i = 0; i < 50; ++i) r[102 + i] = flag(event_flags[i]);
  r[152] = static_cast<std::uint8_t>(talk_count);
}

int take_save_record(const std::uint8_t* bytes, std::size_t length) {
  if (length > static_cast<std::size_t>(save_record_size)) length = save_record_size;
  std::memset(save_record, 0, save_record_size);
  if (length > 0) std::memcpy(save_record, bytes, length);
  const std::uint8_t* r = save_record;
  bool valid = length == static_cast<std::size_t>(save_record_size);
  auto check_flag = [&valid](std::uint8_t b) {
    if (b > 1) valid = false;
    return static_cast<std::uint8_t>(b == 1 ? 1 : 0);
  };

  if (r[0] == 5 || r[0] == 6) {
    hero = r[0] - 5;
  } else {
    valid = false;
  }
  const int h = hero == 1 ? 1 : 0;
  for (int i = 0; i < 10; ++i) {
    learned[h][i] = r[1 + i];
    if (r[1 + i] > 1) valid = false;
  }
  for (int s = 1; s <= 10; ++s) stage_flags[s] = check_flag(r[10 + s]);
  money = get24(r + 27);
  for (int k = 0; k < 10; ++k) accessory_owned[accessory_entry(h, k)] = check_flag(r[30 + k]);
  for (int i = 0; i < 5; ++i) item_count[i] = r[40 + i];
  accessory = r[45];
  // Out-of-range equipment would index the item and skill tables beyond their ends: such a record is corrupt.
  if (accessory > 14 && accessory != accessory_none) valid = false;
  for (int i = 0; i < 5; ++i) {
    sword_owned[i] = r[46 + i];
    if (r[46 + i] > 1) valid = false;
  }
  if (h == 0) {
    if (r[51] > 1) valid = false;
    main_form = r[51] == 1 ? 1 : 0;
    skill_sel_0 = r[52];
    if (skill_sel_0 > 7 && skill_sel_0 != skill_none) valid = false;
  } else {
    weapon = r[51];
    if (weapon > 3) valid = false;
    skill_sel_1 = r[52];
    if ((skill_sel_1 < 8 || skill_sel_1 > 11) && skill_sel_1 != skill_none) valid = false;
  }
  for (int i = 0; i < 10; ++i) buff_flags[i] = check_flag(r[53 + i]);
  for (int i = 0; i < 10; ++i) story_flags[i] = check_flag(r[63 + i]);
  for (int i = 0; i < 5; ++i) hp_up[i] = check_flag(r[73 + i]);
  for (int i = 0; i < 5; ++i) sp_up[i] = check_flag(r[78 + i]);
  continues = r[83];
  if (continues > 9) valid = false;
  kill_1 = get24(r + 84);
  kill_2 = get24(r + 87);
  kill_3 = get24(r + 90);
  kill_4 = get24(r + 93);
  hits_taken = get24(r + 96);
  deaths = get24(r + 99);
  for (int i = 0; i < 50; ++i) event_flags[i] = check_flag(r[102 + i]);
  talk_count = r[152];
  return valid ? 1 : 0;
}

int write_save() {
  const char* name = save_file_name(mode_location_select);
  if (name == nullptr) return 0;
  int now[6] = {};
  GetLocalDateTime(now);
  build_save_record(now);
  const std::string path = game_file_path(name);
  if (write_file_atomically(path.c_str(), save_record, save_record_size)) return 1;
  report_save_problem(save_failed_caption_code, "could not save to", path.c_str(), errno);
  return 0;
}

int read_save() {
  const char* name = save_file_name(mode_game_over);
  if (name == nullptr) return 0;
  const std::string path = game_file_path(name);
  std::uint8_t bytes[save_record_size] = {};
  std::size_t length = 0;
  const FileRead result = read_file_start(path.c_str(), bytes, sizeof bytes, &length);
  if (result == FileRead::unreadable) report_file_problem("cannot read (kept as it is)", path.c_str(), errno);
  if (result != FileRead::read) return 0;
  return take_save_record(bytes, length);
}

void save_slot_screen(int pad) {
  DrawGraphAt(0, 0, menu_pics[menu_pic_save], 0);
  const int menu = menu_pics[menu_pic_menu_01];
  DrawGraphPart(565, 459, 565, 154, 75, 21, menu, 1, 0);
  if (screen_cursor[1] == 3) DrawGraphPart(565, 458, 565, 176, 75, 21, menu, 1, 0);

  if (screen_phase == 0) {
    for (int i = 0; i < 3; ++i) draw_dark_bar(i);
    read_slot_headers();
    menu_counter_a = 1;
    screen_cursor[1] = 0;
    screen_phase = 1;
    return;
  }

  if (screen_phase == 1) {
    const int caption_y = game_mode == mode_save ? 148 : 203;
    DrawGraphPart(63, 25, 13, caption_y, 238, 21, menu_pics[menu_pic_system_sheet], 1, 0);
  }
  for (int i = 0; i < 3; ++i) draw_slot(i);
  for (int i = 0; i < 3; ++i) {
    if (i != screen_cursor[1]) draw_dark_bar(i);
  }
  draw_caption();

  switch (screen_phase) {
    case 1: choose_slot(pad); break;
    case 2: confirm_save(pad); break;
    case 3:
      if (write_save() == 0) play_se(se_refuse);
      screen_phase = 0;
      break;
    case 4:
      if (read_save() == 1) {
        finish_load();
      } else {
        game_mode = mode_corrupt_save;
      }
      break;
    case 10: leave_screen(); break;
    default: break;
  }
}

void corrupt_save_screen(int) {
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  const int red = MakeColorValue(255, 0, 0);
  DrawTextFormatted(50, 50, red, "%s", "セーブデータが破損しています。");
  DrawTextFormatted(50, 80, red, "%s", "Escキーを押して、ゲームを終了して下さい。");
}
