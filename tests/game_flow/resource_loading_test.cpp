// Resource loading: the key resources decide between the logo and the resources-missing screen; every other
// missing file only leaves -1 in its slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "engine/graphics/graph_handle.h"
#include "game/flow/game_parts.h"
#include "tests/game_flow/game_fixture.h"

namespace {

using game_test::GameFlow;

const char* const kKeyImages[] = {"gsx/cr/zami.png", "gsx/fld/s_08.png", "gsx/smg/00.png"};
const char* const kKeySound = "ssez/my/shot.wav";

void WriteKeyResources() {
  for (const char* p : kKeyImages) game_test::WriteBytes(p, game_test::kTinyPng);
  game_test::WriteBytes(kKeySound, game_test::TinyWav());
}

// Start-up's loading and the first two frames, as the entry code and the mode machine run them.
int StartUpMode() {
  assets_ok = 1;
  load_common_images();
  game_mode = mode_first_frame;
  run_game_mode(0);
  if (game_mode == mode_sound_loading) run_game_mode(0);
  return game_mode;
}

TEST_F(GameFlow, KeyResourcesPresentLeadToTheLogo) {
  WriteKeyResources();
  game_test::WriteBytes("gsx/system/staff.png", game_test::kTinyPng);
  EXPECT_EQ(StartUpMode(), mode_logo);
  EXPECT_NE(portrait_sheets[0], -1);
  EXPECT_NE(sound_table[se_main_shot], -1);
  EXPECT_NE(logo_pic, -1);
  EXPECT_EQ(portrait_sheets[1], -1) << "a missing ordinary file leaves -1";
  EXPECT_EQ(sound_table[se_cursor], -1);
  int filled = 0;
  for (int h : sound_table) filled += h != -1;
  EXPECT_EQ(filled, 1);
}

TEST_F(GameFlow, AnyMissingKeyResourceLeadsToTheResourcesMissingScreen) {
  for (const char* missing : {kKeyImages[0], kKeyImages[1], kKeyImages[2], kKeySound}) {
    SCOPED_TRACE(missing);
    WriteKeyResources();
    std::filesystem::remove(missing);
    clear_resource_handles();
    EXPECT_EQ(StartUpMode(), mode_resources_missing);
    run_game_mode(0);
    EXPECT_EQ(game_mode, mode_resources_missing) << "only Escape leaves it";
  }
}

TEST_F(GameFlow, AllSoundsLoadIntoTheirSlots) {
  // Every sound file the loader asks for, but one.
  const std::vector<unsigned char> wav = game_test::TinyWav();
  for (const char* folder : {"ssez/my", "ssez/my/k", "ssez/si", "ssez/etc", "ssez/mb", "ssez/system"})
    std::filesystem::create_directories(folder);
  for (const char* n : {"shot", "shot_r", "lshot", "bolt", "bomb", "dart", "step01", "jump1", "col2", "dash",
                        "Charge2", "change", "cri1", "wi", "swing24_b"})
    game_test::WriteBytes(std::string("ssez/my/") + n + ".wav", wav);
  for (const char* n : {"chm", "oni2", "sn2", "z1", "z2", "z3", "za", "zc", "zc0", "k1", "k2"})
    game_test::WriteBytes(std::string("ssez/my/k/") + n + ".wav", wav);
  for (const char* n : {"heal", "buff", "cast", "cast_end", "aura", "charge3", "ring7", "summon"})
    game_test::WriteBytes(std::string("ssez/si/") + n + ".wav", wav);
  for (const char* n : {"tog", "box1", "ht1", "door1", "fail_f1", "wa1", "w_in", "w_out", "dmg", "dmu", "dmb",
                        "mch", "mch2"})
    game_test::WriteBytes(std::string("ssez/etc/") + n + ".wav", wav);
  for (const char* n : {"mace_hit_01", "u1", "u2", "um", "dp1", "dp2", "ar", "ardm", "bk", "bl", "bn", "ca",
                        "ep1", "gx", "ir", "jt", "km", "lov", "nf", "rjump", "rt", "sab1", "sab2", "spd", "th",
                        "e01", "e02", "e03", "e04", "e05", "e06", "e07", "e08", "e09", "e10", "e11", "e12"})
    game_test::WriteBytes(std::string("ssez/mb/") + n + ".wav", wav);
  for (const char* n : {"sys_01", "on_01", "cursor31", "cursor33", "cursor7", "iget", "je", "ibound", "iget2",
                        "iget3", "iget4", "trp", "gem1", "cls", "rg", "clear"})
    game_test::WriteBytes(std::string("ssez/system/") + n + ".wav", wav);
  // The MP3 skill sound is left out: one slot stays empty.
  load_sound_effects();
  int filled = 0;
  for (int h : sound_table) filled += h != -1;
  EXPECT_EQ(filled, 101);
  EXPECT_EQ(assets_ok, 1);
  for (int slot : {se_main_shot, se_cursor, se_decide, se_refuse}) EXPECT_NE(sound_table[slot], -1) << slot;
  // Every kind the hero can kill cries when it dies, but kind 22, whose dying sequence sounds by itself.
  for (int kind = 1; kind < 34; ++kind) {
    if (kind == 22) continue;
    EXPECT_NE(enemy_death_sounds[kind], -1) << kind;
  }
  bool loaded[sound_slot_count] = {};
  for (const SoundLoad& load : sound_loads) loaded[load.slot] = true;
  for (int slot = 0; slot < sound_slot_count; ++slot) {
    if (!loaded[slot]) {
      EXPECT_EQ(sound_table[slot], -1) << slot;
    }
  }
}

// The one sound map: every slot the game plays, by name or by the number the enemies use, holds the file named for
// it; the last load into a slot wins.
TEST(SoundMap, EverySlotPlayedHoldsItsNamedFile) {
  const char* last[sound_slot_count] = {};
  int loads = 0;
  for (const SoundLoad& load : sound_loads) {
    ASSERT_GE(load.slot, 0);
    ASSERT_LT(load.slot, sound_slot_count);
    last[load.slot] = load.path;
    ++loads;
  }
  EXPECT_EQ(loads, 107);
  EXPECT_EQ(std::count_if(std::begin(last), std::end(last), [](const char* p) { return p != nullptr; }), 106);
  const struct {
    int slot;
    const char* path;
  } played[] = {
      // Played by number by the enemies.
      {32, "ssez/my/k/z3.wav"}, {51, "ssez/mb/dp1.wav"}, {59, "ssez/mb/e05.wav"}, {60, "ssez/mb/e06.wav"},
      {63, "ssez/mb/sab2.wav"}, {66, "ssez/mb/e04.wav"}, {68, "ssez/mb/u1.wav"}, {69, "ssez/mb/u2.wav"},
      {100, "ssez/mb/e07.wav"}, {166, "ssez/mb/rt.wav"},
      // Played by name by the screens, the stage and the hero.
      {se_main_shot, "ssez/my/shot.wav"}, {se_step, "ssez/my/step01.wav"}, {se_critical, "ssez/my/cri1.wav"},
      {se_heal, "ssez/si/heal.wav"}, {se_buff, "ssez/si/buff.wav"}, {se_cast, "ssez/si/cast.wav"},
      {se_strike, "ssez/si/strike.wav"}, {se_hazard_break, "ssez/si/break.wav"}, {se_wave, "ssez/my/wave.wav"},
      {se_explosion, "ssez/my/explode.wav"},
      {se_spikes, "ssez/etc/tog.wav"}, {se_door, "ssez/etc/door1.wav"}, {se_floor_crack, "ssez/etc/fail_f1.wav"},
      {se_water, "ssez/etc/wa1.wav"}, {se_chime, "ssez/etc/mch.wav"}, {se_mb_um, "ssez/mb/um.wav"},
      {se_mb_u1, "ssez/mb/u1.wav"}, {se_mb_sab1, "ssez/mb/sab1.wav"}, {se_mb_e01, "ssez/mb/e01.wav"},
      {se_menu_move, "ssez/system/sys_01.wav"}, {se_menu_confirm, "ssez/system/on_01.wav"},
      {se_cursor, "ssez/system/cursor31.wav"}, {se_decide, "ssez/system/cursor33.wav"},
      {se_refuse, "ssez/system/cursor7.wav"}, {se_warp, "ssez/system/trp.wav"}, {se_gem, "ssez/system/gem1.wav"},
      {se_vanish, "ssez/system/cls.wav"}, {se_clear, "ssez/system/clear.wav"}, {se_purchase, "ssez/system/rg.wav"},
  };
  for (const auto& p : played) {
    ASSERT_NE(last[p.slot], nullptr) << p.slot;
    EXPECT_STREQ(last[p.slot], p.path) << p.slot;
  }
  EXPECT_EQ(last[67], nullptr) << "the slot after the shared one stays empty";
}

TEST_F(GameFlow, EnemySheetsAreFreedAndReloadedPerStage) {
  game_test::WriteBytes("gsx/ey/coin1.png", game_test::kTinyPng);
  game_test::WriteBytes("gsx/ey/e05.png", game_test::kTinyPng);
  game_test::WriteBytes("gsx/ey/e05_2.png", game_test::kTinyPng);
  hero = 0;
  stage = 1;
  load_enemy_images();
  const int first = enemy_images[5];
  EXPECT_NE(first, -1);
  EXPECT_NE(enemy_images[37], -1);
  hero = 1;
  stage = 3;  // no sheet 5 on stage 3
  load_enemy_images();
  EXPECT_EQ(enemy_images[5], -1) << "a slot the new stage does not fill stays empty";
  EXPECT_EQ(DrawGraphAt(0, 0, first, 0), -1) << "the old sheet was freed";
  stage = 1;
  load_enemy_images();
  EXPECT_NE(enemy_images[5], -1) << "hero 1's own sheet";
  stage = 0;
  assets_ok = 1;
  std::filesystem::remove("gsx/ey/coin1.png");
  load_enemy_images();
  EXPECT_EQ(assets_ok, 0);
}

TEST_F(GameFlow, ASheetLoadedTwiceOnOneStageIsNotLeaked) {
  // Slots 2 and 17 are loaded on every stage and again from the stage lists of stages 2, 4, 7 and 8 (hero 0).
  for (int kind : {2, 17}) {
    char path[24];
    std::snprintf(path, sizeof path, "gsx/ey/e%02d.png", kind);
    game_test::WriteBytes(path, game_test::kTinyPng);
  }
  hero = 0;
  for (int s : {2, 4, 7, 8}) {
    SCOPED_TRACE(s);
    stage = s;
    load_enemy_images();
    const int live = g_GraphTable.count;
    load_enemy_images();
    EXPECT_EQ(g_GraphTable.count, live) << "entering the stage again holds no more pictures than before";
  }
}

TEST_F(GameFlow, StageAndHeroImagesReplaceTheirSlots) {
  game_test::WriteBytes("gsx/bk/01/000.jpg", {0x58, 0x58});  // not a picture: stays -1
  game_test::WriteBytes("gsx/cr/common.png", game_test::kTinyPng);
  hero = 0;
  load_hero_images();
  const int common = hero_common;
  ASSERT_NE(common, -1);
  load_hero_images();
  EXPECT_NE(hero_common, -1);
  EXPECT_EQ(DrawGraphAt(0, 0, common, 0), -1) << "the slot's previous picture was freed";
  load_stage_images(0);
  EXPECT_EQ(background_slots[0], -1);
  load_stage_images(8);  // above 7: nothing
}

}  // namespace
