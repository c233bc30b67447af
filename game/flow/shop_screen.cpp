#include "game/flow/shop_screen.h"

#include <cstdint>

#include "engine/core/public_api.h"
#include "game/flow/captions.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/hero_select.h"
#include "game/flow/item_texts.h"
#include "game/flow/logo_screen.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

const int shop_accessory_prices[shop_goods_columns][2] = {
    {3000, 6000}, {10000, 20000}, {7000, 14000}, {5000, 10000}, {6000, 12000}};
const int shop_consumable_prices[shop_goods_columns][2] = {
    {100, 500}, {400, 2000}, {50, 500}, {1000, 10000}, {800, 3000}};
const int consumable_limits[2][shop_goods_columns] = {{5, 5, 9, 1, 2}, {2, 2, 9, 1, 1}};

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;


// Cells of the shop sheet (gsx/system/shop.png).
struct Cell {
  int src_x, src_y, width, height;
};
constexpr Cell command_panel = {0, 0, 150, 90};
constexpr Cell shop_entries = {150, 0, 100, 76};
constexpr Cell shop_highlight = {250, 0, 100, 22};
constexpr Cell cathedral_entries = {150, 76, 100, 50};
constexpr Cell list_panel = {0, 130, 380, 190};
constexpr Cell money_panel = {380, 130, 150, 40};
constexpr Cell confirm_box = {380, 170, 180, 90};
constexpr Cell yes_no_highlight = {380, 260, 60, 22};
constexpr Cell sold_out_mark = {560, 130, 48, 48};
constexpr Cell limit_mark = {560, 178, 48, 48};
constexpr Cell back_button = {380, 290, 60, 30};
constexpr Cell bottom_panel = {0, 320, 614, 80};
// Cells of the menu sheet: the 12 x 20 digits and the two cursor frames.
constexpr int digit_src_x = 0, digit_src_y = 460;
constexpr Cell slot_cursor = {120, 460, 64, 64};
constexpr Cell back_cursor = {184, 460, 76, 46};
// The counter tile of the field sheet s_03 (its top left holds other pieces).
constexpr int counter_tile_x = 100, counter_tile_y = 426;
// The glow sprite of the effect sheet tr_all_04.
constexpr int glow_sheet = 12;
constexpr Cell glow = {7, 596, 25, 25};

bool is_hero_0() { return hero == 0; }
int hero_index() { return hero == 0 ? 0 : 1; }

int range(int a, int b) { return a + GetRandomUpTo(b - a); }

void draw_cell(int x, int y, const Cell& c, int handle, int mirror = 0) {
  DrawGraphPart(x, y, c.src_x, c.src_y, c.width, c.height, handle, 1, mirror);
}

void full_black(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
}

// The pulsing glow at the cursor: drawn additively up to 20 times over a 41-frame period.
void draw_glow(int x, int y) {
  const int times = glow_counter < 20 ? glow_counter : 40 - glow_counter;
  for (int i = 0; i < times; ++i) {
    SetBlendMode(2, 32);
    draw_cell(x, y, glow, effect_sheets[glow_sheet]);
    SetBlendMode(0, 255);
  }
  if (++glow_counter > 40) glow_counter = 0;
}

// The resident's idle cell from fade_counter: the first cell most of the time, a short two-cell blink.
int idle_cell(int counter) { return counter < 200 ? 0 : (counter < 210 ? 1 : 2); }

void step_idle_counter() {
  if (++fade_counter >= 220) fade_counter = 0;
}

void draw_standing_hero() {
  if (is_hero_0()) {
    DrawGraphPart(mx, my, 0, 0, 57, 108, hero_body[0], 1, 0);
  } else {
    DrawGraphPart(mx - 50, my, 0, 0, 120, 108, hero_body[0], 1, 0);
    DrawGraphPart(mx - 50, my, 0, 0, 120, 108, hero_body[1], 1, 0);
  }
}

// Window and portraits slide in; the step moves on when both are shown.
void open_step() {
  SceneState& s = scene_state;
  if (s.step_frames == 0) s.window_state = s.portrait_state = 0;
  ++s.step_frames;
  draw_portraits();
  if (s.window_state == 1 && s.portrait_state == 1) next_scene_step();
}

// Window and portraits slide out; true on the frame both are hidden.
bool close_step() {
  SceneState& s = scene_state;
  if (s.step_frames == 0) s.window_state = s.portrait_state = 2;
  ++s.step_frames;
  draw_portraits();
  return s.window_state == 3 && s.portrait_state == 3;
}

// The talk of story_event: the box raises step once at the end of its single page.
void talk_step(int event, int pad) {
  draw_portraits();
  dialogue_box(event, pad);
}

// A talk chosen from the menu starts afresh at its first row.
void start_talk_step() {
  SceneState& s = scene_state;
  if (s.step_frames == 0) {
    s.phase = 1;
    s.row = s.chars = s.page = 0;
  }
  open_step();
}

// The gift caption: raised on the step's first frame, the step moves on once it has run out.
void caption_step(int code) {
  SceneState& s = scene_state;
  if (s.step_frames == 0) {
    caption_code = code;
    caption_start = frame_start_ms;
  }
  ++s.step_frames;
  draw_caption();
  if (caption_code == 0) next_scene_step();
}

void wait_then_menu() {
  if (++scene_state.step_frames >= 51) {
    scene_state.step = 3;
    scene_state.step_frames = 0;
  }
}

void load_portrait(const char* path) {
  if (right_portrait_sheet != -1) DeleteGraphic(right_portrait_sheet, 0);
  right_portrait_sheet = LoadGraphicFile(path);
}

// Phase 0: the fade from black; `on_start` runs once, on the fade's first frame.
template <typename Start>
void entry_fade(Start on_start) {
  frame_counter -= 3;
  full_black(frame_counter);
  if (frame_counter == 252) on_start();
  if (frame_counter <= 3) {
    screen_phase = 1;
    frame_counter = 0;
    scene_state.step = 0;
    mx = -100;
    my = 320;
    reset_scene_state();
  }
}

void walk_in() {
  draw_menu_hero(0);
  if (++frame_counter >= 32) frame_counter = 0;
  if (mx <= 320) {
    mx += 3;
  } else {
    screen_phase = 2;
    screen_cursor[0] = 0;
    scene_state.step = 0;
    scene_state.step_frames = 0;
    scene_state.box_ready = 0;
    reset_scene_state();
  }
}

// Phase 3: the walk out to the left, then back to the location select with the hero's menu music.
void walk_out() {
  draw_menu_hero(1);
  if (++frame_counter >= 32) frame_counter = 0;
  if (mx >= -80) {
    mx -= 3;
    return;
  }
  frame_counter = 0;
  screen_phase = 0;
  screen_cursor[0] = screen_cursor[1] = 0;
  menu_counter_a = menu_counter_b = 0;
  scene_state.step = 0;
  game_mode = mode_location_select;
  StopMusicFile();
  play_bgm(is_hero_0() ? "bgm/menu1.mp3" : "bgm/menu2.mp3", 3);
  if (screen_pic_a != -1) DeleteGraphic(screen_pic_a, 0);
  screen_pic_a = -1;
}

// ---- Shop ----------------------------------------------------------------------------------------------------

int good_price(int row, int column) {
  return row == 0 ? shop_accessory_prices[column][hero_index()] : shop_consumable_prices[column][hero_index()];
}

bool accessory_sold_out(int column) { return accessory_owned[column] != 0; }
bool consumable_at_limit(int column) { return item_count[column] >= consumable_limits[hero_index()][column]; }

bool can_buy(int row, int column) {
  if (row == 0) return !accessory_sold_out(column) && money >= good_price(row, column);
  if (row == 1) return !consumable_at_limit(column) && money >= good_price(row, column);
  return false;
}

void draw_money() {
  const int value = money < 0 ? 0 : (money > 99999 ? 99999 : money);
  constexpr int xs[5] = {270, 283, 296, 309, 322};
  int divisor = 10000;
  for (int i = 0; i < 5; ++i, divisor /= 10) {
    if (i < 4 && value < divisor) continue;
    const int d = value / divisor % 10;
    DrawGraphPart(xs[i], 45, digit_src_x + 12 * d, digit_src_y, 12, 20, menu_pics[menu_pic_menu_01], 1, 0);
  }
}

void draw_list() {
  const int sheet = menu_pics[menu_pic_shop];
  const int icons = menu_pics[menu_pic_acce];
  const int white = MakeColorValue(255, 255, 255);
  draw_cell(130, 85, list_panel, sheet);
  draw_cell(205, 35, money_panel, sheet);
  draw_money();
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < shop_goods_columns; ++column) {
      const int x = 166 + 65 * column, y = 120 + 65 * row;
      DrawRectangle(x, y, x + 48, y + 48, white, 0);
      DrawGraphPart(x, y, 48 * column, 48 * row, 48, 48, icons, 1, 0);
      const bool covered = row == 0 ? accessory_sold_out(column) : consumable_at_limit(column);
      if (covered) {
        SetBlendMode(1, 128);
        DrawRectangle(x, y, x + 48, y + 48, MakeColorValue(0, 0, 0), 1);
        SetBlendMode(0, 255);
        draw_cell(x, y, row == 0 ? sold_out_mark : limit_mark, sheet);
      }
    }
  }
  draw_cell(290, 248, back_button, sheet);
  const int row = menu_counter_b, column = menu_counter_a;
  if (row == 2) {
    draw_cell(282, 240, back_cursor, menu_pics[menu_pic_menu_01]);
    draw_glow(278, 237);
  } else {
    draw_cell(158 + 65 * column, 112 + 65 * row, slot_cursor, menu_pics[menu_pic_menu_01]);
    draw_glow(150 + 65 * column, 105 + 65 * row);
  }
  draw_cell(13, 320, bottom_panel, sheet);
  if (row == 2) {
    DrawGraphPart(50, 343, 384, 0, 48, 48, icons, 1, 0);
    return;
  }
  DrawGraphPart(50, 343, 48 * column, 48 * row, 48, 48, icons, 1, 0);
  const char* name = shop_goods_name(row, column);
  const char* description = shop_goods_description(row, column);
  DrawTextFormatted(115, 340, white, " %s", name != nullptr ? name : "");
  DrawTextFormatted(115, 358, white, " %s", description != nullptr ? description : "");
  DrawTextFormatted(115, 376, white, " %5d Plix", good_price(row, column));
  const int blue = MakeColorValue(64, 64, 255);
  if (row == 0 && accessory_sold_out(column)) {
    DrawTextFormatted(210, 376, blue, "%s", "(すでに持っています)");
  } else if (row == 1 && consumable_at_limit(column)) {
    DrawTextFormatted(210, 376, blue, "%s", "(これ以上持てません)");
  } else if (money < good_price(row, column)) {
    DrawTextFormatted(210, 376, MakeColorValue(255, 64, 64), "%s", "(お金が足りません)");
  }
}

void buy_selected() {
  const int row = menu_counter_b, column = menu_counter_a;
  if (!can_buy(row, column)) return;
  money -= good_price(row, column);
  if (row == 0) {
    accessory_owned[column] = 1;
  } else {
    ++item_count[column];
  }
  PlaySoundHandle(sound_table[se_purchase], 1, 1);
}

void shop_main() {
  SceneState& s = scene_state;
  if (s.step == 3) {
    const int entry = screen_cursor[0];
    if (entry == 0) {
      s.step = 4;
    } else if (entry == 1) {
      reset_scene_state();
      pick_shop_talk();
      s.step = 7;
    } else {
      s.step = 20;
      s.box_ready = 0;
      frame_counter = 0;
      reset_scene_state();
    }
    s.step_frames = 0;
    screen_cursor[0] = screen_cursor[1] = 0;
    menu_counter_a = menu_counter_b = 0;
  } else if (s.step == 4) {
    screen_cursor[1] = 0;
    const int row = menu_counter_b, column = menu_counter_a;
    if (row == 2) {
      screen_cursor[0] = 0;
      menu_counter_a = menu_counter_b = 0;
      frame_counter = 0;
      s.step = 3;
    } else if (can_buy(row, column)) {
      s.step = 5;
    }
  } else if (s.step == 5) {
    if (screen_cursor[1] == 0) buy_selected();
    s.step = 4;
  }
}

void shop_input(int pad) {
  SceneState& s = scene_state;
  const bool main = action_held(action_main);
  const bool moved = (pad & (pad_down | pad_left | pad_right | pad_up)) != 0;
  if (!main && !moved) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  if (main) {
    shop_main();
    return;
  }
  const int vertical = (pad & pad_down) ? 1 : ((pad & pad_up) ? -1 : 0);
  const int horizontal = (pad & pad_right) ? 1 : ((pad & pad_left) ? -1 : 0);
  if (s.step == 3 && vertical != 0) {
    screen_cursor[0] = (screen_cursor[0] + vertical + 3) % 3;
  } else if (s.step == 4) {
    if (vertical != 0) menu_counter_b = (menu_counter_b + vertical + 3) % 3;
    if (horizontal != 0) menu_counter_a = (menu_counter_a + horizontal + 5) % 5;
  } else if (s.step == 5 && horizontal != 0) {
    screen_cursor[1] = horizontal < 0 ? 0 : 1;
  }
}

void shop_command_menu() {
  const int sheet = menu_pics[menu_pic_shop];
  constexpr int highlight_y[3] = {211, 238, 261};
  constexpr int glow_y[3] = {213, 240, 263};
  const int entry = screen_cursor[0];
  draw_cell(450, 200, command_panel, sheet);
  draw_cell(490, 210, shop_entries, sheet);
  draw_cell(490, highlight_y[entry], shop_highlight, sheet);
  draw_glow(468, glow_y[entry]);
}

void shop_stage(int pad) {
  SceneState& s = scene_state;
  draw_standing_hero();
  switch (s.step) {
    case 0:
      story_event = is_hero_0() ? 20 : 22;
      open_step();
      break;
    case 1:
      talk_step(story_event, pad);
      break;
    case 2:
      if (close_step()) next_scene_step();
      break;
    case 3:
      shop_command_menu();
      break;
    case 4:
    case 5:
      draw_list();
      if (s.step == 5) {
        draw_cell(415, 350, confirm_box, menu_pics[menu_pic_shop]);
        draw_cell(screen_cursor[1] == 0 ? 440 : 500, 410, yes_no_highlight, menu_pics[menu_pic_shop]);
      }
      break;
    case 7:
      start_talk_step();
      break;
    case 8:
      talk_step(story_event, pad);
      break;
    case 9:
      if (close_step()) {
        s.step_frames = 0;
        const int e = story_event;
        if (e == 36 || e == 56 || e == 58 || e == 59) {
          s.step = 10;
          PlaySoundHandle(sound_table[se_gem], 1, 1);
        } else {
          s.step = 3;
        }
      }
      break;
    case 10: {
      const int code = story_event == 36 ? 4002 : story_event == 56 ? 3002 : story_event == 58 ? 4006 : 4004;
      caption_step(code);
      break;
    }
    case 11:
      wait_then_menu();
      break;
    case 20:
      open_step();
      break;
    case 21:
      talk_step(is_hero_0() ? 21 : 23, pad);
      break;
    case 22:
      if (close_step()) next_scene_step();
      break;
    case 23:
      screen_phase = 3;
      break;
    default:
      break;
  }
  shop_input(pad);
}

// ---- Cathedral ------------------------------------------------------------------------------------------------

void cathedral_input(int pad) {
  SceneState& s = scene_state;
  if (action_held(action_main)) {
    if (key_latch == 0 && s.step == 3) {
      if (screen_cursor[0] == 0) {
        reset_scene_state();
        pick_cathedral_talk();
        s.step = 5;
      } else {
        s.step = 20;
        s.box_ready = 0;
        frame_counter = 0;
        reset_scene_state();
      }
      s.step_frames = 0;
    }
    key_latch = 1;
  } else if ((pad & pad_up) != 0) {
    if (key_latch == 0 && s.step == 3) screen_cursor[0] = (screen_cursor[0] + 1) % 2;
    key_latch = 1;
  } else if ((pad & pad_down) != 0) {
    if (key_latch == 0 && s.step == 3) screen_cursor[0] = (screen_cursor[0] + 1) % 2;
    key_latch = 1;
  } else {
    key_latch = 0;
  }
}

void cathedral_stage(int pad) {
  SceneState& s = scene_state;
  draw_standing_hero();
  switch (s.step) {
    case 0:
      story_event = is_hero_0() ? 24 : 26;
      open_step();
      break;
    case 1:
      talk_step(story_event, pad);
      break;
    case 2:
      if (close_step()) next_scene_step();
      break;
    case 3: {
      const int sheet = menu_pics[menu_pic_shop];
      const int entry = screen_cursor[0];
      draw_cell(450, 200, command_panel, sheet);
      draw_cell(490, 220, cathedral_entries, sheet);
      draw_cell(490, entry == 0 ? 220 : 248, shop_highlight, sheet);
      draw_glow(468, entry == 0 ? 223 : 250);
      break;
    }
    case 5:
      start_talk_step();
      break;
    case 6:
      talk_step(story_event, pad);
      break;
    case 7:
      if (close_step()) {
        s.step_frames = 0;
        if (story_event == 29) {
          s.step = 10;
          PlaySoundHandle(sound_table[se_gem], 1, 1);
        } else {
          s.step = 3;
        }
      }
      break;
    case 10:
      caption_step(4005);
      break;
    case 11:
      wait_then_menu();
      break;
    case 20:
      open_step();
      break;
    case 21:
      talk_step(is_hero_0() ? 25 : 27, pad);
      break;
    case 22:
      if (close_step()) next_scene_step();
      break;
    case 23:
      screen_phase = 3;
      break;
    default:
      break;
  }
}

}  // namespace

void shop_screen(int pad) {
  map_buttons(pad);
  DrawGraphPart(0, 0, 0, 0, 640, 480, screen_pic_a, 0, 0);
  DrawGraphPart(460, 260, counter_tile_x, counter_tile_y, 50, 45, field_images[3], 1, 0);
  DrawGraphPart(520, 260, counter_tile_x, counter_tile_y, 50, 45, field_images[3], 1, 0);
  const int cell = idle_cell(fade_counter);
  if (is_hero_0()) {
    DrawGraphPart(530, 325, 57 * cell, 108, 57, 108, portrait_sheets[3], 1, 0);
  } else {
    constexpr int xs[3] = {0, 285, 342};
    DrawGraphPart(530, 325, xs[cell], 0, 57, 108, portrait_sheets[2], 1, 1);
  }
  step_idle_counter();

  switch (screen_phase) {
    case 0:
      entry_fade([] {
        play_bgm(is_hero_0() ? "bgm/shop.mp3" : "bgm/shop2.mp3", 3);
        load_portrait(is_hero_0() ? "gsx/system/stand_04.png" : "gsx/system/stand_05.png");
      });
      break;
    case 1:
      walk_in();
      break;
    case 2:
      shop_stage(pad);
      break;
    case 3:
      walk_out();
      break;
    default:
      break;
  }
}

void pick_shop_talk() {
  if (is_hero_0()) {
    int talk;
    if (GetRandomUpTo(1) == 0) {
      talk = range(80, 89);
    } else if (GetRandomUpTo(2) == 0) {
      talk = range(37, 39);
    } else {
      talk = range(30, 35);
      if (talk == 35 && accessory_owned[5] == 0) talk = range(30, 34);
    }
    story_event = talk;
    const bool all_common = accessory_owned[0] && accessory_owned[1] && accessory_owned[2] && accessory_owned[3] &&
                            accessory_owned[4];
    if (all_common && accessory_owned[9] == 0) {
      accessory_owned[9] = 1;
      story_event = 36;
    }
    return;
  }
  int talk = range(40, 55);
  if ((talk == 54 && sword_owned[1] == 0) || (talk == 55 && sword_owned[2] == 0)) talk = range(40, 53);
  story_event = talk;
  const bool all_common =
      accessory_owned[0] && accessory_owned[1] && accessory_owned[2] && accessory_owned[3] && accessory_owned[4];
  if (all_common && accessory_owned[12] == 0) {
    accessory_owned[12] = 1;
    story_event = 59;
  } else if (event_flags[20] == 0 && kill_2 >= 500 && kill_3 >= 500) {
    event_flags[20] = 1;
    sword_owned[3] = 1;
    story_event = 56;
  } else if (event_flags[21] == 0 && kill_4 >= 500) {
    event_flags[21] = 1;
    accessory_owned[14] = 1;
    story_event = 58;
  }
}

void cathedral_screen(int pad) {
  map_buttons(pad);
  DrawGraphPart(0, 0, 0, 0, 640, 480, screen_pic_a, 0, 0);
  const int cell = idle_cell(fade_counter);
  if (is_hero_0()) {
    DrawGraphPart(430, 325, 57 * cell, 0, 57, 108, portrait_sheets[1], 1, 1);
  } else {
    DrawGraphPart(530, 325, 57 * cell, 0, 57, 108, portrait_sheets[4], 1, 1);
  }
  step_idle_counter();

  switch (screen_phase) {
    case 0:
      entry_fade([] {
        ++talk_count;
        play_bgm("bgm/church.mp3", 3);
        load_portrait(is_hero_0() ? "gsx/system/stand_02.png" : "gsx/system/stand_07.png");
      });
      break;
    case 1:
      walk_in();
      break;
    case 2:
      cathedral_stage(pad);
      break;
    case 3:
      walk_out();
      break;
    default:
      break;
  }
  cathedral_input(pad);
}

void pick_cathedral_talk() {
  if (is_hero_0()) {
    int talk = range(60, 67);
    if (!(talk == 60 || learned[0][talk - 61] == 1)) talk = range(69, 78);
    story_event = talk;
    if (event_flags[3] != 0 && event_flags[4] == 0) {
      event_flags[4] = 1;
      story_event = 79;
    } else if (kill_2 - kill_1 > 299 && accessory_owned[8] == 0) {
      accessory_owned[8] = 1;
      story_event = 68;
    }
    return;
  }
  story_event = range(90, 99);
  if (static_cast<std::int16_t>(talk_count) > 15 && accessory_owned[13] == 0) {
    accessory_owned[13] = 1;
    story_event = 29;
  }
}
