#include "game/player/particles.h"

#include <cmath>

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_state.h"

Particle particles[particle_pool_size];
ParticleGroup particle_groups[particle_group_pool_size];
HitSpark hit_sparks[hit_spark_pool_size];

namespace {

constexpr int blend_none = 0;
constexpr int blend_alpha = 1;
constexpr int blend_add = 2;
constexpr int particle_picture = 3;  // "gsx/smg/03.png"
constexpr int spark_sheet_first = 2;  // spark1..spark3 among the effect sheets

struct Cell {
  int x, y, w, h;
};

int piece_count(int type) {
  switch (type) {
    case 0: return 5;
    case 2: return 3;
    case 6: return 4;
    case 3:
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10: return 2;
    default: return 0;
  }
}

bool bounces(int type) { return type == 0 || (type >= 2 && type <= 6); }

int group_picture(int type) {
  switch (type) {
    case 0: return effect_sheets[6];  // all_01
    case 2: return enemy_images[29];
    case 3: return enemy_images[30];
    case 4: return enemy_images[13];
    case 5: return enemy_images[24];
    case 6: return field_images[field_s03];
    case 7: return enemy_images[2];
    case 8: return enemy_images[28];
    case 9: return enemy_images[15];
    case 10: return enemy_images[14];
    default: return -1;
  }
}

Cell piece_cell(int type, int k) {
  static constexpr Cell stone_cells[4] = {{479, 323, 72, 34}, {561, 322, 79, 34}, {546, 369, 89, 34}, {473, 366, 55, 38}};
  switch (type) {
    case 0: return {415 + 45 * k, 450, 45, 30};
    case 2: return {120 + 60 * k, 60, 60, 60};
    case 3: return {300 + 60 * k, 0, 60, 50};
    case 4: return {320 + 40 * k, 450, 40, 40};
    case 5: return {400 + 100 * k, 320, 100, 80};
    case 6: return stone_cells[k];
    case 7: return {30 * k, 30, 30, 30};
    case 8: return {846 + 29 * k, 16, 29, 13};
    case 9: return {364 + 70 * k, 162, 70, 16};
    case 10: return {379, 4 + 39 * k, 50, 39};
    default: return {};
  }
}

// True when the piece's box (world) overlaps a solid gimmick in use.
bool piece_meets_block(int type, int px, int py) {
  const int x0 = px + (type == 0 ? 9 : 18), y0 = py + (type == 0 ? 6 : 24);
  const int x1 = px + (type == 0 ? 38 : 41), y1 = py + (type == 0 ? 25 : 42);
  for (const StageObject& g : gimmicks) {
    if (g.in_use != 1 || g.solid == 0) continue;
    if (g.x + g.box_x0 < x1 && x0 < g.x + g.box_x1 && g.y + g.box_y0 < y1 && y0 < g.y + g.box_y1) return true;
  }
  return false;
}

void update_group(ParticleGroup& group) {
  const int n = piece_count(group.type);
  if (n == 0) return;
  group.move_toggle = 1 - group.move_toggle;
  const int picture = group_picture(group.type);
  const int mirrored = group.type != 0 && group.param != 0 ? 1 : 0;
  bool done = false;
  for (int k = 0; k < n; ++k) {
    SetBlendMode(blend_alpha, group.palpha[k]);
    const Cell c = piece_cell(group.type, k);
    DrawGraphPart(group.px[k] - g_x, group.py[k] + g_y, c.x, c.y, c.w, c.h, picture, 1, mirrored);
    SetBlendMode(blend_none, 0);
    if (group.move_toggle == 1) {
      if (group.type == 0) {
        group.fall[k] += 1;
        group.py[k] = group.py[k] - group.rise[k] + group.fall[k];
        group.px[k] += group.pdx[k];
      } else {
        group.py[k] = group.py[k] - group.rise[k] + group.fall[k];
        if (group.fall[k] != 0) group.px[k] += group.pdx[k];
        group.fall[k] += 1;
      }
    }
    if (bounces(group.type) && piece_meets_block(group.type, group.px[k], group.py[k])) {
      group.fall[k] = 0;
      if (group.type != 0) group.rise[k] /= 2;
    }
    group.palpha[k] -= group.type == 0 ? 5 : 4;
    if (group.palpha[k] < (group.type == 0 ? 1 : 5)) done = true;
  }
  if (done) group.active = 0;
}

}  // namespace

void spawn_particle(int x, int y, int type) {
  for (Particle& p : particles) {
    if (p.active != 0) continue;
    p.active = 1;
    const float a = static_cast<float>(GetRandomUpTo(1000)) * 0.0062831803f;
    p.dir_cos = std::cos(a);
    p.dir_sin = std::sin(a);
    const float s = static_cast<float>(GetRandomUpTo(100)) * 0.12f + 4.0f;
    p.size = s;
    p.speed = s * 0.1875f + 1.0f;
    p.dist = 80.0f;
    p.alpha = 0;
    p.x = x;
    p.y = y;
    p.type = type;
    return;
  }
}

void update_particles() {
  for (Particle& p : particles) {
    if (p.active != 1) continue;
    p.dist -= p.speed;
    if (p.dist > 0.0f) {
      p.alpha = p.alpha + 8 > 255 ? 255 : p.alpha + 8;
    } else {
      p.dist = 0.0f;
      p.alpha -= 12;
      if (p.alpha <= 0) p.active = 0;
    }
    SetBlendMode(blend_add, p.alpha);
    float cx = 0.0f, cy = 0.0f;
    int dx = 0, dy = 0;
    if (p.type == 13) {
      cx = static_cast<float>(p.x) + p.dir_cos * p.dist;
      cy = static_cast<float>(p.y) + p.dir_sin * p.dist;
      dx = -g_x;
      dy = g_y;
      SetBrightnessRGB(255, 64, 64);
    } else {
      cx = static_cast<float>(mx + 30) + p.dir_cos * p.dist;
      cy = static_cast<float>(my + (crouching != 0 ? 75 : 50)) + p.dir_sin * p.dist;
    }
    DrawGraphStretched(static_cast<int>(cx - p.size) + dx, static_cast<int>(cy - p.size) + dy,
                       static_cast<int>(cx + p.size) + dx, static_cast<int>(cy + p.size) + dy,
                       gallery_pics[particle_picture], 0);
    if (p.type == 13) SetBrightnessRGB(255, 255, 255);
    SetBlendMode(blend_none, 0);
  }
}

void spawn_particle_group(int type, int x, int y, int param) {
  for (ParticleGroup& group : particle_groups) {
    if (group.active != 0) continue;
    group.type = type;
    group.param = param;
    group.move_toggle = 0;
    group.active = 1;
    for (int k = 0; k < piece_count(type); ++k) {
      group.px[k] = type == 6 ? x + 50 * k : x;
      group.py[k] = y;
      group.palpha[k] = 255;
      group.fall[k] = 0;
      if (type == 0) {
        group.rise[k] = GetRandomUpTo(3) + 5;
        const int amount = GetRandomUpTo(3);
        group.pdx[k] = GetRandomUpTo(1) == 0 ? -amount : amount;
      } else {
        group.rise[k] = GetRandomUpTo(5) + 7;
        group.pdx[k] = type == 6 ? GetRandomUpTo(7) - 3 : param == 0 ? -GetRandomUpTo(7) : GetRandomUpTo(7);
      }
    }
    return;
  }
}

void update_particle_groups() {
  for (ParticleGroup& group : particle_groups) {
    if (group.active == 1) update_group(group);
  }
}

void spawn_hit_spark(int x, int y) {
  HitSpark& spark = hit_sparks[0];
  if (spark.active != 0) return;
  spark.x = x + 10;
  spark.y = y;
  spark.active = 1;
  spark.age = 0;
}

void update_hit_sparks() {
  for (HitSpark& spark : hit_sparks) {
    if (spark.active == 0) continue;
    spark.age += 1;
    if (spark.age > 8) spark.active = 0;
    const int frame = spark.age < 3 ? 0 : spark.age < 6 ? 1 : 2;
    DrawGraphAt(spark.x - g_x, spark.y + g_y, effect_sheets[spark_sheet_first + frame], 1);
  }
}
