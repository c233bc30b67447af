// The sound options (mode 90), the button assignment (mode 91) and the input test (mode 92), driven frame by frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "game/flow/logo_screen.h"
#include "tests/game_options/options_fixture.h"

namespace {

using game_test::Button;
using game_test::Frame;
using game_test::GameOptions;
using game_test::HandleAttenuation;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::Press;
using game_test::ReadBytes;
using game_test::WriteBytes;
using Bytes = std::vector<unsigned char>;

class SoundOptions : public GameOptions {
 protected:
  void SetUp() override {
    GameOptions::SetUp();
    game_mode = mode_sound_options;
  }
};

TEST_F(SoundOptions, CursorSkipsTheInputTestRowAndWraps) {
  struct Case {
    int from, pad, to;
  };
  const Case cases[] = {{0, kPadUp, 4},   {4, kPadUp, 2},   {2, kPadUp, 1},   {1, kPadUp, 0},
                        {0, kPadDown, 1}, {1, kPadDown, 2}, {2, kPadDown, 4}, {4, kPadDown, 0}};
  for (const Case& c : cases) {
    menu_counter_b = c.from;
    key_latch = 0;
    Frame(c.pad);
    EXPECT_EQ(menu_counter_b, c.to) << "from " << c.from << " pad " << c.pad;
    EXPECT_EQ(game_mode, mode_sound_options);
  }
}

TEST_F(SoundOptions, AHeldKeyActsOncePerPress) {
  for (int i = 0; i < 5; ++i) Frame(kPadDown);
  EXPECT_EQ(menu_counter_b, 1);
  Frame(0);
  EXPECT_EQ(key_latch, 0);
  Frame(kPadDown);
  EXPECT_EQ(menu_counter_b, 2);
  // A volume held on its row steps once.
  menu_counter_b = 0;
  bgm_volume = 50;
  Frame(0);
  for (int i = 0; i < 4; ++i) Frame(kPadRight);
  EXPECT_EQ(bgm_volume, 60);
}

TEST_F(SoundOptions, VolumesStepByTenAndWrap) {
  struct Case {
    int row, from, pad, to;
  };
  const Case cases[] = {{0, 90, kPadRight, 100}, {0, 100, kPadRight, 0}, {0, 0, kPadLeft, 100},
                        {0, 50, kPadLeft, 40},   {1, 0, kPadRight, 10},  {1, 100, kPadRight, 0},
                        {1, 0, kPadLeft, 100},   {1, 10, kPadLeft, 0}};
  for (const Case& c : cases) {
    bgm_volume = se_volume = 70;
    (c.row == 0 ? bgm_volume : se_volume) = c.from;
    menu_counter_b = c.row;
    key_latch = 0;
    Frame(c.pad);
    EXPECT_EQ(c.row == 0 ? bgm_volume : se_volume, c.to) << "row " << c.row << " from " << c.from;
    EXPECT_EQ(c.row == 0 ? se_volume : bgm_volume, 70) << "the other volume stays";
  }
}

TEST_F(SoundOptions, SidewaysOnOtherRowsChangesNothing) {
  for (int row : {2, 4}) {
    menu_counter_b = row;
    key_latch = 0;
    Frame(kPadRight);
    key_latch = 0;
    Frame(kPadLeft);
    EXPECT_EQ(menu_counter_b, row);
    EXPECT_EQ(bgm_volume, 100);
    EXPECT_EQ(se_volume, 100);
  }
}

TEST(EngineVolume, TheSettingMapsOntoTheEngineScale) {
  const int cases[][2] = {{0, 0}, {10, 25}, {50, 127}, {90, 229}, {100, 255}, {-5, 0}, {120, 255}};
  for (const auto& c : cases) EXPECT_EQ(engine_volume(c[0]), c[1]) << c[0];
}

TEST_F(SoundOptions, MusicVolumeChangeReachesThePlayingMusicOnTheEngineScale) {
  WriteBytes("bgm/sys.mp3", game_test::TinyWav());
  ASSERT_EQ(PlayMusicFile("bgm/sys.mp3", 3), 0);
  ASSERT_NE(g_Music.current, 0);
  struct Case {
    int from, pad, to;
  };
  for (const Case& c : {Case{50, kPadLeft, 40}, Case{90, kPadRight, 100}, Case{0, kPadLeft, 100},
                        Case{100, kPadRight, 0}}) {
    bgm_volume = c.from;
    key_latch = 0;
    Frame(c.pad);
    EXPECT_EQ(HandleAttenuation(g_Music.current), SoundVolumeToAttenuation(engine_volume(c.to))) << c.from;
  }
}

TEST_F(SoundOptions, EffectVolumeChangeReachesEveryLoadedSound) {
  LoadEffects({se_cursor, se_decide, 10, 160});
  menu_counter_b = 1;
  se_volume = 60;
  Frame(kPadLeft);
  ASSERT_EQ(se_volume, 50);
  for (int slot : {int{se_cursor}, int{se_decide}, 10, 160}) {
    EXPECT_EQ(HandleAttenuation(sound_table[slot]), SoundVolumeToAttenuation(engine_volume(50))) << slot;
  }
}

TEST_F(SoundOptions, BackRowSavesTheSettingsFileAndReturnsToTheTitle) {
  LoadEffects({se_cursor, se_decide, 168});
  WriteBytes("gsx/system/sys.png", game_test::kTinyPng);
  screen_pic_a = LoadGraphicFile("gsx/system/sys.png");
  const int order[9] = {0, 2, 1, 3, 4, 5, 6, 8, 7};
  std::copy(order, order + 9, button_map);
  settings_record[0] = 0x5A;
  settings_record[99] = 0xC3;
  Press(kPadDown);                     // music -> effects
  Press(kPadLeft);                     // effects 90
  Press(kPadLeft);                     // effects 80
  Press(kPadUp);                       // music
  Press(kPadLeft);                     // music 90
  Press(kPadUp);                       // back
  ASSERT_EQ(menu_counter_b, 4);
  EXPECT_FALSE(std::filesystem::exists("setting.dat"));
  Frame(Button(2));  // MAIN is on button 2 in this map

  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(menu_counter_b, 0);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(screen_pic_a, -1) << "the options' pictures are freed";
  Bytes expected(100, 0);
  expected[0] = 0x5A;
  expected[99] = 0xC3;
  for (int b = 1; b <= 8; ++b) expected[b] = static_cast<unsigned char>(order[b]);
  expected[13] = 90;
  expected[14] = 80;
  expected[15] = 1;
  EXPECT_EQ(ReadBytes("setting.dat"), expected);
  EXPECT_EQ(HandleAttenuation(sound_table[168]), SoundVolumeToAttenuation(engine_volume(80)));
}

TEST_F(SoundOptions, JumpLeavesWithoutWritingButKeepsTheVolumes) {
  const Bytes old(100, 7);
  WriteBytes("setting.dat", old);
  Press(kPadRight);
  Frame(Button(2));
  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(menu_counter_b, 0);
  EXPECT_EQ(bgm_volume, 0);
  EXPECT_EQ(ReadBytes("setting.dat"), old);
}

TEST_F(SoundOptions, MainOnlyActsOnTheButtonAndBackRows) {
  for (int row : {0, 1}) {
    menu_counter_b = row;
    Frame(Button(1));
    EXPECT_EQ(game_mode, mode_sound_options);
    EXPECT_EQ(key_latch, 1) << "MAIN sets the latch";
  }
  WriteBytes("gsx/system/key.png", game_test::kTinyPng);
  WriteBytes("gsx/system/key2.png", game_test::kTinyPng);
  menu_counter_b = 2;
  fade_counter = 17;
  screen_phase = 1;
  Frame(Button(1));
  EXPECT_EQ(game_mode, mode_button_assignment);
  EXPECT_EQ(menu_counter_b, 0);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(fade_counter, 0);
  EXPECT_NE(screen_pic_b, -1);
  EXPECT_NE(screen_pic_c, -1);
  EXPECT_FALSE(std::filesystem::exists("setting.dat"));
}

class ButtonConfig : public GameOptions {
 protected:
  void SetUp() override {
    GameOptions::SetUp();
    game_mode = mode_button_assignment;
  }
  static bool IsPermutation(const int* map) {
    std::vector<int> v(map + 1, map + 9);
    std::sort(v.begin(), v.end());
    for (int i = 0; i < 8; ++i) {
      if (v[static_cast<std::size_t>(i)] != i + 1) return false;
    }
    return true;
  }
};

TEST_F(ButtonConfig, FirstFrameStartsFromTheSavedMap) {
  const int order[9] = {0, 8, 7, 6, 5, 4, 3, 2, 1};
  std::copy(order, order + 9, button_map);
  std::fill(button_map_edit, button_map_edit + 9, 1);
  Frame(0);
  EXPECT_EQ(screen_phase, 1);
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(button_map_edit[b], order[b]) << b;
}

TEST_F(ButtonConfig, CursorSkipsRowEightAndWraps) {
  struct Case {
    int from, pad, to;
  };
  const Case cases[] = {{0, kPadUp, 9},   {9, kPadUp, 7},   {7, kPadUp, 6},   {3, kPadUp, 2},
                        {9, kPadDown, 0}, {7, kPadDown, 9}, {0, kPadDown, 1}, {6, kPadDown, 7}};
  Frame(0);
  for (const Case& c : cases) {
    menu_counter_b = c.from;
    key_latch = 0;
    Frame(c.pad);
    EXPECT_EQ(menu_counter_b, c.to) << "from " << c.from << " pad " << c.pad;
  }
}

TEST_F(ButtonConfig, PressingAButtonOnARowSwapsItsActionWithTheButtonThatHeldIt) {
  Frame(0);
  Press(kPadDown);  // the JUMP row
  Frame(Button(3));
  EXPECT_EQ(button_map_edit[3], action_jump);
  EXPECT_EQ(button_map_edit[2], action_dash) << "button 2 gets what button 3 had";
  EXPECT_EQ(button_map[3], 3) << "the saved map is untouched until saving";
  // Held, the button acts once; a second button while the first is held does nothing either.
  Frame(0);
  Press(kPadDown);  // the DASH row
  Frame(Button(4));
  Frame(Button(4) | Button(5));
  EXPECT_EQ(button_map_edit[4], action_dash);
  EXPECT_EQ(button_map_edit[2], action_skill);
  EXPECT_EQ(button_map_edit[5], 5);
}

TEST_F(ButtonConfig, MainButtonOnAnActionRowIsAssignedLikeAnyOther) {
  Frame(0);
  menu_counter_b = 4;  // MAIN_CHANGE
  Frame(Button(1));
  EXPECT_EQ(button_map_edit[1], action_main_change);
  EXPECT_EQ(button_map_edit[5], action_main);
  EXPECT_EQ(game_mode, mode_button_assignment);
}

TEST_F(ButtonConfig, AnySequenceOfAssignmentsKeepsTheMapAPermutation) {
  std::mt19937 random(7);
  Frame(0);
  for (int i = 0; i < 300; ++i) {
    menu_counter_b = static_cast<int>(random() % 8);
    Press(Button(static_cast<int>(random() % 8) + 1));
    ASSERT_TRUE(IsPermutation(button_map_edit)) << "after step " << i;
  }
}

TEST_F(ButtonConfig, SaveRowWritesTheNewMapAndReturnsToTheSoundOptions) {
  WriteBytes("gsx/system/op.png", game_test::kTinyPng);
  WriteBytes("gsx/system/op2.png", game_test::kTinyPng);
  bgm_volume = 30;
  se_volume = 40;
  Frame(0);
  Press(kPadDown);
  Press(Button(3));  // JUMP onto button 3
  menu_counter_b = 0;
  Press(Button(2));  // MAIN onto button 2 (which now holds DASH)
  ASSERT_EQ(button_map_edit[2], action_main);
  menu_counter_b = 9;
  Frame(Button(2));  // MAIN by the saved map is still button 1: nothing happens
  EXPECT_EQ(game_mode, mode_button_assignment);
  Frame(0);
  Frame(Button(1));
  EXPECT_EQ(game_mode, mode_sound_options);
  EXPECT_EQ(menu_counter_b, 0);
  const int expected_map[9] = {0, 3, 1, 2, 4, 5, 6, 7, 8};
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(button_map[b], expected_map[b]) << b;
  EXPECT_NE(screen_pic_b, -1);
  EXPECT_NE(screen_pic_c, -1);
  Bytes expected(100, 0);
  for (int b = 1; b <= 8; ++b) expected[b] = static_cast<unsigned char>(expected_map[b]);
  expected[13] = 30;
  expected[14] = 40;
  expected[15] = 1;
  EXPECT_EQ(ReadBytes("setting.dat"), expected);

  // Back at the sound options with MAIN still held: nothing more happens until it is released.
  Frame(Button(1));
  EXPECT_EQ(game_mode, mode_sound_options);
}

TEST_F(ButtonConfig, OtherButtonsOnTheSaveRowDoNothing) {
  Frame(0);
  menu_counter_b = 9;
  for (int b = 2; b <= 8; ++b) Press(Button(b));
  EXPECT_TRUE(IsPermutation(button_map_edit));
  for (int b = 1; b <= 8; ++b) EXPECT_EQ(button_map_edit[b], b);
  EXPECT_EQ(game_mode, mode_button_assignment);
  EXPECT_FALSE(std::filesystem::exists("setting.dat"));
}

TEST_F(GameOptions, InputTestNamesHeldActionsAndStaysInItsMode) {
  game_mode = mode_input_test;
  auto lit_pixels = [] {
    int lit = 0;
    for (int y = 45; y < 75; ++y) {
      for (int x = 45; x < 200; ++x) lit += Pixel(x, y) != 0 ? 1 : 0;
    }
    return lit;
  };
  ClearBack();
  Frame(0);
  EXPECT_EQ(lit_pixels(), 0);
  ClearBack();
  Frame(Button(3));
  EXPECT_GT(lit_pixels(), 0);
  EXPECT_EQ(action_flags[action_dash - 1], 1);
  EXPECT_EQ(game_mode, mode_input_test);
}

}  // namespace

TEST_F(SoundOptions, MusicStartedByTheGameUsesTheSameVolumeMapping) {
  WriteBytes("bgm/title.mp3", game_test::TinyWav());
  bgm_volume = 60;
  play_bgm("bgm/title.mp3", 3);
  ASSERT_NE(g_Music.current, 0);
  EXPECT_EQ(HandleAttenuation(g_Music.current), SoundVolumeToAttenuation(engine_volume(60)));
}

TEST_F(GameOptions, TheWhiteColourIsStoredBeforeMainAndFollowsTheScreenFormat) {
  EXPECT_NE(white_colour, 0) << "stored before main";
  white_colour = 0;
  run_colour_initializer();
  EXPECT_EQ(white_colour, MakeColorValue(255, 255, 255));
}
