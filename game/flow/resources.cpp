#include "game/flow/resources.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "engine/core/public_api.h"
#include "game/flow/game_parts.h"

std::uint8_t assets_ok;
int loading_pic = -1;
int portrait_sheets[5];
int item_icons = -1;
int field_images[10];
int effect_sheets[20];
int projectile_sheets[7];
int menu_pics[12];
int gallery_pics[13];
int logo_pic = -1;
int sound_table[sound_slot_count];
int background_slots[13];
int wall_slots[17];
int enemy_images[50];
int enemy_death_sounds[40];
int hero_body[4];
int hero_weapon[3];
int hero_stand = -1;
int hero_menu_back = -1;
int hero_common = -1;

namespace {

template <std::size_t N>
void fill_none(int (&slots)[N]) {
  for (int& s : slots) s = -1;
}

// Handle arrays start out empty before any code runs.
struct InitialHandles {
  InitialHandles() { clear_resource_handles(); }
} initial_handles;

constexpr const char* portrait_sheet_paths[5] = {"gsx/cr/zami.png", "gsx/cr/sofne.png", "gsx/cr/shop2.png",
                                                 "gsx/cr/nuvet.png", "gsx/cr/shinpu.png"};
constexpr const char* field_image_paths[10] = {"gsx/fld/s_01.png", "gsx/fld/wall1.png", "gsx/fld/s_02.bmp",
                                               "gsx/fld/s_03.png", "gsx/fld/s_04.png", "gsx/fld/s_05.png",
                                               "gsx/fld/s_06.png", "gsx/fld/s_07.png", "gsx/fld/s_08.png",
                                               "gsx/fld/ladder_02.bmp"};
constexpr int field_key_index = 8;  // s_08.png, the falling stage's shaft
constexpr const char* effect_sheet_paths[20] = {
    "gsx/ef/shot1.png",     "gsx/ef/shot2.png",     "gsx/ef/spark1.png",    "gsx/ef/spark2.png",
    "gsx/ef/spark3.png",    "gsx/ef/ex01.png",      "gsx/ef/all_01.png",    "gsx/ef/all_02.png",
    "gsx/ef/EXPL3_3.png",   "gsx/ef/tr_all_01.png", "gsx/ef/tr_all_02.png", "gsx/ef/tr_all_03.png",
    "gsx/ef/tr_all_04.png", "gsx/ef/tr_all_05.png", "gsx/ef/tr_all_06.png", "gsx/ef/tr_all_07.png",
    "gsx/ef/aura.png",      "gsx/ef/strike.png",    "gsx/ef/ch_01.png",     "gsx/ef/charge_01.png"};
constexpr const char* projectile_sheet_paths[7] = {"gsx/ep/gr.png",     "gsx/ep/bk.png",  "gsx/ep/ds.png",
                                                   "gsx/ep/km.bmp",     "gsx/ep/clt_01.png", "gsx/ep/oni.png",
                                                   "gsx/ep/blood01.png"};
constexpr const char* menu_pic_paths[12] = {
    "gsx/system/menu_01.png", "gsx/system/shop.png",    "gsx/system/menu_02.png", "gsx/system/menu_back_02.jpg",
    "gsx/system/menu_03.png", "gsx/system/menu_04.png", "gsx/system/menu_05.png", "gsx/system/menu_06.png",
    "gsx/system/sv.jpg",      "gsx/system/title.png",   "gsx/system/title2.png",  "gsx/system/acce.png"};

}  // namespace

// 107 loads into 106 slots, in load order. The slot numbers the enemies play by number (32, 51, 59, 60, 63, 66, 68,
// 69, 100, 166) hold the files they name; "e03.wav" and "e04.wav" share slot 66.
const SoundLoad sound_loads[107] = {
    {0, "ssez/my/shot.wav"},
    {1, "ssez/my/shot_r.wav"},
    {2, "ssez/my/lshot.wav"},
    {3, "ssez/my/bolt.wav"},
    {4, "ssez/my/bomb.wav"},
    {5, "ssez/my/dart.wav"},
    {6, "ssez/my/step01.wav"},
    {7, "ssez/my/jump1.wav"},
    {8, "ssez/my/col2.wav"},
    {9, "ssez/my/dash.wav"},
    {10, "ssez/my/Charge2.wav"},
    {11, "ssez/my/change.wav"},
    {12, "ssez/my/cri1.wav"},
    {13, "ssez/my/wi.wav"},
    {14, "ssez/my/swing24_b.wav"},
    {15, "ssez/my/k/chm.wav"},
    {16, "ssez/my/k/oni2.wav"},
    {17, "ssez/my/k/sn2.wav"},
    {18, "ssez/my/k/z1.wav"},
    {19, "ssez/my/k/z1.wav"},
    {20, "ssez/my/k/z2.wav"},
    {32, "ssez/my/k/z3.wav"},
    {21, "ssez/my/k/za.wav"},
    {22, "ssez/my/k/zc.wav"},
    {23, "ssez/my/k/zc0.wav"},
    {24, "ssez/my/k/k1.wav"},
    {25, "ssez/my/k/k2.wav"},
    {26, "ssez/si/heal.wav"},
    {27, "ssez/si/buff.wav"},
    {28, "ssez/si/cast.wav"},
    {29, "ssez/si/cast_end.wav"},
    {30, "ssez/si/aura.wav"},
    {31, "ssez/si/charge3.wav"},
    {33, "ssez/si/ring7.wav"},
    {34, "ssez/si/summon.wav"},
    {35, "ssez/si/blast6.mp3"},
    {110, "ssez/si/strike.wav"},
    {111, "ssez/si/break.wav"},
    {112, "ssez/my/wave.wav"},
    {113, "ssez/my/explode.wav"},
    {36, "ssez/etc/tog.wav"},
    {37, "ssez/etc/box1.wav"},
    {38, "ssez/etc/ht1.wav"},
    {39, "ssez/etc/door1.wav"},
    {40, "ssez/etc/fail_f1.wav"},
    {41, "ssez/etc/wa1.wav"},
    {42, "ssez/etc/w_in.wav"},
    {43, "ssez/etc/w_out.wav"},
    {44, "ssez/etc/dmg.wav"},
    {45, "ssez/etc/dmu.wav"},
    {46, "ssez/etc/dmb.wav"},
    {47, "ssez/etc/mch.wav"},
    {48, "ssez/etc/mch2.wav"},
    {49, "ssez/mb/mace_hit_01.wav"},
    {68, "ssez/mb/u1.wav"},
    {69, "ssez/mb/u2.wav"},
    {50, "ssez/mb/um.wav"},
    {51, "ssez/mb/dp1.wav"},
    {52, "ssez/mb/dp2.wav"},
    {53, "ssez/mb/ar.wav"},
    {54, "ssez/mb/ardm.wav"},
    {55, "ssez/mb/ardm.wav"},
    {56, "ssez/mb/bk.wav"},
    {57, "ssez/mb/bl.wav"},
    {58, "ssez/mb/bn.wav"},
    {61, "ssez/mb/ca.wav"},
    {62, "ssez/mb/ep1.wav"},
    {70, "ssez/mb/gx.wav"},
    {71, "ssez/mb/ir.wav"},
    {72, "ssez/mb/jt.wav"},
    {73, "ssez/mb/km.wav"},
    {74, "ssez/mb/lov.wav"},
    {75, "ssez/mb/nf.wav"},
    {76, "ssez/mb/rjump.wav"},
    {166, "ssez/mb/rt.wav"},
    {77, "ssez/mb/sab1.wav"},
    {63, "ssez/mb/sab2.wav"},
    {78, "ssez/mb/spd.wav"},
    {79, "ssez/mb/th.wav"},
    {64, "ssez/mb/e01.wav"},
    {65, "ssez/mb/e02.wav"},
    {66, "ssez/mb/e03.wav"},
    {66, "ssez/mb/e04.wav"},
    {59, "ssez/mb/e05.wav"},
    {60, "ssez/mb/e06.wav"},
    {100, "ssez/mb/e07.wav"},
    {80, "ssez/mb/e08.wav"},
    {81, "ssez/mb/e09.wav"},
    {82, "ssez/mb/e10.wav"},
    {83, "ssez/mb/e11.wav"},
    {84, "ssez/mb/e12.wav"},
    {86, "ssez/system/sys_01.wav"},
    {87, "ssez/system/on_01.wav"},
    {88, "ssez/system/cursor31.wav"},
    {89, "ssez/system/cursor33.wav"},
    {90, "ssez/system/cursor7.wav"},
    {91, "ssez/system/iget.wav"},
    {92, "ssez/system/je.wav"},
    {93, "ssez/system/ibound.wav"},
    {94, "ssez/system/iget2.wav"},
    {95, "ssez/system/iget3.wav"},
    {96, "ssez/system/iget4.wav"},
    {97, "ssez/system/trp.wav"},
    {98, "ssez/system/gem1.wav"},
    {99, "ssez/system/cls.wav"},
    {102, "ssez/system/rg.wav"},
    {101, "ssez/system/clear.wav"}};

namespace {

// Loads into a slot, freeing what the slot held before.
void reload(int& slot, const char* path) {
  if (slot != -1) DeleteGraphic(slot, 0);
  slot = LoadGraphicFile(path);
}

// Enemy sheet of a slot: "gsx/ey/eNN.png", with "_2" for the second hero's own sheet of slots 5, 7, 12 and 14.
// Slots 2 and 17 come both from the always-loaded list and from some stage lists: a second load replaces the first.
void load_enemy_sheet(int kind) {
  if (kind == 40) {
    reload(enemy_images[kind], "gsx/ey/ta.png");
    return;
  }
  const bool own_sheet = hero == 1 && (kind == 5 || kind == 7 || kind == 12 || kind == 14);
  char path[32] = "gsx/ey/e00.png";
  path[8] = static_cast<char>('0' + kind / 10);
  path[9] = static_cast<char>('0' + kind % 10);
  if (own_sheet) std::memcpy(path + 10, "_2.png", 7);
  reload(enemy_images[kind], path);
}

struct StageSheets {
  int hero0[8];
  int hero1[8];
  int both[8];
};
// Enemy sheets per stage (index stage - 1), lists ended by 0.
constexpr StageSheets stage_sheets[9] = {
    {{5, 7, 10, 6}, {5, 7, 13, 30, 33, 41}, {4}},
    {{14, 5, 6, 2, 9}, {14, 5, 2, 32, 13, 30}, {4}},
    {{3, 11, 21, 22, 25}, {29, 30, 19}, {}},
    {{5, 6, 8, 10, 23, 17, 7}, {24, 15, 16, 18, 20}, {}},
    {{5, 9, 12, 7, 15}, {24, 15, 7, 12, 13}, {}},
    {{}, {}, {15, 16, 18, 24, 31, 30, 28}},
    {{5, 6, 2, 17, 26, 18}, {33, 41, 23}, {}},
    {{5, 6, 2, 17, 26, 18}, {33, 41, 23}, {}},
    {{}, {}, {27}},
};

void load_layers(const char* folder, int first, int last, const char* ext, int first_layer) {
  for (int n = first; n <= last; ++n) {
    char path[40];
    std::snprintf(path, sizeof path, "%s%02d.%s", folder, n, ext);
    reload(background_slots[first_layer + (n - first) + 2], path);
  }
}

void load_walls(const char* folder, int first, int last, int first_slot) {
  for (int n = first; n <= last; ++n) {
    char path[40];
    std::snprintf(path, sizeof path, "%sw%02d.png", folder, n);
    reload(wall_slots[first_slot + (n - first)], path);
  }
}

void load_stage3_set() {
  load_layers("gsx/bk/03/", 1, 5, "jpg", 1);
  load_layers("gsx/bk/03/", 1, 2, "png", 6);
  load_walls("gsx/st/03/", 1, 1, 1);
}

}  // namespace

void clear_resource_handles() {
  loading_pic = item_icons = logo_pic = hero_stand = hero_menu_back = hero_common = -1;
  fill_none(portrait_sheets);
  fill_none(field_images);
  fill_none(effect_sheets);
  fill_none(projectile_sheets);
  fill_none(menu_pics);
  fill_none(gallery_pics);
  fill_none(sound_table);
  fill_none(background_slots);
  fill_none(wall_slots);
  fill_none(enemy_images);
  fill_none(hero_body);
  fill_none(hero_weapon);
}

void load_common_images() {
  loading_pic = LoadGraphicFile("gsx/system/loading01.jpg");
  for (int i = 0; i < 5; ++i) portrait_sheets[i] = LoadGraphicFile(portrait_sheet_paths[i]);
  if (portrait_sheets[0] == -1) assets_ok = 0;
  item_icons = LoadGraphicFile("gsx/system/item_01.png");
  for (int i = 0; i < 10; ++i) field_images[i] = LoadGraphicFile(field_image_paths[i]);
  if (field_images[field_key_index] == -1) assets_ok = 0;
  for (int i = 0; i < 20; ++i) effect_sheets[i] = LoadGraphicFile(effect_sheet_paths[i]);
  for (int i = 0; i < 7; ++i) projectile_sheets[i] = LoadGraphicFile(projectile_sheet_paths[i]);
  for (int i = 0; i < 12; ++i) menu_pics[i] = LoadGraphicFile(menu_pic_paths[i]);
  for (int i = 0; i < 13; ++i) {
    char path[24];
    std::snprintf(path, sizeof path, "gsx/smg/%02d.png", i);
    gallery_pics[i] = LoadGraphicFile(path);
  }
  if (gallery_pics[0] == -1) assets_ok = 0;
}

void load_sound_effects() {
  for (const SoundLoad& load : sound_loads) sound_table[load.slot] = LoadSoundFile(load.path, 3, -1);
  if (sound_table[se_main_shot] == -1) assets_ok = 0;
  for (int kind = 0; kind < 40; ++kind) {
    const int slot = enemy_death_sound_slots[kind];
    enemy_death_sounds[kind] = slot < 0 ? -1 : sound_table[slot];
  }
}

void load_enemy_images() {
  for (int& slot : enemy_images) {
    DeleteGraphic(slot, 0);
    slot = -1;  // a stale handle could come to name a newer graphic
  }
  enemy_images[37] = LoadGraphicFile("gsx/ey/coin1.png");
  enemy_images[36] = LoadGraphicFile("gsx/ey/switch.png");
  for (int kind : {40, 2, 17}) load_enemy_sheet(kind);
  if (stage >= 1 && stage <= 9) {
    const StageSheets& sheets = stage_sheets[stage - 1];
    for (int kind : hero == 1 ? sheets.hero1 : sheets.hero0) {
      if (kind != 0) load_enemy_sheet(kind);
    }
    for (int kind : sheets.both) {
      if (kind != 0) load_enemy_sheet(kind);
    }
  }
  if (enemy_images[37] == -1) assets_ok = 0;
}

void load_stage_images(int set) {
  switch (set) {
    case 0:
      reload(background_slots[0], "gsx/bk/01/000.jpg");
      reload(background_slots[1], "gsx/bk/01/001.jpg");
      load_layers("gsx/bk/01/", 1, 6, "png", 1);
      load_walls("gsx/st/01/", 1, 6, 1);
      load_walls("gsx/st/01/", 7, 12, 11);
      break;
    case 1:
      load_layers("gsx/bk/02/", 1, 10, "jpg", 1);
      load_walls("gsx/st/02/", 1, 2, 1);
      break;
    case 2:
    case 6:
      load_stage3_set();
      break;
    case 3:
      load_layers("gsx/bk/04/", 1, 5, "jpg", 1);
      load_layers("gsx/bk/04/", 6, 6, "png", 6);
      reload(background_slots[7 + 2], "gsx/fld/04_bk.png");
      load_walls("gsx/st/04/", 1, 13, 1);
      break;
    case 4:
      load_layers("gsx/bk/05/", 1, 5, "jpg", 1);
      load_walls("gsx/st/05/", 1, 8, 1);
      break;
    case 5:
      if (hero == 1) {
        load_layers("gsx/bk/06/", 1, 5, "jpg", 1);
        load_walls("gsx/st/06/", 1, 5, 1);
      } else {
        load_stage3_set();
      }
      break;
    case 7:
      reload(background_slots[1 + 2], "gsx/system/teien.png");
      break;
    default:
      break;
  }
}

void load_hero_images() {
  reload(hero_common, "gsx/cr/common.png");
  if (hero == 1) {
    reload(hero_body[0], "gsx/cr/lisel1.png");
    reload(hero_body[1], "gsx/cr/lisel2.png");
    reload(hero_body[2], "gsx/cr/lisel3.png");
    reload(hero_body[3], "gsx/cr/lisel4.png");
    reload(hero_weapon[0], "gsx/cr/katana1.png");
    reload(hero_weapon[1], "gsx/cr/katana2.png");
    reload(hero_weapon[2], "gsx/cr/katana3.png");
    reload(hero_stand, "gsx/system/stand_03.png");
  } else {
    reload(hero_body[0], "gsx/cr/galeo1.png");
    reload(hero_body[1], "gsx/cr/galeo2.png");
    reload(hero_body[2], "gsx/cr/galeo3.png");
    reload(hero_stand, "gsx/system/stand_01.png");
  }
  reload(hero_menu_back, hero == 1 ? "gsx/system/menu_back2.png" : "gsx/system/menu_back.png");
}
