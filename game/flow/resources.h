// The game's pictures and sound effects: fixed handle globals filled by five loaders at fixed moments, and the
// assets-ok flag that sends start-up to the resources-missing screen when a key resource failed to load.
#pragma once

#include <cstdint>

extern std::uint8_t assets_ok;  // set to 1 by the entry code; cleared by a key resource that failed

// Common images, loaded once at start-up.
extern int loading_pic;            // "gsx/system/loading01.jpg"
extern int portrait_sheets[5];     // zami, sofne, the shop owner of hero 1, nuvet, shinpu
extern int item_icons;             // "gsx/system/item_01.png"
extern int field_images[10];       // s_01, wall1, s_02, s_03..s_08, ladder_02
extern int effect_sheets[20];      // see effect_sheet_paths in resources.cpp
extern int projectile_sheets[7];   // gr, bk, ds, km, clt_01, oni, blood01
extern int menu_pics[12];          // see the indices below
extern int gallery_pics[13];       // "gsx/smg/00.png" .. "12.png"

enum MenuPicture : int {
  menu_pic_menu_01 = 0,
  menu_pic_shop = 1,
  menu_pic_menu_02 = 2,
  menu_pic_menu_back_02 = 3,
  menu_pic_menu_03 = 4,
  menu_pic_menu_04 = 5,
  menu_pic_menu_05 = 6,
  menu_pic_system_sheet = 7,  // menu_06.png
  menu_pic_save = 8,          // sv.jpg
  menu_pic_title = 9,
  menu_pic_title_sheet = 10,  // title2.png
  menu_pic_acce = 11,
};

extern int logo_pic;  // "gsx/system/staff.png", loaded by the sound-loading mode

// Sound effects: 169 slots in a fixed order; load_sound_effects fills 102 of them, the others stay -1.
inline constexpr int sound_slot_count = 169;
extern int sound_table[sound_slot_count];
enum SoundSlot : int {
  se_main_shot = 0,  // the first sound loaded: a key resource
  se_cursor = 88,    // "ssez/system/cursor31.wav"
  se_decide = 89,    // "ssez/system/cursor33.wav"
  se_refuse = 90,    // "ssez/system/cursor7.wav"
};

// Stage images: background slots 0 and 1 the far sky pair, slot n + 2 background layer n (1..10; slot 2 unused);
// wall slots 1..16 (index 0 unused).
extern int background_slots[13];
extern int wall_slots[17];
// Enemy sheets by enemy kind.
extern int enemy_images[50];
// Hero images.
extern int hero_body[4];
extern int hero_weapon[3];
extern int hero_stand;
extern int hero_menu_back;
extern int hero_common;

void load_common_images();
void load_sound_effects();
void load_enemy_images();         // by stage and hero
void load_stage_images(int set);  // background set 0..7; above 7 loads nothing
void load_hero_images();          // by hero

// Fills every handle global with -1 (no picture, no sound): the state before anything is loaded.
void clear_resource_handles();
