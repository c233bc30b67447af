#include "game/flow/sound_room.h"

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/settings.h"

int leave_fade;

const char* const sound_room_files[sound_room_track_count] = {
    "bgm/title.mp3",    "bgm/menu1.mp3",     "bgm/church.mp3",    "bgm/shop.mp3",      "bgm/sys.mp3",
    "bgm/stage_1.mp3",  "bgm/stage_2.mp3",   "bgm/stage_3.mp3",   "bgm/stage_4.mp3",   "bgm/stage_5.mp3",
    "bgm/fall.mp3",     "bgm/stage_7.mp3",   "bgm/iv.mp3",        "bgm/mboss.mp3",     "bgm/ending_g.mp3",
    "bgm/select.mp3",   "bgm/sofne.mp3",     "bgm/menu2.mp3",     "bgm/shop2.mp3",     "bgm/stage_1_2.mp3",
    "bgm/stage_2_2.mp3", "bgm/stage_3_2.mp3", "bgm/stage_4_2.mp3", "bgm/stage_5_2.mp3", "bgm/stage_6.mp3",
    "bgm/boss.mp3",     "bgm/ending_l.mp3",
};

const SoundRoomText sound_room_texts[sound_room_table_rows] = {
    {"01  Selvarinthaxis", {"タイトル画面の曲。", "古城に眠る物語の幕開けを告げる旋律。", ""}},
    {"02  Galeo", {"ガレオの拠点で流れる曲。", "次の行き先を決める、戦いの合間のひととき。", ""}},
    {"03  Cathedral", {"大聖堂の曲。", "ソフネの祈りが響く、静かで厳かな場所。", "ここに来ると、少しだけ心が落ち着く。"}},
    {"04  daily life", {"ヌベトの店の曲。", "何気ない毎日の、のんびりとした空気。", ""}},
    {"05  Sabbath", {"オプション画面の曲。", "戦いを離れて、ひと休み。", ""}},
    {"06  Ruin's Phantasm", {"ステージ１の曲。", "崩れた城壁に残る、在りし日の幻影。", ""}},
    {"07  Hollow", {"ステージ２の曲。", "がらんどうの回廊に、足音だけが響く。", ""}},
    {"08  Underground water world", {"ステージ３の曲。", "地底に広がる水の世界。", "流れに足を取られないように。"}},
    {"09  Trip Style", {"ステージ４の曲。", "軽やかな足取りで、どこまでも。", ""}},
    {"10  Labyrinth", {"ステージ５の曲。", "出口の見えない迷宮。", "同じ景色に見えても、道は少しずつ違っている。"}},
    {"11  Free Fall", {"落下ステージの曲。", "底の見えない縦穴を、ひたすら落ちていく。", ""}},
    {"12  Sign", {"ステージ７の曲。", "城の最深部が近いことを告げる兆し。", ""}},
    {"13  Sacredness", {"祭壇のイベントの曲。", "神器が眠る祭壇の、張り詰めた空気。", ""}},
    {"14  Critical Strike", {"中ボス戦の曲。", "一瞬の油断が命取りになる戦い。", ""}},
    {"15  Flowering Cherry blossoms", {"第一のシナリオのエンディング。", "舞い散る花びらの中で、物語はひとつの終わりを迎える。", ""}},
    {"16  Select", {"主人公選択の曲。", "どちらの物語を歩むのか。", ""}},
    {"17  Sofne", {"ソフネのテーマ。", "穏やかで、どこか寂しげな旋律。", ""}},
    {"18  Lisel", {"リセルの拠点で流れる曲。", "流浪の剣士の、つかの間の休息。", ""}},
    {"19  Another daily life", {"ブラムの店の曲。", "同じ町の、もう一つの日常。", ""}},
    {"20  Another View", {"ステージ１の曲（第二のシナリオ）。", "同じ廃墟も、違う目で見れば違う景色になる。", ""}},
    {"21  Retribution", {"ステージ２の曲（第二のシナリオ）。", "報いを受けるのは、誰なのか。", ""}},
    {"22  Splash Stream", {"ステージ３の曲（第二のシナリオ）。", "水しぶきを上げて駆け抜ける。", ""}},
    {"23  Long Long Road", {"ステージ４の曲（第二のシナリオ）。", "果てしなく続く長い道のり。", ""}},
    {"24  Spiral Corridor", {"ステージ５の曲（第二のシナリオ）。", "螺旋を描いて続く回廊。", ""}},
    {"25  Epic", {"ステージ６の曲。", "リセルだけが辿り着く、もう一つの戦場。", ""}},
    {"26  DECISIVE", {"ボス戦の曲。", "全てを懸けた、決着の時。", ""}},
    {"27  Last Light", {"第二のシナリオのエンディング。", "最後に残った光が、静かに夜明けを照らす。", ""}},
    {"", {"", "", ""}},
    {"タイトルへ戻ります。", {"", "", ""}},
};

namespace {

constexpr int pad_down = 1;
constexpr int pad_left = 2;
constexpr int pad_right = 4;
constexpr int pad_up = 8;

constexpr int last_row = 14;
constexpr int back_row = 14;  // of column 1

void black_box(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
}

void delete_pic(int& handle) {
  if (handle != -1) DeleteGraphic(handle, 0);
  handle = -1;
}

void draw_list() {
  DrawGraphAt(0, 0, screen_pic_a, 0);
  if (clear_level >= 1) {
    for (int row = 0; row <= last_row; ++row) {
      const int y = 23 * (row + 1);
      DrawGraphPart(80, y, 80, y + 2, 240, 25, screen_pic_b, 1, 0);
    }
    DrawGraphPart(370, 346, 370, 348, 240, 25, screen_pic_b, 1, 0);
  }
  if (clear_level >= 2) {
    for (int row = 0; row <= 13; ++row) {
      const int y = 23 * (row + 1);
      DrawGraphPart(370, y, 370, y + 2, 240, 25, screen_pic_b, 1, 0);
    }
  }
}

void draw_cursor_glow() {
  const int x = 80 + 290 * menu_counter_a;
  const int times = fade_counter < 20 ? fade_counter : 40 - fade_counter;
  for (int i = 0; i < times; ++i) {
    SetBlendMode(2, 32);
    DrawGraphPart(x, 23 * (menu_counter_b + 1), x, 23 * menu_counter_b + 25, 240, 24, screen_pic_c, 1, 0);
  }
  SetBlendMode(0, 255);
  if (++fade_counter >= 40) fade_counter = 0;
}

void draw_track_text() {
  const SoundRoomText& text = sound_room_texts[sound_room_table_row(menu_counter_a, menu_counter_b)];
  DrawTextFormatted(30, 413, MakeColorValue(198, 198, 255), "%s", text.title);
  const int white = MakeColorValue(255, 255, 255);
  DrawTextFormatted(30, 428, white, "%s", text.lines[0]);
  DrawTextFormatted(30, 442, white, "%s", text.lines[1]);
  DrawTextFormatted(30, 456, white, "%s", text.lines[2]);
}

bool on_back_entry() { return menu_counter_a == 1 && menu_counter_b == back_row; }

void move_vertically(bool up) {
  int& row = menu_counter_b;
  if (menu_counter_a == 0) {
    row = up ? (row == 0 ? last_row : row - 1) : (row == last_row ? 0 : row + 1);
    return;
  }
  if (clear_level != 2) return;
  if (up) {
    row = row == 1 ? back_row : row == back_row ? 12 : row - 1;
  } else {
    row = row == back_row ? 1 : row == 12 ? back_row : row + 1;
  }
}

void move_sideways() {
  const int row = menu_counter_b;
  const bool flips = (clear_level == 1 && row == back_row) ||
                     (clear_level == 2 && ((row >= 1 && row <= 12) || row == back_row));
  if (flips) menu_counter_a = 1 - menu_counter_a;
}

void handle_input(int pad) {
  const bool main = action_held(action_main);
  const bool up = (pad & pad_up) != 0;
  const bool down = (pad & pad_down) != 0;
  const bool sideways = (pad & (pad_left | pad_right)) != 0;
  if (!main && !up && !down && !sideways) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  if (main) {
    StopMusicFile();
    if (on_back_entry()) {
      leave_fade = 1;
    } else {
      const int track = sound_room_table_row(menu_counter_a, menu_counter_b);
      if (track < sound_room_track_count) play_bgm(sound_room_files[track], 3);
    }
  } else if (up || down) {
    move_vertically(up);
  } else {
    move_sideways();
  }
}

}  // namespace

int sound_room_table_row(int column, int row) {
  if (row < 0) row = 0;
  if (row > last_row) row = last_row;
  return column == 0 ? row : row + 14;
}

void sound_room_screen(int pad) {
  draw_list();
  if (leave_fade == 0) draw_cursor_glow();
  draw_track_text();

  if (screen_phase == 0) {
    frame_counter -= 3;
    black_box(frame_counter);
    if (frame_counter <= 3) {
      frame_counter = 0;
      screen_phase = 1;
    }
    return;
  }
  if (leave_fade > 0) {
    leave_fade += 2;
    black_box(leave_fade);
    if (leave_fade >= 252) {
      leave_fade = 0;
      screen_phase = 0;
      title_cursor = 2;
      frame_counter = fade_counter = 0;
      game_mode = mode_title;
      delete_pic(screen_pic_a);
      delete_pic(screen_pic_b);
      delete_pic(screen_pic_c);
    }
    return;
  }
  handle_input(pad);
}
