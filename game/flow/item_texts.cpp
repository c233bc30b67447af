#include "game/flow/item_texts.h"

// Each description says what the thing does in play, as the player, skill and combat code make it act.
const char* const menu_text[menu_text_rows][3] = {
    // Consumables: name, description, description again.
    {"ポーション", "HPを35回復する。", "HPを35回復する。"},
    {"エーテル", "SPを35回復する。", "SPを35回復する。"},
    {"帰還の羽", "クリア済みのステージから脱出する。", "クリア済みのステージから脱出する。"},
    {"エリクサー", "HPとSPを全回復する。", "HPとSPを全回復する。"},
    {"謎の小瓶", "何が起こるかは飲んでのお楽しみ。", "何が起こるかは飲んでのお楽しみ。"},
    // Swords of hero 1: name, description.
    {"無銘", "使い慣れた一振り。癖がなく、会心もそこそこ出る。", nullptr},
    {"疾風", "刃の長い軽い刀。間合いは広いが、会心は出にくい。", nullptr},
    {"黄泉路", "斬った者の魂を喰らう妖刀。間合いは短いが、会心がよく出る。", nullptr},
    {"斬鉄", "重い大太刀。会心は滅多に出ないが、斬るほどに二の太刀が重くなる。", nullptr},
    // Skills: name, description, SP text. Hero 0, skill ids 0..7.
    {"ヒール", "HPを最大HPの三割から五割ほど回復する。", "25"},
    {"ブレッシング", "しばらくの間、攻撃とスキルの威力が上がる。", "50"},
    {"ヘイスト", "詠唱の後、しばらくの間歩く速さが上がる。", "35"},
    {"ホーリースマイト", "前方に聖なる光を立ち上らせ、敵を打ち据える。", "20"},
    {"マジックアロー", "魔力の矢を五本、扇状に放つ。", "3"},
    {"マナボム", "弧を描いて飛ぶ魔力球を放つ。飛んでいる間にもう一度使うと爆発する。", "5"},
    {"ディバインバースト", "身の回りに光の爆発を起こし、触れた敵を焼き、敵の弾をかき消す。", "15"},
    {"セイクリッドリング", "光の輪で身を包む。しばらくの間、攻撃を受けても怯まなくなる。", "20"},
    // Hero 1, skill ids 8..15; ids 12..15 are sword arts cast by input, their third text the input.
    {"気合", "気を練り上げ、しばらくの間会心の一撃が出やすくなる。", " 20"},
    {"縮地", "詠唱の後、しばらくの間歩く速さが上がる。", " 35"},
    {"鬼火", "三つの鬼火を呼ぶ。鬼火は次に受ける一撃を防いで消える。", "100"},
    {"剣気", "しばらくの間、刀の間合いが大きく伸びる。", " 20"},
    {"溜め斬り", "力を溜めて放つ三段斬り。遠くの敵まで届く。", "攻撃溜め"},
    {"昇り斬り", "頭上高くまで斬り上げる。", "上+攻撃"},
    {"疾風斬り", "走りながら前方の敵を斬り抜ける。", "ﾀﾞｯｼｭ中攻撃"},
    {"落下斬り", "空中から真下へ斬り下ろし、着地まで斬り続ける。", "ｼﾞｬﾝﾌﾟ中に下+攻撃"},
    // Accessories: name, description, empty. Common 0..4, sold in the shop.
    {"戦士の指輪", "会心が出やすくなり、スキルの威力も上がる。", ""},
    {"賢者の指輪", "スキルの消費SPがおよそ三分の二になる。", ""},
    {"疾風の靴", "歩く速さが上がる。メイスの一撃も少し重くなる。", ""},
    {"幸運のお守り", "倒した敵がアイテムを落としやすくなる。", ""},
    {"癒しの首飾り", "拾った回復アイテムの効き目が倍になる。", ""},
    // Hero 0's own 5..9.
    {"集魔の腕輪", "魔弾の溜めが早く終わるようになる。", ""},
    {"光矢の指輪", "魔弾の代わりに、光の矢を続けざまに放つ。", ""},
    {"形見のブローチ", "大切な思い出の品。身に着けても特に効果はない。", ""},
    {"背水の鉄環", "HPが減るほどメイスの威力が上がる。", ""},
    {"聖女の護符", "敵に触れて受けるダメージが二割減る。", ""},
    // Hero 1's own 10..14.
    {"鬼の面", "剣気と剣技をSPなしで使えるが、HPが少しずつ減っていく。", ""},
    {"妖刀の鍔", "SPが残っている間、攻撃が当たるたびにSPを10使って威力が倍になる。", ""},
    {"吸魂の数珠", "刀で敵を倒すとSPが2回復する。", ""},
    {"鷹の目の鉢巻", "会心の一撃が出やすくなる。", ""},
    {"異国の装束", "着ると装いが変わる。それ以外の効果はない。", ""},
};

const char* const mace_name = "メイス";
const char* const main_shot_name = "魔弾";

namespace {

constexpr const char* key_item_names[5] = {"ロザリオ", "古びた鍵", "石板", "羽根ペン", "護符"};
constexpr const char* gemstone_names[6] = {"ルビー", "サファイア", "エメラルド", "トパーズ", "アメジスト", "ダイヤモンド"};

// The accessories announced by captions 4000..4008: those that scenes, talks and pickups hand over.
constexpr int caption_accessories[9] = {7, 8, 9, 10, 12, 13, 14, 6, 11};

const char* row_text(int first_row, int count, int index, int column) {
  if (index < 0 || index >= count) return nullptr;
  return menu_text[first_row + index][column];
}

}  // namespace

const char* menu_item_name(int row) { return row_text(0, menu_text_rows, row, 0); }

const char* consumable_name(int item) { return row_text(menu_row_item, 5, item, 0); }
const char* sword_name(int sword) { return row_text(menu_row_sword, 4, sword, 0); }
const char* skill_name(int skill_id) { return row_text(menu_row_skill, 16, skill_id, 0); }
const char* accessory_name(int accessory_number) { return row_text(menu_row_accessory, 15, accessory_number, 0); }
const char* accessory_description(int accessory_number) {
  return row_text(menu_row_accessory, 15, accessory_number, 1);
}
const char* key_item_name(int item) { return item >= 0 && item < 5 ? key_item_names[item] : nullptr; }
const char* gemstone_name(int gem) { return gem >= 0 && gem < 6 ? gemstone_names[gem] : nullptr; }

int caption_sword(int code) { return code >= 3000 && code <= 3002 ? code - 3000 + 1 : -1; }
int caption_accessory(int code) { return code >= 4000 && code <= 4008 ? caption_accessories[code - 4000] : -1; }
int caption_skill(int code) {
  if (code >= 9002 && code <= 9006) return code - 9002 + 3;  // the gem of stage s teaches skill s + 2
  if (code >= 9010 && code <= 9015) return code - 9010 + 10;
  return -1;
}

const char* shop_goods_name(int row, int column) {
  if (row == 0) return accessory_name(column < 5 ? column : -1);
  if (row == 1) return consumable_name(column);
  return nullptr;
}

const char* shop_goods_description(int row, int column) {
  if (row == 0) return accessory_description(column < 5 ? column : -1);
  if (row == 1) return row_text(menu_row_item, 5, column, 1);
  return nullptr;
}
