#include "game/flow/main_loop.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "engine/core/public_api.h"
#include "game/flow/atomic_file.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

int frame_start_ms;
std::uint16_t flash_request;

namespace {

constexpr const char* window_title = "Selvarinthaxis  ver 1.0.1";
constexpr int icon_resource = 101;
constexpr int key_escape = 1;
constexpr int frame_ms = 17;

void (*frame_start_hook)() = nullptr;

// The resources-missing screen also says so on stderr, once, with the folder the game looked in.
void report_missing_resources() {
  static bool reported = false;
  if (reported || game_mode != mode_resources_missing) return;
  reported = true;
  char folder[4096];
  if (getcwd(folder, sizeof folder) == nullptr) std::strcpy(folder, ".");
  std::fprintf(stderr, "selvarinthaxis: game data missing or damaged in %s (it needs gsx/, ssez/ and bgm/ there)\n",
               folder);
}

void start_up_before_engine() {
  ChangeWindowMode(1);
  SetWindowTitle(window_title);
  SetLogFileOutput(0);
  SetWindowIconResource(icon_resource);
  ChangeDefaultFontThickness(2);
}

void choose_screen_mode() {
  if (window_flag == 1) {
    ChangeWindowMode(1);
    SetWindowTitle(window_title);
    SetLogFileOutput(0);
    SetWindowIconResource(icon_resource);
  } else {
    SelectScreenMode(640, 480, 32, 60);
    ChangeWindowMode(0);
    SetWindowTitle(window_title);
    SetLogFileOutput(0);
  }
}

// One pass of the frame loop; false when the loop is to end.
bool run_frame() {
  if (frame_start_hook != nullptr) frame_start_hook();
  if (IsKeyDown(key_escape) || quit_requested) return false;
  ClearCurrentDrawScreen();
  frame_start_ms = GetMillisecondCount(0);
  const int pad = GetPadInputBits(0x1001);
  map_buttons(pad);
  run_game_mode(pad);
  report_missing_resources();
  draw_flash();
  flash_request = 0;
  PresentBackScreen();
  // Unsigned: the millisecond clock wraps at 2^32, so a signed difference would overflow after 24.8 days of uptime.
  // The thread sleeps until the count is due instead of spinning on it.
  const int frame_end_ms = static_cast<int>(static_cast<unsigned>(frame_start_ms) + static_cast<unsigned>(frame_ms));
  while (static_cast<unsigned>(GetMillisecondCount(0)) - static_cast<unsigned>(frame_start_ms) <
         static_cast<unsigned>(frame_ms)) {
    SleepUntilMillisecondCount(frame_end_ms);
  }
  return ProcessMessage() == 0;
}

}  // namespace

void set_frame_start_hook(void (*hook)()) { frame_start_hook = hook; }

void draw_flash() {
  int r = 255, g = 255, b = 255, alpha = 128;
  switch (flash_request) {
    case 1:
      if (hero == 0) r = g = b = 0;
      break;
    case 2:
      break;
    case 3:
      alpha = scene_state.step_frames;
      break;
    case 4:
      b = 0;
      break;
    default:
      return;
  }
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(r, g, b), 1);
  SetBlendMode(0, 255);
}

int game_main() {
  screen_phase = 0;
  assets_ok = 1;
  start_up_before_engine();
  if (StartEngine() == -1) return -1;
  prepare_game_files();
  SetUseArchiveFiles(1);
  SetArchiveExtension("sss");
  for (int i = 0; i <= 8; ++i) button_map[i] = i;
  action_flags_lead = 0;
  for (std::uint8_t& flag : action_flags) flag = 0;

  read_settings();
  choose_screen_mode();
  if (texture_graphics_flag == 0) {
    SetUseTextureGraphics(0);
    SetUseVideoMemoryFlag(0);
  }
  SetUseArchiveFiles(1);
  SetArchiveExtension("PAC");
  SetArchiveKeyString("3842");
  save_settings();
  load_common_images();
  SelectDrawTarget(-2);
  game_mode = mode_first_frame;
  stage_phase = 1;
  ChangeDefaultFontSize(12);
  ChangeDefaultFontThickness(2);

  if (ProcessMessage() == 0) {
    while (run_frame()) {
    }
  }
  EndEngine();
  return 0;
}
