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
enum FieldImage : int {
  field_s01 = 0,
  field_wall1 = 1,
  field_s02 = 2,
  field_s03 = 3,
  field_s04 = 4,
  field_s05 = 5,
  field_s06 = 6,
  field_s07 = 7,
  field_s08 = 8,
  field_ladder = 9,
};
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

// Sound effects: 169 slots; a slot's number is the sound's identity for every screen, the hero, the stage and the
// enemies, each of which plays a sound by its slot. load_sound_effects fills 106 of them (107 loads: the third and
// fourth sounds of one enemy's numbered family share a slot), the others stay -1. One name per slot, by its file.
inline constexpr int sound_slot_count = 169;
extern int sound_table[sound_slot_count];
inline constexpr auto& sound_effect_table = sound_table;
enum SoundSlot : int {
  // ssez/my/: the hero's actions (ssez/my/k/: the second hero's sword and fire strikes)
  se_main_shot = 0,  // "ssez/my/shot.wav", the first sound loaded: a key resource
  se_shot_r = 1,
  se_light_shot = 2,   // "lshot.wav"
  se_bolt = 3,
  se_bomb = 4,
  se_dart = 5,
  se_step = 6,        // "step01.wav"
  se_jump = 7,        // "jump1.wav"
  se_collide = 8,     // "col2.wav"
  se_dash = 9,
  se_charge = 10,     // "Charge2.wav"
  se_form_change = 11,  // "change.wav"
  se_critical = 12,   // "cri1.wav"
  se_wi = 13,
  se_swing = 14,      // "swing24_b.wav"
  se_k_chm = 15,
  se_k_oni2 = 16,
  se_k_sn2 = 17,
  se_k_z1 = 18,
  se_k_z1_b = 19,     // the same file again
  se_k_z2 = 20,
  se_k_za = 21,
  se_k_zc = 22,
  se_k_zc0 = 23,
  se_k_k1 = 24,
  se_k_k2 = 25,
  se_k_z3 = 32,       // "ssez/my/k/z3.wav", also the fall of enemy kind 18
  // ssez/si/: skills
  se_heal = 26,
  se_buff = 27,
  se_cast = 28,
  se_cast_end = 29,
  se_aura = 30,
  se_charge3 = 31,
  se_ring = 33,       // "ring7.wav"
  se_summon = 34,
  se_blast = 35,      // "blast6.mp3"
  se_strike = 110,    // "strike.wav": skill 3's sweep
  se_hazard_break = 111,  // "break.wav": a hazard broken by skill 6
  se_wave = 112,      // "ssez/my/wave.wav": skill 14's wave
  se_explosion = 113,  // "ssez/my/explode.wav": skill 5's bomb going off
  // ssez/etc/: stage sounds
  se_spikes = 36,     // "tog.wav"
  se_box = 37,        // "box1.wav"
  se_heavy_hit = 38,  // "ht1.wav"
  se_door = 39,       // "door1.wav"
  se_floor_crack = 40,  // "fail_f1.wav"
  se_water = 41,      // "wa1.wav", the looping water of stage 3
  se_water_in = 42,   // "w_in.wav"
  se_water_out = 43,  // "w_out.wav"
  se_damage = 44,     // "dmg.wav"
  se_damage_u = 45,   // "dmu.wav"
  se_damage_b = 46,   // "dmb.wav"
  se_chime = 47,      // "mch.wav"
  se_chime_2 = 48,    // "mch2.wav"
  // ssez/mb/: enemies and bosses
  se_mace_hit = 49,   // "mace_hit_01.wav"
  se_mb_um = 50,
  se_mb_dp1 = 51,
  se_mb_dp2 = 52,
  se_mb_ar = 53,
  se_mb_ardm = 54,
  se_mb_ardm_b = 55,  // the same file again
  se_mb_bk = 56,
  se_mb_bl = 57,
  se_mb_bn = 58,
  se_mb_e05 = 59,     // enemy kind 22's leap
  se_mb_e06 = 60,     // enemy kind 22's death
  se_mb_ca = 61,
  se_mb_ep1 = 62,
  se_mb_sab2 = 63,
  se_mb_e01 = 64,
  se_mb_e02 = 65,
  se_mb_e04 = 66,     // "e03.wav" then "e04.wav": enemy kind 16's swing; slot 67 stays empty
  se_mb_u1 = 68,
  se_mb_u2 = 69,
  se_mb_gx = 70,
  se_mb_ir = 71,
  se_mb_jt = 72,
  se_mb_km = 73,
  se_mb_lov = 74,
  se_mb_nf = 75,
  se_mb_rjump = 76,
  se_mb_sab1 = 77,
  se_mb_spd = 78,
  se_mb_th = 79,
  se_mb_e08 = 80,
  se_mb_e09 = 81,
  se_mb_e10 = 82,
  se_mb_e11 = 83,
  se_mb_e12 = 84,
  se_mb_e07 = 100,    // enemy kind 18's footstep
  se_mb_rt = 166,
  // ssez/system/: menus, pickups, the clear jingle
  se_menu_move = 86,  // "sys_01.wav"
  se_menu_confirm = 87,  // "on_01.wav"
  se_cursor = 88,     // "cursor31.wav"
  se_decide = 89,     // "cursor33.wav"
  se_refuse = 90,     // "cursor7.wav"
  se_item_get = 91,   // "iget.wav"
  se_je = 92,
  se_item_bound = 93,  // "ibound.wav"
  se_item_get_2 = 94,
  se_item_get_3 = 95,
  se_item_get_4 = 96,
  se_warp = 97,       // "trp.wav"
  se_gem = 98,        // "gem1.wav"
  se_vanish = 99,     // "cls.wav"
  se_clear = 101,     // "clear.wav"
  se_purchase = 102,  // "rg.wav"
};

// The file every load puts into its slot, in load order (107 rows).
struct SoundLoad {
  int slot;
  const char* path;
};
extern const SoundLoad sound_loads[107];

// Stage images: background slots 0 and 1 the far sky pair, slot n + 2 background layer n (1..10; slot 2 unused);
// wall slots 1..16 (index 0 unused).
extern int background_slots[13];
extern int wall_slots[17];
// Enemy sheets by enemy kind.
extern int enemy_images[50];
// The sound-effect slot of each enemy kind's death cry, played when the hero's attacks kill it; -1 for none: kinds the
// hero cannot kill (0, 34 and up) and kind 22, whose dying sequence plays its own.
inline constexpr int enemy_death_sound_slots[40] = {
    -1,         se_mb_e08, se_mb_e08, se_mb_e08, se_mb_e08, se_mb_e08, se_mb_e09, se_mb_e09, se_mb_e09, se_mb_e09,
    se_mb_e09,  se_mb_e10, se_mb_e10, se_mb_e10, se_mb_e10, se_mb_e02, se_mb_e02, se_mb_e11, se_mb_e11, se_mb_e11,
    se_mb_e11,  se_mb_e11, -1,        se_mb_e12, se_mb_e12, se_mb_e12, se_mb_e12, se_mb_e12, se_mb_e10, se_mb_e10,
    se_mb_e10,  se_mb_e10, se_mb_e10, se_mb_e12, -1,        -1,        -1,        -1,        -1,        -1};
// Each kind's death-sound handle, from the slots above once the sound effects are loaded.
extern int enemy_death_sounds[40];
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
