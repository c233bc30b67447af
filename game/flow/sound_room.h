// The sound room (game mode 93): the game's 27 music tracks in two columns, the second unlocked by clearing the
// second scenario; plays the chosen track, shows its title and comment lines, and fades back to the title.
#pragma once

inline constexpr int sound_room_track_count = 27;
inline constexpr int sound_room_table_rows = 29;  // the tracks, one empty row, the back entry

// Title and three comment lines (CP932; an empty line is an empty string).
struct SoundRoomText {
  const char* title;
  const char* lines[3];
};
extern const SoundRoomText sound_room_texts[sound_room_table_rows];
extern const char* const sound_room_files[sound_room_track_count];

extern int leave_fade;  // 0 staying; from 1 on, the alpha of the fade back to the title

// The table row shown at a place of the list: column 0 row r is row r, column 1 row r is row r + 14.
int sound_room_table_row(int column, int row);

void sound_room_screen(int pad);
