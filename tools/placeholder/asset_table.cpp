// The resource table of the placeholder tree. Sizes are the smallest that hold every rectangle the game cuts from
// an image (rounded up where that keeps a sheet regular); "free" sizes are small. File names the game has not fixed
// yet (hero 1's shopkeeper, the light shots, hit sparks, aura, charged strike, grenade, stage-4 backdrop,
// enemy sheets and the unnamed sound effects) are this table's choice; change them here when the game fixes them.
#include "tools/placeholder/asset_table.h"

#include <memory>
#include <string>

namespace {

using Rects = std::vector<PlaceholderRect>;
constexpr PlaceholderKey kBlack = PlaceholderKey::kBlack;
constexpr PlaceholderKey kMagenta = PlaceholderKey::kMagenta;
constexpr PlaceholderStyle kLeft = PlaceholderStyle::kLeft;
constexpr PlaceholderStyle kGlow = PlaceholderStyle::kGlow;
constexpr PlaceholderStyle kFrame = PlaceholderStyle::kFrame;

// count rectangles w x h starting at (x, y), each dx to the right and dy down of the one before.
Rects Run(int x, int y, int w, int h, int count, int dx, int dy = 0) {
  Rects out;
  for (int i = 0; i < count; ++i) out.push_back({x + i * dx, y + i * dy, w, h});
  return out;
}

// The rectangles with the given texts (in order; missing texts leave a cell without) and style.
Rects Label(Rects rects, std::initializer_list<const char*> texts, PlaceholderStyle style = PlaceholderStyle::kBox) {
  auto text = texts.begin();
  for (PlaceholderRect& r : rects) {
    if (text != texts.end()) r.text = *text++;
    r.style = style;
  }
  return rects;
}

// One rectangle with a text.
PlaceholderRect Text(int x, int y, int w, int h, const char* text,
                     PlaceholderStyle style = PlaceholderStyle::kBox) {
  return {x, y, w, h, text, style};
}

// Rectangles numbered in their text: "prefix first", "prefix first+1", ... (the strings live for the program).
Rects Numbered(Rects rects, const char* prefix, int first, PlaceholderStyle style = PlaceholderStyle::kBox) {
  static std::vector<std::unique_ptr<std::string>> texts;
  for (size_t i = 0; i < rects.size(); ++i) {
    texts.push_back(std::make_unique<std::string>(prefix + std::to_string(first + static_cast<int>(i))));
    rects[i].text = texts.back()->c_str();
    rects[i].style = style;
  }
  return rects;
}

Rects Join(std::initializer_list<Rects> parts) {
  Rects out;
  for (const Rects& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

PlaceholderImage Whole(const char* path, int w, int h) { return {path, w, h, kBlack, 0, 0, {}}; }
PlaceholderImage Grid(const char* path, int w, int h, int gw, int gh, Rects extra = {}) {
  return {path, w, h, kBlack, gw, gh, std::move(extra)};
}
PlaceholderImage Cells(const char* path, int w, int h, Rects rects) { return {path, w, h, kBlack, 0, 0, rects}; }
// A full-screen picture: the screen pattern with the file's name, and the listed cells (texts the screen shows).
PlaceholderImage Screen(const char* path, Rects rects = {}) {
  return {path, 640, 480, kBlack, 0, 0, std::move(rects), PlaceholderLook::kScreen};
}

// Full-screen pictures, one cell each.
void AddScreens(std::vector<PlaceholderImage>& out, std::initializer_list<const char*> paths) {
  for (const char* p : paths) out.push_back(Screen(p));
}
// Stage backgrounds (gsx/bk) and wall layers (gsx/st), full screen.
void AddLayers(std::vector<PlaceholderImage>& out, std::initializer_list<const char*> paths) {
  for (const char* p : paths) out.push_back(Whole(p, 640, 480));
}

std::vector<PlaceholderImage> BuildImages() {
  std::vector<PlaceholderImage> t;

  // Menus and screens. Texts a screen shows without drawing them from a sheet are in its background picture, at the
  // screen positions the screen uses (the title's entries, the option rows); highlights drawn additively over them
  // carry the same text on the key colour.
  AddScreens(t, {"gsx/system/sys.png", "gsx/system/sv.jpg", "gsx/system/menu_back_02.jpg", "gsx/system/mop1.png", "gsx/system/church.png",
                 "gsx/system/shop_in.png", "gsx/system/teien.png", "gsx/system/g_end_back1.png",
                 "gsx/system/g_end_back2.png", "gsx/system/g_end_back3.png", "gsx/system/g_end_back4.png",
                 "gsx/system/l_end.png", "gsx/system/l_end_back1.png", "gsx/system/sroom.png"});
  // The heroes' game-menu backgrounds carry the commands the menu does not draw itself (the main attack and the
  // accessory are their icons): status, items and close, under their cursor frames.
  for (const char* p : {"gsx/system/menu_back.png", "gsx/system/menu_back2.png"}) {
    t.push_back(Screen(p, Label({{403, 263, 65, 33}, {403, 315, 65, 33}, {403, 367, 65, 33}},
                                {"Status", "Items", "Close"})));
  }
  t.push_back(Screen("gsx/system/loading01.jpg", {Text(220, 200, 200, 80, "Now Loading")}));
  t.push_back(Screen("gsx/system/title.png",
                     Label({{268, 250, 105, 37}, {268, 286, 105, 37}, {268, 322, 125, 37}, {268, 359, 125, 37},
                            {268, 394, 88, 37}},
                           {"New Game", "Load", "Sound Room", "Options", "Quit"}, kGlow)));
  t.push_back(Cells("gsx/system/title2.png", 640, 480,
                    Join({{Text(0, 0, 530, 295, "Selvarinthaxis", PlaceholderStyle::kText)},
                          Label({{28, 422, 105, 49}, {132, 422, 105, 49}, {242, 422, 125, 49}, {370, 422, 125, 49},
                                 {502, 422, 88, 49}},
                                {"New Game", "Load", "Sound Room", "Options", "Quit"}, kGlow)})));
  // The system sheet; the game menu's status panel is (0, 250, 381, 226), the save screen's dark bar (0, 0, 640, 124)
  // a mesh that darkens the slots it is drawn over.
  t.push_back(Cells("gsx/system/menu_06.png", 960, 640,
                    Join({{{0, 250, 381, 226}, {0, 0, 640, 124, nullptr, PlaceholderStyle::kMesh}, {698, 0, 262, 138}},
                          Label({{752, 17, 155, 38}, {770, 65, 126, 38}}, {"Continue", "Title"}),
                          Label({{486, 395, 155, 38}, {516, 442, 126, 38}}, {"Continue", "Title"}, kGlow),
                          {Text(13, 148, 238, 21, "Save"), Text(13, 203, 238, 21, "Load"),
                           Text(17, 177, 110, 21, "No Data"), Text(474, 171, 154, 31, "Save here?"),
                           {667, 171, 133, 31}, Text(670, 171, 55, 31, "Yes"), Text(725, 171, 75, 31, "No"),
                           Text(810, 171, 55, 31, "Yes"), Text(864, 171, 75, 31, "No"),
                           Text(668, 424, 276, 56, "Choose a hero"), Text(477, 210, 210, 23, "Galeo"),
                           Text(725, 210, 200, 23, "Lisel"), Text(495, 250, 195, 120, "Galeo:\nmace and shot"),
                           Text(725, 250, 205, 120, "Lisel:\nsword"), Text(282, 196, 48, 51, ">"),
                           Text(398, 305, 82, 175, "Door"), Text(475, 509, 374, 28, "Message")},
                          {{20, 510, 410, 52}, {20, 510, 410, 78}},
                          Numbered(Run(20, 510, 410, 26, 4, 0, 26), "Prologue line ", 1)})));
  t.push_back(Grid("gsx/system/staff.png", 400, 1200, 400, 100, {Text(0, 133, 400, 67, "Selvarinthaxis")}));
  for (const char* p : {"gsx/system/stand_01.png", "gsx/system/stand_02.png", "gsx/system/stand_03.png",
                        "gsx/system/stand_04.png", "gsx/system/stand_05.png", "gsx/system/stand_06.png",
                        "gsx/system/stand_07.png"}) {
    t.push_back(Grid(p, 1750, 500, 350, 500));
  }
  // Sound room: column 0 rows 0..14, column 1 rows 0..13 and the back entry; the highlight strips sit 2 px higher.
  t.push_back(Cells("gsx/system/slist1.png", 640, 480,
                    Join({Numbered(Run(80, 25, 240, 25, 15, 0, 23), "Track ", 1, kLeft),
                          Numbered(Run(370, 25, 240, 25, 14, 0, 23), "Track ", 15, kLeft),
                          {Text(370, 348, 240, 25, "Back to the title", kLeft)}})));
  t.push_back(Cells("gsx/system/slist2.png", 640, 480,
                    Join({Numbered(Run(80, 25, 240, 24, 15, 0, 23), "Track ", 1, kGlow),
                          Numbered(Run(370, 25, 240, 24, 14, 0, 23), "Track ", 15, kGlow),
                          {Text(370, 347, 240, 24, "Back to the title", kGlow)}})));
  // Options: the row texts in the picture over the background, the volume digits drawn at x 390..450.
  t.push_back(Cells("gsx/system/op.png", 640, 480,
                    Join({{Text(144, 90, 356, 30, "Sound options")},
                          Label(Run(144, 132, 356, 19, 5, 0, 19),
                                {"Music volume", "Sound volume", "Button assignment", "Input test (none)", "Back"},
                                kLeft)})));
  t.push_back(Cells("gsx/system/op2.png", 640, 480,
                    Join({Label(Run(144, 132, 356, 19, 5, 0, 19),
                                {"Music volume", "Sound volume", "Button assignment", "Input test (none)", "Back"},
                                kGlow),
                          Numbered(Run(547, 275, 20, 19, 10, 0, 19), "", 0),
                          Numbered(Run(583, 275, 20, 19, 10, 0, 19), "", 0, kGlow)})));
  t.push_back(Screen("gsx/system/key.png",
                     Join({{Text(143, 70, 340, 30, "Button assignment")},
                           Label(Run(143, 113, 340, 19, 10, 0, 19),
                                 {"Main attack", "Jump", "Dash", "Skill", "Change main attack", "Pause",
                                  "Next skill", "Previous skill", "", "Save and back"},
                                 kLeft)})));
  t.push_back(Cells("gsx/system/key2.png", 640, 480,
                    Join({Label(Run(143, 113, 340, 19, 10, 0, 19),
                                {"Main attack", "Jump", "Dash", "Skill", "Change main attack", "Pause",
                                 "Next skill", "Previous skill", "", "Save and back"},
                                kGlow),
                          Numbered(Run(547, 294, 20, 19, 8, 0, 19), "", 1),
                          Numbered(Run(583, 294, 20, 19, 8, 0, 19), "", 1, kGlow)})));
  t.push_back(Cells("gsx/system/over.png", 640, 480, {Text(120, 180, 400, 120, "GAME OVER")}));
  // The menu sheet. The game menu's top bar (0, 0, 640, 60), row cursors at y 300 and icons at y 440 lie over
  // cells of the save slots and the hub; the shop's cursor frames reach down to y 524. The skill cursor
  // (0, 300, 360, 40) reaches into the save slot's skill row (0, 318, 283, 35): that row keeps its label below the
  // cursor and is otherwise the key colour, so the cursor shows the skill it is drawn over.
  t.push_back(Cells("gsx/system/menu_01.png", 640, 524,
                    Join({{{0, 0, 640, 60}},
                          {Text(0, 0, 235, 55, "Galeo"), Text(0, 57, 235, 55, "Lisel"),
                           {0, 318, 283, 35, nullptr, PlaceholderStyle::kText}, Text(0, 340, 283, 13, "Skills", kLeft),
                           Text(0, 353, 227, 40, "Stages", kLeft)},
                          Numbered(Run(0, 204, 24, 21, 8, 27), "", 1), Numbered(Run(0, 232, 24, 21, 8, 27), "", 1),
                          Numbered(Run(108, 179, 25, 21, 4, 27), "W", 1),
                          {Text(27, 179, 25, 21, "-"), Text(54, 179, 25, 21, "F1"), Text(81, 179, 25, 21, "F2"),
                           Text(565, 154, 75, 21, "Back"), Text(565, 176, 75, 21, "Back", kGlow),
                           {315, 205, 325, 50}, {387, 304, 253, 152}, {610, 0, 30, 75}, {588, 0, 16, 11},
                           {590, 0, 10, 32}},
                          Label(Run(0, 390, 45, 45, 6, 45), {"Castle", "Church", "Shop", "Status", "Save", "Title"}),
                          Run(610, 76, 10, 16, 3, 10),
                          Label({{0, 300, 360, 40}, {360, 300, 63, 61}, {430, 300, 65, 33}, {500, 300, 56, 56}},
                                {}, kFrame),
                          Numbered(Run(0, 440, 24, 24, 16, 24), "", 1), Label(Run(120, 440, 32, 32, 2, 40), {"x", "x"}),
                          Numbered(Run(0, 460, 12, 20, 10, 12), "", 0),
                          Label({{120, 460, 64, 64}, {184, 460, 76, 46}}, {}, kFrame)})));
  t.push_back(Cells("gsx/system/menu_02.png", 640, 480,
                    {{0, 147, 270, 333}, {280, 160, 360, 320}, {0, 55, 640, 71}, {0, 0, 640, 50}}));
  t.push_back(Cells("gsx/system/menu_03.png", 423, 248,
                    {{0, 0, 208, 208}, {208, 0, 208, 208}, Text(0, 215, 112, 33, "Castle"),
                     Text(118, 215, 305, 33, "Choose a stage")}));
  t.push_back(Cells("gsx/system/menu_04.png", 630, 480,
                    Join({Label(Run(0, 0, 210, 120, 3, 210), {"Stage 1", "Stage 2", "Stage 3"}),
                          Label(Run(0, 120, 210, 120, 3, 210), {"Stage 4", "Stage 5", "Stage 6 (Lisel)"}),
                          Label(Run(0, 240, 210, 120, 3, 210), {"Last stage", "", ""}),
                          Label(Run(0, 360, 210, 120, 3, 210), {"Cathedral", "", "Shop"})})));
  t.push_back(Cells("gsx/system/menu_05.png", 640, 680,
                    {{0, 0, 566, 83}, {0, 0, 364, 214}, {0, 220, 445, 100}, {0, 600, 350, 77}}));
  t.push_back(Cells("gsx/system/item_01.png", 640, 400,
                    Join({Numbered(Run(0, 0, 24, 24, 6, 24), "", 1),
                          {{0, 0, 13, 13}, {14, 0, 13, 14}, {29, 0, 15, 14}, {46, 0, 13, 15}, {60, 0, 13, 17},
                           {74, 0, 18, 16}, {58, 181, 34, 31}, {104, 185, 20, 26}, {135, 188, 22, 22},
                           {0, 270, 24, 96}},
                          Run(0, 72, 24, 24, 20, 24), Numbered(Run(0, 96, 24, 24, 10, 24), "", 1),
                          Numbered(Run(0, 120, 24, 24, 10, 24), "", 1),
                          Numbered(Run(290, 0, 350, 40, 9, 0, 40), "Bonus ", 1)})));
  t.push_back(Cells("gsx/system/acce.png", 512, 480,
                    Join({Numbered(Run(0, 0, 48, 48, 5, 48), "A", 1), {Text(384, 0, 48, 48, "Back")},
                          Numbered(Run(0, 48, 48, 48, 5, 48), "I", 1), Numbered(Run(0, 96, 48, 48, 5, 48), "A", 6),
                          Numbered(Run(0, 144, 48, 48, 5, 48), "A", 11), Label(Run(0, 192, 48, 48, 2, 48), {"Mace", "Shot"}),
                          Label(Run(0, 240, 48, 48, 5, 48), {"S1", "S2", "S3", "S4", "Lock"}),
                          Label(Run(0, 280, 100, 100, 5, 100), {"S", "T", "A", "G", "E"}),
                          Label(Run(0, 380, 100, 100, 5, 100), {"C", "L", "E", "A", "R"}),
                          {Text(247, 0, 130, 130, "Event item")}})));
  t.push_back(Cells("gsx/system/shop.png", 640, 480,
                    {{0, 0, 150, 90}, Text(150, 0, 100, 76, "Buy\nTalk\nLeave"), {250, 0, 100, 22, nullptr, kFrame},
                     Text(150, 76, 100, 50, "Talk\nLeave"), {0, 130, 380, 190}, {380, 130, 150, 40}, Text(380, 130, 62, 40, "Money", PlaceholderStyle::kText),
                     Text(380, 170, 180, 90, "Buy it?\nYes    No"), {380, 260, 60, 22, nullptr, kFrame},
                     Text(560, 130, 48, 48, "Sold\nout", kGlow), Text(560, 178, 48, 48, "Max", kGlow),
                     Text(380, 290, 60, 30, "Back"), {0, 320, 614, 80}}));
  t.push_back(Cells("gsx/system/saidan.png", 640, 480, {{0, 0, 200, 480}, {440, 0, 200, 480}}));
  t.push_back(Cells("gsx/system/g_end.png", 640, 820,
                    {{17, 9, 236, 31}, {17, 47, 349, 29}, {320, 145, 320, 335}, {17, 113, 300, 350},
                     {14, 557, 200, 254}}));

  // Characters.
  t.push_back(Cells("gsx/cr/common.png", 700, 454,
                    Join({Run(0, 130, 57, 108, 3, 57), Run(0, 238, 120, 108, 3, 120), Run(0, 346, 120, 108, 3, 120),
                          Run(0, 0, 100, 130, 7, 100)})));
  t.push_back(Grid("gsx/cr/galeo1.png", 627, 648, 57, 108));
  t.push_back(Grid("gsx/cr/galeo2.png", 720, 648, 57, 108, {{606, 0, 57, 108}, {663, 0, 57, 108}, {600, 108, 120, 108}}));
  t.push_back(Grid("gsx/cr/galeo3.png", 600, 648, 57, 108, {{480, 216, 120, 108}}));
  t.push_back(Grid("gsx/cr/lisel1.png", 960, 756, 120, 108));
  t.push_back(Grid("gsx/cr/lisel2.png", 960, 756, 120, 108, Join({{{560, 648, 140, 108}}, Run(0, 108, 140, 108, 5, 140)})));
  t.push_back(Grid("gsx/cr/lisel3.png", 960, 648, 120, 108));
  t.push_back(Grid("gsx/cr/lisel4.png", 924, 648, 120, 108, {{804, 108, 120, 108}}));
  t.push_back(Grid("gsx/cr/katana1.png", 960, 432, 120, 108));
  t.push_back(Grid("gsx/cr/katana2.png", 720, 756, 120, 108, Run(0, 108, 140, 108, 5, 140)));
  t.push_back(Grid("gsx/cr/katana3.png", 960, 540, 120, 108,
                   {{240, 216, 140, 108}, {380, 216, 140, 108}, {520, 216, 140, 108}, {660, 216, 139, 108}}));
  t.push_back(Grid("gsx/cr/zami.png", 720, 540, 120, 108));
  t.push_back(Grid("gsx/cr/sofne.png", 171, 108, 57, 108));
  t.push_back(Grid("gsx/cr/nuvet.png", 171, 216, 57, 108));
  t.push_back(Grid("gsx/cr/shinpu.png", 171, 108, 57, 108));
  t.push_back(Grid("gsx/cr/shop2.png", 399, 108, 57, 108));

  // Stage tile sheets (magenta key) and field sheets.
  for (const char* p : {"gsx/fld/01.png", "gsx/fld/02.png", "gsx/fld/03.png", "gsx/fld/04.png", "gsx/fld/04_2.png",
                        "gsx/fld/05.png", "gsx/fld/06.png"}) {
    t.push_back({p, 640, 480, kMagenta, 128, 120, {}});
  }
  t.push_back(Cells("gsx/fld/s_01.png", 640, 480,
                    Join({{{469, 0, 89, 294}, {205, 256, 110, 80}, {0, 0, 12, 98}, {0, 105, 13, 20}, {0, 196, 15, 32},
                           {25, 0, 18, 70}, {585, 394, 55, 45}, {478, 408, 98, 72}, {91, 340, 383, 140},
                           {403, 0, 29, 311}, {327, 0, 66, 311}, {200, 0, 125, 63}, {200, 64, 125, 60},
                           {200, 123, 125, 44}},
                          Run(0, 271, 61, 61, 2, 61)})));
  t.push_back(Cells("gsx/fld/wall1.png", 388, 480, {{0, 0, 68, 480}, {68, 0, 320, 480}}));
  t.push_back(Whole("gsx/fld/s_02.bmp", 64, 64));
  t.push_back(Cells("gsx/fld/s_03.png", 640, 480,
                    Join({{{100, 426, 50, 45}, {219, 0, 44, 171}, {0, 0, 6, 276}, {12, 0, 178, 276},
                           {417, 92, 64, 162}, {480, 92, 64, 162}, {582, 0, 46, 248}, {510, 0, 58, 86},
                           {286, 0, 77, 80}, {337, 94, 68, 49}, {370, 0, 76, 70}, {458, 0, 43, 46},
                           {286, 97, 39, 43}, {476, 410, 73, 70}, {338, 100, 64, 39}, {566, 417, 60, 60},
                           {0, 426, 55, 54}, {479, 323, 72, 34}, {561, 322, 79, 34}, {546, 369, 89, 34},
                           {473, 366, 55, 38}, {236, 284, 174, 90}, {473, 270, 167, 40}},
                          Run(0, 297, 35, 49, 6, 36), Run(0, 357, 34, 67, 6, 35)})));
  t.push_back(Cells("gsx/fld/s_04.png", 640, 480,
                    Join({{{3, 122, 145, 96}, {3, 219, 164, 96}, {3, 316, 113, 96}, {557, 0, 83, 407},
                           {512, 0, 40, 480}, {557, 0, 83, 370}, {557, 370, 83, 30}},
                          Run(0, 0, 60, 120, 8, 60), Run(201, 131, 69, 141, 4, 75)})));
  t.push_back(Cells("gsx/fld/s_05.png", 648, 480,
                    {{0, 0, 155, 480}, {157, 0, 237, 480}, {404, 0, 100, 480}, {508, 0, 43, 480}, {597, 0, 44, 480}}));
  t.push_back(Cells("gsx/fld/s_06.png", 960, 480,
                    Join({{{0, 0, 234, 196}, {239, 0, 122, 196}, {793, 24, 53, 144}, {846, 24, 53, 144}},
                          Run(0, 330, 120, 150, 8, 120), Run(404, 0, 124, 167, 3, 124)})));
  t.push_back(Cells("gsx/fld/s_07.png", 694, 480, {{0, 0, 512, 480}, {526, 0, 168, 350}}));
  t.push_back(Whole("gsx/fld/s_08.png", 640, 480));
  t.push_back(Whole("gsx/fld/ladder_02.bmp", 80, 80));
  t.push_back(Whole("gsx/fld/04_bk.png", 2100, 1020));

  // Background layers.
  AddLayers(t, {"gsx/bk/01/000.jpg", "gsx/bk/01/001.jpg", "gsx/bk/01/01.png", "gsx/bk/01/02.png",
                 "gsx/bk/01/03.png", "gsx/bk/01/04.png", "gsx/bk/01/05.png", "gsx/bk/01/06.png"});
  AddLayers(t, {"gsx/bk/02/01.jpg", "gsx/bk/02/02.jpg", "gsx/bk/02/03.jpg", "gsx/bk/02/04.jpg", "gsx/bk/02/05.jpg",
                 "gsx/bk/02/06.jpg", "gsx/bk/02/07.jpg", "gsx/bk/02/08.jpg", "gsx/bk/02/09.jpg",
                 "gsx/bk/02/10.jpg"});
  AddLayers(t, {"gsx/bk/03/01.jpg", "gsx/bk/03/02.jpg", "gsx/bk/03/03.jpg", "gsx/bk/03/04.jpg", "gsx/bk/03/05.jpg",
                 "gsx/bk/03/01.png", "gsx/bk/03/02.png"});
  AddLayers(t, {"gsx/bk/04/01.jpg", "gsx/bk/04/02.jpg", "gsx/bk/04/03.jpg", "gsx/bk/04/04.jpg",
                 "gsx/bk/04/05.jpg"});
  t.push_back(Whole("gsx/bk/04/06.png", 640, 240));
  AddLayers(t, {"gsx/bk/05/01.jpg", "gsx/bk/05/02.jpg", "gsx/bk/05/03.jpg", "gsx/bk/05/04.jpg",
                 "gsx/bk/05/05.jpg", "gsx/bk/06/01.jpg", "gsx/bk/06/02.jpg", "gsx/bk/06/03.jpg",
                 "gsx/bk/06/04.jpg", "gsx/bk/06/05.jpg"});

  // Wall layers.
  AddLayers(t, {"gsx/st/01/w01.png", "gsx/st/01/w04.png", "gsx/st/01/w05.png", "gsx/st/01/w07.png",
                 "gsx/st/01/w08.png", "gsx/st/01/w09.png", "gsx/st/01/w10.png", "gsx/st/01/w11.png",
                 "gsx/st/01/w12.png", "gsx/st/02/w01.png", "gsx/st/03/w01.png"});
  t.push_back(Whole("gsx/st/01/w02.png", 640, 520));
  t.push_back(Whole("gsx/st/01/w03.png", 640, 960));
  t.push_back(Cells("gsx/st/01/w06.png", 950, 480, {{0, 0, 225, 480}, {350, 0, 290, 480}, {660, 0, 290, 480}}));
  t.push_back(Whole("gsx/st/02/w02.png", 640, 520));
  t.push_back(Cells("gsx/st/04/w01.png", 1282, 480,
                    {{0, 0, 225, 480}, {224, 0, 225, 480}, {480, 0, 153, 480}, {633, 0, 146, 480},
                     {783, 0, 241, 480}, {1041, 0, 241, 480}}));
  t.push_back(Whole("gsx/st/04/w02.png", 237, 480));
  AddLayers(t, {"gsx/st/04/w03.png", "gsx/st/04/w04.png", "gsx/st/04/w05.png", "gsx/st/04/w06.png",
                 "gsx/st/04/w07.png", "gsx/st/04/w08.png", "gsx/st/04/w09.png", "gsx/st/04/w10.png",
                 "gsx/st/04/w11.png", "gsx/st/04/w12.png", "gsx/st/04/w13.png"});
  t.push_back(Whole("gsx/st/05/w01.png", 225, 480));
  t.push_back(Whole("gsx/st/05/w02.png", 640, 250));
  t.push_back(Whole("gsx/st/05/w03.png", 640, 230));
  AddLayers(t, {"gsx/st/05/w04.png", "gsx/st/05/w05.png", "gsx/st/05/w06.png"});
  t.push_back(Whole("gsx/st/05/w07.png", 310, 128));
  t.push_back(Whole("gsx/st/05/w08.png", 160, 480));
  t.push_back(Whole("gsx/st/06/w01.png", 225, 480));
  t.push_back(Whole("gsx/st/06/w03.png", 160, 480));
  AddLayers(t, {"gsx/st/06/w02.png", "gsx/st/06/w04.png", "gsx/st/06/w05.png"});

  // Effects.
  t.push_back(Grid("gsx/ef/ex01.png", 640, 128, 64, 64));
  t.push_back(Cells("gsx/ef/all_01.png", 800, 512,
                    Join({Run(0, 0, 16, 15, 6, 16),
                          {{0, 17, 35, 95}, {35, 17, 54, 95}, {89, 17, 71, 95}, {160, 17, 71, 95},
                           {231, 17, 71, 95}, {302, 17, 71, 95}, {0, 119, 66, 36}, {0, 216, 74, 20},
                           {100, 119, 32, 23}, {132, 119, 32, 23}, {638, 449, 40, 28}, {683, 455, 33, 21},
                           {719, 447, 28, 30}, {755, 455, 42, 20}},
                          Run(415, 450, 45, 30, 5, 45)})));
  t.push_back(Cells("gsx/ef/all_02.png", 720, 221, Run(0, 131, 90, 90, 8, 90)));
  t.push_back(Grid("gsx/ef/EXPL3_3.png", 520, 208, 104, 104));
  t.push_back(Cells("gsx/ef/tr_all_01.png", 640, 480,
                    Join({{{579, 44, 61, 60}, {579, 108, 61, 60}, {526, 48, 54, 54}, {607, 0, 33, 33},
                           {0, 0, 215, 230}, {220, 0, 32, 32}},
                          Run(260, 0, 26, 28, 3, 26)})));
  t.push_back(Cells("gsx/ef/tr_all_02.png", 640, 480,
                    Join({{{0, 0, 130, 110}, {0, 240, 250, 200}}, Run(0, 110, 160, 130, 4, 160)})));
  t.push_back(Cells("gsx/ef/tr_all_03.png", 640, 512,
                    {{204, 154, 216, 50}, {204, 97, 216, 57}, {210, 20, 247, 47}, {429, 281, 211, 200},
                     {0, 220, 150, 138}, {150, 220, 158, 126}, {16, 433, 13, 31}}));
  t.push_back(Cells("gsx/ef/tr_all_04.png", 801, 900,
                    Join({{{7, 596, 25, 25}, {7, 596, 12, 12}, {0, 455, 54, 133}, {54, 455, 50, 133}, {0, 710, 58, 58},
                           {450, 752, 141, 142}, {628, 731, 173, 150}, {500, 606, 86, 144}, {367, 13, 310, 317}},
                          Run(137, 484, 53, 104, 3, 64), Run(0, 780, 110, 120, 4, 110)})));
  t.push_back(Cells("gsx/ef/tr_all_05.png", 600, 640,
                    Join({Run(0, 0, 120, 108, 4, 120), Run(0, 108, 200, 200, 3, 200), Run(0, 308, 200, 200, 2, 200),
                          {{400, 308, 200, 100}}, Run(0, 520, 120, 120, 3, 120)})));
  t.push_back(Whole("gsx/ef/tr_all_06.png", 1300, 588));
  t.push_back(Cells("gsx/ef/tr_all_07.png", 1256, 768,
                    {{8, 567, 19, 109}, {877, 28, 84, 45}, {989, 30, 252, 27}, {938, 76, 174, 86},
                     {1145, 88, 111, 48}, {1042, 181, 196, 31}}));
  t.push_back(Cells("gsx/ef/ch_01.png", 84, 469, {{10, 395, 74, 74}}));
  t.push_back(Grid("gsx/ef/charge_01.png", 744, 372, 186, 186));
  t.push_back(Whole("gsx/ef/shot1.png", 32, 20));
  t.push_back(Whole("gsx/ef/shot2.png", 32, 20));
  t.push_back(Whole("gsx/ef/spark1.png", 32, 32));
  t.push_back(Whole("gsx/ef/spark2.png", 32, 32));
  t.push_back(Whole("gsx/ef/spark3.png", 32, 32));
  t.push_back(Grid("gsx/ef/aura.png", 600, 120, 120, 120));
  t.push_back(Cells("gsx/ef/strike.png", 798, 351, Run(0, 113, 114, 238, 7, 114)));

  // Skill projectiles.
  t.push_back(Grid("gsx/ep/gr.png", 656, 112, 82, 112));  // the first skill sheet: skill 3's sweep
  t.push_back(Grid("gsx/ep/bk.png", 640, 768, 128, 128));
  t.push_back(Whole("gsx/ep/ds.png", 64, 64));
  t.push_back(Grid("gsx/ep/km.bmp", 640, 512, 128, 128));
  t.push_back(Grid("gsx/ep/clt_01.png", 640, 640, 160, 160));
  t.push_back(Grid("gsx/ep/oni.png", 540, 108, 54, 54));
  t.push_back(Grid("gsx/ep/blood01.png", 700, 160, 100, 160));

  // Gallery pictures (rings, motes and break-ups drawn whole or stretched).
  const struct {
    const char* path;
    int w, h;
  } gallery[] = {{"gsx/smg/00.png", 192, 192}, {"gsx/smg/01.png", 64, 64},  {"gsx/smg/02.png", 64, 64},
                 {"gsx/smg/03.png", 32, 32},   {"gsx/smg/04.png", 64, 64},  {"gsx/smg/05.png", 92, 92},
                 {"gsx/smg/06.png", 96, 96},   {"gsx/smg/07.png", 100, 70}, {"gsx/smg/08.png", 152, 152},
                 {"gsx/smg/09.png", 36, 36},   {"gsx/smg/10.png", 36, 36},  {"gsx/smg/11.png", 96, 80},
                 {"gsx/smg/12.png", 192, 192}};
  for (const auto& g : gallery) t.push_back(Whole(g.path, g.w, g.h));

  // Enemy sheets: gsx/ey/eNN.png per enemy slot, eNN_2.png for hero 1 where the slot has a sheet per hero.
  t.push_back(Whole("gsx/ey/coin1.png", 64, 72));
  t.push_back(Whole("gsx/ey/switch.png", 260, 60));
  t.push_back(Whole("gsx/ey/ta.png", 48, 72));
  t.push_back(Cells("gsx/ey/e02.png", 90, 60, Run(0, 30, 30, 30, 2, 30)));
  t.push_back(Whole("gsx/ey/e03.png", 400, 201));
  t.push_back(Whole("gsx/ey/e04.png", 720, 900));
  t.push_back(Whole("gsx/ey/e05.png", 350, 280));
  t.push_back(Whole("gsx/ey/e05_2.png", 350, 280));
  t.push_back(Whole("gsx/ey/e06.png", 560, 560));
  t.push_back(Whole("gsx/ey/e07.png", 420, 140));
  t.push_back(Whole("gsx/ey/e07_2.png", 420, 140));
  t.push_back(Whole("gsx/ey/e08.png", 220, 160));
  t.push_back(Whole("gsx/ey/e09.png", 700, 450));
  t.push_back(Whole("gsx/ey/e10.png", 510, 85));
  t.push_back(Whole("gsx/ey/e11.png", 360, 50));
  t.push_back(Whole("gsx/ey/e12.png", 600, 480));
  t.push_back(Whole("gsx/ey/e12_2.png", 600, 480));
  t.push_back(Cells("gsx/ey/e13.png", 780, 490,
                    Join({Run(0, 0, 130, 150, 3, 130), Run(0, 150, 130, 150, 4, 130), {{650, 150, 130, 150}},
                          Run(0, 300, 130, 150, 6, 130), Run(320, 450, 40, 40, 4, 40)})));
  t.push_back(Cells("gsx/ey/e14.png", 600, 450, Run(379, 4, 50, 39, 4, 0, 39)));
  t.push_back(Cells("gsx/ey/e14_2.png", 600, 450, Run(379, 4, 50, 39, 4, 0, 39)));
  t.push_back(Cells("gsx/ey/e15.png", 600, 600,
                    Join({Run(0, 0, 120, 150, 5, 120), Run(0, 150, 120, 150, 3, 120), {{365, 214, 90, 43}},
                          {{364, 162, 126, 15}}, Run(364, 162, 70, 16, 3, 70), Run(0, 300, 120, 150, 5, 120),
                          Run(0, 450, 120, 150, 5, 120)})));
  // The large enemies and bosses: a grid of the frame size their drawing cuts, so every frame shows its number.
  t.push_back(Grid("gsx/ey/e16.png", 960, 750, 120, 150));
  t.push_back(Whole("gsx/ey/e17.png", 300, 50));
  t.push_back(Grid("gsx/ey/e18.png", 1000, 800, 170, 170));
  t.push_back(Grid("gsx/ey/e19.png", 1020, 850, 170, 170));
  t.push_back(Grid("gsx/ey/e20.png", 900, 750, 120, 120));
  t.push_back(Whole("gsx/ey/e21.png", 520, 174));
  t.push_back(Whole("gsx/ey/e22.png", 420, 160));
  t.push_back(Grid("gsx/ey/e23.png", 720, 360, 120, 120));
  t.push_back(Cells("gsx/ey/e24.png", 600, 400,
                    Join({Run(0, 0, 100, 80, 6, 100), Run(100, 80, 100, 80, 2, 100), Run(0, 320, 100, 80, 3, 100),
                          Run(400, 320, 100, 80, 2, 100)})));
  t.push_back(Whole("gsx/ey/e25.png", 300, 120));
  t.push_back(Grid("gsx/ey/e26.png", 640, 660, 80, 120));
  t.push_back(Cells("gsx/ey/e27.png", 919, 750, Run(0, 0, 150, 150, 3, 150)));
  t.push_back(Cells("gsx/ey/e28.png", 910, 420,
                    Join({Run(0, 0, 150, 210, 5, 150), Run(0, 210, 150, 210, 6, 150), {{840, 0, 30, 12}},
                          Run(846, 16, 29, 13, 2, 29)})));
  t.push_back(Cells("gsx/ey/e29.png", 360, 120, Run(120, 60, 60, 60, 3, 60)));
  t.push_back(Cells("gsx/ey/e30.png", 420, 50, Join({Run(0, 0, 60, 50, 4, 60), Run(300, 0, 60, 50, 2, 60)})));
  t.push_back(Cells("gsx/ey/e31.png", 1584, 2637,
                    Join({Run(0, 0, 198, 293, 8, 198), Run(0, 293, 198, 293, 8, 198), Run(0, 586, 350, 293, 4, 350),
                          Run(0, 1172, 350, 293, 4, 350), Run(0, 1465, 350, 293, 4, 350),
                          Run(0, 1758, 350, 293, 4, 350), Run(0, 2051, 350, 293, 4, 350),
                          Run(0, 2344, 350, 293, 4, 350)})));
  t.push_back(Whole("gsx/ey/e32.png", 420, 130));
  t.push_back(Grid("gsx/ey/e33.png", 1400, 1360, 350, 272));
  t.push_back(Grid("gsx/ey/e41.png", 1750, 1088, 350, 272));
  // Looks by folder: stage backgrounds, wall layers, tile sheets.
  for (PlaceholderImage& image : t) {
    const std::string path = image.path;
    if (path.rfind("gsx/bk/", 0) == 0) image.look = PlaceholderLook::kBackdrop;
    if (path.rfind("gsx/st/", 0) == 0) image.look = PlaceholderLook::kWall;
    if (image.key == kMagenta) image.look = PlaceholderLook::kTiles;
  }
  return t;
}

std::vector<PlaceholderSound> Wavs(const std::string& folder, std::initializer_list<const char*> names,
                                   int durationMs = 200) {
  std::vector<PlaceholderSound> out;
  for (const char* n : names) out.push_back({folder + n, durationMs});
  return out;
}

std::vector<PlaceholderSound> BuildSoundEffects() {
  std::vector<PlaceholderSound> t;
  auto add = [&t](std::vector<PlaceholderSound> part) { t.insert(t.end(), part.begin(), part.end()); };
  // shot.wav is the main shot's sound, the first one loaded.
  add(Wavs("ssez/my/", {"shot.wav", "shot_r.wav", "lshot.wav", "bolt.wav", "bomb.wav", "dart.wav", "step01.wav",
                        "jump1.wav", "col2.wav", "dash.wav", "Charge2.wav", "change.wav", "cri1.wav", "wi.wav",
                        "swing24_b.wav", "wave.wav", "explode.wav"}));
  add(Wavs("ssez/my/k/", {"chm.wav", "oni2.wav", "sn2.wav", "z1.wav", "z2.wav", "z3.wav", "za.wav", "zc.wav",
                          "zc0.wav", "k1.wav", "k2.wav", "k3.wav"}));
  add(Wavs("ssez/si/", {"heal.wav", "buff.wav", "cast.wav", "cast_end.wav", "aura.wav", "charge3.wav", "ring7.wav",
                        "summon.wav", "strike.wav", "break.wav"}));
  add(Wavs("ssez/si/", {"blast6.mp3"}, 400));
  add(Wavs("ssez/etc/", {"tog.wav", "box1.wav", "ht1.wav", "door1.wav", "fail_f1.wav", "w_in.wav", "w_out.wav",
                         "dmg.wav", "dmu.wav", "dmb.wav", "mch.wav", "mch2.wav"}));
  add(Wavs("ssez/etc/", {"wa1.wav"}, 1000));  // looped water sound
  add(Wavs("ssez/mb/", {"mace_hit_01.wav", "u1.wav", "u2.wav", "um.wav", "dp1.wav", "dp2.wav", "ar.wav", "ardm.wav",
                        "bk.wav", "bl.wav", "bn.wav", "ca.wav", "ep1.wav", "gx.wav", "ir.wav", "jt.wav", "km.wav",
                        "lov.wav", "nf.wav", "rjump.wav", "rt.wav", "sab1.wav", "sab2.wav", "spd.wav", "th.wav",
                        "e01.wav", "e02.wav", "e03.wav", "e04.wav", "e05.wav", "e06.wav", "e07.wav", "e08.wav",
                        "e09.wav", "e10.wav", "e11.wav", "e12.wav"}));
  add(Wavs("ssez/system/", {"sys_01.wav", "on_01.wav", "cursor31.wav", "cursor33.wav", "cursor7.wav", "iget.wav",
                            "je.wav", "ibound.wav", "iget2.wav", "iget3.wav", "iget4.wav", "trp.wav", "gem1.wav",
                            "cls.wav", "rg.wav"}));
  add(Wavs("ssez/system/", {"clear.wav"}, 600));
  return t;
}

std::vector<PlaceholderSound> BuildMusic() {
  std::vector<PlaceholderSound> t;
  for (const char* n : {"title", "menu1", "menu2", "church", "shop", "shop2", "sys", "select", "sofne", "stage_1",
                        "stage_2", "stage_3", "stage_4", "stage_5", "stage_1_2", "stage_2_2", "stage_3_2",
                        "stage_4_2", "stage_5_2", "stage_6", "stage_7", "fall", "iv", "mboss", "boss", "ending_g",
                        "ending_l"}) {
    t.push_back({std::string("bgm/") + n + ".mp3", 3000});
  }
  return t;
}

}  // namespace

const std::vector<PlaceholderImage>& PlaceholderImages() {
  static const std::vector<PlaceholderImage> table = BuildImages();
  return table;
}

const std::vector<PlaceholderSound>& PlaceholderSoundEffects() {
  static const std::vector<PlaceholderSound> table = BuildSoundEffects();
  return table;
}

const std::vector<PlaceholderSound>& PlaceholderMusic() {
  static const std::vector<PlaceholderSound> table = BuildMusic();
  return table;
}

std::vector<PlaceholderRect> PlaceholderCells(const PlaceholderImage& image) {
  std::vector<PlaceholderRect> cells;
  if (image.gridW > 0 && image.gridH > 0) {
    for (int y = 0; y + image.gridH <= image.height; y += image.gridH) {
      for (int x = 0; x + image.gridW <= image.width; x += image.gridW) cells.push_back({x, y, image.gridW, image.gridH});
    }
  }
  cells.insert(cells.end(), image.rects.begin(), image.rects.end());
  if (cells.empty()) cells.push_back({0, 0, image.width, image.height});
  return cells;
}
