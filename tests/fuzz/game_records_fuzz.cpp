// The settings record and the save record from arbitrary file contents (any length): the first byte picks which. A
// repaired settings record must read back as valid; a save record rebuilt from what was taken must read back the same
// way it was taken.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/flow/save_file.h"
#include "game/flow/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t* bytes = data + 1;
  const std::size_t length = size - 1;
  if ((data[0] & 1) == 0) {
    if (take_settings_record(bytes, length) == SettingsCheck::invalid) {
      repair_settings_record();
      std::uint8_t repaired[settings_record_size];
      for (int i = 0; i < settings_record_size; ++i) repaired[i] = settings_record[i];
      if (take_settings_record(repaired, sizeof repaired) != SettingsCheck::valid) std::abort();
    }
    if (bgm_volume < 0 || bgm_volume > 100 || se_volume < 0 || se_volume > 100 || clear_level > 2) std::abort();
    return 0;
  }
  take_save_record(bytes, length);
  const int date[5] = {2026, 12, 10, 18, 0};
  build_save_record(date);
  std::uint8_t built[save_record_size];
  for (int i = 0; i < save_record_size; ++i) built[i] = save_record[i];
  take_save_record(built, sizeof built);
  build_save_record(date);
  for (int i = 0; i < save_record_size; ++i)
    if (save_record[i] != built[i]) std::abort();  // taking and building again changes nothing
  return 0;
}
