// The one table of names and descriptions: the menu, the captions and the shop show the same name for a thing, the
// caption codes name what the game hands over with them, and every text fits the room its drawing code leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/flow/captions.h"
#include "game/flow/item_texts.h"

namespace {

std::string Trimmed(const char* text) {
  std::string s = text == nullptr ? "" : text;
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string Caption(int code) { return Trimmed(caption_text(code)); }

int Bytes(const char* text) { return static_cast<int>(std::strlen(text)); }

TEST(ItemTexts, TheShopSellsItsGoodsUnderTheirMenuNames) {
  for (int column = 0; column < 5; ++column) {
    SCOPED_TRACE(column);
    EXPECT_STREQ(shop_goods_name(0, column), menu_text[menu_row_accessory + column][0]);
    EXPECT_STREQ(shop_goods_description(0, column), menu_text[menu_row_accessory + column][1]);
    EXPECT_STREQ(shop_goods_name(1, column), menu_text[menu_row_item + column][0]);
    EXPECT_STREQ(shop_goods_description(1, column), menu_text[menu_row_item + column][1]);
  }
  const int outside[][2] = {{0, 5}, {0, -1}, {1, 5}, {2, 0}, {-1, 0}};
  for (const auto& rc : outside) {
    EXPECT_EQ(shop_goods_name(rc[0], rc[1]), nullptr) << rc[0] << "," << rc[1];
    EXPECT_EQ(shop_goods_description(rc[0], rc[1]), nullptr) << rc[0] << "," << rc[1];
  }
}

TEST(ItemTexts, CaptionsNameWhatTheGameHandsOverUnderTheMenuName) {
  // Accessory captions: the code each giver raises and the accessory it sets.
  const int accessory_codes[][2] = {{4000, 7}, {4001, 8}, {4002, 9}, {4003, 10}, {4004, 12},
                                    {4005, 13}, {4006, 14}, {4007, 6}, {4008, 11}};
  for (const auto& [code, number] : accessory_codes) {
    EXPECT_EQ(Caption(code), std::string(menu_text[menu_row_accessory + number][0]) + " 獲得") << code;
  }
  for (int sword = 1; sword <= 3; ++sword) {
    EXPECT_EQ(Caption(2999 + sword), std::string(menu_text[menu_row_sword + sword][0]) + " 獲得") << sword;
  }
  // Hero 0's gem of stage s teaches skill s + 2 and chains into caption 9001 + s.
  for (int s = 1; s <= 5; ++s) {
    EXPECT_EQ(Caption(9001 + s), "スキル「" + std::string(menu_text[menu_row_skill + s + 2][0]) + "」を覚えた！");
  }
  // Hero 1's item of stage s sets learned entry e (skill 8 + e) and chains into the stage's code.
  const int hero1[][2] = {{9012, 4}, {9013, 5}, {9015, 7}, {9010, 2}, {9014, 6}, {9011, 3}};
  for (const auto& [code, entry] : hero1) {
    EXPECT_EQ(Caption(code), "スキル「" + std::string(menu_text[menu_row_skill + 8 + entry][0]) + "」を会得した！")
        << code;
  }
  const char* key_items[] = {"ロザリオ", "古びた鍵", "石板", "羽根ペン", "護符"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Caption(1000 + i), std::string(key_items[i]) + " 獲得");
  EXPECT_EQ(Caption(2005), "ダイヤモンド 獲得");
}

TEST(ItemTexts, MoneyPickupsAnnounceTheirAmountAndOtherCodesShowNothing) {
  const int amounts[9] = {10, 50, 150, 300, 70, 70, 250, 350, 500};
  for (int kind = 1; kind <= 9; ++kind) {
    EXPECT_EQ(Caption(kind), "+" + std::to_string(amounts[kind - 1]) + " Plix") << kind;
    EXPECT_EQ(caption_duration(kind), 1000);
  }
  for (int code : {-3, 10, 27, 99, 999, 1005, 2006, 2999, 3003, 3999, 4009, 8999, 9007, 9008, 9009, 9016, 9998,
                   10000}) {
    EXPECT_EQ(caption_text(code), nullptr) << code;
  }
}

TEST(ItemTexts, EveryTextFitsTheRoomItsDrawingLeaves) {
  namespace lim = text_limits;
  struct Case {
    const char* text;
    int limit;
  };
  std::vector<Case> cases;
  for (int i = 0; i < 5; ++i) {
    cases.push_back({menu_text[menu_row_item + i][0], lim::consumable_name});
    cases.push_back({menu_text[menu_row_item + i][1], lim::consumable_description});
    cases.push_back({menu_text[menu_row_item + i][2], lim::consumable_description});
  }
  for (int i = 0; i < 4; ++i) {
    cases.push_back({menu_text[menu_row_sword + i][0], lim::sword_name});
    cases.push_back({menu_text[menu_row_sword + i][1], lim::sword_description});
  }
  for (int i = 0; i < 16; ++i) {
    cases.push_back({menu_text[menu_row_skill + i][0], lim::skill_name});
    cases.push_back({menu_text[menu_row_skill + i][1], lim::skill_description});
  }
  for (int i = 0; i < 15; ++i) {
    cases.push_back({menu_text[menu_row_accessory + i][0], lim::accessory_name});
    cases.push_back({menu_text[menu_row_accessory + i][1],
                     i < 5 ? lim::shop_accessory_description : lim::accessory_description});
  }
  for (const Case& c : cases) {
    ASSERT_NE(c.text, nullptr);
    EXPECT_GT(Bytes(c.text), 0);
    EXPECT_LE(Bytes(c.text), c.limit) << c.text;
    EXPECT_EQ(std::strchr(c.text, '%'), nullptr) << c.text;
  }
  // Captions by box: narrow below 4000 and for 9999, wide 4000..9001, medium for the skills.
  for (int code = -10; code < 10000; ++code) {
    const char* text = caption_text(code);
    if (text == nullptr) continue;
    int limit = lim::caption_medium;
    if (code < 4000 || code == 9999) {
      limit = lim::caption_narrow;
    } else if (code <= 9001) {
      limit = lim::caption_wide;
    }
    if (code == 9000 || code == 9001) limit = (490 - 2 - 180) / 6;  // the two fixed texts start at x 180
    EXPECT_LE(Bytes(text), limit) << code;
  }
}

}  // namespace
