#include "game/flow/dialogue_box.h"

#include <cstring>

#include "engine/core/public_api.h"
#include "game/flow/dialogue_text.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

SceneState scene_state;
int story_event;
int right_portrait_sheet = -1;

namespace {

constexpr int typing_frames = 5;
constexpr int portrait_width = 350;
constexpr int portrait_height = 500;

bool cp932_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int line_length(const char* line) { return static_cast<int>(strnlen(line, dialogue_line_bytes - 1)); }

// Shows the first 2 x chars bytes of `line` in `buffer` (never half a character); the rest of the buffer is zero.
void type_into(char* buffer, const char* line, int chars) {
  const int length = line_length(line);
  int shown = 2 * chars;
  if (shown > dialogue_line_bytes - 1) shown = dialogue_line_bytes - 1;
  const int whole = cp932_whole_prefix(line, length, shown);
  std::memcpy(buffer, line, static_cast<std::size_t>(whole));
  std::memset(buffer + whole, 0, static_cast<std::size_t>(dialogue_line_bytes - whole));
}

void show_whole(char* buffer, const char* line) {
  const int length = line_length(line);
  std::memcpy(buffer, line, static_cast<std::size_t>(length));
  std::memset(buffer + length, 0, static_cast<std::size_t>(dialogue_line_bytes - length));
}

void draw_tag(int event, int row, std::uint16_t speaker) {
  const char* tag = nullptr;
  int r = 0, g = 0, b = 0;
  if (speaker == speaker_hero) {
    if (hero == 0) {
      tag = "【ガレオ】", r = 196, g = 196, b = 255;
    } else {
      tag = "【リセル】", r = 255, g = 168, b = 168;
    }
  } else if (speaker == speaker_other) {
    if (game_mode == mode_shop) {
      if (hero == 0) {
        tag = "【ヌベト】", r = 255, g = 128, b = 255;
      } else {
        tag = "【ブラム】", r = 255, g = 128, b = 0;
      }
    } else if (game_mode == mode_cathedral) {
      // Hero 1's cathedral resident is the priest.
      if (hero == 1) {
        tag = "【 神父 】", r = g = b = 196;
      } else {
        tag = "【ソフネ】", r = 128, g = 128, b = 255;
      }
    } else {
      tag = (event == 14 && row < 20) ? "【？？？】" : "【 ザミ 】";
      r = 180, g = 104, b = 255;
    }
  }
  if (tag != nullptr) DrawTextFormatted(90, 391, MakeColorValue(r, g, b), "%s", tag);
}

// Expression cell of a portrait code, or -1 for no portrait.
int portrait_cell(const char* code) {
  if (code[0] >= '1' && code[0] <= '5') return code[0] - '1';
  return -1;
}

void draw_portrait_pair(int row) {
  const DialogueRow& r = dialogue_row(story_event, row);
  const int left = portrait_cell(r.left);
  const int right = portrait_cell(r.right);
  if (left >= 0) {
    DrawGraphPart(scene_state.left_x - 50, 0, left * portrait_width, 0, portrait_width, portrait_height, hero_stand,
                  1, 0);
  }
  if (right >= 0) {
    DrawGraphPart(scene_state.right_x - 50, 0, right * portrait_width, 0, portrait_width, portrait_height,
                  right_portrait_sheet, 1, 0);
  }
}

void draw_window() {
  SetBlendMode(1, 190);
  DrawGraphPart(37, scene_state.window_y, 0, 0, 566, 83, menu_pics[menu_pic_menu_05], 1, 0);
  SetBlendMode(0, 255);
}

}  // namespace

int cp932_whole_prefix(const char* text, int length, int limit) {
  if (limit > length) limit = length;
  int at = 0;
  while (at < limit) {
    const int width = cp932_lead_byte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return at;
}

void dialogue_box(int event, int pad) {
  SceneState& s = scene_state;
  map_buttons(pad);
  if (s.box_ready == 0) {
    s.phase = 1;
    s.row = 0;
    s.chars = 0;
    s.page = 0;
    s.box_ready = 1;
  }
  // Rows past the table read as empty rows.
  const DialogueRow& row = dialogue_row(event, s.row);

  if (++s.tick == typing_frames) {
    ++s.chars;
    if (s.phase == 1) {
      type_into(s.line1, row.line1, s.chars);
      if (2 * s.chars >= line_length(row.line1)) {
        s.phase = 2;
        s.chars = 0;
      }
    } else if (s.phase == 2) {
      type_into(s.line2, row.line2, s.chars);
      if (2 * s.chars >= line_length(row.line2)) {
        s.phase = 3;
        s.chars = 0;
      }
    }
  }

  draw_tag(event, s.row, row.speaker);
  const int white = MakeColorValue(255, 255, 255);
  DrawTextFormatted(100, 413, white, "%s", s.line1);
  DrawTextFormatted(100, 435, white, "%s", s.line2);
  if (s.tick == typing_frames) s.tick = 0;

  if (!action_held(action_main)) {
    key_latch = 0;
    return;
  }
  if (key_latch != 0) return;
  if (s.phase == 3) {
    ++s.row;
    s.phase = 1;
    s.chars = 0;
    std::memset(s.line1, 0, sizeof s.line1);
    std::memset(s.line2, 0, sizeof s.line2);
    const bool known_event = event >= 0 && event < dialogue_event_count;
    if (known_event && s.page >= 0 && s.page < dialogue_pages_per_event &&
        static_cast<std::uint32_t>(s.row) == page_end_table[event * dialogue_pages_per_event + s.page]) {
      ++s.page;
      ++s.step;
      s.step_frames = 0;
    }
  } else {
    show_whole(s.line1, row.line1);
    show_whole(s.line2, row.line2);
    s.phase = 3;
  }
  key_latch = 1;
}

void draw_portraits() {
  SceneState& s = scene_state;
  switch (s.portrait_state) {
    case 0:
      draw_portrait_pair(s.row);
      if (s.left_x < 10) {
        s.left_x += 7;
        s.right_x -= 7;
      } else {
        s.portrait_state = 1;
      }
      break;
    case 1:
      draw_portrait_pair(s.row);
      break;
    case 2:
      // The confirming press has already moved the row on: show the row that was just confirmed.
      draw_portrait_pair(s.row > 0 ? s.row - 1 : 0);
      if (s.left_x > -300) {
        s.left_x -= 7;
        s.right_x += 7;
      } else {
        s.portrait_state = 3;
      }
      break;
    default:
      break;
  }
  switch (s.window_state) {
    case 0:
      draw_window();
      if (s.window_y > 380) {
        s.window_y -= 5;
      } else {
        s.window_state = 1;
      }
      break;
    case 1:
      draw_window();
      break;
    case 2:
      draw_window();
      if (s.window_y < 500) {
        s.window_y += 5;
      } else {
        s.window_state = 3;
      }
      break;
    default:
      break;
  }
}

void reset_scene_state() {
  SceneState& s = scene_state;
  s.row = 0;
  s.initialised = 1;
  s.window_state = 3;
  s.window_y = 500;
  s.portrait_state = 3;
  s.left_x = -300;
  s.right_x = 700;
  s.box_ready = 0;
  s.step_frames = 0;
  s.tick = 0;
  s.flash_count = 0;
  s.actor_frames = 0;
}

void next_scene_step() {
  ++scene_state.step;
  scene_state.step_frames = 0;
}

void draw_screen_box(int r, int g, int b, int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(r, g, b), 1);
  SetBlendMode(0, 255);
}
