// A started headless engine in a fresh temporary working directory, with the game's flow globals set back to their
// start values, and helpers to write small resource files.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"

namespace game_test {

// A 1 x 1 PNG (one opaque red pixel).
inline const std::vector<unsigned char> kTinyPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00,
    0x0C, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xC9,
    0xFE, 0x92, 0xEF, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 16-bit mono PCM WAV of 64 silent samples at 22050 Hz.
inline std::vector<unsigned char> TinyWav() {
  constexpr unsigned kDataBytes = 128;
  std::vector<unsigned char> w(44 + kDataBytes, 0);
  auto put = [&w](std::size_t at, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) w[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  auto tag = [&w](std::size_t at, const char* t) {
    for (int i = 0; i < 4; ++i) w[at + i] = static_cast<unsigned char>(t[i]);
  };
  tag(0, "RIFF");
  put(4, 36 + kDataBytes, 4);
  tag(8, "WAVE");
  tag(12, "fmt ");
  put(16, 16, 4);
  put(20, 1, 2);      // PCM
  put(22, 1, 2);      // mono
  put(24, 22050, 4);  // samples per second
  put(28, 44100, 4);  // bytes per second
  put(32, 2, 2);      // block size
  put(34, 16, 2);     // bits per sample
  tag(36, "data");
  put(40, kDataBytes, 4);
  return w;
}

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class GameFlow : public engine_test::HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    ASSERT_EQ(StartEngine(), 0);
    game_mode = 0;
    screen_phase = 0;
    key_latch = 0;
    frame_counter = fade_counter = 0;
    menu_counter_a = menu_counter_b = menu_counter_c = 0;
    title_cursor = title_fade = exit_fade = 0;
    quit_requested = false;
    clear_level = 0;
    assets_ok = 1;
    bgm_volume = se_volume = 100;
    for (int b = 0; b <= 8; ++b) button_map[b] = b;
    for (auto& flag : action_flags) flag = 0;
    clear_resource_handles();
  }
  void TearDown() override {
    HoldKeys({});  // keys held by a test would otherwise still be down in the next one
    platform::headless::ClearInputScript();
    HeadlessEngine::TearDown();
  }

  // Holds the given keys from now on (until the next call).
  static void HoldKeys(std::vector<int> keys) {
    platform::headless::SetInputScript({{std::move(keys), {}}});
    platform::headless::StepInputScript();
  }
};

}  // namespace game_test
