// Pickups: flight and landing, bobbing, blinking and expiry, the effect of every kind on the player's block, the
// scene motions of the skill gems, and the full pool.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "engine/graphics/screen_buffer.h"
#include "game/flow/dialogue_box.h"
#include "game/player/pickups.h"
#include "tests/game_stage/stage_fixture.h"
#include "tests/images/image_writers.h"

namespace {

using game_test::StageTest;

class Pickups : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    stage = 1;
    area = 1;
    hero = 0;
    game_mode = mode_stage_play;
    story_event = 0;
    scene_state = SceneState{};
    mx = -500;  // out of reach unless a test moves the hero
    my = 100;
    max_hp = max_sp = 100;
    hp = sp = 50;
    accessory = accessory_none;
    frame_start_ms = 1234;
  }

  // Spawns into record 0 and returns it.
  static Pickup& Spawn(int x, int y, int kind) {
    spawn_pickup(x, y, kind);
    return pickups[0];
  }
  static void Updates(int n) {
    for (int i = 0; i < n; ++i) update_pickups();
  }
};

TEST_F(Pickups, ADropStartsRightOfAndAboveItsSourceRisingWithASidewaysSpeed) {
  for (int i = 0; i < 200; ++i) {
    pickups[0] = Pickup{};
    const Pickup& p = Spawn(100, 200, 1);
    ASSERT_EQ(p.x, 125);
    ASSERT_EQ(p.y, 195);
    ASSERT_EQ(p.active, 1);
    ASSERT_EQ(p.life, 700);
    ASSERT_EQ(p.vy, -4);
    ASSERT_GE(p.dx, -3);
    ASSERT_LE(p.dx, 3);
  }
}

TEST_F(Pickups, FlyingKindsDriftSidewaysByTheirOwnRule) {
  struct Case {
    int kind;
    bool uses_dx;
    int fixed_step;
  };
  const Case cases[] = {{1, true, 0}, {105, true, 0}, {109, false, 0}, {111, false, 1}, {112, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    pickups[0] = Pickup{};
    Pickup& p = Spawn(0, 300, c.kind);
    const int x0 = p.x, dx = p.dx;
    Updates(3);  // vy -4, -3, -2: never 0 in these updates
    EXPECT_EQ(p.x, x0 + 3 * (c.uses_dx ? dx : c.fixed_step));
    EXPECT_EQ(p.y, 295 - 4 - 3 - 3) << "vy rises by one in every second update";
  }
}

TEST_F(Pickups, AHardLandingHopsByAThirdOfTheSpeedAndASoftOneRests) {
  spawn_gimmick(1, 0, 0, 0, 0, 400, 0);  // floor box from y 445 down
  Pickup& p = Spawn(60, 100, 109);     // no sideways drift
  int hard_landings = 0;
  for (int i = 0; i < 300; ++i) {
    const int vy = p.vy;
    update_pickups();
    if (p.landed == 0) continue;
    EXPECT_EQ(p.vy, 0);
    if (vy >= 3) {
      ++hard_landings;
      EXPECT_EQ(p.bounce, vy / 3) << "update " << i;
    } else {
      EXPECT_EQ(p.bounce, 0) << "update " << i;
    }
  }
  EXPECT_GE(hard_landings, 1);
  EXPECT_EQ(p.bounce, 0);
  const int rest = p.y;
  Updates(20);
  EXPECT_EQ(p.y, rest) << "a landed pickup lies still";
  EXPECT_GT(rest + 20, 445);
  EXPECT_LT(rest, 445);
}

TEST_F(Pickups, MoneyBlinksFromItsUpdate552AndVanishesOnItsUpdate700WhileAGemStays) {
  testimg::PngShape red{100, 100, PNG_COLOR_TYPE_RGB, 8, testimg::Bytes(100 * 100 * 3, 0)};
  for (std::size_t i = 0; i < red.rows.size(); i += 3) red.rows[i] = 255;
  game_test::WriteBytes("gsx/item.png", testimg::WritePng(red));
  item_icons = LoadGraphicFile("gsx/item.png");
  ASSERT_NE(item_icons, -1);
  SelectDrawTarget(-2);
  spawn_gimmick(1, 0, 0, 0, 0, 400, 0);
  Pickup& money_drop = Spawn(60, 430, 1);
  Pickup& gem = pickups[1];
  spawn_pickup(300, 100, 120);
  auto drawn_after_update = [&] {
    SetBlendMode(0, 255);
    DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
    update_pickups();
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t pixel;
    const int x = money_drop.x - g_x + 6, y = money_drop.y + g_y + 6;
    std::memcpy(&pixel, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return (pixel & 0xFF0000) != 0;
  };
  for (int n = 1; n <= 550; ++n) ASSERT_TRUE(drawn_after_update()) << n;
  EXPECT_TRUE(drawn_after_update()) << 551;
  EXPECT_TRUE(drawn_after_update()) << 552;
  EXPECT_FALSE(drawn_after_update()) << 553;
  EXPECT_TRUE(drawn_after_update()) << 554;
  Updates(699 - 554);
  EXPECT_EQ(money_drop.active, 1);
  update_pickups();
  EXPECT_EQ(money_drop.active, 0) << "freed on its 700th update";
  Updates(2000);
  EXPECT_EQ(gem.active, 1);
  EXPECT_EQ(gem.life, 0);
  DeleteGraphic(item_icons, 0);
  item_icons = -1;
}

TEST_F(Pickups, GemsBobFivePixelsUpAndDownAPixelEveryTenUpdates) {
  Pickup& p = Spawn(300, 100, 125);
  const int y0 = p.y;
  const int expected[][2] = {{9, 0}, {10, -1}, {50, -5}, {60, -4}, {100, 0}, {110, -1}};
  int done = 0;
  for (const auto& [updates, dy] : expected) {
    Updates(updates - done);
    done = updates;
    EXPECT_EQ(p.y, y0 + dy) << updates;
  }
  EXPECT_EQ(p.x, 325) << "gems never move sideways";
}

TEST_F(Pickups, TheGemSceneMovesTheFiveGemsEveryFifthFrameOfStep14) {
  story_event = 17;
  scene_state.step = 14;
  for (int kind = 120; kind <= 124; ++kind) spawn_pickup(1000, 500, kind);
  const int moves[5][2] = {{-1, -2}, {-2, -4}, {-3, -2}, {-1, 0}, {-3, 0}};
  for (int frame = 0; frame <= 10; ++frame) {
    scene_state.step_frames = frame;
    update_pickups();
  }
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pickups[i].x, 1025 + 3 * moves[i][0]) << "frames 0, 5 and 10 move";
    EXPECT_EQ(pickups[i].y, 495 + 3 * moves[i][1]);
    EXPECT_EQ(pickups[i].glow_step, 11 % 8);
  }
  scene_state.step = 15;
  scene_state.step_frames = 5;
  update_pickups();
  EXPECT_EQ(pickups[0].x, 1022) << "step 15 glows but does not move";
  EXPECT_EQ(pickups[0].bob_count, 0) << "no bobbing during the scene";
}

struct Block {
  int hp, sp, max_hp, max_sp, money, continues;
};

TEST_F(Pickups, EveryKindAppliesItsEffectToThePlayerBlockWhenTouched) {
  struct Case {
    int kind, stage, accessory;
    Block before, after;
    int caption;
  };
  const Block base{50, 50, 100, 100, 0, 3};
  const Case cases[] = {
      {1, 1, 99, base, {50, 50, 100, 100, 10, 3}, 1},
      {2, 1, 99, base, {50, 50, 100, 100, 50, 3}, 2},
      {3, 1, 99, base, {50, 50, 100, 100, 150, 3}, 3},
      {4, 1, 99, base, {50, 50, 100, 100, 300, 3}, 4},
      {5, 1, 99, base, {50, 50, 100, 100, 70, 3}, 5},
      {6, 1, 99, base, {50, 50, 100, 100, 70, 3}, 6},
      {7, 1, 99, base, {50, 50, 100, 100, 250, 3}, 7},
      {8, 1, 99, base, {50, 50, 100, 100, 350, 3}, 8},
      {9, 1, 99, base, {50, 50, 100, 100, 500, 3}, 9},
      {4, 1, 4, base, {50, 50, 100, 100, 300, 3}, 4},  // the accessory doubles recovery, not money
      {100, 1, 99, base, {60, 50, 100, 100, 0, 3}, 0},
      {101, 1, 99, base, {70, 50, 100, 100, 0, 3}, 0},
      {102, 1, 99, base, {90, 50, 100, 100, 0, 3}, 0},
      {102, 1, 4, {10, 50, 100, 100, 0, 3}, {90, 50, 100, 100, 0, 3}, 0},
      {102, 1, 4, base, {100, 50, 100, 100, 0, 3}, 0},  // capped
      {103, 1, 4, {1, 50, 100, 100, 0, 3}, {100, 50, 100, 100, 0, 3}, 0},
      {104, 1, 99, base, {50, 60, 100, 100, 0, 3}, 0},
      {105, 1, 4, base, {50, 90, 100, 100, 0, 3}, 0},
      {106, 1, 99, {50, 70, 100, 100, 0, 3}, {50, 100, 100, 100, 0, 3}, 0},
      {107, 1, 99, base, {50, 50, 100, 100, 0, 4}, 0},
      {107, 1, 99, {50, 50, 100, 100, 0, 9}, {50, 50, 100, 100, 0, 9}, 0},
      {108, 1, 99, {1, 2, 100, 120, 0, 3}, {100, 120, 100, 120, 0, 3}, 0},
      {109, 3, 99, base, {60, 50, 110, 100, 0, 3}, 0},
      {110, 2, 99, base, {50, 60, 100, 110, 0, 3}, 0},
      {109, 7, 99, base, {60, 50, 110, 100, 0, 3}, 0},  // no upgrade flag beyond stage 5
      {111, 2, 99, base, base, 0},
      {120, 1, 99, base, base, 9000},
      {130, 1, 99, base, base, 4007},
      {131, 1, 99, base, base, 4003},
      {132, 1, 99, base, base, 4008},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " stage " << c.stage << " accessory " << c.accessory);
    player_globals = PlayerGlobals{};
    for (Pickup& p : pickups) p = Pickup{};
    stage = c.stage;
    accessory = static_cast<std::uint16_t>(c.accessory);
    hp = c.before.hp;
    sp = c.before.sp;
    max_hp = c.before.max_hp;
    max_sp = c.before.max_sp;
    money = c.before.money;
    continues = c.before.continues;
    mx = 100;
    my = 100;
    spawn_pickup(80, 130, c.kind);  // the icon overlaps the hero's box
    update_pickups();
    EXPECT_EQ(pickups[0].active, 0);
    EXPECT_EQ(hp, c.after.hp);
    EXPECT_EQ(sp, c.after.sp);
    EXPECT_EQ(max_hp, c.after.max_hp);
    EXPECT_EQ(max_sp, c.after.max_sp);
    EXPECT_EQ(money, c.after.money);
    EXPECT_EQ(continues, c.after.continues);
    EXPECT_EQ(caption_code, c.caption);
    if (c.caption != 0) {
      EXPECT_EQ(caption_start, 1234);
    }
  }
}

TEST_F(Pickups, GoalsGemsAndEquipmentSetTheirFlags) {
  struct Case {
    int kind, stage;
    int stage_flag;      // index set in stage_flags, -1 none
    int learned_skill;   // hero 0's skill learned, -1 none
    int owned;           // accessory owned, -1 none
    int player_state;
  };
  const Case cases[] = {
      {109, 3, -1, -1, -1, 0}, {111, 2, 2, -1, -1, 0},  {112, 6, 6, -1, -1, 21}, {115, 6, 6, -1, -1, 21},
      {120, 1, 1, 3, 5, 0},    {121, 2, 2, 4, -1, 0},   {124, 5, 5, 7, -1, 0},   {125, 9, 9, -1, -1, 0},
      {130, 1, -1, -1, 6, 0},  {131, 1, -1, -1, 10, 0}, {132, 1, -1, -1, 11, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " stage " << c.stage);
    player_globals = PlayerGlobals{};
    for (Pickup& p : pickups) p = Pickup{};
    max_hp = max_sp = 100;
    stage = c.stage;
    frame_counter = 77;
    mx = my = 100;
    spawn_pickup(80, 130, c.kind);
    update_pickups();
    for (int s = 0; s < 11; ++s) EXPECT_EQ(stage_flags[s], s == c.stage_flag ? 1 : 0) << s;
    for (int h = 0; h < 2; ++h) {
      for (int k = 0; k < 10; ++k) EXPECT_EQ(learned[h][k], h == 0 && k == c.learned_skill ? 1 : 0) << h << k;
    }
    for (int a = 0; a < 15; ++a) EXPECT_EQ(accessory_owned[a], a == c.owned ? 1 : 0) << a;
    for (int s = 0; s < 5; ++s) {
      EXPECT_EQ(hp_up[s], c.kind == 109 && s == c.stage - 1 ? 1 : 0) << s;
      EXPECT_EQ(sp_up[s], 0) << s;
    }
    EXPECT_EQ(PlayerState, c.player_state);
    if (c.player_state == 21) {
      EXPECT_EQ(frame_counter, 0);
    }
  }
}

TEST_F(Pickups, NothingIsCollectedDuringAStoryScene) {
  mx = my = 100;
  PlayerState = player_story_scene;
  const Pickup& p = Spawn(80, 130, 4);
  Updates(5);
  EXPECT_EQ(p.active, 1);
  EXPECT_EQ(money, 0);
  PlayerState = player_free;
  update_pickups();
  EXPECT_EQ(p.active, 0);
  EXPECT_EQ(money, 300);
}

TEST_F(Pickups, AFullPoolLosesTheNewPickupAndClearingTheStageFreesThemAll) {
  for (int i = 0; i < pickup_pool_size; ++i) spawn_pickup(10 * i, 0, 1);
  spawn_pickup(5000, 0, 2);
  EXPECT_EQ(pickup_count, pickup_pool_size);
  for (const Pickup& p : pickups) {
    EXPECT_EQ(p.active, 1);
    EXPECT_EQ(p.kind, 1);
  }
  clear_object_pools();
  EXPECT_EQ(pickup_count, 0);
  for (const Pickup& p : pickups) EXPECT_EQ(p.active, 0);
  spawn_pickup(5000, 0, 2);
  EXPECT_EQ(pickups[0].kind, 2);
}

}  // namespace
