// The shop: entry and walk in, the command menu and the list driven by pad words, purchases and what they change in
// the player's block, prices and limits per hero, the talks with their once-only gifts, and leaving.
#include <set>

#include "engine/core/public_api.h"
#include "engine/graphics/screen_buffer.h"
#include "game/flow/captions.h"
#include "game/flow/main_loop.h"
#include "tests/game_shop/shop_fixture.h"

namespace {

using namespace shop_test;

TEST_F(ShopTest, EntryFadesThenWalksInFromTheLeftToTheGreeting) {
  hero = 0;
  game_mode = mode_shop;
  frame_counter = 255;
  Frame(0);
  EXPECT_EQ(frame_counter, 252);
  EXPECT_EQ(screen_phase, 0);
  ASSERT_TRUE(RunUntil(0, [] { return screen_phase == 1; }));
  EXPECT_EQ(mx, -100);
  EXPECT_EQ(my, 320);
  int frames = 0;
  while (screen_phase == 1 && frames < 1000) Frame(0), ++frames;
  EXPECT_EQ(frames, 142) << "+3 per frame from -100 while at most 320, then one frame to stop";
  EXPECT_EQ(mx, 323);
  EXPECT_EQ(scene_state.step, 0);
  Frame(0);
  EXPECT_EQ(story_event, 20);
}

TEST_F(ShopTest, GreetingAndFarewellAreTheHerosOwnShopkeepers) {
  for (int who = 0; who < 2; ++who) {
    SCOPED_TRACE(who);
    Enter(mode_shop, who);
    EXPECT_EQ(story_event, who == 0 ? 20 : 22);
    Press(kUp);  // 0 -> 2 (wrap): leave
    ASSERT_EQ(screen_cursor[0], 2);
    Press(kMain);
    EXPECT_EQ(scene_state.step, 20);
    ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 21; }));
    Frame(0);
    ASSERT_TRUE(TalkThrough(21));
    ASSERT_TRUE(RunUntil(0, [] { return screen_phase == 3; }));
    EXPECT_EQ(game_mode, mode_shop);
    screen_pic_a = LoadGraphicFile("nothing.png");  // whatever the location select left; deleted on leaving
    ASSERT_TRUE(RunUntil(0, [] { return game_mode != mode_shop; }));
    EXPECT_EQ(game_mode, mode_location_select);
    EXPECT_LT(mx, -80);
    EXPECT_EQ(screen_phase, 0);
    EXPECT_EQ(scene_state.step, 0);
    EXPECT_EQ(screen_pic_a, -1);
    EXPECT_EQ(screen_cursor[0], 0);
    EXPECT_EQ(menu_counter_a, 0);
    EXPECT_EQ(menu_counter_b, 0);
  }
}

TEST_F(ShopTest, CommandCursorWrapsOnePressAtATimeAndIgnoresLeftRight) {
  Enter(mode_shop, 0);
  struct Move {
    int pad;
    int want;
  };
  const Move moves[] = {{kDown, 1}, {kDown, 2}, {kDown, 0}, {kUp, 2}, {kUp, 1}, {kLeft, 1}, {kRight, 1}};
  for (const Move& m : moves) {
    Press(m.pad);
    EXPECT_EQ(screen_cursor[0], m.want) << m.pad;
  }
  for (int i = 0; i < 10; ++i) Frame(kDown);  // held: one move only
  EXPECT_EQ(screen_cursor[0], 2);
  EXPECT_EQ(scene_state.step, 3);
}

TEST_F(ShopTest, ListCursorWrapsOverColumnsAndRowsAndBackReturnsToTheMenu) {
  Enter(mode_shop, 0);
  OpenList(0, 0);
  Press(kLeft);
  EXPECT_EQ(menu_counter_a, 4);
  Press(kRight);
  EXPECT_EQ(menu_counter_a, 0);
  Press(kUp);
  EXPECT_EQ(menu_counter_b, 2);
  Press(kRight);  // the column moves on the back row too
  EXPECT_EQ(menu_counter_a, 1);
  Press(kDown);
  EXPECT_EQ(menu_counter_b, 0);
  Press(kUp);
  ASSERT_EQ(menu_counter_b, 2);
  Press(kMain);
  EXPECT_EQ(scene_state.step, 3);
  EXPECT_EQ(screen_cursor[0], 0);
  EXPECT_EQ(menu_counter_a, 0);
  EXPECT_EQ(menu_counter_b, 0);
}

// Every good for both heroes: exactly the price buys it and empties the purse; one less does nothing.
TEST_F(ShopTest, EachGoodCostsTheHerosPriceAndExactMoneyBuysIt) {
  for (int who = 0; who < 2; ++who) {
    Enter(mode_shop, who);
    for (int row = 0; row < 2; ++row) {
      for (int column = 0; column < 5; ++column) {
        SCOPED_TRACE(testing::Message() << "hero " << who << " row " << row << " column " << column);
        const int price = row == 0 ? shop_accessory_prices[column][who] : shop_consumable_prices[column][who];
        std::memset(accessory_owned, 0, sizeof accessory_owned);
        std::memset(item_count, 0, sizeof item_count);
        OpenList(row, column);
        money = price - 1;
        Press(kMain);
        EXPECT_EQ(scene_state.step, 4) << "too little money: not offered";
        money = price;
        Press(kMain);
        ASSERT_EQ(scene_state.step, 5);
        EXPECT_EQ(screen_cursor[1], 0) << "the confirmation starts on yes";
        Press(kMain);
        EXPECT_EQ(scene_state.step, 4);
        EXPECT_EQ(money, 0);
        if (row == 0) {
          EXPECT_EQ(accessory_owned[column], 1);
        } else {
          EXPECT_EQ(item_count[column], 1);
        }
        Press(kUp);
        if (row == 1) Press(kUp);
        ASSERT_EQ(menu_counter_b, 2);
        Press(kMain);  // back to the menu
        ASSERT_EQ(scene_state.step, 3);
      }
    }
  }
  EXPECT_EQ(shop_consumable_prices[0][0], 100);
  EXPECT_EQ(shop_consumable_prices[0][1], 500);
}

TEST_F(ShopTest, ConfirmationNoLeavesEverythingAsItWas) {
  Enter(mode_shop, 0);
  OpenList(1, 0);
  money = 1000;
  Press(kMain);
  ASSERT_EQ(scene_state.step, 5);
  Press(kRight);
  EXPECT_EQ(screen_cursor[1], 1);
  Press(kLeft);
  EXPECT_EQ(screen_cursor[1], 0);
  Press(kRight);
  Press(kMain);
  EXPECT_EQ(scene_state.step, 4);
  EXPECT_EQ(money, 1000);
  EXPECT_EQ(item_count[0], 0);
}

TEST_F(ShopTest, LimitsAndOwnershipWinOverMoney) {
  for (int who = 0; who < 2; ++who) {
    Enter(mode_shop, who);
    money = 99999;
    // A consumable fills up to the hero's limit, then is refused however rich the hero is.
    OpenList(1, 0);
    const int limit = consumable_limits[who][0];
    for (int n = 0; n < limit; ++n) {
      Press(kMain);
      ASSERT_EQ(scene_state.step, 5);
      Press(kMain);
    }
    EXPECT_EQ(item_count[0], limit);
    const int left = money;
    Press(kMain);
    EXPECT_EQ(scene_state.step, 4);
    EXPECT_EQ(money, left);
    EXPECT_EQ(money, 99999 - limit * shop_consumable_prices[0][who]);
    // An owned accessory is sold out.
    Press(kUp);
    ASSERT_EQ(menu_counter_b, 0);
    accessory_owned[0] = 1;
    Press(kMain);
    EXPECT_EQ(scene_state.step, 4);
    EXPECT_EQ(money, left);
    Press(kUp);
    Press(kMain);
    ASSERT_EQ(scene_state.step, 3);
    std::memset(item_count, 0, sizeof item_count);
    std::memset(accessory_owned, 0, sizeof accessory_owned);
  }
  const int want[2][5] = {{5, 5, 9, 1, 2}, {2, 2, 9, 1, 1}};
  for (int h = 0; h < 2; ++h)
    for (int i = 0; i < 5; ++i) EXPECT_EQ(consumable_limits[h][i], want[h][i]);
}

// The list covers a sold-out accessory with black at half alpha; a good still for sale is left alone.
TEST_F(ShopTest, SoldOutSlotIsDarkened) {
  Enter(mode_shop, 0);
  accessory_owned[1] = 1;
  OpenList(1, 4);  // cursor far from the slots checked
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(200, 200, 200), 1);
  Frame(0);
  auto pixel = [](int x, int y) {
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return v & 0xFFFFFF;
  };
  const int y = 120 + 24;
  const std::uint32_t free_slot = pixel(166 + 24, y);
  const std::uint32_t owned_slot = pixel(166 + 65 + 24, y);
  EXPECT_EQ(free_slot, static_cast<std::uint32_t>(MakeColorValue(200, 200, 200)) & 0xFFFFFF);
  EXPECT_NEAR(static_cast<int>(owned_slot & 0xFF), 100, 2);
  EXPECT_NEAR(static_cast<int>((owned_slot >> 16) & 0xFF), 100, 2);
}

TEST_F(ShopTest, HeroZeroTalksSkipThirtyFiveUntilAccessoryFiveIsOwned) {
  hero = 0;
  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) {
    pick_shop_talk();
    seen.insert(story_event);
  }
  std::set<int> want;
  for (int t = 30; t <= 34; ++t) want.insert(t);
  for (int t = 37; t <= 39; ++t) want.insert(t);
  for (int t = 80; t <= 89; ++t) want.insert(t);
  EXPECT_EQ(seen, want);
  accessory_owned[5] = 1;
  bool thirty_five = false;
  for (int i = 0; i < 3000 && !thirty_five; ++i) pick_shop_talk(), thirty_five = story_event == 35;
  EXPECT_TRUE(thirty_five);
}

TEST_F(ShopTest, HeroOneTalksSkipTheSwordTalksUntilTheSwordsAreOwned) {
  hero = 1;
  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) pick_shop_talk(), seen.insert(story_event);
  std::set<int> want;
  for (int t = 40; t <= 53; ++t) want.insert(t);
  EXPECT_EQ(seen, want);
  sword_owned[1] = sword_owned[2] = 1;
  seen.clear();
  for (int i = 0; i < 3000; ++i) pick_shop_talk(), seen.insert(story_event);
  EXPECT_TRUE(seen.count(54) && seen.count(55));
}

TEST_F(ShopTest, GiftsAreGivenOnceInOrder) {
  // Hero 0: the five common accessories earn accessory 9.
  hero = 0;
  for (int i = 0; i < 5; ++i) accessory_owned[i] = 1;
  pick_shop_talk();
  EXPECT_EQ(story_event, 36);
  EXPECT_EQ(accessory_owned[9], 1);
  pick_shop_talk();
  EXPECT_NE(story_event, 36);

  // Hero 1: accessory 12 first, then sword 3, then accessory 14, each once.
  std::memset(&player_globals, 0, sizeof player_globals);
  hero = 1;
  for (int i = 0; i < 5; ++i) accessory_owned[i] = 1;
  kill_2 = kill_3 = 500;
  kill_4 = 500;
  pick_shop_talk();
  EXPECT_EQ(story_event, 59);
  EXPECT_EQ(accessory_owned[12], 1);
  EXPECT_EQ(sword_owned[3], 0);
  pick_shop_talk();
  EXPECT_EQ(story_event, 56);
  EXPECT_EQ(sword_owned[3], 1);
  EXPECT_EQ(event_flags[20], 1);
  EXPECT_EQ(accessory_owned[14], 0);
  pick_shop_talk();
  EXPECT_EQ(story_event, 58);
  EXPECT_EQ(accessory_owned[14], 1);
  EXPECT_EQ(event_flags[21], 1);
  for (int i = 0; i < 50; ++i) {
    pick_shop_talk();
    EXPECT_TRUE(story_event >= 40 && story_event <= 55) << story_event;
  }

  // Thresholds: 499 kills do not qualify.
  std::memset(&player_globals, 0, sizeof player_globals);
  hero = 1;
  kill_2 = 500;
  kill_3 = 499;
  kill_4 = 499;
  pick_shop_talk();
  EXPECT_LE(story_event, 55);
  EXPECT_EQ(event_flags[20] + event_flags[21], 0);
}

// Talking after buying the five common accessories: the gift talk, its sound, its caption, a pause, the menu.
TEST_F(ShopTest, GiftTalkIsFollowedByItsCaptionAndReturnsToTheMenu) {
  Enter(mode_shop, 0);
  for (int i = 0; i < 5; ++i) accessory_owned[i] = 1;
  Press(kDown);
  Press(kMain);
  ASSERT_EQ(scene_state.step, 7);
  EXPECT_EQ(story_event, 36);
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 8; }));
  ASSERT_TRUE(TalkThrough(8));
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step != 9; }));
  ASSERT_EQ(scene_state.step, 10);
  frame_start_ms = 1000;
  Frame(0);
  EXPECT_EQ(caption_code, 4002);
  EXPECT_EQ(caption_start, 1000);
  Frame(0);
  EXPECT_EQ(scene_state.step, 10) << "the caption is still showing";
  frame_start_ms = 1000 + caption_duration(4002);
  Frame(0);
  EXPECT_EQ(caption_code, 0);
  EXPECT_EQ(scene_state.step, 11);
  int frames = 0;
  while (scene_state.step == 11 && frames < 100) Frame(0), ++frames;
  EXPECT_EQ(frames, 51);
  EXPECT_EQ(scene_state.step, 3);
}

TEST_F(ShopTest, PlainTalkReturnsToTheMenuWithoutCaption) {
  Enter(mode_shop, 1);
  Press(kDown);
  Press(kMain);
  ASSERT_EQ(scene_state.step, 7);
  EXPECT_TRUE(story_event >= 40 && story_event <= 53) << story_event;
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 8; }));
  ASSERT_TRUE(TalkThrough(8));
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step != 9; }));
  EXPECT_EQ(scene_state.step, 3);
  EXPECT_EQ(caption_code, 0);
}

}  // namespace
