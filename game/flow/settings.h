// The settings file "setting.dat" (100 bytes, read and written whole) and the action mapping: the pad-button map,
// the volumes, window or full screen, the graphics option and the scenario progress marker.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int settings_record_size = 100;
inline constexpr const char* settings_file_name = "setting.dat";

// Action numbers 1..8; action_flags[n - 1] is action n.
enum ActionNumber : int {
  action_main = 1,
  action_jump = 2,
  action_dash = 3,
  action_skill = 4,
  action_main_change = 5,
  action_pause = 6,
  action_q_r = 7,
  action_q_l = 8,
};

extern std::uint8_t settings_record[settings_record_size];  // the record as last read or written
extern int button_map[9];       // index 0 always 0; button_map[b] = action of pad button b (1..8)
extern int button_map_edit[9];  // working copy of the button assignment screen
extern int bgm_volume;          // 0..100
extern int se_volume;           // 0..100
extern std::uint8_t window_flag;            // 1 window, 0 full screen
extern std::uint8_t texture_graphics_flag;  // 1 texture graphics (the file stores the inverse)
extern std::uint8_t clear_level;            // 0..2, scenarios cleared
// Eight action bytes MAIN..Q_L, 1 while held this frame, behind an unused byte cleared at start-up.
extern std::uint8_t action_flags_lead;
extern std::uint8_t action_flags[8];

inline bool action_held(int action) { return action_flags[action - 1] != 0; }

// Outcome of taking a record into the globals.
enum class SettingsCheck { valid, invalid };

// Takes `length` bytes of a file into settings_record and the globals (bytes beyond `length` read as 0) and checks
// the record; an invalid one (short, a button map that is not a permutation of 1..8, a window byte other than 0 or
// 1) still gives its volumes and clear level. No engine call.
SettingsCheck take_settings_record(const std::uint8_t* bytes, std::size_t length);
// Repairs an invalid record and the globals: default button map, graphics option, window mode and full volumes,
// marker cleared (the clear level read is kept). No engine call.
void repair_settings_record();
// Clear level from the four marker bytes: a sum of 20 is level 1, 30 level 2, anything else 0.
int clear_level_from_marker(const std::uint8_t* marker);

// Start-up step: reads and checks "setting.dat", sets the defaults and creates it when missing (sets the defaults and
// keeps the file, saying so in the log, when it is there but cannot be read), repairs and
// rewrites it and shows the notice (until A, B, C or X is held, or a quit) when it is invalid.
void read_settings();
// Builds the record from the globals, writes "setting.dat" whole, then waits 500 ms pumping messages.
void save_settings();
// Rewrites action_flags from the pad word through button_map.
void map_buttons(int pad);
// The button assignment's edit: gives pad button b (1..8) the action of the highlighted row (menu_counter_b + 1),
// swapping with the button that held it so the map stays a permutation.
void assign_button(int button);
