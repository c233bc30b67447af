// The falling stage (game mode 6): the hero floats down an endless shaft for 6,600 frames while enemies arrive on a
// fixed timetable; surviving leads into stage 7, dying costs a continue and starts the fall over.
#pragma once

#include <cstdint>

struct FallState {
  int entered;       // 0: the next frame starts the fall afresh
  int frame;         // frames of the fall, from 1
  std::uint16_t cursor;  // next timetable row
  int vx, vy;        // the hero's drift in pixels per frame
  int input_x, input_y;  // direction input counters 0..4
  int fade;          // closing fade level 0..254
  int anim;          // hero animation counter 0..31
  int fade_counter;  // 0..10
};
extern FallState fall_state;

inline constexpr int fall_length = 6600;
// One timetable row: on `frame`, spawn_enemy(kind, param, 0, 0, x, y).
struct FallSpawn {
  std::int16_t frame, kind, param, x, y;
};
inline constexpr int fall_schedule_rows = 86;
struct FallSchedule {
  FallSpawn rows[fall_schedule_rows + 1];  // sorted by frame, ended by an all-zero row
};
extern const FallSchedule fall_schedule;

// Game mode 6, one frame with the frame's pad word (1 down, 2 left, 4 right, 8 up).
void fall_scene_screen(int pad);
// Spawns every timetable row due on the current fall frame and moves the cursor past them.
void run_fall_spawn_schedule();
