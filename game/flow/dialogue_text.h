// The conversation tables: rows of two CP932 lines with their portrait codes and speaker, and where each story
// event's pages end.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int dialogue_event_count = 101;
inline constexpr int dialogue_rows_per_event = 30;
inline constexpr int dialogue_pages_per_event = 10;
inline constexpr int dialogue_line_bytes = 80;

enum DialogueSpeaker : std::uint16_t { speaker_hero = 0, speaker_other = 1, speaker_none = 2 };

struct DialogueRow {
  char line1[dialogue_line_bytes];  // zero-terminated, at most 79 bytes
  char line2[dialogue_line_bytes];
  char left[dialogue_line_bytes];   // portrait code: "1".."5" picks expression cell 0..4, anything else none
  char right[dialogue_line_bytes];
  std::uint16_t speaker;
};

// Row `row` of story event `event`; rows outside the tables or past an event's last row read as the empty row
// (no text, no portraits, no speaker).
const DialogueRow& dialogue_row(int event, int row);
// Number of rows event `event` holds (0 outside 0..100).
int dialogue_row_count(int event);
// page_end_table[event * 10 + page]: the row count at which that page ends; 0 past an event's last page.
extern const std::array<std::uint32_t, dialogue_event_count * dialogue_pages_per_event> page_end_table;
