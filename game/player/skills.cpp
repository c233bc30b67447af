#include "game/player/skills.h"

#include "engine/core/public_api.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/player/skill_effects.h"
#include "game/stage/stage_state.h"

int skill_id = skill_none;
int skill_phase;
int skill_active;
int skill_pos_x;
int skill_pos_y;
int skill_effect;
int skill_fade[skill_fade_count];

namespace {

constexpr int no_sound = -1;
constexpr int casting_delay = 40;
constexpr int sp_caption = 9999;

constexpr int blend_none = 0;
constexpr int blend_add = 2;

constexpr int sheet_tr_all_02 = 10;  // effect_sheets entries
constexpr int sheet_tr_all_03 = 11;
constexpr int sheet_tr_all_04 = 12;
constexpr int sweep_sheet = 0;  // projectile_sheets: skill 3's sweep
constexpr int ring_picture = 0;  // gallery_pics: "gsx/smg/00.png"

struct SkillRow {
  int id;
  int cost;
  int reduced_cost;  // with accessory 1
  bool free_with_10;  // no cost with accessory 10
  int state;          // PlayerState at the start; 0 leaves it alone
  int effect;         // casting effect frames
  int start_sound;
  int end_step;  // 0: ends at once (4, 5) or only by landing (15)
  bool back_to_none;  // skill_id falls back to 99 at the end
  bool clears_hits;   // the enemies can be hit again after it
  int end_buff;       // buff started at the end, -1 none
  int end_buff_frames;
};

constexpr SkillRow skill_table[] = {
    {0, 25, 17, false, player_skill, 50, se_heal, 50, true, false, -1, 0},
    {1, 50, 34, false, player_skill, 70, se_buff, 30, false, false, -1, 0},
    {2, 35, 24, false, player_casting, 50, se_cast, 30, false, false, -1, 0},
    {3, 20, 14, false, player_skill, 0, se_charge3, 60, true, true, -1, 0},
    {4, 3, 2, false, 0, 0, no_sound, 0, true, false, -1, 0},
    {5, 5, 4, false, 0, 0, no_sound, 0, true, false, -1, 0},
    {6, 15, 10, false, player_skill, 0, no_sound, 70, true, true, -1, 0},
    {7, 20, 14, false, player_skill, 0, no_sound, 70, true, false, buff_c, buff_duration_both},
    {8, 20, 14, false, player_skill, 50, se_aura, 50, false, false, buff_d, buff_duration_hero1},
    {9, 35, 24, false, player_casting, 50, se_cast, 30, false, false, -1, 0},
    {10, 100, 67, false, player_skill, 50, no_sound, 50, false, false, -1, 0},
    {11, 20, 14, true, player_skill, 50, se_buff, 50, false, false, buff_f, buff_duration_hero1},
    {12, 15, 10, true, player_skill, 0, no_sound, 50, true, true, -1, 0},
    {13, 15, 10, true, player_skill, 0, no_sound, 36, true, true, -1, 0},
    {14, 15, 10, true, player_skill, 0, no_sound, 24, true, true, -1, 0},
    {15, 15, 10, true, player_skill, 0, no_sound, 0, false, false, -1, 0},
    {20, 0, 0, false, player_skill, 0, no_sound, 40, false, false, -1, 0},
};

const SkillRow* find_skill(int id) {
  for (const SkillRow& row : skill_table) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

// The sweeping skills' boxes by step, offsets from (mx, my): x facing right, x facing left, y. The top edge moves by
// y0_per_step for every step (skill 13 rises), and rows whose x edges are equal test a single point.
struct SweepRow {
  int skill;
  int first_step, last_step;
  int right_x0, right_x1;
  int left_x0, left_x1;
  int y0, y1;
  int y0_per_step;
};

constexpr SweepRow sweep_rows[] = {
    {3, 31, 32, 70, 120, -90, -40, 70, 100, 0},     {3, 33, 35, 70, 130, -90, -30, 60, 100, 0},
    {3, 36, 41, 70, 150, -90, -10, 40, 100, 0},     {3, 42, 59, 70, 150, -90, -10, 10, 100, 0},
    {6, 31, 35, -5, 75, -5, 75, 40, 90, 0},         {6, 36, 41, -25, 95, -25, 95, 20, 90, 0},
    {6, 42, 69, -50, 120, -50, 120, 0, 90, 0},      {12, 1, 15, 50, 50, 50, 50, 12, 12, 0},
    {12, 16, 17, 74, 177, -92, -89, 34, 52, 0},     {12, 18, 18, 50, 50, 50, 50, 12, 12, 0},
    {12, 19, 20, 65, 250, -165, -16, 34, 57, 0},    {12, 21, 49, 65, 275, -201, 9, 34, 62, 0},
    {13, 1, 6, 95, 115, -50, -30, 62, 97, -25},     {13, 7, 35, 95, 115, -50, -30, -88, 97, 0},
    {14, 1, 14, 70, 140, -70, 0, 32, 77, 0},        {14, 15, 24, 50, 50, 50, 50, 12, 12, 0},
    {15, 1, 39, 40, 60, 0, 20, 60, 130, 0},
};

int sweep_damage(int skill) { return skill == 3 ? 100 : skill == 6 ? 7 : 1000; }

void play(int slot) {
  if (slot != no_sound) PlaySoundHandle(sound_table[slot], 1, 1);
}

bool facing_right() { return pose >= 0 && pose <= 8; }
int facing_dir() { return facing_right() ? 1 : 0; }

void start_buff(int buff, int frames) {
  buff_flags[buff] = 1;
  buff_time[buff] = frames;
}

void heal() {
  const int unit = max_hp / 10;
  const int roll = buff_flags[buff_a] != 0 ? unit * 2 : GetRandomUpTo(unit * 2);
  hp += unit * 3 + roll;
  if (hp > max_hp) hp = max_hp;
}

// Skill 6 breaks the first live hazard that can be struck and meets its blast.
void break_hazard_in(const HitBox& box) {
  for (HazardRecord& h : hazard_pool) {
    if (h.state != hazard_live || h.breakable == 0 || !boxes_meet(box, hazard_hit_box(h))) continue;
    strike_down_hazard(h);
    PlaySoundHandle(sound_table[se_hazard_break], 1, 1);
    return;
  }
}

// The sweep of the running skill at this step against the enemies, and for skills 6 and 12..15 the breakable
// gimmicks (skill 6 also the hazards). Skill 6 hurts every frame; the others hit an enemy once per use.
void sweep(int skill, int step) {
  for (const SweepRow& row : sweep_rows) {
    if (row.skill != skill || step < row.first_step || step > row.last_step) continue;
    const bool right = facing_right();
    const int x0 = right ? row.right_x0 : row.left_x0;
    const int x1 = right ? row.right_x1 : row.left_x1;
    const int y0 = row.y0 + row.y0_per_step * step;
    const HitBox box{mx + x0 + g_x, my + y0 - g_y, mx + x1 + g_x, my + row.y1 - g_y};
    const int damage = sweep_damage(skill);
    for (int i = 0; i < enemy_loop_end(); ++i) {
      const EnemyRecord& e = enemy_pool[i];
      if (!hero_can_hit(e) || (skill != 6 && e.hit_flag != 0)) continue;
      if (boxes_meet(box, enemy_hit_box(e))) damage_enemy(i, damage, skill);
    }
    if (skill != 3) damage_gimmicks_in(box, damage);
    if (skill == 6) break_hazard_in(box);
    return;
  }
}

// ---- Drawing of the sweeps ----

void draw_part(int x, int y, int cx, int cy, int w, int h, int image, int mirrored) {
  DrawGraphPart(x, y, cx, cy, w, h, image, 1, mirrored);
}

void draw_skill_3(int step) {
  if (step < 31 || step > 53) return;
  const int right = facing_right();
  const int column = (step - 30) / 3;
  const int x = right ? mx + 70 : mx - 90;
  const int image = projectile_sheets[sweep_sheet];
  draw_part(x, my, 82 * column, 0, 82, 112, image, right ? 0 : 1);
  SetBlendMode(blend_add, 128);
  draw_part(right ? x + 10 : x - 10, my, 82 * column, 0, 82, 112, image, right ? 0 : 1);
  SetBlendMode(blend_none, 255);
}

// Four blast layers appear at steps 31, 34, 37 and 40 and a large one at 43; each fades by its own alpha.
void draw_skill_6(int step) {
  if (step < 31) return;
  const int mirrored = facing_right() ? 0 : 1;
  const int image = effect_sheets[sheet_tr_all_02];
  for (int k = 0; k < 5; ++k) {
    const bool large = k == 4;
    if (step < (large ? 43 : 31 + 3 * k) || skill_fade[k] <= 0) continue;
    SetBlendMode(blend_add, skill_fade[k]);
    if (large) {
      draw_part(mx - 90, my - 110, 0, 240, 250, 200, image, mirrored);
    } else {
      draw_part(mx - 45, my - 40, 160 * k, 110, 160, 130, image, mirrored);
    }
    skill_fade[k] -= large ? 10 : 50;
    if (skill_fade[k] < 0) skill_fade[k] = 0;
  }
  SetBlendMode(blend_none, 255);
}

void draw_skill_7(int step) {
  if (step < 31) return;
  SetBlendMode(blend_add, (85 - step) * 3);
  for (int k = 0; k < 2; ++k) {
    DrawGraphStretched(mx - 60 - step, my - 60 - step, mx + 33 + step, my + 132 + step, gallery_pics[ring_picture], 1);
  }
  SetBlendMode(blend_none, 255);
}

void draw_skill_12(int step) {
  if (step < 16) return;
  const bool right = facing_right();
  const int shift = right ? 0 : -266;
  const int mirrored = right ? 0 : 1;
  const int image = effect_sheets[sheet_tr_all_03];
  if (step <= 17) {
    draw_part(mx + 50 + shift, my + 12, 204, 154, 216, 50, image, mirrored);
    return;
  }
  if (step <= 20) {
    draw_part(mx + 50 + shift, my + 30, 204, 97, 216, 57, image, mirrored);
    return;
  }
  SetBlendMode(blend_add, 32);
  for (int k = 0; k < 25 - step / 2; ++k) {
    if (step <= 43) {
      draw_part(mx + 50 + shift, my + 30, 210, 20, 247, 47, image, mirrored);
    } else if (step <= 45) {
      draw_part(mx + 81 + shift, my + 30, 204, 97, 216, 57, image, mirrored);
    } else {
      draw_part(mx + 140 + shift, my + 12, 204, 154, 216, 50, image, mirrored);
    }
  }
  SetBlendMode(blend_none, 255);
}

void draw_skill_15(int step) {
  const bool right = facing_right();
  const bool even = step % 2 == 0;
  const int x = even ? (right ? mx + 20 : mx - 20) : (right ? mx + 17 : mx - 17);
  SetBlendMode(blend_add, 32);
  for (int k = 0; k < 10; ++k) {
    draw_part(x, my, even ? 0 : 54, 455, even ? 54 : 50, 133, effect_sheets[sheet_tr_all_04], right ? 0 : 1);
  }
  SetBlendMode(blend_none, 255);
}

// ---- Running a skill ----

// What the skill does at this step besides its sweep.
void step_actions(int id, int step) {
  switch (id) {
    case 0:
      if (step == 1) heal();
      break;
    case 1:
      if (step == 1) {
        clear_sparkles();
        start_buff(buff_a, buff_duration_both);
      }
      break;
    case 2:
    case 9:
      if (step == 1) {
        walk_speed = 4;
        start_buff(buff_b, buff_duration_both);
      }
      break;
    case 3:
      if (step == 30) play(se_strike);
      draw_skill_3(step);
      break;
    case 6:
      if (step == 40) play(se_blast);
      draw_skill_6(step);
      break;
    case 7:
      if (step == 30) play(se_ring);
      draw_skill_7(step);
      break;
    case 8:
    case 11:
      if (step == 1) clear_sparkles();
      break;
    case 10:
      if (step == 3 && spirit_barrier == 0) {
        spirit_barrier = 1;
        for (int type = 25; type <= 27; ++type) spawn_effect(0, 0, type);
      }
      if (step == 10) play(se_summon);
      break;
    case 12: draw_skill_12(step); break;
    case 13:
      if (step == 1) {
        const int dx = facing_right() ? 50 : -100;
        spawn_effect(mx + dx, my - 123, 39);
        spawn_effect(g_x + mx + dx, my - g_y - 25, 3);
      }
      break;
    case 14:
      if (step == 4) spawn_skill_shot_d(g_x + mx + (facing_right() ? 25 : -90), my - g_y, facing_right() ? 0 : 1);
      break;
    case 15: draw_skill_15(step); break;
    case 20:
      // The shot of accessory 6 fires five darts; it marks no progress of any kind.
      if (step <= 25 && (step - 1) % 6 == 0) {
        spawn_skill_shot_c(g_x + mx, my - g_y + 32 + GetRandomUpTo(15), facing_dir());
      }
      break;
    default: break;
  }
}

void end_skill(const SkillRow& row) {
  skill_active = 0;
  PlayerState = player_free;
  skill_step = 0;
  if (row.back_to_none) skill_id = skill_none;
  if (row.clears_hits) clear_enemy_hit_flags();
  if (row.end_buff >= 0) start_buff(row.end_buff, row.end_buff_frames);
}

// The projectile skills spawn at once and end in the same call, leaving PlayerState alone.
void throw_projectile(int id) {
  const int x = g_x + mx;
  const int y = my - g_y + (crouching != 0 ? 54 : 32);
  if (id == 4) {
    spawn_skill_shot_a(x, y, facing_dir());
  } else {
    detonate_skill_bomb();
    constexpr int key_up = 200;
    constexpr int pad_up = 8;
    const bool up_held = IsKeyDown(key_up) != 0 || (GetPadInputBits(0x1001) & pad_up) != 0;
    spawn_skill_shot_b(x, y, facing_dir(), crouching == 0 && up_held ? 1 : 0);
  }
  skill_active = 0;
  skill_id = skill_none;
}

}  // namespace

int skill_cost(int id) {
  const SkillRow* row = find_skill(id);
  if (row == nullptr) return -1;
  if (accessory == 10 && row->free_with_10) return 0;
  return accessory == 1 ? row->reduced_cost : row->cost;
}

void activate_skill(int id, int phase) {
  if (skill_active != 0) return;
  // Ids without a skill start nothing: they would hold the hero in the skill state with nothing to end it.
  const SkillRow* row = find_skill(id);
  if (row == nullptr) return;
  for (int& fade : skill_fade) fade = 255;
  const int cost = skill_cost(id);
  if (sp < cost) {
    caption_code = sp_caption;
    caption_start = frame_start_ms;
    return;
  }
  sp -= cost;
  skill_active = 1;
  skill_id = id;
  if (row->state != 0) PlayerState = row->state;
  const bool takes_delay = id == 0 || id == 1 || id == 8 || id == 10 || id == 11;
  skill_phase = row->state == player_casting ? casting_delay : takes_delay && phase > 0 ? phase : 0;
  // A new skill replaces the casting effect of the last one, which would otherwise reset skill_id under it.
  skill_effect = row->effect;
  play(row->start_sound);
  if (id == 0) {
    skill_pos_x = g_x + mx - 28;
    skill_pos_y = my - g_y - 5;
  }
  if (id == 4 || id == 5) throw_projectile(id);
}

void update_skill() {
  if (skill_active == 0) return;
  if (skill_phase > 0) {
    skill_phase -= 1;
    if (skill_phase == 0) {
      PlayerState = player_skill;
      if (skill_id == 2 || skill_id == 9) play(se_cast_end);
    }
    return;
  }
  const SkillRow* row = find_skill(skill_id);
  if (row == nullptr) {
    skill_active = 0;
    PlayerState = player_free;
    skill_step = 0;
    return;
  }
  skill_step += 1;
  // Skill 15 runs until the hero lands: its steps cycle through 10..39.
  if (row->id == 15 && skill_step > 39) skill_step = 10;
  const int step = skill_step;
  step_actions(row->id, step);
  sweep(row->id, step);
  if (row->id == 15) return;
  if (step >= row->end_step || (row->id == 14 && dashing == 0)) end_skill(*row);
}
