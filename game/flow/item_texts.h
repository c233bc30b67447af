// The one table of names and descriptions of the things the hero carries, uses or learns: consumables, swords,
// skills, accessories, key items and gemstones. The game menu, the captions and the shop all read it, so a thing has
// one name everywhere. Texts are CP932 and are always drawn through "%s", never as a format.
#pragma once

// The menu text table: rows 0..4 consumables (name, description, description again), 5..8 swords (name,
// description), 9..24 skills (name, description, SP text or input hint; rows 9..16 hero 0's skill ids 0..7, rows
// 17..24 hero 1's ids 8..15), 25..39 accessories (name, description, empty).
inline constexpr int menu_text_rows = 40;
inline constexpr int menu_row_item = 0;
inline constexpr int menu_row_sword = 5;
inline constexpr int menu_row_skill = 9;
inline constexpr int menu_row_accessory = 25;
extern const char* const menu_text[menu_text_rows][3];
// The name of row `row` of the table, or null outside it.
const char* menu_item_name(int row);

// Hero 0's two main attacks.
extern const char* const mace_name;
extern const char* const main_shot_name;

// Names by number, or null outside their ranges: consumable 0..4, sword 0..3, skill id 0..15, accessory 0..14,
// key item 0..4 (rosary, key, tablet, quill, talisman), gemstone 0..5.
const char* consumable_name(int item);
const char* sword_name(int sword);
const char* skill_name(int skill_id);
const char* accessory_name(int accessory_number);
const char* accessory_description(int accessory_number);
const char* key_item_name(int item);
const char* gemstone_name(int gem);

// The thing a caption code announces, or -1: swords 3000..3002, accessories 4000..4008, skills 9002..9006 (hero 0's
// gem skills) and 9010..9015 (hero 1's sword arts).
int caption_sword(int code);
int caption_accessory(int code);
int caption_skill(int code);

// The shop's goods: row 0 the common accessories 0..4, row 1 the consumables 0..4; null outside.
const char* shop_goods_name(int row, int column);
const char* shop_goods_description(int row, int column);

// The room the drawing code leaves each kind of text, in bytes of CP932 at the 12-pixel default font (6 pixels a
// byte): what a table text must fit to stay inside its box and clear of the next thing drawn on its line.
namespace text_limits {
inline constexpr int consumable_name = 18;         // menu item help: the description starts at x 140
inline constexpr int consumable_description = 48;  // shop bottom panel, left of the confirmation box
inline constexpr int sword_name = 19;              // narrow caption with " 獲得"
inline constexpr int sword_description = 101;      // menu help line from x 30
inline constexpr int skill_name = 20;              // medium caption inside スキル「」を会得した！
inline constexpr int skill_description = 101;      // menu help line from x 30
inline constexpr int accessory_name = 23;          // menu accessory help: the description starts at x 170
inline constexpr int shop_accessory_description = 48;  // shop bottom panel, left of the confirmation box
inline constexpr int accessory_description = 76;   // menu accessory help ": %s" from x 170
inline constexpr int caption_narrow = 24;          // text x 260 to the narrow box's outline at 408
inline constexpr int caption_wide = 39;            // text x 250 to the wide box's outline at 488
inline constexpr int caption_medium = 41;          // text x 205 to the medium box's outline at 458
}  // namespace text_limits
