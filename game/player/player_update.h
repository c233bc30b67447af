// The hero's per-frame control: the pad and the action flags turned into walking, dashing, jumping, wall kicks,
// ladders, falling and landing on gimmicks, attacks and charging, skill requests and selection, the hurt and attack
// timers, the camera that follows the hero, the area exit and the fall death.
#pragma once

// One frame of the hero, given the frame's pad word (bits 1 down, 2 left, 4 right, 8 up). Stage play calls it before
// anything is drawn, not while the game menu is open.
void update_player(int pad);

// The camera scroll g_y may not go below in the hero's screen column (the column's lowest screen row).
int camera_floor_scroll();

// Hero boxes against the stage, offsets from (mx, my), tested with strict overlap on all four sides.
struct HeroBox {
  int x0, x1, y0, y1;
};
inline constexpr HeroBox hero_feet_box{15, 40, 83, 97};
inline constexpr HeroBox hero_ladder_top_box{17, 40, 83, 97};
inline constexpr HeroBox hero_reach_box{23, 40, 83, 97};
inline constexpr HeroBox hero_head_box{20, 40, 5, 25};
inline constexpr HeroBox hero_wall_right_box{35, 50, 12, 92};
inline constexpr HeroBox hero_wall_left_box{0, 25, 12, 92};
inline constexpr HeroBox hero_wall_left_jump_box{0, 25, 12, 97};
