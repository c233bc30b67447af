// Walks through the game's screens headless on the placeholder tree, pressing inputs from a seeded random script,
// and checks every picture draw: each source rectangle lies inside its picture and is a cell of the placeholder
// table, and every cell that carries text, drawn plainly, shows on the presented frame where the screen put it.
// What is drawn over each entry is checked too: no text cell and no written text lies mostly under opaque pixels
// drawn after it (a cursor, a panel) in the same frame.
// A new screen joins by a row in kWalks (where the walk starts, how long, which seed).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"
#include "platform/display/headless_display.h"
#include "tests/game_flow/game_fixture.h"
#include "tests/game_screens/draw_recorder.h"
#include "tools/placeholder/asset_table.h"
#include "tools/placeholder/asset_writers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPadDown = 1, kPadLeft = 2, kPadRight = 4, kPadUp = 8;
constexpr int kMain = 0x10, kJump = 0x20;

const PlaceholderImage* TableImage(const std::string& path, int* index = nullptr) {
  const std::vector<PlaceholderImage>& images = PlaceholderImages();
  for (size_t i = 0; i < images.size(); ++i) {
    if (path == images[i].path) {
      if (index != nullptr) *index = static_cast<int>(i);
      return &images[i];
    }
  }
  return nullptr;
}

std::string Describe(const screen_test::RecordedDraw& d) {
  std::ostringstream s;
  s << (d.path.empty() ? "handle " + std::to_string(d.handle) : d.path) << " (" << d.srcX << ", " << d.srcY << ", "
    << d.width << ", " << d.height << ")";
  return s.str();
}

bool Overlaps(int ax, int ay, int aw, int ah, int bx, int by, int bw, int bh) {
  return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

// A press on the way to a screen: the pad word for one frame, then `wait` frames with nothing held.
struct Step {
  int pad;
  int wait;
};

// One walk: where it starts, the presses that lead to its screen, then `frames` frames of seeded random presses.
struct Walk {
  const char* name;
  void (*start)();
  std::vector<Step> route;
  int frames;
  unsigned seed;
};

void StartAtTitle() {
  game_mode = mode_title;
  screen_phase = 0;
  title_cursor = 0;
  title_fade = 0;
  clear_level = 2;  // every title entry open
}

void StartAtHub(int hero_id) {
  hero = hero_id;
  money = 12345;
  for (auto& owned : accessory_owned) owned = 1;
  for (int i = 0; i < 5; ++i) item_count[i] = static_cast<std::uint16_t>(i + 1);
  load_hero_images();
  game_mode = mode_location_select;
  screen_phase = 0;
  stage_phase = 1;
  for (int& c : screen_cursor) c = 0;
}
void StartAtHub0() { StartAtHub(0); }
void StartAtHub1() { StartAtHub(1); }

constexpr int kFade = 130;  // frames for a screen change's fades

const Walk kWalks[] = {
    {"title", StartAtTitle, {{0, 40}, {kPadDown, 30}, {kPadUp, 30}}, 200, 1},
    {"new game", StartAtTitle, {{kMain, kFade}}, 400, 2},
    {"load", StartAtTitle, {{kPadDown, 4}, {kMain, kFade}, {kPadDown, 8}}, 200, 3},
    {"sound room", StartAtTitle, {{kPadDown, 4}, {kPadDown, 4}, {kMain, kFade}, {kPadDown, 8}}, 200, 4},
    {"options", StartAtTitle,
     {{kPadUp, 4}, {kPadUp, 4}, {kMain, kFade}, {kPadRight, 8}, {kPadDown, 4}, {kPadDown, 4}, {kMain, kFade},
      {kPadDown, 8}},
     300, 5},
    {"save", StartAtHub0,
     {{0, 30}, {kPadRight, 4}, {kPadRight, 4}, {kPadRight, 4}, {kPadRight, 4}, {kMain, kFade}, {kMain, 30},
      {kPadLeft, 20}, {kPadRight, 20}},
     200, 6},
    {"shop", StartAtHub0,
     {{0, 30}, {kPadRight, 4}, {kPadRight, 4}, {kMain, kFade}, {kMain, 40}, {kMain, 40}, {kMain, 40}, {kMain, 40},
      {kMain, 40}, {kMain, 40}, {kMain, 40}, {kMain, 40}, {kMain, 40}, {kMain, 40}, {kMain, 40}},
     400, 7},
    {"game menu", StartAtHub0, {{0, 30}, {kPadRight, 4}, {kPadRight, 4}, {kPadRight, 4}, {kMain, kFade}}, 400, 8},
    {"hub of hero 1", StartAtHub1, {{0, 30}}, 400, 9},
    {"resources missing", [] { game_mode = mode_resources_missing; }, {}, 5, 10},
    {"corrupt save", [] { game_mode = mode_corrupt_save; }, {}, 5, 11},
};

// Text cells each walk set must show at least once (file and text).
constexpr const char* kMustBeShown[] = {
    "gsx/system/title.png \"New Game\"",
    "gsx/system/title.png \"Quit\"",
    "gsx/system/menu_06.png \"Save\"",
    "gsx/system/menu_06.png \"Load\"",
    "gsx/system/menu_06.png \"No Data\"",
    "gsx/system/menu_06.png \"Save here?\"",
    "gsx/system/menu_06.png \"No\"",
    "gsx/system/menu_06.png \"Yes\"",
    "gsx/system/op2.png \"0\"",
    "gsx/system/op2.png \"1\"",
    "gsx/system/key2.png \"1\"",
    "gsx/system/menu_01.png \"5\"",
    "gsx/system/shop.png \"Money\"",
    "gsx/system/shop.png \"Buy\nTalk\nLeave\"",
    "gsx/system/slist1.png \"Track 2\"",
    "gsx/system/menu_back.png \"Status\"",
    "gsx/system/menu_back.png \"Items\"",
    "gsx/system/menu_back.png \"Close\"",
};

class ScreenWalk : public game_test::GameFlow {
 protected:
  static void SetUpTestSuite() {
    tree_ = new fs::path(engine_test::MakeTempDirectory("screen-walk-assets"));
    PlaceholderTreeResult result;
    ASSERT_TRUE(WritePlaceholderTree(*tree_, false, &result)) << result.error;
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(*tree_, ignored);
    delete tree_;
  }

  void SetUp() override {
    GameFlow::SetUp();
    for (const char* top : {"gsx", "ssez", "bgm"}) fs::create_directory_symlink(*tree_ / top, top);
    SetUseArchiveFiles(1);
    SetArchiveExtension("PAC");
    SetArchiveKeyString("3842");
    screen_test::StartRecording();
    load_common_images();
    load_sound_effects();
    logo_pic = LoadGraphicFile("gsx/system/staff.png");
    ASSERT_EQ(assets_ok, 1);
    SelectDrawTarget(-2);
  }
  void TearDown() override {
    screen_test::StopRecording();
    SetBrightnessRGB(255, 255, 255);
    SetBlendMode(0, 255);
    GameFlow::TearDown();
  }

  // One pass of the main loop without its wait.
  static void RunFrame(int pad) {
    screen_test::ClearFrameRecord();
    ClearCurrentDrawScreen();
    map_buttons(pad);
    run_game_mode(pad);
    draw_flash();
    flash_request = 0;
    PresentBackScreen();
  }

  // Checks the frame's draws; findings are collected, text cells shown are counted per file and cell.
  void CheckFrame() {
    const auto& draws = screen_test::CurrentFrameRecord().draws;
    const auto& fills = screen_test::CurrentFrameRecord().fills;
    for (size_t i = 0; i < draws.size(); ++i) {
      const screen_test::RecordedDraw& d = draws[i];
      if (d.handle == -1) continue;  // the engine draws nothing for it
      int index = 0;
      const PlaceholderImage* image = TableImage(d.path, &index);
      if (image == nullptr) {
        findings_.insert("not a placeholder picture: " + Describe(d));
        continue;
      }
      if (!d.part) {
        CheckTextCells(draws, fills, i);
        continue;
      }
      if (d.srcX < 0 || d.srcY < 0 || d.width <= 0 || d.height <= 0 || d.srcX + d.width > image->width ||
          d.srcY + d.height > image->height) {
        findings_.insert("outside its " + std::to_string(image->width) + " x " + std::to_string(image->height) +
                         " picture: " + Describe(d));
        continue;
      }
      const PlaceholderRect* cell = nullptr;
      for (const PlaceholderRect& c : image->rects) {
        if (c.x == d.srcX && c.y == d.srcY && c.w == d.width && c.h == d.height && cell == nullptr) cell = &c;
      }
      bool gridCell = false;
      for (const PlaceholderRect& c : PlaceholderCells(*image)) {
        gridCell = gridCell || (c.x == d.srcX && c.y == d.srcY && c.w == d.width && c.h == d.height);
      }
      // Stage tiles are cut in halves and quarters of their 128 x 120 cells: any rectangle on the sheet's 64 x 60
      // block lattice shows whole blocks.
      const bool onTileLattice = image->look == PlaceholderLook::kTiles && d.srcX % 64 == 0 && d.srcY % 60 == 0 &&
                                 d.width % 64 == 0 && d.height % 60 == 0;
      // A picture the table lists without cells (an enemy sheet whose layout is not in the table yet) is checked
      // for its size only.
      const bool noCellsListed = image->rects.empty() && image->gridW == 0;
      if (cell == nullptr && !gridCell && !onTileLattice && !noCellsListed) {
        findings_.insert("not a cell of the table: " + Describe(d));
        continue;
      }
      CheckTextCells(draws, fills, i);
    }
  }

  const PlaceholderRaster& Raster(const PlaceholderImage& image, int index) {
    auto it = rasters_.find(image.path);
    if (it == rasters_.end()) it = rasters_.emplace(image.path, DrawPlaceholderImage(image, index)).first;
    return it->second;
  }

  // The text cells lying inside the drawn part of the picture (the whole picture for DrawGraphAt).
  void CheckTextCells(const std::vector<screen_test::RecordedDraw>& draws,
                      const std::vector<screen_test::RecordedFill>& fills, size_t i) {
    const screen_test::RecordedDraw& d = draws[i];
    int index = 0;
    const PlaceholderImage* image = TableImage(d.path, &index);
    if (image == nullptr || (!d.part && d.dstW >= 0)) return;  // stretched pictures are not compared
    const int x0 = d.part ? d.srcX : 0, y0 = d.part ? d.srcY : 0;
    const int w = d.part ? d.width : image->width, h = d.part ? d.height : image->height;
    for (const PlaceholderRect& c : image->rects) {
      if (c.x < x0 || c.y < y0 || c.x + c.w > x0 + w || c.y + c.h > y0 + h) continue;
      CheckShown(draws, fills, i, *image, index, c, d.dstX + c.x - x0, d.dstY + c.y - y0);
    }
  }

  // Something drawn over a place: pictures of the table cover only where their pixels are not the key colour;
  // fills and other pictures cover their whole rectangle.
  struct Cover {
    PlaceholderRect at;
    const PlaceholderRaster* raster;  // null: the whole rectangle
    std::uint32_t key;
    int srcX, srcY;
    bool mirrored;
  };

  // A draw that starts a new layer over the screen: a full-screen picture (a screen change, a loading picture) or the
  // panel of a page opened over the screen (the game menu's accessory, item and status pages, the save question).
  // What lies under it is no longer an entry of the screen.
  static bool NewLayer(const screen_test::RecordedDraw& d) {
    struct Panel {
      const char* path;
      int x, y, w, h;
    };
    static constexpr Panel kPanels[] = {{"gsx/system/menu_05.png", 0, 0, 364, 214},
                                        {"gsx/system/menu_05.png", 0, 220, 445, 100},
                                        {"gsx/system/menu_05.png", 0, 600, 350, 77},
                                        {"gsx/system/menu_06.png", 0, 250, 381, 226}};
    const PlaceholderImage* image = TableImage(d.path);
    const int w = d.dstW >= 0 ? d.dstW : (image != nullptr ? image->width : 0);
    const int h = d.dstH >= 0 ? d.dstH : (image != nullptr ? image->height : 0);
    if (d.dstX <= 0 && d.dstY <= 0 && d.dstX + w >= 640 && d.dstY + h >= 480) return true;
    for (const Panel& p : kPanels) {
      if (d.path == p.path && d.part && d.srcX == p.x && d.srcY == p.y && d.width == p.w && d.height == p.h) return true;
    }
    return false;
  }

  // Whether a new layer (above) drawn from `firstDraw` on lies over `area`.
  static bool UnderNewLayer(const std::vector<screen_test::RecordedDraw>& draws, size_t firstDraw,
                            const PlaceholderRect& area) {
    for (size_t k = firstDraw; k < draws.size(); ++k) {
      const screen_test::RecordedDraw& o = draws[k];
      if (o.handle == -1 || !o.opaque || !NewLayer(o)) continue;
      const PlaceholderImage* image = TableImage(o.path);
      const int w = o.dstW >= 0 ? o.dstW : (image != nullptr ? image->width : 640);
      const int h = o.dstH >= 0 ? o.dstH : (image != nullptr ? image->height : 480);
      if (Overlaps(area.x, area.y, area.w, area.h, o.dstX, o.dstY, w, h)) return true;
    }
    return false;
  }

  // What was drawn over the rectangle `area` from draw `firstDraw` and fill `firstFill` on; `opaqueOnly` keeps only
  // what replaces the pixels under it (no blending, no text band, no highlighted form of the same entry: a cell
  // with the text `sameText`), that is what hides them.
  std::vector<Cover> CoversOver(const std::vector<screen_test::RecordedDraw>& draws, size_t firstDraw,
                                const std::vector<screen_test::RecordedFill>& fills, size_t firstFill,
                                const PlaceholderRect& area, bool opaqueOnly, const char* sameText = nullptr) {
    std::vector<Cover> later;
    for (size_t k = firstDraw; k < draws.size(); ++k) {
      const screen_test::RecordedDraw& o = draws[k];
      if (opaqueOnly && !o.opaque) continue;
      if (opaqueOnly && sameText != nullptr && CellText(o) == sameText) continue;
      int w = o.dstW, h = o.dstH;
      int otherIndex = 0;
      const PlaceholderImage* other = TableImage(o.path, &otherIndex);
      if (w < 0) {
        w = other != nullptr ? other->width : 640;
        h = other != nullptr ? other->height : 480;
      }
      if (o.handle == -1 || !Overlaps(area.x, area.y, area.w, area.h, o.dstX, o.dstY, w, h)) continue;
      const bool exact = other != nullptr && (o.part || o.dstW < 0);
      later.push_back({{o.dstX, o.dstY, w, h}, exact ? &Raster(*other, otherIndex) : nullptr,
                       other != nullptr && other->key == PlaceholderKey::kMagenta ? 0xFF00FFu : 0u, o.srcX, o.srcY,
                       o.mirrored});
    }
    for (size_t k = firstFill; k < fills.size(); ++k) {
      const screen_test::RecordedFill& f = fills[k];
      if (opaqueOnly && (!f.opaque || f.text)) continue;
      if (Overlaps(area.x, area.y, area.w, area.h, f.x1, f.y1, f.x2 - f.x1, f.y2 - f.y1)) {
        later.push_back({{f.x1, f.y1, f.x2 - f.x1, f.y2 - f.y1}, nullptr, 0, 0, 0, false});
      }
    }
    return later;
  }

  // The text of the table cell a part draw cuts out, or "".
  static std::string CellText(const screen_test::RecordedDraw& d) {
    const PlaceholderImage* image = TableImage(d.path);
    if (image == nullptr || !d.part) return "";
    for (const PlaceholderRect& c : image->rects) {
      if (c.x == d.srcX && c.y == d.srcY && c.w == d.width && c.h == d.height && c.text != nullptr) return c.text;
    }
    return "";
  }

  static bool Covered(const std::vector<Cover>& covers, int x, int y) {
    for (const Cover& c : covers) {
      if (!Overlaps(x, y, 1, 1, c.at.x, c.at.y, c.at.w, c.at.h)) continue;
      if (c.raster == nullptr) return true;
      const int u = c.mirrored ? c.at.w - 1 - (x - c.at.x) : x - c.at.x;
      const std::uint8_t* p =
          c.raster->rgb.data() + (static_cast<size_t>(c.srcY + y - c.at.y) * c.raster->width + c.srcX + u) * 3;
      if (((static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2]) != c.key) return true;
    }
    return false;
  }

  // The first fill recorded after picture draw i.
  static size_t FirstFillAfter(const std::vector<screen_test::RecordedFill>& fills, size_t i) {
    size_t k = 0;
    while (k < fills.size() && fills[k].drawsBefore <= i) ++k;
    return k;
  }

  // An entry is hidden when more than two thirds of it lie under opaque pixels drawn later in the frame (a cursor
  // frame's edge or a darkening mesh leave it readable; a panel does not).
  void CheckHidden(const std::string& name, int hidden, int total, int x, int y) {
    if (total > 0 && hidden * 3 > total * 2) {
      findings_.insert("hidden under later draws: " + name + " at " + std::to_string(x) + ", " + std::to_string(y));
    }
  }

  // Each text the frame wrote: its band (6 pixels per CP932 byte, 12 high) under opaque draws that came later.
  void CheckTexts() {
    const screen_test::FrameRecord& frame = screen_test::CurrentFrameRecord();
    for (const screen_test::RecordedText& t : frame.texts) {
      size_t last = t.text.find_last_not_of(' ');
      if (last == std::string::npos) continue;
      const size_t first = t.text.find_first_not_of(' ');
      const PlaceholderRect band{t.x + 6 * static_cast<int>(first), t.y, 6 * static_cast<int>(last + 1 - first), 12};
      if (UnderNewLayer(frame.draws, t.drawsBefore, band)) continue;
      const std::vector<Cover> later =
          CoversOver(frame.draws, t.drawsBefore, frame.fills, t.fillsBefore + 1, band, true);
      if (later.empty()) continue;
      int hidden = 0, total = 0;
      for (int y = band.y; y < band.y + band.h; ++y) {
        for (int x = band.x; x < band.x + band.w; ++x) {
          if (x < 0 || y < 0 || x >= 640 || y >= 480) continue;
          ++total;
          hidden += Covered(later, x, y);
        }
      }
      CheckHidden("text \"" + t.text + "\"", hidden, total, t.x, t.y);
    }
  }

  // A text cell drawn plainly: every pixel of it that is not the key colour, lies on the screen and is not under
  // anything drawn later in the frame shows on the presented frame. The cell counts as shown when at least half of
  // its pixels could be compared and all of them matched. It must not be hidden by opaque draws that came later.
  void CheckShown(const std::vector<screen_test::RecordedDraw>& draws,
                  const std::vector<screen_test::RecordedFill>& fills, size_t i, const PlaceholderImage& image,
                  int index, const PlaceholderRect& cell, int dstX, int dstY) {
    const screen_test::RecordedDraw& d = draws[i];
    if (cell.text == nullptr || cell.text[0] == '\0' || !d.plain || d.mirrored) return;
    const PlaceholderRect area{dstX, dstY, cell.w, cell.h};
    const size_t firstFill = FirstFillAfter(fills, i);
    const std::vector<Cover> later = CoversOver(draws, i + 1, fills, firstFill, area, false);
    const bool underNewLayer = UnderNewLayer(draws, i + 1, area);
    const std::vector<Cover> opaque = CoversOver(draws, i + 1, fills, firstFill, area, true, cell.text);
    auto covered = [&](int x, int y) { return Covered(later, x, y); };
    int hidden = 0, onScreen = 0;
    const PlaceholderRaster& r = Raster(image, index);
    const std::uint32_t key = image.key == PlaceholderKey::kMagenta ? 0xFF00FFu : 0u;
    // JPEG pictures are compared loosely: the encoder moves colours a little.
    const bool lossy = d.path.size() > 4 && d.path.compare(d.path.size() - 4, 4, ".jpg") == 0;
    const int tolerance = lossy ? 48 : 0;
    int wrong = 0, compared = 0, visible = 0;
    for (int y = 0; y < cell.h; ++y) {
      for (int x = 0; x < cell.w; ++x) {
        const std::uint8_t* p = r.rgb.data() + (static_cast<size_t>(cell.y + y) * r.width + cell.x + x) * 3;
        const std::uint32_t want = (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
        if (want == key || (lossy && want < 0x202020u)) continue;
        ++visible;
        const int sx = dstX + x, sy = dstY + y;
        if (sx < 0 || sy < 0 || sx >= 640 || sy >= 480) continue;
        ++onScreen;
        hidden += Covered(opaque, sx, sy);
        if (covered(sx, sy)) continue;
        ++compared;
        const std::uint32_t got = platform::headless::FramebufferPixel(sx, sy);
        bool same = true;
        for (int shift : {0, 8, 16}) {
          same = same && std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) <=
                             tolerance;
        }
        wrong += !same;
      }
    }
    const std::string name = d.path + " \"" + cell.text + "\"";
    if (!underNewLayer) CheckHidden(name, hidden, onScreen, dstX, dstY);
    if (wrong > 0) {
      findings_.insert("text cell drawn but not shown: " + name + " at " + std::to_string(dstX) + ", " +
                       std::to_string(dstY) + " (" + std::to_string(wrong) + " pixels differ)");
    } else if (compared * 2 >= visible && compared > 0) {
      shown_.insert(name);
    }
  }

  void RunFrames(int pad, int count) {
    for (int k = 0; k < count; ++k) {
      RunFrame(k == 0 ? pad : 0);
      CheckFrame();
      CheckTexts();
    }
  }

  void RunWalk(const Walk& walk) {
    SCOPED_TRACE(walk.name);
    // Each walk starts from the draw state a fresh start has, whatever the walk before left.
    SetBrightnessRGB(255, 255, 255);
    SetBlendMode(0, 255);
    walk.start();
    for (const Step& step : walk.route) RunFrames(step.pad, 1 + step.wait);
    // SCREEN_WALK_SHOTS=DIR keeps the frame each route leads to, to look at.
    if (const char* shots = std::getenv("SCREEN_WALK_SHOTS")) {
      platform::headless::SaveFramebufferPng(std::string(shots) + "/" + walk.name + ".png");
    }
    std::mt19937 random(walk.seed);
    const int inputs[] = {kMain, kMain, kMain, kPadDown, kPadDown, kPadUp, kPadRight, kPadLeft, kJump, 0};
    int stuck = 0;
    for (int frame = 0; frame < walk.frames;) {
      const int pad = inputs[random() % std::size(inputs)];
      const int release = 1 + static_cast<int>(random() % 6);
      RunFrames(pad, 1 + release);
      frame += 1 + release;
      // The title's quit entry, or a mode with no screen yet: start the walk again.
      const bool screenless = game_mode == mode_stage_play || game_mode == mode_next_area ||
                              game_mode == mode_restart || game_mode == mode_fall_scene;
      stuck = screenless ? stuck + 1 : 0;
      if (quit_requested || stuck > 20) {
        quit_requested = false;
        stuck = 0;
        SetBrightnessRGB(255, 255, 255);
        walk.start();
      }
    }
  }

  static fs::path* tree_;
  std::set<std::string> findings_;
  std::set<std::string> shown_;  // text cells seen on a presented frame
  std::map<std::string, PlaceholderRaster> rasters_;
};
fs::path* ScreenWalk::tree_ = nullptr;

TEST_F(ScreenWalk, EveryPictureDrawIsACellOfItsPlaceholder) {
  for (const Walk& walk : kWalks) RunWalk(walk);
  std::string all;
  for (const std::string& f : findings_) all += "  " + f + "\n";
  EXPECT_TRUE(findings_.empty()) << findings_.size() << " findings:\n" << all;
  // The texts a player needs on the title, the options, the save and load screens, the shop and the game menu
  // were each seen on a presented frame.
  for (const char* text : kMustBeShown) EXPECT_EQ(shown_.count(text), 1u) << text;
  std::string seen;
  for (const std::string& t : shown_) seen += "  " + t + "\n";
  RecordProperty("text_cells_shown", static_cast<int>(shown_.size()));
  if (HasFailure()) std::printf("text cells shown:\n%s", seen.c_str());
}

}  // namespace
