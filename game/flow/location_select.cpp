#include "game/flow/location_select.h"

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/save_file.h"
#include "game/flow/stage_play.h"
#include "game/flow/settings.h"
#include "game/flow/story_scenes.h"
#include "game/player/player_globals.h"

namespace {

constexpr int pad_left = 2;
constexpr int pad_right = 4;

constexpr int level_places = 0;
constexpr int level_stages = 1;
constexpr int level_leaving = 3;

constexpr int place_castle = 0;
constexpr int place_cathedral = 1;
constexpr int place_shop = 2;
constexpr int place_status = 3;
constexpr int place_save = 4;

constexpr int effect_tr_all_04 = 12;
constexpr int effect_ch_01 = 18;

constexpr const char* place_help[6] = {
    "ミルトフェザン城へ行きます。",       "オルネスタ大聖堂へ行きます。", "アイテム屋へ行きます。",
    "ステータスを閲覧します。",           "データのセーブ・ロードを行います。", "タイトルへ戻ります。"};
constexpr const char* stage_help = "ステージを選択してください。";

constexpr const char* field_paths[7] = {"gsx/fld/01.png", "gsx/fld/02.png", "gsx/fld/03.png", "gsx/fld/04.png",
                                        "gsx/fld/05.png", "gsx/fld/06.png", "gsx/fld/06.png"};

// Stage music by stage 1..9 and hero; null plays nothing.
constexpr const char* stage_music[10][2] = {
    {nullptr, nullptr},
    {"bgm/stage_1.mp3", "bgm/stage_1_2.mp3"},
    {"bgm/stage_2.mp3", "bgm/stage_2_2.mp3"},
    {"bgm/stage_3.mp3", "bgm/stage_3_2.mp3"},
    {"bgm/stage_4.mp3", "bgm/stage_4_2.mp3"},
    {"bgm/stage_5.mp3", "bgm/stage_5_2.mp3"},
    {"bgm/stage_6.mp3", "bgm/stage_6.mp3"},
    {nullptr, nullptr},
    {"bgm/stage_7.mp3", "bgm/stage_7.mp3"},
    {nullptr, nullptr}};

// A place caption: a bracketed title and four lines centred with blanks, with the part of the location sheet that
// pictures it.
struct Caption {
  const char* lines[5];
  int src_x, src_y;
};

constexpr Caption monastery = {{"【修道院】", "     城の外れに建つ", "      古い修道院。", "      静けさの奥に", "   魔物の気配が潜む。"}, 0, 0};
constexpr Caption prison = {{"【牢獄・地下墓地】", " 罪人を閉じ込めた牢獄と", "  その下に広がる墓地。", "       死者たちが", "   眠らずにさまよう。"}, 210, 0};
constexpr Caption waterway = {{"【地下水路】", "  城の下を流れる水路。", "      暗い水の音が", "    どこまでも続く。", "   足元に気をつけよ。"}, 420, 0};
constexpr Caption main_castle = {{"【本城】", "       城の中心。", "   かつての栄華の跡に", "        兵の影が", "    うごめいている。"}, 0, 120};
constexpr Caption stairs_garden = {{"【大階段・庭園】", "   城の上へ続く階段と", "    荒れ果てた庭園。", "     吹き抜ける風が", "    冷たく頬を打つ。"}, 210, 120};
constexpr Caption altar = {{"【祭壇】", "    城の最奥の祭壇。", " すべての始まりの場所。", "      その扉は今、", "     開かれている。"}, 0, 240};
constexpr Caption knight_order = {{"【騎士団】", " 城を守る騎士団の詰所。", "  主を失った騎士たちが", "     今も剣を構え、", "     侵入者を待つ。"}, 420, 120};
constexpr Caption cathedral_caption[2] = {
    {{"【大聖堂】", "  町を見下ろす大聖堂。", "   祈りと癒しの場所。", "      ここで新たな", "    スキルを授かる。"}, 0, 360},
    {{"【大聖堂】", "  町を見下ろす大聖堂。", "    祈りの声が響く。", "       心を静め、", "    力を授かる場所。"}, 0, 360}};
constexpr Caption shop_caption[2] = {
    {{"【アイテム屋】", "   町の小さな道具屋。", "    旅の品がそろう。", "         お金で", "    買い物ができる。"}, 420, 360},
    {{"【よろず屋】", "   町外れのよろず屋。", "    珍しい品が並ぶ。", "         お金で", "    買い物ができる。"}, 420, 360}};

const Caption& stage_caption(int entry) {
  static constexpr const Caption* list[5] = {&monastery, &prison, &waterway, &main_castle, &stairs_garden};
  if (entry < 5) return *list[entry];
  if (entry == 5) return hero == 0 ? altar : knight_order;
  return altar;
}

void play_se(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

bool stage_flags_set(int last) {
  for (int s = 1; s <= last; ++s) {
    if (stage_flags[s] == 0) return false;
  }
  return true;
}

// The stage list has grown beyond the five first stages.
bool list_grown() { return hero == 0 ? stage_flags_set(5) : stage_flags_set(6); }

void reload(int& handle, const char* path) {
  if (handle != -1) DeleteGraphic(handle, 0);
  handle = LoadGraphicFile(path);
}

void step_highlight() {
  if (screen_cursor[3] == 0) {
    if (++frame_counter > 20) screen_cursor[3] = 1;
  } else {
    if (--frame_counter < 1) screen_cursor[3] = 0;
  }
}

void restart_highlight() {
  frame_counter = 0;
  screen_cursor[3] = 0;
}

void draw_caption_box(const Caption& c) {
  DrawGraphPart(30, 55, c.src_x, c.src_y, 210, 120, menu_pics[menu_pic_menu_04], 1, 0);
  const int colour = MakeColorValue(54, 46, 43);
  DrawTextFormatted(70, 190, colour, "%s", c.lines[0]);
  for (int i = 1; i < 5; ++i) DrawTextFormatted(50, 220 + 15 * (i - 1), colour, "%s", c.lines[i]);
}

void draw_screen() {
  const int menu = menu_pics[menu_pic_menu_02];
  const int map = menu_pics[menu_pic_menu_03];
  const int place = screen_cursor[1];
  const int level = screen_cursor[0];
  DrawGraphAt(0, 0, menu_pics[menu_pic_menu_back_02], 0);
  DrawGraphPart(0, 0, 0, 147, 270, 333, menu, 1, 0);
  DrawGraphPart(280, 0, 280, 160, 360, 320, menu, 1, 0);
  DrawGraphPart(0, 345, 0, 55, 640, 71, menu, 1, 0);
  DrawGraphPart(0, 425, 0, 0, 640, 50, menu, 1, 0);
  if (place == place_castle) {
    DrawGraphPart(360, 45, 0, 0, 208, 208, map, 1, 0);
    DrawGraphPart(415, 255, 0, 215, 112, 33, map, 1, 0);
  } else if (place == place_cathedral || place == place_shop) {
    DrawGraphPart(360, 45, 208, 0, 208, 208, map, 1, 0);
    DrawGraphPart(370, 255, 118, 215, 305, 33, map, 1, 0);
  }

  const int h = hero == 0 ? 0 : 1;
  if (level == level_places) {
    if (place == place_cathedral) draw_caption_box(cathedral_caption[h]);
    if (place == place_shop) draw_caption_box(shop_caption[h]);
  } else if (level == level_stages) {
    draw_caption_box(stage_caption(screen_cursor[5]));
  }

  const int icons = menu_pics[menu_pic_menu_01];
  for (int i = 0; i < 6; ++i) DrawGraphPart(70 + 90 * i, 358, 45 * i, 390, 45, 45, icons, 1, 0);

  const int marker = effect_sheets[effect_tr_all_04];
  SetBlendMode(2, 128);
  if (level == level_places) {
    for (int k = 0; k < frame_counter; ++k) {
      DrawGraphPart(55 + 90 * place, 343, 10, 395, 74, 74, effect_sheets[effect_ch_01], 1, 0);
      if (place == place_cathedral) DrawGraphPart(500, 67, 7, 596, 25, 25, marker, 1, 0);
      if (place == place_shop) DrawGraphPart(468, 150, 7, 596, 25, 25, marker, 1, 0);
    }
  } else if (level == level_stages) {
    static constexpr int spots[7][2] = {{450, 170}, {525, 60}, {540, 220}, {450, 70}, {370, 180}, {370, 65}, {370, 65}};
    int x = spots[screen_cursor[5] % 7][0];
    int y = spots[screen_cursor[5] % 7][1];
    if (screen_cursor[5] == 5 && hero != 0) {
      x = 390;
      y = 140;
    }
    for (int k = 0; k < frame_counter; ++k) {
      if (list_grown()) {
        SetBrightnessRGB(255, 0, 0);
        DrawGraphPart(370, 65, 7, 596, 25, 25, marker, 1, 0);
        SetBrightnessRGB(255, 255, 255);
      }
      DrawGraphPart(x, y, 7, 596, 25, 25, marker, 1, 0);
    }
  }
  SetBlendMode(0, 255);

  const bool stage_line = level == level_stages || (level == level_leaving && place == place_castle);
  DrawTextFormatted(40, 445, MakeColorValue(255, 255, 255), "%s", stage_line ? stage_help : place_help[place]);
}

// The chosen stage: field image, StageId and area, the final boss override, the enemy sheets and how it opens.
void choose_stage() {
  const int entry = screen_cursor[5];
  area = 1;
  SetTransparentColor(255, 0, 255);
  reload(stage_background, field_paths[entry]);
  static constexpr int stage_by_entry[7] = {1, 2, 3, 4, 5, 6, 8};
  stage = entry == 5 && hero == 0 ? 7 : stage_by_entry[entry];
  if (stage == 1) area3_right_limit = 640;
  if (entry == 5 && hero == 0) reload(scene_background, "gsx/system/saidan.png");
  SetTransparentColor(0, 0, 0);
  if (hero == 0) {
    int set = 0;
    for (int i = 0; i < 5; ++i) set += story_flags[i] != 0 ? 1 : 0;
    if (set >= 2 && event_flags[3] == 0) {
      stage = 9;
      area = 3;
    }
  }
  load_enemy_images();
  if (hero == 1 && event_flags[0] == 0) {
    scene_state.step = 0;
    scene_state.step_frames = 0;
    reset_scene_state();
    PlayerState = 22;
    story_event = 0;
    event_flags[0] = 1;
  } else {
    PlayerState = 0;
  }
  boss_phase_a = 0;
  boss_phase_b = 0;
}

void input(int pad) {
  const int level = screen_cursor[0];
  if (action_held(action_main)) {
    if (key_latch != 0) return;
    key_latch = 1;
    play_se(se_decide);
    if (level == level_places) {
      switch (screen_cursor[1]) {
        case place_castle:
          screen_cursor[0] = level_stages;
          break;
        case place_cathedral:
          scene_state.step = 0;
          scene_state.step_frames = 0;
          reset_scene_state();
          reload(screen_pic_a, "gsx/system/church.png");
          screen_cursor[0] = level_leaving;
          break;
        case place_shop:
          reload(screen_pic_a, "gsx/system/shop_in.png");
          screen_cursor[0] = level_leaving;
          break;
        case place_status:
          stage_phase = 2;
          break;
        default:
          screen_cursor[0] = level_leaving;
          break;
      }
    } else {
      screen_cursor[0] = level_leaving;
      choose_stage();
    }
    restart_highlight();
    return;
  }
  if (action_held(action_jump)) {
    if (key_latch != 0) return;
    key_latch = 1;
    play_se(se_refuse);
    if (level == level_stages) screen_cursor[0] = level_places;
    restart_highlight();
    return;
  }
  const bool left = (pad & pad_left) != 0;
  const bool right = (pad & pad_right) != 0;
  if (!left && !right) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  key_latch = 1;
  const int step = right ? 1 : -1;
  if (level == level_places) {
    StopSoundHandle(sound_table[se_cursor]);
    play_se(se_cursor);
    screen_cursor[1] = (screen_cursor[1] + step + 6) % 6;
  } else {
    play_se(se_cursor);
    const int count = offered_stage_entries();
    screen_cursor[5] = (screen_cursor[5] + step + count) % count;
  }
}

void enter_stage() {
  StopMusicFile();
  write_save();
  game_mode = mode_stage_play;
  frame_counter = 0;
  screen_cursor[0] = level_places;
  stage_entry();
  clear_object_pools();
  build_stage();
  load_stage_images(stage == 9 ? 7 : screen_cursor[5]);
  const char* music = stage_music[stage][hero == 0 ? 0 : 1];
  if (music != nullptr) play_bgm(music, 3);
  if (stage == 7) {
    reload(right_portrait_sheet, "gsx/system/stand_02.png");
    screen_phase = 0;
    frame_counter = 255;
    game_mode = mode_event_scene;
  } else if (stage == 9) {
    PlayerState = 22;
    mx = 100;
    story_event = 15;
    scene_state.step = 0;
    scene_state.step_frames = 0;
    reset_scene_state();
    reload(right_portrait_sheet, "gsx/system/stand_06.png");
  }
  if (stage == 3) PlaySoundHandle(sound_table[se_water], 3, 1);
}

void leave() {
  frame_counter += 3;
  SetBlendMode(1, frame_counter > 255 ? 255 : frame_counter);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
  if (frame_counter > 246) DrawGraphAt(0, 0, loading_pic, 0);
  if (frame_counter <= 249) return;
  switch (screen_cursor[1]) {
    case place_castle:
      enter_stage();
      break;
    case place_cathedral:
    case place_shop:
      game_mode = screen_cursor[1] == place_cathedral ? mode_cathedral : mode_shop;
      StopMusicFile();
      screen_phase = 0;
      frame_counter = 255;
      break;
    case place_save:
      screen_phase = 0;
      game_mode = mode_save;
      frame_counter = 255;
      break;
    default:  // place_title
      game_mode = mode_title;
      StopMusicFile();
      screen_phase = 0;
      menu_counter_b = 0;
      break;
  }
  if (game_mode != mode_location_select) screen_cursor[0] = level_places;
}

// The game menu opened from the status entry closes on a new PAUSE press too, as it does in a stage.
void close_menu_on_pause() {
  if (new_pause_press(true)) close_game_menu();
}

}  // namespace

int offered_stage_entries() {
  if (hero == 0) return stage_flags_set(5) ? 6 : 5;
  return stage_flags_set(6) ? 7 : 6;
}

void location_select_screen(int pad) {
  map_buttons(pad);
  // Cursors restored from elsewhere are kept inside the entries this screen can show.
  if (screen_cursor[1] < 0 || screen_cursor[1] > 5) screen_cursor[1] = 0;
  if (screen_cursor[5] < 0 || screen_cursor[5] >= offered_stage_entries()) screen_cursor[5] = 0;
  const bool leaving = screen_cursor[0] == level_leaving;
  if (!leaving) step_highlight();
  if (stage_phase == 2) close_menu_on_pause();
  if (stage_phase == 2) {
    run_game_menu(pad);
    return;
  }
  draw_screen();
  if (leaving) {
    leave();
  } else {
    input(pad);
  }
}
