#include "game/stage/level_data.h"

const LevelDataSet* find_level_data(int stage, int area) {
  // Stage 8 plays the data set of stage 7.
  const int data_stage = stage == 8 ? 7 : stage;
  for (int i = 0; i < level_data_set_count; ++i) {
    const LevelDataSet& set = level_data_sets[i];
    if (set.stage == data_stage && set.area == area) return &set;
  }
  return nullptr;
}
