// The dialogue box: the typewriter text window with its speaker tag, the two sliding portraits, and the scene
// state block that every story screen, the shop and the cathedral drive.
#pragma once

#include <cstdint>

struct SceneState {
  int initialised;   // 0 makes the story director reset the block before its next frame
  int step;          // step of the running scene; raised by one when a page of the conversation ends
  int row;           // current row 0..29 of the story event
  int phase;         // 1 typing line 1, 2 typing line 2, 3 row complete
  int step_frames;   // frames spent in the current step (counted by the callers)
  int tick;          // typewriter frame counter 0..4
  int chars;         // two-byte units shown of the line being typed
  int flash_count;   // the scenes' own counter
  int actor_frames;  // animation counter of the boss actor
  std::int16_t actor_x;
  std::int16_t actor_y;
  std::int16_t door2_x;  // the altar scene's second door half (the first is actor_x, actor_y)
  std::int16_t door2_y;
  int window_state;  // 0 sliding in, 1 shown, 2 sliding out, 3 hidden
  int window_y;      // top of the dialogue window on screen
  int box_ready;     // 0 makes the next dialogue_box call start the conversation afresh
  char line1[80];    // visible part of line 1
  char line2[80];    // visible part of line 2
  int page;          // current page 0..9
  int portrait_state;  // 0 sliding in, 1 shown, 2 sliding out, 3 hidden
  int left_x;
  int right_x;
};

extern SceneState scene_state;
extern int story_event;          // the story event in force
extern int right_portrait_sheet; // the other party's portrait sheet, loaded by the screen holding the conversation

// One frame of the conversation of `event`: maps the pad word, types, draws the tag and both lines, handles MAIN.
void dialogue_box(int event, int pad);
// One frame of the portraits (of story_event) and of the dialogue window, moved by their states.
void draw_portraits();
// Moves the running scene to its next step, with the step's frame count back at 0.
void next_scene_step();
// A rectangle over the whole screen in the colour, blended by alpha; the blend mode is none again afterwards.
void draw_screen_box(int r, int g, int b, int alpha);
// Puts scene_state into its idle form: window and portraits hidden and parked, the conversation to start afresh.
void reset_scene_state();

// Number of whole characters' bytes among the first `limit` bytes of a CP932 text of `length` bytes: a double-byte
// character that would be cut in half is left out.
int cp932_whole_prefix(const char* text, int length, int limit);
