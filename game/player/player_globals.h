// The hero's whole state: one block of globals, zero at program start, read by every game screen and written by the
// player update, the skills, the menus, the pickups, the enemies and the save file. Each field is also reachable
// under its own global name. The scenario progress and the two display settings live with the settings file
// (game/flow/settings.h), the flash request with the main loop (game/flow/main_loop.h) and the hero's sheet handles
// with the resources (game/flow/resources.h).
#pragma once

#include <cstdint>

// Indices of buff_flags: the skill buffs A..F and the fire spirits' barrier; entries 7..9 are kept for the save file.
enum BuffFlag : int { buff_a = 0, buff_b = 1, buff_c = 2, buff_d = 3, buff_e = 4, buff_f = 5, buff_spirit = 6 };
inline constexpr int buff_flag_count = 10;

// Buff durations in frames; a buff's counter is set back to its duration when the buff ends.
inline constexpr int buff_duration_both = 2000;  // A, B and C
inline constexpr int buff_duration_hero1 = 1500;  // D and F

enum PlayerStateNumber : int {
  player_free = 0,
  player_skill = 1,
  player_hurt = 2,
  player_melee = 3,
  player_casting = 4,
  player_leaving_right = 5,
  player_dead = 7,
  player_attack_1 = 8,
  player_attack_2 = 9,
  player_stage_clear = 20,
  player_stage_clear_2 = 21,
  player_story_scene = 22,
};

inline constexpr int accessory_none = 99;
inline constexpr int skill_none = 99;

struct PlayerGlobals {
  std::uint16_t boss_phase_a;
  std::uint16_t boss_phase_b;
  std::int32_t hero;        // HeroId 0 or 1
  std::int32_t screen_col;  // (mx + g_x) / 640
  std::int32_t screen_row;
  std::int32_t max_hp;
  std::int32_t max_sp;
  std::int32_t hp;
  std::int32_t sp;
  std::int32_t money;
  std::int32_t hp_trail_shown;
  std::int32_t hp_trail_from;
  std::int32_t hp_trail_to;
  std::int32_t CRI;  // critical-hit chance in percent
  std::int32_t mirror;
  std::int32_t walk_speed;
  std::int32_t learned[2][10];  // row 0 hero 0 (skill id), row 1 hero 1 (skill id 8 + index)
  std::uint8_t accessory_owned[15];
  std::uint16_t item_count[5];
  std::uint16_t accessory;  // 99 none
  std::uint16_t sword_owned[5];
  std::uint8_t main_form;  // hero 0: 0 melee, 1 shot
  std::uint16_t weapon;    // 0..3
  std::int32_t skill_sel_0;  // 0..7, 99 none
  std::int32_t skill_sel_1;  // 8..11, 99 none
  std::uint16_t buff_words[2];
  std::uint8_t buff_flags[buff_flag_count];
  std::uint8_t story_flags[10];
  std::uint8_t stage_flags[11];  // by stage 1..10; index 0 unused
  std::uint16_t hp_up[5];
  std::uint16_t sp_up[5];
  std::int32_t continues;
  std::int32_t kill_1;
  std::int32_t kill_2;
  std::int32_t kill_3;
  std::int32_t kill_4;
  std::int32_t hits_taken;
  std::int32_t deaths;
  std::uint8_t event_flags[50];
  std::uint16_t talk_count;
  std::int32_t mx;
  std::int32_t my;
  std::int32_t fall_pos[2];
  std::int32_t prev_mx;
  std::int32_t prev_my;
  std::int32_t walk_r;
  std::int32_t walk_r_prev;
  std::int32_t walk_l;
  std::int32_t walk_l_prev;
  std::int32_t pose;  // 0 stand right, 1..8 walk right, 10 stand left, 11..18 walk left
  std::int32_t shot_glow;
  std::int32_t charge;
  std::int32_t charge_glow;
  std::int32_t shot_pose;
  std::int32_t release_pose;
  std::int32_t jump;
  std::int32_t jump_anim;
  std::int32_t ladder;
  std::int32_t ladder_move;
  std::int32_t hurt_count;
  std::int32_t idle_anim;
  std::int32_t wall_kicks;
  std::int32_t kick_push;
  std::int32_t caption_code;
  std::int32_t caption_start;
  std::int32_t stand_gimmick;  // 9999 none
  std::uint8_t auto_walk_right;
  std::uint8_t auto_walk_left;
  std::uint8_t moved;
  std::uint8_t landed;
  std::uint8_t on_ladder;
  std::uint8_t ladder_near;
  std::uint8_t on_ladder_top;
  std::uint8_t crouching;
  std::uint8_t jumping;
  std::uint8_t rising;
  std::uint8_t jump_started;
  std::uint8_t jump_latch;
  std::uint8_t main_latch;
  std::uint8_t melee_latch;
  std::uint8_t main_latch_1;
  std::uint8_t skill_latch;
  std::uint8_t falling;
  std::uint8_t blocked;
  std::uint8_t head_bump;
  std::uint8_t shot_request;
  std::uint8_t hurt;
  std::uint8_t wall_contact;
  std::uint8_t dashing;
  std::uint8_t dash_jump;
  std::uint8_t in_water;
  std::uint16_t odd_frame;
  std::uint16_t water_in_sound;
  std::uint16_t water_out_sound;
  std::uint8_t tea_pose;
  std::int32_t draw_counters[2];
  std::int32_t tea;
  std::int32_t dash;
  std::int32_t melee_count;
  std::uint16_t buff_kind;  // 1 sure critical
  std::int16_t Mimic_c;
  std::uint8_t q_latch;
  std::uint8_t walk_attack;
  std::int32_t attack_count;
  std::int32_t skill_step;
  std::int32_t PlayerState;
  std::int32_t attack_timer;
  std::uint16_t drain_count;
};

extern PlayerGlobals player_globals;

// Every field under its own name.
inline constexpr auto& boss_phase_a = player_globals.boss_phase_a;
inline constexpr auto& boss_phase_b = player_globals.boss_phase_b;
inline constexpr auto& hero = player_globals.hero;
inline constexpr auto& screen_col = player_globals.screen_col;
inline constexpr auto& screen_row = player_globals.screen_row;
inline constexpr auto& max_hp = player_globals.max_hp;
inline constexpr auto& max_sp = player_globals.max_sp;
inline constexpr auto& hp = player_globals.hp;
inline constexpr auto& sp = player_globals.sp;
inline constexpr auto& money = player_globals.money;
inline constexpr auto& hp_trail_shown = player_globals.hp_trail_shown;
inline constexpr auto& hp_trail_from = player_globals.hp_trail_from;
inline constexpr auto& hp_trail_to = player_globals.hp_trail_to;
inline constexpr auto& CRI = player_globals.CRI;
inline constexpr auto& mirror = player_globals.mirror;
inline constexpr auto& walk_speed = player_globals.walk_speed;
inline constexpr auto& learned = player_globals.learned;
inline constexpr auto& accessory_owned = player_globals.accessory_owned;
inline constexpr auto& item_count = player_globals.item_count;
inline constexpr auto& accessory = player_globals.accessory;
inline constexpr auto& sword_owned = player_globals.sword_owned;
inline constexpr auto& main_form = player_globals.main_form;
inline constexpr auto& weapon = player_globals.weapon;
inline constexpr auto& skill_sel_0 = player_globals.skill_sel_0;
inline constexpr auto& skill_sel_1 = player_globals.skill_sel_1;
inline constexpr auto& buff_words = player_globals.buff_words;
inline constexpr auto& buff_flags = player_globals.buff_flags;
inline constexpr auto& story_flags = player_globals.story_flags;
inline constexpr auto& stage_flags = player_globals.stage_flags;
inline constexpr auto& hp_up = player_globals.hp_up;
inline constexpr auto& sp_up = player_globals.sp_up;
inline constexpr auto& continues = player_globals.continues;
inline constexpr auto& kill_1 = player_globals.kill_1;
inline constexpr auto& kill_2 = player_globals.kill_2;
inline constexpr auto& kill_3 = player_globals.kill_3;
inline constexpr auto& kill_4 = player_globals.kill_4;
inline constexpr auto& hits_taken = player_globals.hits_taken;
inline constexpr auto& deaths = player_globals.deaths;
inline constexpr auto& event_flags = player_globals.event_flags;
inline constexpr auto& talk_count = player_globals.talk_count;
inline constexpr auto& mx = player_globals.mx;
inline constexpr auto& my = player_globals.my;
inline constexpr auto& fall_pos = player_globals.fall_pos;
inline constexpr auto& prev_mx = player_globals.prev_mx;
inline constexpr auto& prev_my = player_globals.prev_my;
inline constexpr auto& walk_r = player_globals.walk_r;
inline constexpr auto& walk_r_prev = player_globals.walk_r_prev;
inline constexpr auto& walk_l = player_globals.walk_l;
inline constexpr auto& walk_l_prev = player_globals.walk_l_prev;
inline constexpr auto& pose = player_globals.pose;
inline constexpr auto& shot_glow = player_globals.shot_glow;
inline constexpr auto& charge = player_globals.charge;
inline constexpr auto& charge_glow = player_globals.charge_glow;
inline constexpr auto& shot_pose = player_globals.shot_pose;
inline constexpr auto& release_pose = player_globals.release_pose;
inline constexpr auto& jump = player_globals.jump;
inline constexpr auto& jump_anim = player_globals.jump_anim;
inline constexpr auto& ladder = player_globals.ladder;
inline constexpr auto& ladder_move = player_globals.ladder_move;
inline constexpr auto& hurt_count = player_globals.hurt_count;
inline constexpr auto& idle_anim = player_globals.idle_anim;
inline constexpr auto& wall_kicks = player_globals.wall_kicks;
inline constexpr auto& kick_push = player_globals.kick_push;
inline constexpr auto& caption_code = player_globals.caption_code;
inline constexpr auto& caption_start = player_globals.caption_start;
inline constexpr auto& stand_gimmick = player_globals.stand_gimmick;
inline constexpr auto& auto_walk_right = player_globals.auto_walk_right;
inline constexpr auto& auto_walk_left = player_globals.auto_walk_left;
inline constexpr auto& moved = player_globals.moved;
inline constexpr auto& landed = player_globals.landed;
inline constexpr auto& on_ladder = player_globals.on_ladder;
inline constexpr auto& ladder_near = player_globals.ladder_near;
inline constexpr auto& on_ladder_top = player_globals.on_ladder_top;
inline constexpr auto& crouching = player_globals.crouching;
inline constexpr auto& jumping = player_globals.jumping;
inline constexpr auto& rising = player_globals.rising;
inline constexpr auto& jump_started = player_globals.jump_started;
inline constexpr auto& jump_latch = player_globals.jump_latch;
inline constexpr auto& main_latch = player_globals.main_latch;
inline constexpr auto& melee_latch = player_globals.melee_latch;
inline constexpr auto& main_latch_1 = player_globals.main_latch_1;
inline constexpr auto& skill_latch = player_globals.skill_latch;
inline constexpr auto& falling = player_globals.falling;
inline constexpr auto& blocked = player_globals.blocked;
inline constexpr auto& head_bump = player_globals.head_bump;
inline constexpr auto& shot_request = player_globals.shot_request;
inline constexpr auto& hurt = player_globals.hurt;
inline constexpr auto& wall_contact = player_globals.wall_contact;
inline constexpr auto& dashing = player_globals.dashing;
inline constexpr auto& dash_jump = player_globals.dash_jump;
inline constexpr auto& in_water = player_globals.in_water;
inline constexpr auto& odd_frame = player_globals.odd_frame;
inline constexpr auto& water_in_sound = player_globals.water_in_sound;
inline constexpr auto& water_out_sound = player_globals.water_out_sound;
inline constexpr auto& tea_pose = player_globals.tea_pose;
inline constexpr auto& draw_counters = player_globals.draw_counters;
inline constexpr auto& tea = player_globals.tea;
inline constexpr auto& dash = player_globals.dash;
inline constexpr auto& melee_count = player_globals.melee_count;
inline constexpr auto& buff_kind = player_globals.buff_kind;
inline constexpr auto& Mimic_c = player_globals.Mimic_c;
inline constexpr auto& q_latch = player_globals.q_latch;
inline constexpr auto& walk_attack = player_globals.walk_attack;
inline constexpr auto& attack_count = player_globals.attack_count;
inline constexpr auto& skill_step = player_globals.skill_step;
inline constexpr auto& PlayerState = player_globals.PlayerState;
inline constexpr auto& attack_timer = player_globals.attack_timer;
inline constexpr auto& drain_count = player_globals.drain_count;
inline constexpr auto& spirit_barrier = player_globals.buff_flags[buff_spirit];

// Beside the block.
extern std::int32_t buff_time[6];  // counters of buffs A, B, C, D, E, F
extern std::int32_t fall_speed;    // twice the downward speed in pixels per frame; 1 at program start
extern std::int32_t on_solid;      // 1 while the hero stands on a gimmick or a ladder top this frame
// Lowest screen row (0..3) the camera may show: row 3 x (stage - 1) + (area - 1), column screen_col.
extern const std::int32_t camera_floor[27][20];

// A fresh hero at an area start: maxima by hero and upgrades, full HP and SP, position, cleared motion and buffs.
void reset_player_stats();
// CRI from the weapon, accessory 13 or buff D, and the sure-critical item buff.
void compute_critical_chance();
// Zeroes screen_cursor entries 0..5 (entry 6 keeps its value) and frame_counter.
void clear_screen_counters();
