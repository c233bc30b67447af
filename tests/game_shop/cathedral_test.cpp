// The cathedral: the visit counter, the two-entry menu and its latch, the talks per hero with their once-only
// gifts and caption, and leaving.
#include <set>

#include "game/flow/captions.h"
#include "game/flow/main_loop.h"
#include "tests/game_shop/shop_fixture.h"

namespace {

using namespace shop_test;

TEST_F(ShopTest, CathedralVisitCountsOnceAndGreetsPerHero) {
  for (int who = 0; who < 2; ++who) {
    SCOPED_TRACE(who);
    const int before = talk_count;
    Enter(mode_cathedral, who);
    EXPECT_EQ(talk_count, before + 1);
    EXPECT_EQ(story_event, who == 0 ? 24 : 26);
    // Leave: down wraps 0 -> 1.
    Press(kDown);
    ASSERT_EQ(screen_cursor[0], 1);
    Press(kMain);
    ASSERT_EQ(scene_state.step, 20);
    ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 21; }));
    Frame(0);
    ASSERT_TRUE(TalkThrough(21));
    ASSERT_TRUE(RunUntil(0, [] { return game_mode != mode_cathedral; }));
    EXPECT_EQ(game_mode, mode_location_select);
    EXPECT_EQ(screen_phase, 0);
    EXPECT_EQ(talk_count, before + 1);
  }
}

TEST_F(ShopTest, CathedralMenuWrapsAndLeftRightNeitherActNorKeepTheLatch) {
  Enter(mode_cathedral, 0);
  Press(kUp);
  EXPECT_EQ(screen_cursor[0], 1);
  Press(kUp);
  EXPECT_EQ(screen_cursor[0], 0);
  Frame(kDown);
  Frame(kDown);
  EXPECT_EQ(screen_cursor[0], 1) << "held: one move";
  Frame(kLeft);  // releases the latch
  EXPECT_EQ(key_latch, 0);
  Frame(kRight);
  EXPECT_EQ(key_latch, 0);
  EXPECT_EQ(screen_cursor[0], 1);
  EXPECT_EQ(scene_state.step, 3);
  Frame(kDown);
  EXPECT_EQ(screen_cursor[0], 0);
}

TEST_F(ShopTest, HeroZeroSkillTalksNeedTheirSkill) {
  hero = 0;
  std::set<int> seen;
  for (int i = 0; i < 3000; ++i) pick_cathedral_talk(), seen.insert(story_event);
  std::set<int> want = {60};
  for (int t = 69; t <= 78; ++t) want.insert(t);
  EXPECT_EQ(seen, want);
  learned[0][2] = 1;  // talk 63
  seen.clear();
  for (int i = 0; i < 3000; ++i) pick_cathedral_talk(), seen.insert(story_event);
  want.insert(63);
  EXPECT_EQ(seen, want);
}

TEST_F(ShopTest, HeroZeroGiftsTalk79BeforeTheMaceGift) {
  hero = 0;
  kill_2 = 300;
  kill_1 = 0;
  event_flags[3] = 1;
  pick_cathedral_talk();
  EXPECT_EQ(story_event, 79);
  EXPECT_EQ(event_flags[4], 1);
  EXPECT_EQ(accessory_owned[8], 0);
  pick_cathedral_talk();
  EXPECT_EQ(story_event, 68);
  EXPECT_EQ(accessory_owned[8], 1);
  pick_cathedral_talk();
  EXPECT_TRUE(story_event == 60 || (story_event >= 69 && story_event <= 78)) << story_event;
  // A difference of 299 does not qualify.
  accessory_owned[8] = 0;
  kill_2 = 299;
  pick_cathedral_talk();
  EXPECT_NE(story_event, 68);
  EXPECT_EQ(accessory_owned[8], 0);
}

TEST_F(ShopTest, HeroOneGiftComesFromTheSixteenthVisitOnceWithItsCaption) {
  hero = 1;
  talk_count = 14;
  Enter(mode_cathedral, 1);
  ASSERT_EQ(talk_count, 15);
  Press(kMain);
  ASSERT_EQ(scene_state.step, 5);
  EXPECT_TRUE(story_event >= 90 && story_event <= 99) << "the 15th visit gives nothing yet";
  EXPECT_EQ(accessory_owned[13], 0);

  // The 16th visit.
  scene_state = SceneState{};
  reset_scene_state();
  Enter(mode_cathedral, 1);
  ASSERT_EQ(talk_count, 16);
  Press(kMain);
  ASSERT_EQ(scene_state.step, 5);
  EXPECT_EQ(story_event, 29);
  EXPECT_EQ(accessory_owned[13], 1);
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 6; }));
  ASSERT_TRUE(TalkThrough(6));
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step != 7; }));
  ASSERT_EQ(scene_state.step, 10);
  frame_start_ms = 5000;
  Frame(0);
  EXPECT_EQ(caption_code, 4005);
  frame_start_ms = 5000 + caption_duration(4005);
  Frame(0);
  EXPECT_EQ(scene_state.step, 11);
  ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 3; }));
  Frame(0);
  Press(kMain);
  EXPECT_NE(story_event, 29) << "once only";
}

}  // namespace
