#include "game/flow/captions.h"

#include <cstdint>
#include <cstdio>

#include "engine/core/public_api.h"
#include "game/flow/main_loop.h"
#include "game/flow/pending_screens.h"

namespace {

struct Box {
  int x1, y1, x2, y2;
};
constexpr Box narrow_box = {230, 50, 410, 80};
constexpr Box medium_box = {180, 50, 460, 80};
constexpr Box wide_box = {150, 50, 490, 80};

constexpr const char* key_item_captions[5] = {
    "  ロザリオ 獲得  ", "    鍵 獲得    ", "   石板 獲得   ", "  羽根ペン 獲得", "   護符 獲得   ",
};
constexpr const char* gemstone_captions[6] = {
    "  ルビー 獲得  ", " サファイア 獲得", " エメラルド 獲得", "  トパーズ 獲得", " アメジスト 獲得",
    "ダイヤモンド 獲得",
};
constexpr const char* sword_captions[3] = {
    "  銀の剣 獲得  ", "  聖騎士の剣 獲得", "  光の剣 獲得  ",
};
constexpr const char* accessory_captions[9] = {
    "       力の指輪 獲得       ", "       守りの指輪 獲得      ", "       疾風の靴 獲得       ",
    "       魔力の腕輪 獲得      ", "       祈りの首飾り 獲得     ", "       聖者の護符 獲得      ",
    "       星の耳飾り 獲得      ", "       月の髪飾り 獲得      ", "       太陽の紋章 獲得      ",
};
constexpr const char* sacred_treasure_caption = "神器を手に入れたことにより、新たな力が備わった！";
constexpr const char* gemstone_power_caption = "ジェムストーンに、魔力が込められていた！";
// Skill captions 9002..9006 (learned) and 9010..9015 (mastered), padded to one width.
constexpr const char* learned_captions[5] = {
    "スキル「ヒールライト」を覚えた！    ", "スキル「フレイムウォール」を覚えた！", "スキル「アイスランス」を覚えた！    ",
    "スキル「サンダーボルト」を覚えた！  ", "スキル「ホーリーレイ」を覚えた！    ",
};
constexpr const char* mastered_captions[6] = {
    "スキル「疾風斬」を会得した！        ", "スキル「烈風陣」を会得した！        ",
    "スキル「雷光突き」を会得した！      ", "スキル「月影」を会得した！          ",
    "スキル「旋風撃」を会得した！        ", "スキル「天翔剣」を会得した！        ",
};
constexpr const char* sp_low_caption = "  SPが足りない。  ";

// Hero 1's skill caption by stage 1..6.
constexpr int hero1_chain_codes[6] = {9012, 9013, 9015, 9010, 9014, 9011};

// The item-name caption of a code without a text of its own.
char item_caption[128];

// Text x of a code with a text.
int text_x(int code) {
  if (code == 9999) return 270;
  if (code >= 4000 && code <= 4008) return 250;
  if (code == 9000 || code == 9001) return 180;
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
  if (code >= 1000 && code <= 1004) return key_item_captions[code - 1000];
  if (code >= 2000 && code <= 2005) return gemstone_captions[code - 2000];
  if (code >= 3000 && code <= 3002) return sword_captions[code - 3000];
  if (code >= 4000 && code <= 4008) return accessory_captions[code - 4000];
  if (code == 9000) return sacred_treasure_caption;
  if (code == 9001) return gemstone_power_caption;
  if (code >= 9002 && code <= 9006) return learned_captions[code - 9002];
  if (code >= 9010 && code <= 9015) return mastered_captions[code - 9010];
  if (code == 9999) return sp_low_caption;
  const char* name = menu_item_name(code);
  if (name == nullptr) return nullptr;
  std::snprintf(item_caption, sizeof item_caption, "%s 獲得", name);
  return item_caption;
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
