// The shop (game mode 20) and the cathedral (game mode 22): the hero walks in, the resident talks through the
// dialogue box, and a small command menu offers buying (shop only), talking and leaving.
#pragma once

inline constexpr int shop_goods_columns = 5;
// Prices by [good][hero]; accessories are row 0, consumables row 1 of the list.
extern const int shop_accessory_prices[shop_goods_columns][2];
extern const int shop_consumable_prices[shop_goods_columns][2];
// How many of each consumable a hero can carry, by [hero][item].
extern const int consumable_limits[2][shop_goods_columns];

// One frame of the shop, given the frame's pad word.
void shop_screen(int pad);
// Sets story_event to a talk of the hero's shopkeeper; a qualifying hero receives a once-only gift with it.
void pick_shop_talk();

// One frame of the cathedral, given the frame's pad word.
void cathedral_screen(int pad);
// Sets story_event to a talk of the hero's cathedral resident; may hand over a once-only gift.
void pick_cathedral_talk();
