#include "game/flow/captions.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/core/public_api.h"
#include "game/flow/item_texts.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/player/pickups.h"

namespace {

struct Box {
  int x1, y1, x2, y2;
};
constexpr Box narrow_box = {230, 50, 410, 80};
constexpr Box medium_box = {180, 50, 460, 80};
constexpr Box wide_box = {150, 50, 490, 80};

constexpr const char* sacred_treasure_caption = "神器を手に入れたことにより、新たな力が備わった！";
constexpr const char* gemstone_power_caption = "ジェムストーンに、魔力が込められていた！";
constexpr const char* sp_low_caption = "  SPが足りない。  ";
constexpr const char* save_failed_caption = "セーブできませんでした。";
constexpr const char* save_unreadable_caption = "読み込めないセーブデータがあります。";

// Hero 1's skill caption by stage 1..6.
constexpr int hero1_chain_codes[6] = {9012, 9013, 9015, 9010, 9014, 9011};

// Widths in bytes (6 pixels each at the caption font) that centre a text drawn from its class's text x in its box.
constexpr int narrow_width = 20;
constexpr int wide_width = 23;
// Every skill caption is padded to this one width.
constexpr int skill_width = 41;

// The caption built for a code; each call replaces the previous text.
char built_caption[128];

// `text` with blanks before and after so that it spans `width` bytes with the text in the middle (a text as wide
// or wider stands unpadded).
const char* centred(const char* text, int width) {
  const int length = static_cast<int>(std::strlen(text));
  const int left = length < width ? (width - length) / 2 : 0;
  const int right = length < width ? width - length - left : 0;
  std::snprintf(built_caption, sizeof built_caption, "%*s%s%*s", left, "", text, right, "");
  return built_caption;
}

// "<name> 獲得", centred to `width`, or null for a thing without a name.
const char* obtained(const char* name, int width) {
  if (name == nullptr) return nullptr;
  char text[96];
  std::snprintf(text, sizeof text, "%s 獲得", name);
  return centred(text, width);
}

const char* money_caption(int code) {
  char text[32];
  std::snprintf(text, sizeof text, "+%d Plix", pickup_money(code));
  return centred(text, narrow_width);
}

const char* skill_caption(int code) {
  const char* name = skill_name(caption_skill(code));
  if (name == nullptr) return nullptr;
  char text[96];
  std::snprintf(text, sizeof text, "スキル「%s」%s", name, code < 9010 ? "を覚えた！" : "を会得した！");
  const int length = static_cast<int>(std::strlen(text));
  std::snprintf(built_caption, sizeof built_caption, "%s%*s", text, length < skill_width ? skill_width - length : 0,
                "");
  return built_caption;
}

// Text x of a code with a text.
int text_x(int code) {
  if (code == 9999) return 270;
  if (code >= 4000 && code <= 4008) return 250;
  if (code == 9000 || code == 9001) return 180;
  if (code == save_failed_caption_code) return 248;      // 24 bytes in the medium box
  if (code == save_unreadable_caption_code) return 212;  // 36 bytes in the medium box
  if ((code >= 9002 && code <= 9006) || (code >= 9010 && code <= 9015)) return 205;
  return 260;
}

const Box& box_of(int code) {
  if (code == 9999 || code < 4000) return narrow_box;
  if (code <= 8999 || code == 9000 || code == 9001) return wide_box;
  return medium_box;
}

// The follow-up of 9000 and 9001: the skill the stage's treasure taught; 0 for stages without one.
int chained_code() {
  if (hero == 0) return stage >= 1 && stage <= 5 ? 9001 + stage : 0;
  if (hero == 1 && stage >= 1 && stage <= 6) return hero1_chain_codes[stage - 1];
  return 0;
}

}  // namespace

int caption_duration(int code) { return code >= 3000 && code != 9999 ? 3500 : 1000; }

const char* caption_text(int code) {
  if (pickup_money(code) > 0) return money_caption(code);
  if (code >= 1000 && code <= 1004) return obtained(key_item_name(code - 1000), narrow_width);
  if (code >= 2000 && code <= 2005) return obtained(gemstone_name(code - 2000), narrow_width);
  if (caption_sword(code) >= 0) return obtained(sword_name(caption_sword(code)), narrow_width);
  if (caption_accessory(code) >= 0) return obtained(accessory_name(caption_accessory(code)), wide_width);
  if (code == 9000) return sacred_treasure_caption;
  if (code == 9001) return gemstone_power_caption;
  if (caption_skill(code) >= 0) return skill_caption(code);
  if (code == 9999) return sp_low_caption;
  if (code == save_failed_caption_code) return save_failed_caption;
  if (code == save_unreadable_caption_code) return save_unreadable_caption;
  return nullptr;
}

void draw_caption() {
  const int code = caption_code;
  if (code == 0) return;
  const char* text = caption_text(code);
  if (text == nullptr) {
    caption_code = 0;
    return;
  }
  const int now = frame_start_ms;
  // 64-bit so that a start time far from now cannot overflow the difference.
  if (static_cast<std::int64_t>(now) - caption_start < caption_duration(code)) {
    const Box& box = box_of(code);
    SetBlendMode(1, 168);
    DrawRectangle(box.x1, box.y1, box.x2, box.y2, MakeColorValue(255, 255, 255), 1);
    DrawRectangle(box.x1 + 2, box.y1 + 2, box.x2 - 2, box.y2 - 2, MakeColorValue(122, 143, 231), 0);
    SetBlendMode(0, 255);
    ChangeDefaultFontSize(12);
    ChangeDefaultFontThickness(2);
    DrawTextFormatted(text_x(code), 59, MakeColorValue(0, 0, 0), "%s", text);
    return;
  }
  if (code == 9000 || code == 9001) {
    caption_code = chained_code();
    caption_start = now;
    return;
  }
  caption_code = 0;
}
