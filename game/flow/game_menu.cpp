#include "game/flow/game_menu.h"

#include <cstdio>
#include <cstring>

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"

int game_menu_page;
int menu_phase;
int menu_anim;

const int item_limits[2][5] = {{5, 5, 9, 1, 2}, {2, 2, 9, 1, 1}};

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;

constexpr int effect_tr_all_04 = 12;

constexpr const char* hero0_profile[2] = {"町の修道院に仕える修道女。", "メイスと魔法で戦う。"};
constexpr const char* hero1_profile[2] = {"城に招かれた流浪の剣士。", "四振りの刀を使い分ける。"};

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

int white() { return MakeColorValue(255, 255, 255); }
int black() { return MakeColorValue(0, 0, 0); }

int hero_row() { return hero == 0 ? 0 : 1; }

void full_screen(int r, int g, int b, int alpha, int passes) {
  SetBlendMode(1, alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha));
  for (int i = 0; i < passes; ++i) DrawRectangle(0, 0, 640, 480, MakeColorValue(r, g, b), 1);
  SetBlendMode(0, 255);
}

void grey_box(int x1, int y1, int x2, int y2, int alpha) {
  SetBlendMode(1, alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha));
  DrawRectangle(x1, y1, x2, y2, MakeColorValue(64, 64, 64), 1);
  SetBlendMode(0, 255);
}

const char* skill_row(int row, int column) { return menu_text[menu_row_skill + 8 * hero_row() + row][column]; }
bool skill_learned(int row) { return learned[hero_row()][row] == 1; }
bool accessory_valid(int a) { return a >= 0 && a < 15; }
bool weapon_valid() { return weapon < 4; }

// ---- The frame common to every page ----------------------------------------------------------------------------

void draw_bar(int y_box, int y_line, int value, int maximum, const int (*colours)[3]) {
  DrawRectangle(432, y_box, 432 + maximum, y_box + 11, MakeColorValue(40, 40, 40), 1);
  if (value <= 0) return;
  for (int i = 0; i < 10; ++i) {
    const int k = i < 6 ? i : 9 - i;  // the gradient and back: 0..5, then 3..0 mirrored through the two whites
    const int c = k < 4 ? k : 4;
    const int r = c == 4 ? 255 : colours[c][0];
    const int g = c == 4 ? 255 : colours[c][1];
    const int b = c == 4 ? 255 : colours[c][2];
    DrawLineSegment(432, y_line + i, 432 + value, y_line + i, MakeColorValue(r, g, b));
  }
}

void draw_status_bars() {
  static constexpr int hp_colours[4][3] = {{76, 176, 128}, {106, 198, 143}, {137, 222, 159}, {166, 242, 174}};
  static constexpr int sp_colours[4][3] = {{88, 168, 203}, {119, 189, 220}, {149, 209, 237}, {169, 222, 247}};
  draw_bar(21, 21, hp < max_hp ? hp : max_hp, max_hp, hp_colours);
  draw_bar(36, 36, sp < max_sp ? sp : max_sp, max_sp, sp_colours);
  const int larger = max_hp > max_sp ? max_hp : max_sp;
  int cap = 500;
  if (larger < 110) {
    cap = 450;
  } else if (larger < 120) {
    cap = 460;
  } else if (larger < 130) {
    cap = 470;
  } else if (larger < 140) {
    cap = 480;
  } else if (larger < 150) {
    cap = 490;
  }
  DrawGraphPart(cap, 18, 590, 0, 10, 32, menu_pics[menu_pic_menu_01], 1, 0);
}

void draw_skill_list() {
  const int icons = menu_pics[menu_pic_menu_01];
  for (int row = 0; row < 8; ++row) {
    const int y = 90 + 40 * row;
    if (!skill_learned(row)) {
      DrawTextFormatted(80, y, white(), "%s", "    ? ? ? ? ? ? ?  ");
      continue;
    }
    DrawTextFormatted(80, y, white(), "%s", skill_row(row, 0));
    if (hero == 1 && row >= 4) {
      DrawTextFormatted(240, y, white(), "%s", skill_row(row, 2));
    } else {
      DrawTextFormatted(hero == 0 ? 290 : 240, y, white(), "SP %s", skill_row(row, 2));
    }
    DrawGraphPart(45, y - 6, 24 * (8 * hero_row() + row), 440, 24, 24, icons, 1, 0);
    const bool assigned = hero == 0 ? skill_sel_0 == row : skill_sel_1 == row + 8;
    if (assigned) DrawGraphPart(20, y - 4, 7, 596, 25, 25, effect_sheets[effect_tr_all_04], 1, 0);
  }
}

void draw_equipment() {
  const int acce = menu_pics[menu_pic_acce];
  if (hero == 0) {
    DrawGraphPart(430, 96, main_form == 1 ? 48 : 0, 192, 48, 48, acce, 1, 0);
    DrawTextFormatted(495, 109, white(), "%s", main_form == 1 ? main_shot_name : mace_name);
  } else if (weapon_valid()) {
    DrawGraphPart(413, 92, 48 * weapon, 240, 48, 48, acce, 1, 0);
    DrawTextFormatted(495, 109, white(), "%s", menu_text[menu_row_sword + weapon][0]);
  }
  if (!accessory_valid(accessory)) {
    DrawTextFormatted(495, 175, white(), "%s", "---");
    return;
  }
  static constexpr int row_y[3] = {0, 96, 144};
  const int group = accessory < 5 ? 0 : (accessory < 10 ? 1 : 2);
  DrawGraphPart(430, 160, 48 * (accessory % 5), row_y[group], 48, 48, acce, 1, 0);
  DrawTextFormatted(487, 175, white(), "%s", menu_text[menu_row_accessory + accessory][0]);
}

void draw_stage_marks() {
  const int last = hero == 0 ? 5 : 6;
  for (int pass = 0; pass < (hero == 0 ? 1 : 7); ++pass) {
    if (pass == 1) SetBlendMode(2, 32);
    for (int k = 1; k <= last; ++k) {
      if (stage_flags[k] != 0) DrawGraphPart(420 + 28 * (k - 1), 290, 24 * (k - 1), 0, 24, 24, item_icons, 1, 0);
    }
  }
  SetBlendMode(0, 255);
}

void draw_money_and_continues() {
  const int sheet = menu_pics[menu_pic_menu_01];
  static constexpr int xs[5] = {535, 548, 561, 574, 587};
  static constexpr int steps[5] = {10000, 1000, 100, 10, 1};
  const int shown = money < 0 ? 0 : money;
  for (int i = 0; i < 5; ++i) {
    if (i < 4 && shown < steps[i]) continue;
    const int digit = (shown / steps[i]) % 10;
    DrawGraphPart(xs[i], 335, 12 * digit, 460, 12, 20, sheet, 1, 0);
  }
  DrawTextFormatted(560, 355, white(), "%s", "Plix");
  DrawGraphPart(530, 378, 120 + 40 * hero_row(), 440, 32, 32, sheet, 1, 0);
  DrawTextFormatted(570, 386, white(), "× %d", continues);
}

void help(const char* text) { DrawTextFormatted(30, 448, white(), "%s", text); }

void help_named(const char* name, int desc_x, const char* description) {
  DrawTextFormatted(30, 448, MakeColorValue(255, 255, 128), "%s", name);
  DrawTextFormatted(desc_x, 448, white(), ": %s", description);
}

void draw_help() {
  const int column = menu_counter_a;
  const int row = menu_counter_b;
  switch (game_menu_page) {
    case 0:
      if (column == 0) {
        if (row < 0 || row > 7) return;
        help(skill_learned(row) ? skill_row(row, 1) : "このスキルはまだ習得してません。");
        return;
      }
      if (row == 0 && hero == 0) {
        char line[160];
        std::snprintf(line, sizeof line, "メイン攻撃の種類を変更します。（現在は%sにセットされています）",
                      main_form == 1 ? main_shot_name : mace_name);
        help(line);
      } else if (row == 0) {
        char line[160];
        std::snprintf(line, sizeof line, "装備している刀を変更します。（現在は 「%s」にセットされています）",
                      weapon_valid() ? menu_text[menu_row_sword + weapon][0] : "");
        help(line);
      } else if (row == 1) {
        help("装備中のアクセサリを変更します。");
      } else if (row == 2) {
        help("ステータスの詳細を閲覧します。");
      } else if (row == 3) {
        help("所持しているアイテムを閲覧・使用します。");
      } else if (row == 4) {
        help("メニュー画面を終了します。");
      }
      return;
    case 1: {
      if (row > 1 || column < 0 || column > 4) return;
      const int a = row == 0 ? column : column + 5 + 5 * hero_row();
      if (accessory_owned[a] != 0) {
        help_named(menu_text[menu_row_accessory + a][0], 170, menu_text[menu_row_accessory + a][1]);
      } else {
        help("? ? ? ? ?");
      }
      return;
    }
    case 2:
      if (column >= 0 && column <= 4) help_named(menu_text[column][0], 140, menu_text[column][1]);
      return;
    case 4:
      if (row >= 0 && row < 4) help(sword_owned[row] == 1 ? menu_text[menu_row_sword + row][1] : "　---");
      return;
    default:
      return;
  }
}

void draw_glow() {
  const int column = menu_counter_a;
  const int row = menu_counter_b;
  int x;
  int y;
  switch (game_menu_page) {
    case 0:
      if (column == 0) {
        x = 17;
        y = 66 + 40 * row;
      } else if (row <= 1) {
        x = 396;
        y = 75 + 66 * row;
      } else {
        x = 394;
        y = 150 + 52 * row;
      }
      break;
    case 1:
      if (row == 2) {
        x = 278;
        y = 237;
      } else {
        x = 150 + 65 * column;
        y = 105 + 65 * row;
      }
      break;
    case 2:
      x = 120 + 65 * column;
      y = 210;
      break;
    default:
      return;
  }
  const int times = frame_counter < 20 ? frame_counter : 40 - frame_counter;
  SetBlendMode(2, 32);
  for (int i = 0; i < times; ++i) DrawGraphPart(x, y, 7, 596, 25, 25, effect_sheets[effect_tr_all_04], 1, 0);
  SetBlendMode(0, 255);
}

void draw_top_cursor() {
  const int sheet = menu_pics[menu_pic_menu_01];
  const int row = menu_counter_b;
  if (menu_counter_a == 0) {
    DrawGraphPart(26, 75 + 40 * row, 0, 300, 360, 40, sheet, 1, 0);
  } else if (row <= 1) {
    DrawGraphPart(405, row == 0 ? 84 : 150, 360, 300, 63, 61, sheet, 1, 0);
  } else {
    static constexpr int ys[3] = {263, 315, 367};
    DrawGraphPart(403, ys[(row - 2) % 3], 430, 300, 65, 33, sheet, 1, 0);
  }
}

// ---- Accessory page --------------------------------------------------------------------------------------------

constexpr int outline[7][4] = {{407, 157, 460, 207}, {393, 155, 462, 212}, {376, 151, 464, 218}, {347, 145, 468, 229},
                               {303, 135, 474, 244}, {242, 122, 480, 265}, {146, 100, 494, 300}};

void draw_outline(int step) {
  const int* r = outline[step < 0 ? 0 : (step > 6 ? 6 : step)];
  DrawRectangle(r[0], r[1], r[2], r[3], MakeColorValue(64, 64, 64), 0);
}

void accessory_page() {
  switch (menu_phase) {
    case 0:
      draw_outline(menu_anim);
      if (++menu_anim >= 7) {
        menu_phase = 1;
        menu_anim = 0;
      }
      return;
    case 1:
      grey_box(146, 100, 494, 300, menu_anim);
      menu_anim += 15;
      if (menu_anim >= 240) menu_phase = 2;
      return;
    case 3:
      grey_box(146, 100, 494, 300, menu_anim);
      menu_anim -= 15;
      if (menu_anim <= 15) {
        menu_phase = 4;
        menu_anim = 6;
      }
      return;
    case 4:
      draw_outline(menu_anim);
      if (--menu_anim < 0) {
        game_menu_page = 0;
        menu_counter_a = 1;
        menu_counter_b = 1;
        menu_phase = 0;
        menu_anim = 0;
      }
      return;
    default:
      break;
  }
  const int acce = menu_pics[menu_pic_acce];
  DrawGraphPart(138, 94, 0, 0, 364, 214, menu_pics[menu_pic_menu_05], 1, 0);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 5; ++column) {
      const int x = 166 + 65 * column;
      const int y = 120 + 65 * row;
      DrawRectangle(x, y, x + 48, y + 48, white(), 0);
      const int a = row == 0 ? column : column + 5 + 5 * hero_row();
      if (accessory_owned[a] == 0) continue;
      DrawGraphPart(x, y, 48 * column, row == 0 ? 0 : (hero == 0 ? 96 : 144), 48, 48, acce, 1, 0);
      if (accessory == a) DrawGraphPart(x + 36, y, 7, 596, 12, 12, effect_sheets[effect_tr_all_04], 1, 0);
    }
  }
  const int sheet = menu_pics[menu_pic_menu_01];
  DrawGraphPart(287, 245, 384, 0, 48, 48, acce, 1, 0);
  if (menu_counter_b == 2) {
    DrawGraphPart(283, 241, 500, 300, 56, 56, sheet, 1, 0);
  } else {
    DrawGraphPart(162 + 65 * menu_counter_a, 116 + 65 * menu_counter_b, 500, 300, 56, 56, sheet, 1, 0);
  }
}

void accessory_input(int pad, bool main) {
  if (main) {
    if (menu_counter_b == 2) {
      menu_phase = 3;
      menu_anim = 255;
      return;
    }
    const int column = menu_counter_a;
    const int a = menu_counter_b == 0 ? column : column + 5 + 5 * hero_row();
    if (column < 0 || column > 4 || accessory_owned[a] == 0) return;
    play_se(se_menu_confirm);
    accessory = static_cast<std::uint16_t>(accessory == a ? accessory_none : a);
    return;
  }
  if ((pad & (pad_left | pad_right)) != 0) {
    play_se(se_menu_move);
    if (menu_counter_b != 2) menu_counter_a = (menu_counter_a + ((pad & pad_right) != 0 ? 1 : 4)) % 5;
  } else if ((pad & (pad_up | pad_down)) != 0) {
    play_se(se_menu_move);
    menu_counter_b = (menu_counter_b + ((pad & pad_down) != 0 ? 1 : 2)) % 3;
  }
}

// ---- Item page -------------------------------------------------------------------------------------------------

void item_leave_to_hub() {
  if (stage == 3) StopSoundHandle(sound_table[se_water]);
  StopMusicFile();
  game_menu_page = 0;
  stage_phase = 1;
  game_mode = mode_location_select;
  frame_counter = 0;
  menu_counter_a = menu_counter_b = 0;
  menu_phase = 0;
  SetBrightnessRGB(255, 255, 255);
  play_bgm(hero == 0 ? "bgm/menu1.mp3" : "bgm/menu2.mp3", 3);
  PlayerState = 0;
  reset_player_stats();
}

void set_buff(int n, bool on, int time) {
  buff_flags[n - 1] = on ? 1 : 0;
  if (on) buff_time[n - 1] = time;
}

void roll() {
  buff_kind = static_cast<std::uint16_t>(GetRandomUpTo(8) + 1);
  switch (buff_kind) {
    case 5:
      hp = max_hp;
      break;
    case 6:
      sp = 0;
      break;
    case 7:
      if (hero == 0) {
        set_buff(1, true, buff_duration_both);
        set_buff(3, true, buff_duration_both);
      } else {
        set_buff(4, true, buff_duration_hero1);
        set_buff(6, true, buff_duration_hero1);
        if (buff_flags[buff_spirit] == 0) {
          buff_flags[buff_spirit] = 1;
          spawn_effect(mx, my, 25);
          spawn_effect(mx, my, 26);
          spawn_effect(mx, my, 27);
        }
      }
      set_buff(2, true, buff_duration_both);
      walk_speed = 4;
      break;
    case 8:
      if (hero == 0) {
        set_buff(1, false, 0);
        set_buff(3, false, 0);
      } else {
        set_buff(4, false, 0);
        set_buff(6, false, 0);
        buff_flags[buff_spirit] = 0;
      }
      set_buff(2, false, 0);
      walk_speed = 3;
      break;
    case 9:
      hp = 5;
      break;
    default:
      Mimic_c = static_cast<std::int16_t>(500 + GetRandomUpTo(1500));
      break;
  }
  menu_phase = 7;
}

void result_flash() {
  const int kind = buff_kind;
  if (kind == 3 && (fade_counter == 215 || fade_counter == 185)) flash_request = 4;
  if (kind == 9 && (fade_counter == 215 || fade_counter == 185)) flash_request = 2;
  static constexpr int colours[10][3] = {{0, 0, 0},     {255, 255, 0}, {255, 128, 0},   {0, 0, 0},
                                         {0, 0, 0},     {0, 0, 255},   {128, 64, 64},   {255, 255, 0},
                                         {255, 255, 255}, {0, 0, 0}};
  if (kind != 9 && kind != 3 && kind >= 1 && kind <= 8) {
    full_screen(colours[kind][0], colours[kind][1], colours[kind][2], fade_counter / 5, 5);
  }
  fade_counter -= 10;
  if (fade_counter <= 10) {
    menu_phase = 1;
    if (buff_kind >= 5) buff_kind = 0;
  }
}

void item_page() {
  if (menu_phase == 0 || menu_phase == 2) {
    grey_box(100, 200, 545, 300, menu_anim);
    if (menu_phase == 0) {
      menu_anim += 15;
      if (menu_anim >= 240) menu_phase = 1;
    } else {
      menu_anim -= 15;
      if (menu_anim <= 15) {
        game_menu_page = 0;
        menu_counter_a = 1;
        menu_counter_b = 3;
        menu_phase = 0;
      }
    }
    return;
  }
  const int acce = menu_pics[menu_pic_acce];
  DrawGraphPart(100, 200, 0, 220, 445, 100, menu_pics[menu_pic_menu_05], 1, 0);
  for (int i = 0; i < 5; ++i) DrawGraphPart(136 + 65 * i, 225, 48 * i, 48, 48, 48, acce, 1, 0);
  DrawGraphPart(136 + 65 * 5, 225, 384, 0, 48, 48, acce, 1, 0);
  DrawGraphPart(128 + 65 * menu_counter_a, 217, 500, 300, 56, 56, menu_pics[menu_pic_menu_01], 1, 0);
  for (int i = 0; i < 5; ++i) {
    DrawTextFormatted(163 + 65 * i, 260, black(), "%d/%d", static_cast<std::int16_t>(item_count[i]),
                      item_limits[hero_row()][i]);
  }
  switch (menu_phase) {
    case 3: {
      const int column = menu_counter_a;
      if (column == 0) full_screen(0, 255, 0, fade_counter / 5, 5);
      if (column == 1) full_screen(0, 0, 255, fade_counter / 5, 5);
      if (column == 3) full_screen(255, 0, 255, fade_counter / 5, 5);
      fade_counter -= 10;
      if (fade_counter <= 10) menu_phase = 1;
      break;
    }
    case 4:
      full_screen(255, 255, 255, fade_counter, 5);
      fade_counter += 2;
      if (fade_counter >= 254) item_leave_to_hub();
      break;
    case 6:
      roll();
      break;
    case 7:
      if (buff_kind >= 1) DrawGraphPart(145, 231, 290, 40 * (buff_kind - 1), 350, 40, item_icons, 1, 0);
      break;
    case 8:
      result_flash();
      break;
    default:
      break;
  }
}

void use_item(int column) {
  if (game_mode != mode_stage_play) return;
  const bool have = static_cast<std::int16_t>(item_count[column]) > 0;
  const bool cleared = stage >= 1 && stage <= 10 && story_flags[stage - 1] != 0;
  if (!have || (column == 2 && !cleared)) {
    play_se(se_refuse);
    return;
  }
  --item_count[column];
  switch (column) {
    case 0:
      hp = hp + 35 > max_hp ? max_hp : hp + 35;
      break;
    case 1:
      sp = sp + 35 > max_sp ? max_sp : sp + 35;
      break;
    case 3:
      hp = max_hp;
      sp = max_sp;
      break;
    default:
      break;
  }
  if (column == 2) {
    fade_counter = 0;
    play_se(se_warp);
    menu_phase = 4;
    return;
  }
  fade_counter = 255;
  play_se(se_heal);
  menu_phase = column == 4 ? 6 : 3;
}

void item_input(int pad, bool main) {
  if (main) {
    if (menu_phase == 7) {
      menu_phase = 8;
      return;
    }
    if (menu_phase != 1) return;
    if (menu_counter_a == 5) {
      play_se(se_menu_confirm);
      menu_phase = 2;
      menu_anim = 255;
    } else if (menu_counter_a >= 0 && menu_counter_a < 5) {
      use_item(menu_counter_a);
    }
    return;
  }
  if (menu_phase != 1 || (pad & (pad_left | pad_right)) == 0) return;
  play_se(se_menu_move);
  menu_counter_a = (menu_counter_a + ((pad & pad_right) != 0 ? 1 : 5)) % 6;
}

// ---- Status page -----------------------------------------------------------------------------------------------

void status_page() {
  if (menu_phase != 1) {
    grey_box(130, 120, 511, 346, menu_anim);
    if (menu_phase == 0) {
      menu_anim += 15;
      if (menu_anim >= 240) menu_phase = 1;
    } else {
      menu_anim -= 15;
      if (menu_anim <= 15) {
        game_menu_page = 0;
        menu_phase = 0;
      }
    }
    return;
  }
  // The status panel sits in the system sheet's free space below the save slots' bar and captions.
  DrawGraphPart(130, 120, 0, 250, 381, 226, menu_pics[menu_pic_system_sheet], 1, 0);
  if (hero == 0) {
    DrawGraphPart(171, 153, 0, 0, 57, 108, hero_body[0], 1, mirror == 1 ? 1 : 0);
  } else {
    DrawGraphPart(137, 153, 0, 0, 120, 108, hero_body[0], 1, mirror == 1 ? 1 : 0);
  }
  const char* const* profile = hero == 0 ? hero0_profile : hero1_profile;
  DrawTextFormatted(163, 281, white(), "%s", profile[0]);
  DrawTextFormatted(163, 302, white(), "%s", profile[1]);
  if (hero == 0) {
    DrawTextFormatted(283, 168, white(), "魔弾で倒した数　　：　%5d", kill_1);
    DrawTextFormatted(283, 188, white(), "メイスで倒した数　：　%5d", kill_2);
    DrawTextFormatted(283, 208, white(), "気絶した回数　　　：　%5d", deaths);
  } else {
    if (sword_owned[2] == 1) {
      DrawTextFormatted(283, 168, white(), "奪った魂の数　　　：　%5d", kill_3);
    } else {
      DrawTextFormatted(283, 168, white(), "%s", "? ? ? ? ? 　　　　：　    0");
    }
    DrawTextFormatted(283, 188, white(), "被ダメージ回数　　：　%5d", hits_taken);
    DrawTextFormatted(283, 208, white(), "気絶した回数　　　：　%5d", deaths);
  }
  DrawTextFormatted(hero == 0 ? 300 : 292, 231, white(), "%s", status_title_text());
}

// ---- Sword page ------------------------------------------------------------------------------------------------

void sword_icon(int x, int y, int sword) {
  const bool owned = sword >= 0 && sword < 4 && sword_owned[sword] == 1;
  DrawGraphPart(x, y, owned ? 48 * sword : 192, 240, 48, 48, menu_pics[menu_pic_acce], 1, 0);
}

void sword_page() {
  SetBlendMode(1, 96);
  DrawRectangle(413, 92, 461, 140, black(), 1);
  SetBlendMode(0, 255);
  const int current = weapon_valid() ? weapon : 0;
  switch (menu_phase) {
    case 0:
      sword_icon(413 + menu_anim, 92, current);
      menu_anim += 4;
      if (menu_anim >= 48) {
        menu_phase = 1;
        menu_anim = 0;
      }
      return;
    case 1:
    case 3:
      for (int i = 0; i < 4; ++i) sword_icon(461, 92 + menu_anim * i, i);
      menu_anim += menu_phase == 1 ? 8 : -8;
      if (menu_phase == 1 && menu_anim >= 48) menu_phase = 2;
      if (menu_phase == 3 && menu_anim <= 0) {
        menu_phase = 4;
        menu_anim = 48;
      }
      return;
    case 4:
      sword_icon(413 + menu_anim, 92, current);
      menu_anim -= 4;
      if (menu_anim <= 0) {
        menu_counter_a = 1;
        menu_counter_b = 0;
        menu_phase = 0;
        menu_anim = 0;
        game_menu_page = 0;
      }
      return;
    default:
      break;
  }
  for (int i = 0; i < 4; ++i) sword_icon(461, 92 + 48 * i, i);
  DrawGraphPart(453, 85 + 48 * menu_counter_b, 500, 300, 56, 56, menu_pics[menu_pic_menu_01], 1, 0);
}

void sword_input(int pad, bool main) {
  const int row = menu_counter_b;
  if (main) {
    if (row < 0 || row > 3 || sword_owned[row] != 1) return;
    play_se(se_menu_confirm);
    weapon = static_cast<std::uint16_t>(row);
    menu_phase = 3;
    return;
  }
  if ((pad & (pad_up | pad_down)) == 0) return;
  play_se(se_menu_move);
  menu_counter_b = (menu_counter_b + ((pad & pad_down) != 0 ? 1 : 3)) % 4;
}

// ---- Top page --------------------------------------------------------------------------------------------------

void open_page(int page, bool cursor_home) {
  play_se(se_menu_confirm);
  game_menu_page = page;
  menu_phase = 0;
  menu_anim = 0;
  if (cursor_home) menu_counter_a = menu_counter_b = 0;
}

void top_main() {
  const int row = menu_counter_b;
  if (menu_counter_a == 0) {
    if (row < 0 || row > 7) return;
    if (hero == 0) {
      play_se(se_menu_confirm);
      if (skill_learned(row)) skill_sel_0 = skill_sel_0 == row ? skill_none : row;
      return;
    }
    if (!skill_learned(row)) return;
    if (row >= 4) {
      play_se(se_refuse);
      return;
    }
    play_se(se_menu_confirm);
    skill_sel_1 = skill_sel_1 == row + 8 ? skill_none : row + 8;
    return;
  }
  switch (row) {
    case 0:
      if (PlayerState != 0) return;
      if (hero == 0) {
        play_se(se_menu_confirm);
        main_form = main_form == 1 ? 0 : 1;
      } else {
        open_page(4, false);
        menu_counter_a = 0;
      }
      return;
    case 1:
      open_page(1, true);
      return;
    case 2:
      open_page(3, false);
      return;
    case 3:
      open_page(2, true);
      return;
    case 4:
      play_se(se_menu_move);
      stage_phase = 1;
      game_menu_page = 0;
      menu_counter_a = menu_counter_b = 0;
      return;
    default:
      return;
  }
}

void top_input(int pad, bool main) {
  if (main) {
    top_main();
    return;
  }
  int& column = menu_counter_a;
  int& row = menu_counter_b;
  bool moved = false;
  if ((pad & pad_up) != 0) {
    if (column == 0) {
      row = (row + 7) % 8;
      moved = true;
    } else if (row > 0) {
      --row;
      moved = true;
    }
  } else if ((pad & pad_down) != 0) {
    if (column == 0) {
      row = (row + 1) % 8;
      moved = true;
    } else if (row < 4) {
      ++row;
      moved = true;
    }
  } else if ((pad & pad_right) != 0 && column == 0) {
    column = 1;
    row = (row + 1) / 2;
    moved = true;
  } else if ((pad & pad_left) != 0 && column == 1) {
    static constexpr int hero0_rows[5] = {0, 1, 3, 5, 7};
    static constexpr int hero1_rows[5] = {0, 1, 2, 3, 3};
    column = 0;
    row = (hero == 0 ? hero0_rows : hero1_rows)[row];
    moved = true;
  }
  if (moved) {
    play_se(se_menu_move);
    frame_counter = 0;
  }
}

// Keeps the cursor inside the page it is on, so a value left by another screen never indexes past a table.
void clamp_cursor() {
  int columns = 1;
  int rows = 1;
  switch (game_menu_page) {
    case 0:
      columns = 2;
      rows = menu_counter_a == 1 ? 5 : 8;
      break;
    case 1:
      columns = 5;
      rows = 3;
      break;
    case 2:
      columns = 6;
      break;
    case 4:
      rows = 4;
      break;
    default:
      return;
  }
  if (menu_counter_a < 0 || menu_counter_a >= columns) menu_counter_a = 0;
  if (menu_counter_b < 0 || menu_counter_b >= rows) menu_counter_b = 0;
}

}  // namespace

int status_title() {
  if (hero == 0) {
    const int d = kill_2 - kill_1;
    if (d >= 500) return 1;
    if (d >= 250) return 2;
    if (d >= 100) return 3;
    if (d >= 30) return 4;
    if (d >= -30) return 5;
    if (d >= -100) return 6;
    if (d >= -250) return 7;
    if (d > -500) return 8;
    return 9;
  }
  const int kills[4] = {kill_1, kill_2, kill_3, kill_4};
  int group = 0;
  for (int g = 1; g < 4; ++g) {
    if (kills[g] > kills[group]) group = g;
  }
  const int k = kills[group];
  int tier = 4;
  if (k >= 500) {
    tier = 1;
  } else if (k >= 250) {
    tier = 2;
  } else if (k >= (group == 3 ? 150 : 100)) {
    tier = 3;
  }
  return 4 * group + tier;
}

const char* status_title_text() {
  static constexpr const char* hero0_titles[9] = {"聖女の鉄槌",       "メイスの申し子", "メイス使い",
                                                  "メイスが友達",     "バランス型",     "魔力への目覚め",
                                                  "魔法使いの卵",     "大魔導師",       "悪霊退散！"};
  static constexpr const char* hero1_titles[16] = {
      "剣聖",           "鮮烈の一激",     "さらに磨かれた剣術", "基本に忠実",
      "神々しい太刀筋", "見えない太刀筋", "避けがたい太刀筋",   "新たな太刀筋",
      "黄泉を制する者", "呪いを制する者", "恐怖を制する者",     "怨念にかられた者",
      "今こそ、こんにゃくを！", "一振りで建物さえも両断", "一振りで乗り物ですら両断", "一振りでモンスターを両断"};
  const int t = status_title();
  const char* text = hero == 0 ? hero0_titles[t - 1] : hero1_titles[t - 1];
  const int width = hero == 0 ? 22 : 24;
  static char padded[64];
  const int length = static_cast<int>(std::strlen(text));
  const int left = length < width ? (width - length) / 2 : 0;
  const int right = length < width ? width - length - left : 0;
  std::snprintf(padded, sizeof padded, "%*s%s%*s", left, "", text, right, "");
  return padded;
}

void game_menu_screen(int pad) {
  if (screen_phase == 0) {
    screen_phase = 1;
    game_menu_page = menu_counter_a = menu_counter_b = menu_phase = 0;
  }
  clamp_cursor();
  frame_counter = frame_counter < 40 ? frame_counter + 1 : 0;

  DrawGraphAt(0, 0, hero_menu_back, 0);
  DrawGraphPart(0, 0, 0, 0, 640, 60, menu_pics[menu_pic_menu_01], 1, 0);
  draw_status_bars();
  draw_skill_list();
  draw_equipment();
  draw_stage_marks();
  draw_money_and_continues();
  draw_help();
  switch (game_menu_page) {
    case 1:
      accessory_page();
      break;
    case 2:
      item_page();
      break;
    case 3:
      status_page();
      break;
    case 4:
      sword_page();
      break;
    default:
      draw_top_cursor();
      break;
  }
  draw_glow();

  const bool main = action_held(action_main);
  const bool direction = (pad & (pad_up | pad_down | pad_left | pad_right)) != 0;
  if (!main && !direction) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  frame_counter = 0;
  switch (game_menu_page) {
    case 0:
      top_input(pad, main);
      break;
    case 1:
      accessory_input(pad, main);
      break;
    case 2:
      item_input(pad, main);
      break;
    case 3:
      if (main && menu_phase == 1) {
        play_se(se_menu_confirm);
        menu_phase = 2;
        menu_anim = 255;
      }
      break;
    case 4:
      sword_input(pad, main);
      break;
    default:
      break;
  }
}

void run_game_menu(int pad) {
  if (game_menu_page >= 0 && game_menu_page <= 4) game_menu_screen(pad);
}
