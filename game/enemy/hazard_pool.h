// The hazard pool: enemy projectiles, attack areas, beams, the stage's falling and crushing hazards and the first
// ending's drifting objects. One fixed pool of records, spawned into the first free one, updated once per frame.
#pragma once

#include <cstdint>

struct HazardRecord {
  std::int32_t type;       // hazard kind 1..50
  std::int32_t param;      // spawn argument q: a variant, or the index of the enemy record that fired it
  std::int32_t breakable;  // nonzero: the hero's melee attack and skills destroy it
  std::int32_t x, y;       // world position
  std::int32_t prev1_x, prev1_y, prev2_x, prev2_y, prev3_x, prev3_y;  // earlier positions, for after-images
  std::int32_t state;   // 0 free, 1 live, 2 breaking, 3 fading after its parent fell (kind 34)
  std::int32_t toggle;  // 1 at spawn
  std::int32_t counter_a;
  std::int32_t counter_b;
  std::int32_t phase;
  std::int32_t vx, vy;
  std::int32_t counter_c;
  std::int32_t rise_speed;
  std::int32_t fall_speed;
  std::int32_t alpha;      // 255 at spawn
  std::int32_t direction;  // spawn argument p: 0 moves left, nonzero right; kind 13 reads 1..8 as a compass point
  std::int32_t anim_counter;
  std::int32_t anim_frame;
  std::int32_t angle;
  std::uint8_t touched;  // the hazard hurt the player
};

inline constexpr int hazard_pool_size = 20;
inline constexpr int hazard_kind_count = 51;  // kinds 0..50

enum HazardState : int { hazard_free = 0, hazard_live = 1, hazard_breaking = 2, hazard_fading = 3 };

extern HazardRecord hazard_pool[hazard_pool_size];
extern int hazard_count;  // hazard records handed out since the stage was built

struct HazardTypeRow {
  std::int32_t breakable;
  std::int32_t rise_speed;
  std::int32_t unused[2];
};
struct HazardBoxRow {
  std::int32_t left, top, right, bottom;  // relative to the hazard's (x, y)
  std::int32_t damage;
};
// Rows for kinds 0..50; kinds without a row of their own (45..50 in the box table) are all zero.
extern const HazardTypeRow hazard_type_table[hazard_kind_count];
extern const HazardBoxRow hazard_box_table[hazard_kind_count];
const HazardTypeRow& hazard_type_row(int kind);
const HazardBoxRow& hazard_box_row(int kind);

// Takes the first free record; plays the kind's sound when the spawn point is near the player. A full pool drops
// the hazard silently.
void spawn_hazard(int type, int direction, int x, int y, int param);
// Runs every record's kind once: move, draw, contact.
void update_hazards();
// Frees every record (the story scenes, the falling stage and the pool clear before an area is built).
void free_all_hazards();
// Tests the player against record `index` and applies a hit.
void check_hazard_contact(int index);
void play_hazard_sound(int kind);
void play_hazard_hit_sound(int index);
// Kinds 39 and 41 go to their breaking state; others are left as they are.
void break_hazard(int index);
// True when a world point is within hearing of the player.
bool hazard_audible(int x, int y);

// Draws the outlines of the contact boxes while set (a debugging aid; the game never sets it).
extern std::uint8_t debug_boxes;
