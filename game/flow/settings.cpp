#include "game/flow/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/public_api.h"
#include "game/flow/atomic_file.h"
#include "game/flow/game_modes.h"

std::uint8_t settings_record[settings_record_size];
int button_map[9];
int button_map_edit[9];
int bgm_volume;
int se_volume;
std::uint8_t window_flag;
std::uint8_t texture_graphics_flag;
std::uint8_t clear_level;
std::uint8_t action_flags_lead;
std::uint8_t action_flags[8];

namespace {

constexpr int kMarker = 9;  // bytes 9..12
constexpr int kBgmVolume = 13;
constexpr int kSeVolume = 14;
constexpr int kWindow = 15;
constexpr int kGraphics = 16;

// DirectInput key codes of the keys that close the settings notice.
constexpr int kKeyA = 30;
constexpr int kKeyB = 48;
constexpr int kKeyC = 46;
constexpr int kKeyX = 45;

void write_marker() {
  std::uint8_t* m = settings_record + kMarker;
  if (clear_level == 1) {
    m[0] = static_cast<std::uint8_t>(GetRandomUpTo(6));
    m[1] = static_cast<std::uint8_t>(GetRandomUpTo(5));
    m[2] = static_cast<std::uint8_t>(GetRandomUpTo(5));
    m[3] = static_cast<std::uint8_t>(20 - m[0] - m[1] - m[2]);
  } else if (clear_level == 2) {
    m[0] = static_cast<std::uint8_t>(GetRandomUpTo(8));
    m[1] = static_cast<std::uint8_t>(GetRandomUpTo(8));
    m[2] = static_cast<std::uint8_t>(GetRandomUpTo(8));
    m[3] = static_cast<std::uint8_t>(30 - m[0] - m[1] - m[2]);
  } else {
    std::memset(m, 0, 4);
  }
}

// Reads the file's record into bytes when it holds exactly one whole record (*whole tells which).
FileRead read_settings_file(const std::string& path, std::uint8_t* bytes, bool* whole) {
  std::uint8_t file[settings_record_size + 1];
  std::size_t length = 0;
  const FileRead result = read_file_start(path.c_str(), file, sizeof file, &length);
  *whole = result == FileRead::read && length == static_cast<std::size_t>(settings_record_size);
  if (*whole) std::memcpy(bytes, file, settings_record_size);
  return result;
}

// Two records that differ at most in their marker bytes, and those give the same clear level (they are drawn afresh
// for every write).
bool same_settings(const std::uint8_t* a, const std::uint8_t* b) {
  return clear_level_from_marker(a + kMarker) == clear_level_from_marker(b + kMarker) &&
         std::memcmp(a, b, kMarker) == 0 &&
         std::memcmp(a + kMarker + 4, b + kMarker + 4, settings_record_size - kMarker - 4) == 0;
}

// Writes the record whole, replacing the file in one step, unless the file already holds it: an unchanged record is
// not written again (the buffer takes the file's marker bytes), so the file is not put at stake at every start. A
// file that is there but cannot be read is kept (it may hold the player's settings), and a file that cannot be
// written leaves the game running on its globals; both are said in the log.
void write_settings_file() {
  const std::string path = game_file_path(settings_file_name);
  std::uint8_t on_disk[settings_record_size];
  bool whole = false;
  if (read_settings_file(path, on_disk, &whole) == FileRead::unreadable) {
    report_file_problem("cannot read (kept as it is, settings not saved)", path.c_str(), errno);
    return;
  }
  if (whole && same_settings(on_disk, settings_record)) {
    std::memcpy(settings_record + kMarker, on_disk + kMarker, 4);
    return;
  }
  if (!write_file_atomically(path.c_str(), settings_record, settings_record_size)) {
    report_file_problem("could not save settings to", path.c_str(), errno);
  }
}

void show_settings_notice() {
  ChangeDefaultFontSize(12);
  ChangeDefaultFontThickness(2);
  const int red = MakeColorValue(255, 0, 0);
  // Text on the engine's default target does not reach the window by itself here: each pass draws the two lines on
  // the back screen and presents it, so the notice is seen while it waits.
  SelectDrawTarget(-2);
  while (ProcessMessage() == 0) {
    if (IsKeyDown(kKeyA) || IsKeyDown(kKeyB) || IsKeyDown(kKeyC) || IsKeyDown(kKeyX)) break;
    ClearCurrentDrawScreen();
    DrawTextFormatted(50, 50, red, "%s", "環境設定データが破損しています。");
    DrawTextFormatted(50, 80, red, "%s", "デフォルトの状態にセットしました。");
    PresentBackScreen();
  }
}

}  // namespace

int clear_level_from_marker(const std::uint8_t* marker) {
  const int sum = marker[0] + marker[1] + marker[2] + marker[3];
  if (sum == 20) return 1;
  if (sum == 30) return 2;
  return 0;
}

SettingsCheck take_settings_record(const std::uint8_t* bytes, std::size_t length) {
  if (length > settings_record_size) length = settings_record_size;
  std::memset(settings_record, 0, sizeof settings_record);
  if (length > 0) std::memcpy(settings_record, bytes, length);

  button_map[0] = 0;
  for (int b = 1; b <= 8; ++b) button_map[b] = settings_record[b];
  clear_level = static_cast<std::uint8_t>(clear_level_from_marker(settings_record + kMarker));
  bgm_volume = settings_record[kBgmVolume] > 100 ? 100 : settings_record[kBgmVolume];
  se_volume = settings_record[kSeVolume] > 100 ? 100 : settings_record[kSeVolume];

  bool invalid = length < static_cast<std::size_t>(settings_record_size);
  bool seen[9] = {};
  for (int b = 0; b <= 8; ++b) {
    const int a = button_map[b];
    if (a >= 9 || seen[a]) {
      invalid = true;
      continue;
    }
    seen[a] = true;
  }
  if (settings_record[kWindow] <= 1) {
    window_flag = settings_record[kWindow];
  } else {
    // A damaged window byte gives the window, as the repaired record says.
    window_flag = 1;
    invalid = true;
  }
  texture_graphics_flag = settings_record[kGraphics] == 0 ? 1 : 0;
  return invalid ? SettingsCheck::invalid : SettingsCheck::valid;
}

void repair_settings_record() {
  for (int b = 1; b <= 8; ++b) {
    button_map[b] = b;
    settings_record[b] = static_cast<std::uint8_t>(b);
  }
  std::memset(settings_record + kMarker, 0, 4);
  // A damaged record's volumes and window byte are not trusted: the game goes on windowed at full volume, as after a
  // missing file, and the record says the same. The clear level read from the marker is kept.
  settings_record[kBgmVolume] = settings_record[kSeVolume] = 100;
  settings_record[kWindow] = 1;
  bgm_volume = se_volume = 100;
  window_flag = 1;
  texture_graphics_flag = 1;
}

void read_settings() {
  const std::string path = game_file_path(settings_file_name);
  std::uint8_t bytes[settings_record_size] = {};
  std::size_t length = 0;
  const FileRead result = read_file_start(path.c_str(), bytes, sizeof bytes, &length);
  if (result != FileRead::read) {
    // An unreadable file is said (by the write, which keeps it); the game runs on the defaults.
    for (int b = 1; b <= 8; ++b) button_map[b] = b;
    clear_level = 0;
    bgm_volume = 100;
    se_volume = 100;
    window_flag = 1;
    texture_graphics_flag = 1;
    save_settings();
    return;
  }
  if (take_settings_record(bytes, length) == SettingsCheck::valid) return;

  repair_settings_record();
  write_settings_file();
  show_settings_notice();
}

void save_settings() {
  for (int b = 1; b <= 8; ++b) settings_record[b] = static_cast<std::uint8_t>(button_map[b]);
  write_marker();
  settings_record[kBgmVolume] = static_cast<std::uint8_t>(bgm_volume);
  settings_record[kSeVolume] = static_cast<std::uint8_t>(se_volume);
  settings_record[kWindow] = window_flag != 0 ? 1 : 0;
  settings_record[kGraphics] = texture_graphics_flag == 0 ? 1 : 0;
  write_settings_file();
  WaitPumpingMessagesEntry(500);
}

void map_buttons(int pad) {
  std::memset(action_flags, 0, sizeof action_flags);
  for (int b = 1; b <= 8; ++b) {
    if ((pad & (0x10 << (b - 1))) == 0) continue;
    const int a = button_map[b];
    if (a >= 1 && a <= 8) action_flags[a - 1] = 1;
  }
}

void assign_button(int button) {
  if (button < 1 || button > 8) return;
  const int a = menu_counter_b + 1;
  for (int k = 1; k <= 8; ++k) {
    if (button_map_edit[k] == a) {
      button_map_edit[k] = button_map_edit[button];
      button_map_edit[button] = a;
      return;
    }
  }
  button_map_edit[button] = a;
}
