// The per-kind handlers of update_hazards, one function per kind (or per group of kinds that share a behaviour).
#pragma once

#include "game/enemy/hazard_pool.h"

namespace hazard_kinds {

using Handler = void (*)(int index, HazardRecord& h);

// Straight, aimed and circling projectiles.
void slow_wave(int i, HazardRecord& h);          // 3
void aimed_orb(int i, HazardRecord& h);          // 5
void fireball(int i, HazardRecord& h);           // 7
void star(int i, HazardRecord& h);               // 13
void bolt(int i, HazardRecord& h);               // 16, 17, 18
void rising_skull(int i, HazardRecord& h);       // 20
void fire_wave(int i, HazardRecord& h);          // 23
void circling_ghost(int i, HazardRecord& h);     // 26
void blade_wave(int i, HazardRecord& h);         // 27
void arrow(int i, HazardRecord& h);              // 28
void escort(int i, HazardRecord& h);             // 34
void card(int i, HazardRecord& h);               // 37
// Thrown, bouncing and falling objects.
void stone(int i, HazardRecord& h);              // 1
void dust(int i, HazardRecord& h);               // 2
void skull(int i, HazardRecord& h);              // 9
void drop(int i, HazardRecord& h);               // 10
void ghost_fire(int i, HazardRecord& h);         // 12
void fire_drop(int i, HazardRecord& h);          // 14, 15
void tumbling_debris(int i, HazardRecord& h);    // 25, 45
void bouncing_debris(int i, HazardRecord& h);    // 29, 35
void ceiling_trap(int i, HazardRecord& h);       // 39, 41
void flame_blob(int i, HazardRecord& h);         // 42
// Attack areas, beams, stage hazards and ending objects.
void burst(int i, HazardRecord& h);              // 6
void light_column(int i, HazardRecord& h);       // 8
void magic_circle(int i, HazardRecord& h);       // 11
void hidden_box(int i, HazardRecord& h);         // 19, 30, 31, 32
void held_beam(int i, HazardRecord& h);          // 21
void left_beam(int i, HazardRecord& h);          // 22
void fading_box(int i, HazardRecord& h);         // 36, 44
void wide_beam(int i, HazardRecord& h);          // 38
void crushing_block(int i, HazardRecord& h);     // 40
void great_pillar(int i, HazardRecord& h);       // 43
void pillar_decoration(int i, HazardRecord& h);  // 46
void ending_object(int i, HazardRecord& h);      // 47..50

// Shared pieces.
// Sheets by their index in effect_sheets and field_images.
inline constexpr int sheet_all_01 = 6;     // "gsx/ef/all_01.png"
inline constexpr int sheet_all_02 = 7;     // "gsx/ef/all_02.png"
inline constexpr int sheet_tr_all_01 = 9;  // "gsx/ef/tr_all_01.png"
inline constexpr int sheet_tr_all_04 = 12; // "gsx/ef/tr_all_04.png"
inline constexpr int sheet_tr_all_05 = 13; // "gsx/ef/tr_all_05.png"
inline constexpr int sheet_tr_all_06 = 14; // "gsx/ef/tr_all_06.png"
inline constexpr int sheet_tr_all_07 = 15; // "gsx/ef/tr_all_07.png"
inline constexpr int field_s_03 = 3;       // "gsx/fld/s_03.png"
// -1 for a hazard moving left (direction 0), +1 for one moving right.
inline int side(const HazardRecord& h) { return h.direction == 0 ? -1 : 1; }
// The tumbling and bouncing debris: a random rise on the first frame, the spin, and a gravity step every second
// frame.
void toss(HazardRecord& h, int spin);
void free_record(HazardRecord& h);
// Records the position into the after-image trail (prev3 <- prev2 <- prev1 <- current).
void shift_trail(HazardRecord& h);
// Screen position.
int hx(const HazardRecord& h);
int hy(const HazardRecord& h);
// Off-screen ends.
bool off_horizontal(const HazardRecord& h);  // sx < -100 or sx > 750
bool off_box(const HazardRecord& h);         // sx < -100, sx > 740, sy < -100 or sy > 580
// The hazard box x + a .. x + b, y + c .. y + d against the solid gimmicks: the first hit from `from`, or -1.
int obstacle(const HazardRecord& h, int a, int b, int c, int d, int from = 0);
// The player's world position.
int player_world_x();
int player_world_y();
// Aims (vx, vy) at the player: n = distance / divisor; within `divisor` pixels it drops straight down instead.
void aim_at_player(HazardRecord& h, int divisor);
// The shrinking-glow break-up of kinds 5, 13 and 27: t = anim_frame + 1; freed at 40.
void glow_break(HazardRecord& h, int r, int g, int b, int inset, int extent, bool additive_pass);

}  // namespace hazard_kinds
