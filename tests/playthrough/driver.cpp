#include "tests/playthrough/driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "engine/core/random.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_menu.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/stage_play.h"
#include "game/player/combat.h"
#include "game/player/pickups.h"
#include "game/player/player_globals.h"
#include "game/player/skills.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_object.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tools/passability/area_run.h"
#include "tools/passability/search.h"

namespace playthrough {

namespace {

constexpr int kKeyPause = 32;     // D
constexpr int kKeyNextSkill = 16;  // Q
constexpr int kHealSkill = 0;      // the first hero's healing skill
// Frames the hero walks towards a recovery item before it gives up on it.
constexpr int kPickupPatience = 150;

// Stage frames the walker backs off to the left when the way ahead stays shut, before it tries again.
constexpr int kBackOffAfter = 400;
constexpr int kBackOffFrames = 40;
// Frames the fighter keeps at one enemy whose hit points do not fall before it walks on past it.
constexpr int kFightPatience = 300;
// Gap between the hero's body and an enemy's hit box from which the close attacks are struck (they reach 60).
constexpr int kMeleeReach = 50;
// Following a route: a waypoint within this many pixels (each way) counts as reached; off the route, the nearest
// waypoint within kResyncRadius (summed both ways) among kResyncBehind before and kResyncAhead after the current step
// picks it up again; the walk back towards a waypoint gives up on it after kSteerLimit frames.
constexpr int kOnRoute = 4;
constexpr int kResyncRadius = 24;
constexpr int kResyncBehind = 20;
constexpr int kResyncAhead = 120;
constexpr int kSteerLimit = 240;
// Frames a walking step may take beyond its own before the hero counts as off the route.
constexpr int kWalkSlack = 60;
// Planning along a route: the plan heads for a waypoint about this many route frames ahead (on a floor where one is
// near), or for the next goal before it, within a budget of simulated frames; damage costs the whole hit points'
// worth of kDamageCost frames.
constexpr int kPlanHorizon = 150;
constexpr int kNearHorizon = 30;  // a nearer target when the usual ones are out of reach
constexpr int kStandingSearch = 200;
constexpr long kPlanBudget = 30000;
constexpr int kDamageCost = 3000;
constexpr int kRouteFramesAfterFailure = 60;
constexpr int kWaitAfterFailure = 20;
constexpr int kFailuresBeforeRoute = 2;
constexpr int kFailuresBeforeHealing = 1;
constexpr int kMaxBudgetScale = 2;
constexpr int kAreaFailuresBeforeRoute = 24;
constexpr int kPlanTargets = 3;
// A plan that falls short of its target is not taken when it ends this far below both the hero and the target.
constexpr int kDropLimit = 120;
constexpr int kOrbReach = 800;
// Coins worth fetching off the route (the kinds worth 50 and 500; the shop's healing items cost up to 500) within
// this many pixels across and up, and no lower than the hero's own floor (a way down may not lead back).
constexpr int kCoinReachX = 480;
constexpr int kCoinReachUp = 240;
constexpr int kCoinReachDown = 100;  // the coin's top above the hero's feet
// Frames between an ending's milestone and its picture: it opens on white for longer than other screens fade in.
constexpr int kEndingCaptureDelay = 400;

const char* ErrandName(ErrandKind kind) {
  switch (kind) {
    case ErrandKind::new_game: return "new game";
    case ErrandKind::load: return "load";
    case ErrandKind::save: return "save";
    case ErrandKind::stage: return "stage";
    case ErrandKind::ending: return "ending";
    case ErrandKind::buy: return "buy";
  }
  return "?";
}

bool SceneMode(int mode) {
  return mode == mode_logo || mode == mode_first_frame || mode == mode_sound_loading || mode == mode_prologue ||
         mode == mode_event_scene || mode == mode_boss_event || mode == mode_first_ending ||
         mode == mode_second_ending;
}

void Hold(const std::vector<int>& keys) {
  platform::headless::SetInputScript({{keys, {}}});
  platform::headless::StepInputScript();
}

Driver* installed = nullptr;

// Per enemy record of the area: the hit points last seen and the frames fought since they last fell.
struct Foe {
  bool seen = false;
  int hp = 0;
  int still = 0;
};
Foe foes[enemy_pool_size];

// The bosses: the hovering caster, the brawler of the story scene, the great walkers (the last of them leaves the
// stage's orb behind) and the giant of the arena.
constexpr int kGreatWalker = 31;
constexpr int kGiant = 33;
constexpr int kOrb = 35;
constexpr int kCoin50 = 38;
constexpr int kCoin500 = 39;
bool Boss(const EnemyRecord& e) { return e.type == 26 || e.type == 27 || e.type == kGreatWalker || e.type == kGiant; }

constexpr int kDeadlyFloor = 4;   // gimmick type that kills a hero landing on it
constexpr int kFallingFloor = 6;  // gimmick type that drops away under a hero standing on it

// True when a floor the hero can stand on (and that stays) lies under the screen columns `ahead` .. `ahead` + 25
// pixels right of its feet, no deeper than `depth` pixels below them (the feet box is x 15..40, y 83..97 of the
// hero's cell).
bool FloorAhead(int ahead, int depth) {
  const int x0 = mx + 15 + ahead, x1 = mx + 40 + ahead, feet = my + 97;
  for (const StageObject& g : gimmicks) {
    if (g.in_use != 1 || g.solid == 0 || g.type == kDeadlyFloor || g.type == kFallingFloor) continue;
    const int left = g.x + g.box_x0 - g_x, right = g.x + g.box_x1 - g_x, top = g.y + g.box_y0 + g_y;
    if (right > x0 && left < x1 && top >= feet - 60 && top <= feet + depth) return true;
  }
  return false;
}

bool OnFallingFloor() {
  return stand_gimmick >= 0 && stand_gimmick < gimmick_pool_size && gimmicks[stand_gimmick].type == kFallingFloor;
}

// True when a floor lies under the 25 columns `ahead` pixels beyond the hero's feet on the given side.
bool FloorBeside(bool right, int ahead) { return FloorAhead(right ? ahead : -ahead - 25, 160); }

// True when `first`, held for a frame or two, only starts what `next` goes on with (the dash before a dash jump).
bool IsLeadIn(const std::vector<int>& first, const std::vector<int>& next) {
  return !first.empty() && std::all_of(first.begin(), first.end(), [&](int k) {
    return std::find(next.begin(), next.end(), k) != next.end();
  }) && first.size() < next.size();
}

// Whether a box lies on the right of the hero standing at world x `hx`, and the gap between the hero's body (x 19..40
// of its cell) and the box on that side (negative where they overlap).
bool BoxOnRight(const HitBox& box, int hx) { return (box.left + box.right) / 2 >= hx + 30; }
int BodyGap(const HitBox& box, int hx) { return BoxOnRight(box, hx) ? box.left - (hx + 40) : hx + 19 - box.right; }

bool WalksOnly(const std::vector<int>& keys) {
  return std::all_of(keys.begin(), keys.end(), [](int k) { return k == kKeyLeft || k == kKeyRight; });
}

// The record of a boss within a screen of the hero, -1 for none; with `walkers`, only the great walkers, to which
// the plans lead (WalkerKeys fights them; FightKeys takes the other bosses).
int BossAround(bool walkers) {
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state == enemy_active && Boss(e) && (!walkers || e.type == kGreatWalker) &&
        std::abs(e.x - (g_x + mx)) < 640 && std::abs(e.y - (my - g_y)) < 480) {
      return i;
    }
  }
  return -1;
}

// The great walker to fight while the stage's orb is still to win, -1 for none: the one furthest right, since the
// hero comes at them from the right, clear of the other walker; else one still dying, whose fall brings out the orb
// (the hero waits by it). None once the orb is out: a walker that comes back then is left alone.
int WalkerToFight() {
  if (stage < 0 || stage >= static_cast<int>(std::size(stage_flags)) || stage_flags[stage] != 0) return -1;
  int best = -1, dying = -1;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.type == kOrb && e.state == enemy_active) return -1;
    if (e.type != kGreatWalker) continue;
    if (e.state == enemy_dying) dying = i;
    if (e.state == enemy_active && (best < 0 || e.x > enemy_pool[best].x)) best = i;
  }
  return best >= 0 ? best : dying;
}

// A great walker's reach: its body (the hit box) and its ground wave, a box reaching kWaveReach beyond the body's
// left side (kWaveReachRight beyond its right side) at the body's height, which it strikes at timer 30 of its mode 2
// for 20 frames. The hero stands on the walker's floor kWalkerFloor below its cell's top.
constexpr int kWaveReach = 102;
constexpr int kWaveReachRight = 95;
constexpr int kWaveFrom = 28;  // timer of mode 2 from which the wave may hurt (with a frame or two to spare)
constexpr int kWaveTo = 52;
constexpr int kWalkerCycle = 80;
constexpr int kWalkerFloor = 180;
// The fight keeps within this gap of the body; closer than kWalkerClose it steps back (touching the body hurts).
constexpr int kWalkerZone = 300;
constexpr int kWalkerClose = 8;
// The sword's swing from a walk reaches 59 pixels beyond the hero's body; it is started a few steps before that.
constexpr int kSwingReach = 56;
constexpr int kSwingStart = 74;
constexpr int kSwingFrames = 9;  // from the press to the hit, and a frame to stop
constexpr int kWalkStep = 3;     // pixels a frame
// The plans head for the walkers from within this many pixels of them.
constexpr int kWalkerApproach = 2000;
// Height over the walkers' floor from which the hero drops down beside them, and the columns it looks along for it.
constexpr int kWalkerAbove = 200;
constexpr int kWalkerHigh = 700;  // the floors above their heads lie no higher than this
// The casters' cards: jumped when this near, the jump taking the hero's body out of their way for a while.
constexpr int kCard = 37;
constexpr int kCardNear = 40;
constexpr int kCardJumpFrames = 40;
// The casters that throw them: each throws a volley once its count (the flag) reaches 50, the first card 30 frames
// in, and more cards up to the volley's end (mode 0 again). A strike at one holds the hero this many frames.
constexpr int kCardCaster = 28;
constexpr int kStrikeFrames = 30;
constexpr int kCardClear = 60;  // the gap to a caster from which its card can be jumped
int FramesBeforeCard(const EnemyRecord& caster) {
  if (caster.type != kCardCaster) return 1 << 20;
  return caster.mode == 0 ? 50 - caster.flag + 30 : 0;  // within a volley a card may come at any time
}

}  // namespace

Driver::Driver(std::deque<Errand> errands, DriverOptions options)
    : errands_(std::move(errands)), options_(std::move(options)) {}

void InstallDriver(Driver* driver) {
  installed = driver;
  set_frame_start_hook([] { installed->Frame(); });
}

void Driver::Frame() {
  // One generator for the whole run, seeded before the first frame's draws.
  if (record_.frames == 0) SeedRandom(options_.seed);
  ++record_.frames;
  Capture();
  if (!over_) Observe();
  if (!over_ && record_.frames > options_.frame_limit) {
    std::string where = "mode " + std::to_string(game_mode);
    if (game_mode == mode_stage_play) {
      where = "stage " + std::to_string(stage) + " area " + std::to_string(area) + ", furthest x " +
              std::to_string(furthest_x_);
    }
    Finish("frame limit reached in " + where);
  }
  // Once over, the run idles until the last milestone's picture is taken, then leaves.
  if (over_) {
    Hold(captures_.empty() ? std::vector<int>{kKeyEscape} : std::vector<int>{});
  } else {
    Hold(Decide());
  }
}

void Driver::Milestone(const std::string& name, int delay) {
  record_.milestones.push_back(std::to_string(record_.frames) + " " + name);
  std::string file;
  // A milestone met again (a retry after a death) is digested but not saved again.
  bool first = true;
  for (std::size_t i = 0; i + 1 < record_.milestones.size(); ++i) {
    const std::string& m = record_.milestones[i];
    first = first && m.compare(m.find(' ') + 1, std::string::npos, name) != 0;
  }
  if (first && !options_.capture_prefix.empty()) {
    char number[16];
    std::snprintf(number, sizeof number, "%02zu-", record_.milestones.size());
    file = options_.capture_prefix + number + name + ".png";
    for (std::size_t i = options_.capture_prefix.size(); i < file.size(); ++i) {
      if (file[i] == ' ' || file[i] == ',') file[i] = '_';
    }
  }
  // Screens open with a fade: the picture is taken a little later, once the screen shows.
  captures_.push_back({record_.frames + delay, file});
}

// Digests (and saves) the milestone pictures due this frame; the framebuffer holds the frame presented last.
void Driver::Capture() {
  while (!captures_.empty() && captures_.front().frame <= record_.frames) {
    const platform::headless::Framebuffer shown = platform::headless::GetFramebuffer();
    std::uint64_t h = record_.frame_digest == 0 ? 1469598103934665603ull : record_.frame_digest;
    for (std::uint32_t p : shown.pixels) h = (h ^ p) * 1099511628211ull;
    record_.frame_digest = h;
    if (!captures_.front().file.empty()) platform::headless::SaveFramebufferPng(captures_.front().file);
    captures_.pop_front();
  }
}

void Driver::Finish(const std::string& failure) {
  over_ = true;
  record_.failure = failure;
  record_.finished = failure.empty();
}

void Driver::NextErrand() {
  errands_.pop_front();
  slot_written_ = false;
  left_location_ = false;
  shop_done_ = false;
  shop_refusals_ = bought_ = 0;
  shop_count_ = -1;
  if (errands_.empty()) Finish("");
}

// Notes what the last frame did: milestones, deaths, continues, and errands that are done.
void Driver::Observe() {
  const int mode = game_mode;
  const int previous = last_mode_;
  last_mode_ = mode;
  if (mode == mode_corrupt_save) return Finish("the save to load is corrupt");
  if (mode == mode_resources_missing) return Finish("resources missing");

  // The game counts every death, on a stage and in the falling stage; loads and continues set the count back.
  if (deaths > last_deaths_ && (mode == mode_stage_play || mode == mode_restart || mode == mode_game_over ||
                                mode == mode_fall_scene)) {
    record_.deaths += deaths - last_deaths_;
  }
  last_deaths_ = deaths;
  if (mode == mode_stage_play && PlayerState == player_story_scene && last_player_state_ != player_story_scene) {
    Milestone("scene of stage " + std::to_string(stage));
  }
  last_player_state_ = PlayerState;
  if (mode == mode_stage_play && stage * 10 + area != last_stage_area_) {
    last_stage_area_ = stage * 10 + area;
    stage_frames_ = 0;
    // A retry of the same area keeps its furthest point and its stall: only new ground or hits count as progress.
    if (last_stage_area_ != stalled_area_) {
      stalled_area_ = last_stage_area_;
      furthest_x_ = stalled_frames_ = 0;
    }
    for (Foe& foe : foes) foe = {};
    fetch_given_up_ = 0;
    fetch_target_ = -1;
    StartRoute();
    Milestone("stage " + std::to_string(stage) + " area " + std::to_string(area));
  }
  if (mode != mode_stage_play) last_stage_area_ = -1;
  if (mode == previous) {
    if (mode == mode_save && screen_phase == 3) slot_written_ = true;
    return;
  }

  // A new mode this frame.
  if (previous == mode_game_over && mode == mode_location_select) ++record_.continues_used;
  if (mode == mode_title && record_.milestones.empty()) Milestone("title");
  if (mode == mode_prologue) Milestone("prologue");
  if (mode == mode_boss_event) Milestone("boss event");
  if (mode == mode_event_scene) Milestone("altar event");
  if (mode == mode_game_over) Milestone("game over");
  if (mode == mode_fall_scene) Milestone("falling stage");
  if (mode == mode_first_ending || mode == mode_second_ending) {
    Milestone(mode == mode_first_ending ? "first ending" : "second ending", kEndingCaptureDelay);
  }
  if (errands_.empty()) return;
  const Errand errand = errands_.front();
  switch (errand.kind) {
    case ErrandKind::new_game:
      if (mode == mode_location_select) {
        Milestone("new game, hero " + std::to_string(hero));
        NextErrand();
      }
      break;
    case ErrandKind::load:
      if (previous == mode_load && mode == mode_location_select) {
        Milestone("loaded slot " + std::to_string(errand.arg));
        NextErrand();
      }
      break;
    case ErrandKind::save:
      if (previous == mode_save && mode == mode_location_select && slot_written_) {
        Milestone("saved slot " + std::to_string(errand.arg));
        NextErrand();
      }
      break;
    case ErrandKind::buy:
      if (previous == mode_shop && mode == mode_location_select) {
        Milestone("bought " + std::to_string(bought_) + " of item " + std::to_string(errand.arg));
        NextErrand();
      }
      break;
    case ErrandKind::stage:
      if (previous == mode_location_select && mode != mode_save && mode != mode_title) left_location_ = true;
      // Back from a cleared stage or a won boss event; a continue or a lost final fight tries the stage again.
      if (left_location_ && mode == mode_location_select &&
          (previous == mode_stage_play || previous == mode_boss_event)) {
        Milestone("back from stage-list entry " + std::to_string(errand.arg));
        NextErrand();
      } else if (left_location_ && mode == mode_location_select) {
        left_location_ = false;
      } else if (mode == mode_first_ending || mode == mode_second_ending) {
        NextErrand();
      }
      break;
    case ErrandKind::ending:
      if (mode == mode_title && (previous == mode_first_ending || previous == mode_second_ending)) {
        Milestone("title after the ending");
        NextErrand();
      }
      break;
  }
}

std::vector<int> Driver::Tap(int key) {
  pressed_last_ = !pressed_last_;
  return pressed_last_ ? std::vector<int>{key} : std::vector<int>{};
}

std::vector<int> Driver::Decide() {
  const int mode = game_mode;
  if (SceneMode(mode)) return Tap(kKeyMain);
  switch (mode) {
    case mode_title: return TitleKeys();
    case mode_hero_select: return HeroSelectKeys();
    case mode_location_select: return LocationKeys();
    case mode_save:
    case mode_load: return SlotScreenKeys();
    case mode_game_over: return GameOverKeys();
    case mode_shop: return ShopKeys();
    case mode_stage_play: return StageKeys();
    case mode_fall_scene: return FallKeys();
    default: return {};
  }
}

std::vector<int> Driver::TitleKeys() {
  const ErrandKind kind = errands_.front().kind;
  if (kind != ErrandKind::new_game && kind != ErrandKind::load) {
    Finish(std::string("at the title with a ") + ErrandName(kind) + " errand");
    return {};
  }
  if (screen_phase != 1) return {};
  const int wanted = kind == ErrandKind::new_game ? 0 : 1;
  return Tap(title_cursor == wanted ? kKeyMain : kKeyDown);
}

std::vector<int> Driver::HeroSelectKeys() {
  if (screen_phase != 0) return {};
  if (menu_counter_b != 0) return Tap(kKeyUp);
  const int wanted = errands_.front().kind == ErrandKind::new_game ? errands_.front().arg : 0;
  if (menu_counter_a != wanted) return Tap(wanted == 1 ? kKeyRight : kKeyLeft);
  return Tap(kKeyMain);
}

std::vector<int> Driver::LocationKeys() {
  if (stage_phase == 2) return GameMenuKeys();  // the game menu is open: close it
  const Errand errand = errands_.front();
  const int level = screen_cursor[0];
  if (level == 3) return {};  // leaving
  int place = place_castle;
  if (errand.kind == ErrandKind::save) place = place_save;
  if (errand.kind == ErrandKind::buy) place = place_shop;
  if (errand.kind == ErrandKind::load || errand.kind == ErrandKind::new_game) place = place_title;
  if (errand.kind == ErrandKind::ending) {
    Finish("at the location select while waiting for an ending");
    return {};
  }
  if (level == 1) {
    if (errand.kind != ErrandKind::stage) return Tap(kKeyJump);
    return Tap(screen_cursor[5] == errand.arg ? kKeyMain : kKeyRight);
  }
  return Tap(screen_cursor[1] == place ? kKeyMain : kKeyRight);
}

std::vector<int> Driver::SlotScreenKeys() {
  const int slot = errands_.front().arg;
  if (screen_phase == 2) return Tap(menu_counter_a == 0 ? kKeyMain : kKeyLeft);  // yes is on the left
  if (screen_phase != 1) return {};
  const bool saving = game_mode == mode_save;
  if (saving && errands_.front().kind != ErrandKind::save) {
    Finish("on the save screen without a save errand");
    return {};
  }
  const int wanted = saving && slot_written_ ? 3 : slot;  // 3 is the back entry
  return Tap(screen_cursor[1] == wanted ? kKeyMain : kKeyDown);
}

// The shop: through the greeting, into the list, the wanted consumable bought (yes is on the left) until the shop
// refuses it, then back, leave, and through the farewell.
std::vector<int> Driver::ShopKeys() {
  if (screen_phase != 2) return {};
  const int item = errands_.front().kind == ErrandKind::buy ? errands_.front().arg : 0;
  if (shop_count_ >= 0 && item_count[item] > shop_count_) {
    ++bought_;
    shop_refusals_ = 0;
  }
  shop_count_ = item_count[item];
  switch (scene_state.step) {
    case 1:
    case 8:
    case 21: return Tap(kKeyMain);
    case 3: return Tap(screen_cursor[0] == (shop_done_ ? 2 : 0) ? kKeyMain : kKeyDown);
    case 4: {
      const int row = shop_done_ ? 2 : 1;
      if (menu_counter_b != row) return Tap(kKeyDown);
      if (!shop_done_ && menu_counter_a != item) return Tap(kKeyRight);
      std::vector<int> keys = Tap(kKeyMain);
      if (!keys.empty() && !shop_done_ && ++shop_refusals_ > 3) shop_done_ = true;
      return keys;
    }
    case 5: return Tap(screen_cursor[1] == 0 ? kKeyMain : kKeyLeft);
    default: return {};
  }
}

std::vector<int> Driver::GameOverKeys() {
  if (exit_fade != 255) return {};
  return Tap(screen_cursor[0] == 0 ? kKeyMain : kKeyUp);
}

// The open game menu: while `healing_` is set, the item page and the healing item (consumable 0) used until the hit
// points are no longer low or no item is left; then the menu closed by its close command.
std::vector<int> Driver::GameMenuKeys() {
  const bool used = !healing_ || item_count[0] == 0 || !Low();
  if (game_menu_page == 2) {  // the item page: the item, then the back entry (column 5)
    if (menu_phase != 1) return {};
    const int column = used ? 5 : 0;
    if (menu_counter_a != column) return Tap(used ? kKeyRight : kKeyLeft);
    return Tap(kKeyMain);
  }
  if (game_menu_page != 0) return Tap(kKeyMain);  // another page: leave it
  // The top page: column 1 holds the commands, row 3 the items and row 4 the close command.
  if (menu_counter_a != 1) return Tap(kKeyRight);
  const int row = used ? 4 : 3;
  if (menu_counter_b != row) return Tap(menu_counter_b < row ? kKeyDown : kKeyUp);
  if (used) healing_ = heal_for_plan_ = false;
  return Tap(kKeyMain);
}

// Hit points low enough for a healing item: a third left, or half when a plan found no way on.
bool Driver::Low() const { return hp * 3 < max_hp || (heal_for_plan_ && hp * 2 < max_hp); }

std::vector<int> Driver::StageKeys() {
  if (stage_phase == 2) return GameMenuKeys();
  // The first hero's healing skill: chosen once, cast from the ground when half the hit points are gone and the
  // skill points pay for it (they come back whole in every area, the items do not).
  const bool heal_skill = hero == 0 && learned[0][kHealSkill] != 0;
  if (heal_skill && PlayerState == player_free && !healing_) {
    if (skill_sel_0 != kHealSkill) return Tap(kKeyNextSkill);
    const bool on_ground = jumping == 0 && falling == 0 && on_ladder == 0;
    if (hp * 2 < max_hp && sp >= skill_cost(kHealSkill) && on_ground && skill_effect == 0) return Tap(kKeySkill);
  }
  // Low on hit points with a healing item at hand and no skill to heal with: PAUSE opens the game menu to use it.
  const bool skill_heals = heal_skill && sp >= skill_cost(kHealSkill);
  if (PlayerState == player_free && (healing_ || (Low() && item_count[0] > 0 && !skill_heals))) {
    healing_ = true;
    return Tap(kKeyPause);
  }
  if (PlayerState == player_story_scene) {
    return auto_walk_left != 0 || auto_walk_right != 0 ? std::vector<int>{} : Tap(kKeyMain);
  }
  if (PlayerState != player_free && PlayerState != player_hurt && PlayerState != player_melee &&
      PlayerState != player_attack_1 && PlayerState != player_attack_2) {
    return {};
  }
  ++stage_frames_;
  const int x = g_x + mx;
  if (x > furthest_x_) {
    furthest_x_ = x;
    stalled_frames_ = 0;
  } else if (++stalled_frames_ > options_.stuck_limit) {
    Finish("stuck in stage " + std::to_string(stage) + " area " + std::to_string(area) + " at x " +
           std::to_string(furthest_x_));
    return {};
  }
  // Along a route the plans take care of the enemies in the way (striking them or keeping clear); a boss is the
  // driver's own fight (the great walkers once the hero stands on their floor).
  const bool plans = options_.plan && !route_.empty() && (BossAround(false) < 0 || BossAround(true) >= 0);
  bool fighting = false;
  std::vector<int> keys = WalkerKeys(&fighting);
  if (!fighting && !plans) keys = FightKeys(&fighting);
  if (!fighting && !plans) {
    bool fetching = false;
    std::vector<int> fetch = FetchKeys(&fetching);
    if (fetching) {
      route_resync_ = true;  // off the route to the item: picked up again after it
      return fetch;
    }
  }
  if (!options_.trace_path.empty() && stage_frames_ % options_.trace_every == 0) {
    std::FILE* trace = std::fopen(options_.trace_path.c_str(), "a");
    if (trace != nullptr) {
      const EnemyRecord* foe = fighting ? &enemy_pool[target_] : nullptr;
      std::fprintf(trace,
                   "frame %d stage %d area %d at %d,%d hp %d/%d/%d player %d jump %d fall %d ladder %d/%d boss %d "
                   "target %d kind %d mode %d/%d at %d,%d hp %d route %d/%zu off %d plan %zu/%zu to %d",
                   record_.frames, stage, area, x, my - g_y, hp, max_hp, item_count[0], PlayerState, int{jumping},
                   int{falling}, int{on_ladder}, int{ladder_near}, boss_phase_b, fighting ? target_ : -1,
                   foe ? foe->type : 0, foe ? foe->mode : 0, foe ? foe->timer : 0, foe ? foe->x : 0, foe ? foe->y : 0,
                   foe ? foe->hp : 0, step_, route_.size(), off_route_, plan_line_, plan_.size(), plan_step_);
      // The hazards still about that have hurt the hero, to tell what the hit points were lost to.
      for (const HazardRecord& h : hazard_pool) {
        if (h.state != hazard_free && h.touched != 0) std::fprintf(trace, " touched %d@%d,%d", h.type, h.x, h.y);
      }
      std::fputc('\n', trace);
      std::fclose(trace);
    }
  }
  if (fighting) {
    route_resync_ = true;  // the fight may have moved the hero off the route
    return keys;
  }
  if (route_.empty()) return WalkKeys();
  if (plans) {
    bool planned = false;
    std::vector<int> plan_keys = PlanKeys(&planned);
    if (planned) return plan_keys;
  }
  std::vector<int> route_keys = RouteKeys();
  if (fire_) {
    fire_ = false;
    if (!Tap(kKeyMain).empty()) route_keys.push_back(kKeyMain);
  }
  return route_keys;
}

// Loads the route of the area just entered, when the routes folder has one; without one the walker finds the way.
void Driver::StartRoute() {
  route_.clear();
  step_ = held_ = off_route_ = furthest_step_ = 0;
  plan_.clear();
  coins_given_up_.reset();
  route_frames_ = goal_floor_ = wait_frames_ = plan_failures_ = area_failures_ = 0;
  heal_for_plan_ = false;
  route_resync_ = false;
  resync_floor_ = -1;
  if (options_.routes_folder.empty()) return;
  const LevelDataSet* set = find_level_data(stage, area);
  if (set == nullptr) return;
  std::string error;
  const bool top_entry = stage == 6 && area == 2 && stage6_top_exit != 0;  // area 2 entered from area 1's top exit
  if (!LoadRoute(RoutePath(options_.routes_folder, hero, set->stage, area, top_entry), &route_, &error)) {
    route_.clear();
  }
}

// Follows the area's route: each step's keys held for its frames (a plain walk until the hero reaches the step's
// column), then on to the next when the hero stands where the step left it. Off the route (after a fight, a hit or a
// miss) it picks the route up again at the waypoint nearest the hero, or in the middle of a walk whose floor the hero
// stands on, or else walks back towards the next waypoint (jumping where a wall stops it) until it is near enough.
// Past the route's end the walker takes over.
std::vector<int> Driver::RouteKeys() {
  const int x = g_x + mx, y = my - g_y;
  const int n = static_cast<int>(route_.size());
  const auto distance = [&](const RouteStep& s) { return std::abs(x - s.x) + std::abs(y - s.y); };
  // A step that only walks one way, and whether the hero is on its stretch of floor short of its end.
  const auto walk_way = [](const RouteStep& s) {
    int way = 0;
    for (int k : s.keys) {
      if (k != kKeyLeft && k != kKeyRight) return 0;
      way += k == kKeyRight ? 1 : -1;
    }
    return way;
  };
  // A walk that starts in the air (the end of a jump over a pit) is no stretch of floor to pick up.
  const auto on_stretch = [&](int j) {
    const int way = walk_way(route_[j]);
    if (way == 0 || std::abs(y - route_[j].y) > kOnRoute) return false;
    if (j > 0 && std::abs(route_[j - 1].y - route_[j].y) > kOnRoute) return false;
    const int from = j > 0 ? route_[j - 1].x : x;
    return way > 0 ? x >= from - kOnRoute && x < route_[j].x : x <= from + kOnRoute && x > route_[j].x;
  };
  const bool on_ground = jumping == 0 && falling == 0;
  for (int guard = 0; guard <= n; ++guard) {
    if (step_ > furthest_step_) {
      furthest_step_ = step_;
      stalled_frames_ = 0;  // a waypoint further on is progress
    }
    if (route_resync_) {
      route_resync_ = false;
      // After a step of its own the route goes on from the step just done at the earliest (waypoints that lie
      // close together would otherwise send it back to redo the same steps for ever); after a fight it may go
      // back a little. Of waypoints equally near, the earlier one is taken (a route that comes back the same way
      // passes near its own earlier waypoints).
      const int done = resync_floor_;
      const int from = done >= 0 ? done : std::max(0, step_ - kResyncBehind);
      resync_floor_ = -1;
      // It skips no goal: the waypoints looked at end with the first one ahead that reaches a goal.
      int end = std::min(n, step_ + kResyncAhead);
      for (int j = step_; j < end; ++j) {
        if (!route_[j].goal.empty()) end = j + 1;
      }
      int best = -1, best_distance = kResyncRadius + 1;
      for (int j = from; j < end; ++j) {
        if (distance(route_[j]) < best_distance) {
          best = j;
          best_distance = distance(route_[j]);
        }
      }
      held_ = 0;
      if (best >= 0) {
        step_ = best + 1;
        // A dash jump starts with a frame of the dash alone: picked up at that frame's waypoint, the frame is
        // played again (unless it was the step just done), since both keys pressed at once start the dash without
        // the jump.
        if (best != done && best + 1 < n && route_[best].frames <= 2 &&
            IsLeadIn(route_[best].keys, route_[best + 1].keys)) {
          step_ = best;
        }
      } else {
        for (int j = std::max(0, step_ - kResyncBehind); j < end && best < 0; ++j) {
          if (on_ground && on_stretch(j)) best = j;
        }
        if (best >= 0) step_ = best;
      }
      off_route_ = best < 0 ? 1 : 0;
    }
    if (step_ >= n) return WalkKeys();
    const RouteStep& s = route_[step_];
    if (off_route_ > 0) {
      if (distance(s) <= kResyncRadius) {  // near enough to the waypoint: on from it
        ++step_;
        held_ = off_route_ = 0;
        continue;
      }
      if (on_ground && on_stretch(step_)) {
        held_ = off_route_ = 0;
        continue;
      }
      if (++off_route_ > kSteerLimit) {  // that waypoint is out of reach: try the next
        ++step_;
        off_route_ = 1;
        continue;
      }
      // Towards the waypoint, with a fresh jump where a wall stops the hero or the waypoint lies above.
      const int key = s.x >= x ? kKeyRight : kKeyLeft;
      since_progress_ = x != last_x_ ? 0 : since_progress_ + 1;
      last_x_ = x;
      if (jump_frames_ > 0) {
        --jump_frames_;
        return jump_frames_ > 3 ? std::vector<int>{key, kKeyJump} : std::vector<int>{key};
      }
      if (on_ground && (since_progress_ > 6 || (s.y < y - 40 && std::abs(s.x - x) < 80))) jump_frames_ = 14;
      return {key};
    }
    const int way = walk_way(s);
    const bool walked = way != 0 && held_ > 0 && (way > 0 ? x >= s.x : x <= s.x);
    if (!walked && held_ < (way != 0 ? s.frames + kWalkSlack : s.frames)) {
      ++held_;
      return s.keys;
    }
    if (std::abs(x - s.x) > kOnRoute || std::abs(y - s.y) > kOnRoute) {
      route_resync_ = true;
      resync_floor_ = step_;
    }
    ++step_;
    held_ = 0;
  }
  return WalkKeys();
}

// Plays the plan's lines, checking after each that the hero stands where the plan said; on any difference, at the
// plan's end, or after keys of another kind, it plans again from the game as it is. Not `planned` (the route follower
// takes the frame) past the route's end, on an arena's way out, or for a while after a plan that found no way on.
std::vector<int> Driver::PlanKeys(bool* planned) {
  if (plan_frame_ != record_.frames - 1) plan_.clear();
  if (!plan_.empty() && plan_held_ == plan_[plan_line_].frames) {
    const PlannedLine& line = plan_[plan_line_];
    if (g_x + mx != line.x || my - g_y != line.y) {
      ++record_.replans;
      plan_.clear();
    } else if (++plan_line_ == plan_.size()) {
      if (plan_step_ >= 0) step_ = plan_step_ + 1;
      plan_.clear();
    } else {
      plan_held_ = 0;
    }
  }
  if (step_ > furthest_step_) {
    furthest_step_ = step_;
    stalled_frames_ = 0;  // a waypoint further on is progress
  }
  if (plan_.empty()) {
    if (wait_frames_ > 0) {
      --wait_frames_;
      *planned = true;
      return StrikeNear();
    }
    if (route_frames_ > 0) {
      --route_frames_;
      return {};
    }
    if (!MakePlan()) {
      // No way on found: the hero waits for the enemies to move and plans again with a larger budget (at half its
      // hit points it heals first, to make room for the hits the plan may take); every few failures in a row the
      // route is followed by position for a while, and an area whose plans keep failing is left to it.
      if (++plan_failures_ >= kFailuresBeforeHealing) heal_for_plan_ = true;
      if (area_failures_ >= kAreaFailuresBeforeRoute) return LeaveToRoute();
      if (plan_failures_ % kFailuresBeforeRoute != 0) {
        wait_frames_ = kWaitAfterFailure;
        *planned = true;
        return {};
      }
      route_frames_ = kRouteFramesAfterFailure;
      route_resync_ = true;
      return {};
    }
    plan_failures_ = 0;
    if (area_failures_ >= kAreaFailuresBeforeRoute) {
      plan_.clear();
      return LeaveToRoute();
    }
    // An empty plan waits: the run-out after the exit line.
    if (plan_.empty()) {
      *planned = true;
      return {};
    }
  }
  *planned = true;
  plan_frame_ = record_.frames;
  ++plan_held_;
  return passability::KeysOfPad(plan_[plan_line_].pad);
}

// Leaves the rest of the area's try to the route follower, which walks back to the step the plans had not yet got
// past and follows the route from there.
std::vector<int> Driver::LeaveToRoute() {
  route_frames_ = 1 << 30;
  route_resync_ = false;
  off_route_ = 1;
  held_ = 0;
  return {};
}

namespace {

// The live goal that a route step reached: of the step's goal name, not met yet, the one nearest to where the route
// met it. False when there is none.
bool LiveGoal(const RouteStep& s, passability::Goal* goal) {
  int best = 1 << 30;
  for (const passability::Goal& g : passability::AreaGoals()) {
    const int d = g.kind == passability::GoalKind::exit || g.kind == passability::GoalKind::end_of_room
                      ? 0
                      : std::abs(g.x - (s.x + 30)) + std::abs(g.y - (s.y + 50));
    if (g.name == s.goal && d < best && !passability::GoalReached(g)) {
      best = d;
      *goal = g;
    }
  }
  return best < (1 << 30);
}

}  // namespace

// The plan's target `horizon` route frames on from `from`: the first goal line before it (the live goal of that name
// nearest to where the route met it; goals already met are passed over, moving `from` on), else a waypoint where
// the hero stands (the next step walks on from the same height) at or a little beyond the horizon, else the one the
// horizon meets. The step is -1 for none, -2 for the run-out after the exit and -3 for an arena's way out.
int Driver::PlanTarget(int* from, int horizon, passability::Goal* target) const {
  const int n = static_cast<int>(route_.size());
  int frames = 0;
  for (int j = *from; j < n; ++j) {
    const RouteStep& s = route_[j];
    if (s.goal == "run-out") {
      *from = j + 1;
      return -2;
    }
    if (s.goal == "arena") return -3;
    if (!s.goal.empty()) {
      if (LiveGoal(s, target)) return j;
      if (*from == j) *from = j + 1;
      continue;
    }
    frames += s.frames;
    if (frames < horizon && j + 1 < n) continue;
    const auto standing = [&](int k) {
      return k + 1 < n && route_[k + 1].goal.empty() && WalksOnly(route_[k + 1].keys) &&
             route_[k + 1].y == route_[k].y && (k == 0 || route_[k - 1].y == route_[k].y);
    };
    int pick = j;
    int k = j;
    for (int more = 0; k < n && more < kStandingSearch && route_[k].goal.empty(); more += route_[k].frames, ++k) {
      if (standing(k)) {
        pick = k;
        break;
      }
    }
    // No floor before the next goal: the goal itself, rather than a place in mid-air (a plan that ends in a jump may
    // leave the hero where no move saves it, over a pit or on spikes).
    if (pick == j && !standing(j) && k < n && !route_[k].goal.empty() && route_[k].goal != "run-out" &&
        route_[k].goal != "arena" && LiveGoal(route_[k], target)) {
      return k;
    }
    *target = passability::PlaceGoal(route_[pick].x + 30, route_[pick].y + 50, standing(pick));
    return pick;
  }
  return -1;
}

// The first waypoint at least kNearHorizon route frames on where the hero walks on a floor (the next line goes on
// from the same height), before the next goal; -1 for none.
int Driver::NearTarget(passability::Goal* target) const {
  const int n = static_cast<int>(route_.size());
  int frames = 0;
  for (int k = step_; k + 1 < n && route_[k].goal.empty(); ++k) {
    frames += route_[k].frames;
    if (frames >= kNearHorizon && WalksOnly(route_[k].keys) && route_[k + 1].y == route_[k].y) {
      *target = passability::PlaceGoal(route_[k].x + 30, route_[k].y + 50, true);
      return k;
    }
  }
  return -1;
}

// Plans from the game as it is towards the route's next goal or a waypoint about kPlanHorizon route frames on; when
// no way there is found, towards waypoints further on (the route may come down to where the hero is), or for a goal
// to where the route came at it from, or a floor a few steps on; failing all, the way to the place nearest the first
// target where the hero stands, unless that drops it far below. The way to a great walker still to fight is
// planned, and an orb or a coin of worth off the route fetched, first. False when there is nothing to plan (the
// route's end, an arena) or no move leads nearer.
bool Driver::MakePlan() {
  plan_line_ = 0;
  plan_held_ = 0;
  plan_step_ = -1;
  passability::PlanOptions options;
  options.frame_budget = kPlanBudget * std::min(1 + plan_failures_, kMaxBudgetScale);
  options.damage_weight = std::max(1, kDamageCost / std::max(1, static_cast<int>(max_hp)));
  // After failures in a row any hit short of death is allowed.
  options.min_hp = plan_failures_ >= kFailuresBeforeHealing
                       ? 1
                       : std::max(1, std::min(static_cast<int>(hp) / 2, static_cast<int>(max_hp) / 4));
  // A goal that the route follower walked past (after a failed plan) is gone back for.
  passability::Goal missed;
  for (int j = goal_floor_; j < step_; ++j) {
    const std::string& name = route_[j].goal;
    if (!name.empty() && name != "exit" && name != "run-out" && LiveGoal(route_[j], &missed)) {
      step_ = j;
      break;
    }
  }
  goal_floor_ = step_;
  // A great walker to fight: a plan to its floor just beyond the reach of its wave on its right, where the driver's
  // own fight takes over.
  const int walker = WalkerToFight();
  if (walker >= 0 && std::abs(enemy_pool[walker].x - (g_x + mx)) < kWalkerApproach) {
    const EnemyRecord& e = enemy_pool[walker];
    const int x = enemy_hit_box(e).right + kWaveReachRight + 8 - 19;  // the hero's cell
    const int floor = e.y + kWalkerFloor;
    passability::Goal goal = passability::PlaceGoal(x + 30, floor + 50, true);
    // From above and from the left, the way in passes over the walkers (not down among them): from floor to floor
    // of those just above their heads, the next one ahead each time, up to the one over the place, to drop from
    // there.
    const int hx = g_x + mx;
    if (my - g_y < floor - kWalkerAbove && hx < x) {
      int west = e.x;
      for (int i = 0; i < enemy_loop_end(); ++i) {
        if (enemy_pool[i].type == kGreatWalker && enemy_pool[i].state == enemy_active) {
          west = std::min(west, enemy_pool[i].x);
        }
      }
      int next = 1 << 30, next_stand = 0;
      for (const StageObject& g : gimmicks) {
        if (g.in_use != 1 || g.solid == 0 || g.type == kDeadlyFloor || g.type == kFallingFloor) continue;
        const int left = g.x + g.box_x0, stand = g.y - g.stand_offset;
        if (stand >= floor - kWalkerAbove || stand < floor - kWalkerHigh) continue;
        if (left > std::max(hx + 40, west - 100) && left < x + kWalkerAbove && left < next) {
          next = left;
          next_stand = stand;
        }
      }
      if (next < 1 << 30) goal = passability::PlaceGoal(next + 40, next_stand + 50, true);
    }
    return Take(PlanTo(goal, options));
  }
  // An orb that appeared on the way (a boss's reward, not on the route) is fetched first.
  for (const passability::Goal& g : passability::AreaGoals()) {
    if (g.name != "item35" || std::abs(g.x - (g_x + mx)) > kOrbReach || passability::GoalReached(g)) continue;
    const bool on_route = std::any_of(route_.begin() + step_, route_.end(), [](const RouteStep& r) {
      return r.goal == "item35";
    });
    if (on_route) break;
    if (Take(PlanTo(g, options))) return true;
  }
  if (FetchCoin(options)) return true;
  passability::Plan first;
  int reached_step = -1;
  int tried = -1;
  int from = step_;
  int first_target_y = -1;  // the hero's height at the first target, -1 for a target that has none (an exit)
  for (int attempt = 0; attempt < kPlanTargets; ++attempt) {
    passability::Goal target;
    const int horizon = attempt == 0 ? kPlanHorizon : kPlanHorizon * 3 * attempt;
    int start = from;
    const int target_step = PlanTarget(&start, horizon, &target);
    if (attempt == 0) {
      step_ = from = start;
      if (target_step >= 0 && target.kind != passability::GoalKind::exit &&
          target.kind != passability::GoalKind::end_of_room) {
        first_target_y = target.y - 50;
      }
    }
    if (target_step == -2) return true;  // the run-out: an empty plan, no keys
    if (target_step < 0 || target_step <= tried) break;
    tried = target_step;  // targets further on only
    // Only the first target gets the larger budget of a retry.
    if (attempt == 1) options.frame_budget = kPlanBudget;
    passability::Plan plan = PlanTo(target, options);
    if (plan.reached) {
      first = std::move(plan);
      reached_step = target_step;
      break;
    }
    if (attempt == 0) first = std::move(plan);
    if (target.kind != passability::GoalKind::place) {
      // A goal out of reach from here: the plan goes to where the route came at it from, then at the goal again.
      if (target_step > 0) {
        const RouteStep& before = route_[target_step - 1];
        options.frame_budget = kPlanBudget;
        passability::Plan approach = PlanTo(passability::PlaceGoal(before.x + 30, before.y + 50, false), options);
        if (approach.reached && !approach.lines.empty()) first = std::move(approach);
      }
      break;
    }
  }
  // Far targets out of reach: a floor along the route a few steps on (the search may lose its way over a run of
  // ledges when a lower floor looks nearer to a far target).
  if (reached_step < 0 && first_target_y >= 0) {
    passability::Goal near;
    const int near_step = NearTarget(&near);
    if (near_step >= 0) {
      options.frame_budget = kPlanBudget;
      passability::Plan plan = PlanTo(near, options);
      if (plan.reached) {
        first = std::move(plan);
        reached_step = near_step;
      }
    }
  }
  plan_step_ = reached_step;
  if (reached_step < 0) {
    ++area_failures_;
    // A plan that falls short and drops the hero well below both where it stands and its target may leave it where
    // no way leads back: the hero waits and plans again instead.
    const int lowest = std::max(my - g_y, first_target_y) + kDropLimit;
    if (first_target_y >= 0 && !first.lines.empty() && first.lines.back().y > lowest) return false;
  }
  return Take(first);
}

// Plans the way to the nearest coin of worth within reach; a coin the search cannot reach is not tried again in the
// area's try. False when none is near or reached.
bool Driver::FetchCoin(const passability::PlanOptions& options) {
  const int hx = g_x + mx, hy = my - g_y;
  while (true) {
    int best = -1, best_distance = 1 << 30;
    for (int i = 0; i < enemy_loop_end(); ++i) {
      const EnemyRecord& e = enemy_pool[i];
      if ((e.type != kCoin50 && e.type != kCoin500) || e.state != enemy_active || coins_given_up_[i]) continue;
      const int dx = std::abs(e.x - hx), dy = e.y - hy;
      if (dx > kCoinReachX || dy < -kCoinReachUp || dy > kCoinReachDown) continue;
      if (dx + std::abs(dy) < best_distance) {
        best = i;
        best_distance = dx + std::abs(dy);
      }
    }
    if (best < 0) return false;
    const EnemyRecord& e = enemy_pool[best];
    passability::Plan plan = PlanTo({"coin", passability::GoalKind::item, best, e.x, e.y}, options);
    if (plan.reached && Take(plan)) return true;
    coins_given_up_[best] = true;
  }
}

passability::Plan Driver::PlanTo(const passability::Goal& goal, const passability::PlanOptions& options) {
  passability::Plan plan = passability::PlanFromHere(goal, options);
  ++record_.plans;
  record_.planned_frames += plan.simulated_frames;
  return plan;
}

bool Driver::Take(const passability::Plan& plan) {
  for (const passability::RouteLine& line : plan.lines) plan_.push_back({line.frames, line.pad, line.x, line.y});
  return !plan_.empty();
}

// Walks to a recovery item lying on the hero's own floor nearby while the hero lacks what it gives, along floor
// that holds; gives up on one it has not reached after a while.
std::vector<int> Driver::FetchKeys(bool* fetching) {
  const bool wants_hp = hp < max_hp, wants_sp = hero == 0 && sp < max_sp;
  const bool on_ground = jumping == 0 && falling == 0;
  if (!on_ground || (!wants_hp && !wants_sp)) return {};
  int best = -1, best_distance = 1 << 30;
  for (int i = 0; i < pickup_pool_size; ++i) {
    const Pickup& p = pickups[i];
    if (p.active != 1 || p.landed == 0 || (fetch_given_up_ >> i & 1) != 0) continue;
    const bool heals = p.kind == pickup_heal_10 || p.kind == pickup_heal_20 || p.kind == pickup_heal_40 ||
                       p.kind == pickup_heal_full || p.kind == pickup_refill;
    const bool fills = p.kind == pickup_sp_10 || p.kind == pickup_sp_20 || p.kind == pickup_sp_40;
    if (!(heals && wants_hp) && !(fills && wants_sp)) continue;
    // Screen boxes: the item's 24 pixels against the hero's body and the height it stands in.
    const int dx = p.x - g_x + 12 - (mx + 25), top = p.y + g_y;
    if (std::abs(dx) > 250 || top + 24 <= my || top >= my + 100) continue;
    if (std::abs(dx) < best_distance) {
      best = i;
      best_distance = std::abs(dx);
    }
  }
  if (best != fetch_target_) {
    fetch_target_ = best;
    fetch_frames_ = 0;
  }
  if (best < 0) return {};
  const bool right = pickups[best].x - g_x + 12 > mx + 25;
  if (++fetch_frames_ > kPickupPatience || !FloorBeside(right, 5)) {
    fetch_given_up_ |= 1u << best;
    return {};
  }
  *fetching = true;
  return {right ? kKeyRight : kKeyLeft};
}

// Faces the nearest enemy the hero can hurt, ahead or just behind, and strikes it with fresh presses from where the
// attack meets its hit box; gives up on one whose hit points stand still for a while (one the hero cannot reach) and
// walks on, except on a boss, which keeps the way shut until it falls.
std::vector<int> Driver::FightKeys(bool* fighting) {
  const int hx = g_x + mx, hy = my - g_y;
  int best = -1, best_distance = 1 << 30;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (!hero_can_hit(e) || e.hp <= 0) continue;
    if (foes[i].still > kFightPatience && !Boss(e)) continue;
    const HitBox box = enemy_hit_box(e);
    // Another enemy is fought only where the hero's attack meets it standing: the shot flies level at the height
    // of the hero's chest, the swings reach from its head to its feet. One above or below is walked past.
    const bool shot = hero == 0 && main_form == 1;
    if (!Boss(e) && (box.bottom <= hy + (shot ? 35 : 5) || box.top >= hy + (shot ? 55 : 100))) continue;
    const int dx = (box.left + box.right) / 2 - (hx + 30), dy = (box.top + box.bottom) / 2 - (hy + 50);
    // A boss is fought wherever it stands on the screen; others only ahead or just behind.
    const int behind = Boss(e) ? -640 : -160, ahead = Boss(e) ? 640 : 320;
    if (dx < behind || dx > ahead || dy < -220 || dy > 220) continue;
    const int distance = std::abs(dx) + std::abs(dy);
    if (distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  if (best < 0) return {};
  const EnemyRecord& e = enemy_pool[best];
  Foe& foe = foes[best];
  if (!foe.seen || foe.hp != e.hp) {
    if (foe.seen) stalled_frames_ = 0;  // a hit is progress
    foe = {true, e.hp, 0};
  }
  ++foe.still;
  target_ = best;
  *fighting = true;
  if (e.type == kGiant) {
    bool dodging = false;
    std::vector<int> keys = DodgeGiant(e, &dodging);
    if (dodging) return keys;
  }
  const bool facing_right = pose >= 0 && pose <= 8;
  const HitBox box = enemy_hit_box(e);
  const bool on_right = BoxOnRight(box, hx);
  const int gap = BodyGap(box, hx);
  // The first hero's shot reaches across the screen; the mace and the second hero's swords about 60 pixels.
  const int reach = hero == 0 && main_form == 1 ? 260 : kMeleeReach;
  if (gap > reach || OnFallingFloor()) {  // no stand on a floor that drops away
    // Out of reach: on along the route, which leads past it (a boss keeps the way shut: the hero goes at it).
    if (!route_.empty() && !Boss(e)) {
      *fighting = false;
      return {};
    }
    return on_right ? WalkKeys() : std::vector<int>{kKeyLeft};
  }
  if (Boss(e)) return StrikeKeys(box);
  if (!route_.empty()) {
    // On a route the hero stops to fight only where the route just walks on the ground; elsewhere (a jump, a dash,
    // a climb) it keeps to the route's inputs, the first hero firing its shot on the way, which does not stop it.
    const bool on_ground = jumping == 0 && falling == 0;
    const std::vector<int>& held = step_ < static_cast<int>(route_.size()) ? route_[step_].keys : std::vector<int>{};
    const bool walking = std::all_of(held.begin(), held.end(), [](int k) { return k == kKeyLeft || k == kKeyRight; });
    if (!on_ground || !walking) {
      *fighting = false;
      fire_ = hero == 0 && main_form == 1 && on_right == facing_right;
      return {};
    }
  }
  if (on_right != facing_right) return {on_right ? kKeyRight : kKeyLeft};
  return Tap(kKeyMain);
}

// While the hero waits for a way on, it strikes the nearest enemy within its attack's reach at its own height (one
// that bars the way may be struck down); no keys when none is.
std::vector<int> Driver::StrikeNear() {
  const int hx = g_x + mx, hy = my - g_y;
  if (jumping != 0 || falling != 0) return {};
  const int reach = hero == 0 && main_form == 1 ? 260 : kMeleeReach;
  int best = -1, best_gap = reach + 1;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (!hero_can_hit(e) || e.hp <= 0) continue;
    const HitBox box = enemy_hit_box(e);
    if (box.bottom <= hy + 5 || box.top >= hy + 100) continue;
    const int gap = std::max(0, BodyGap(box, hx));
    if (gap < best_gap) {
      best = i;
      best_gap = gap;
    }
  }
  if (best < 0) return {};
  return StrikeKeys(enemy_hit_box(enemy_pool[best]));
}

// The great walkers, fought from their floor: the hero waits just beyond the reach of their ground waves while one
// is due, walks in to the nearest once they have passed, swings from the walk as the sword comes within reach and
// stops as soon as it hit (which ends a swing from a walk), and walks back out before the next wave; on the way it
// jumps the cards of the casters hovering there and strikes those down between their volleys. A hero on a ladder
// just over the floor climbs down first. Not `fighting` (the plans take the hero there) while the hero is away from
// the walkers' floor or between two of them.
std::vector<int> Driver::WalkerKeys(bool* fighting) {
  const int chosen = WalkerToFight();
  if (chosen < 0) return {};
  const int hx = g_x + mx, hy = my - g_y;
  struct Near {
    int record;
    bool right_side;  // the hero stands on the walker's right
    int gap;          // between the hero's body (x 19..40 of its cell) and the walker's
  };
  std::vector<Near> near;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& w = enemy_pool[i];
    if (w.type != kGreatWalker || (w.state != enemy_active && i != chosen)) continue;
    if (std::abs(hy - (w.y + kWalkerFloor)) > 8) continue;
    const HitBox box = enemy_hit_box(w);
    const int gap = BodyGap(box, hx);
    if (gap <= kWalkerZone) near.push_back({i, !BoxOnRight(box, hx), gap});
  }
  if (near.empty()) return {};
  const bool right_side = near.front().right_side;
  const Near* nearest = &near.front();
  for (const Near& n : near) {
    if (n.right_side != right_side) return {};
    if (n.gap < nearest->gap) nearest = &n;
  }
  *fighting = true;
  target_ = nearest->record;
  const EnemyRecord& e = enemy_pool[target_];
  if (e.state != enemy_active) return {};  // its fall brings out the orb
  Foe& foe = foes[target_];
  if (!foe.seen || foe.hp != e.hp) {
    if (foe.seen) stalled_frames_ = 0;  // a hit is progress
    foe = {true, e.hp, 0};
  }
  const int gap = nearest->gap;
  const int toward = right_side ? kKeyLeft : kKeyRight, away = right_side ? kKeyRight : kKeyLeft;
  const int safe = (right_side ? kWaveReachRight : kWaveReach) + 4;
  const std::vector<int> back_off = gap < safe ? std::vector<int>{away} : std::vector<int>{};
  // A hero hanging on a ladder just over the floor walks nowhere and cannot swing: down onto the floor first.
  if (on_ladder != 0 && ladder_move == 0 && PlayerState == player_free) return {kKeyDown};
  // Frames before a walker's wave may hurt (0 while it may): in its other modes a walker is a frame or two from
  // mode 2.
  const auto quiet = [](const EnemyRecord& w) {
    const int t = w.timer;
    return w.mode == 2   ? (t < kWaveFrom ? kWaveFrom - t : t <= kWaveTo ? 0 : kWalkerCycle - t + kWaveFrom)
           : w.mode == 3 ? 30 - t + kWaveFrom
                         : kWaveFrom;
  };
  // True when a wave is due before the hero, `walk_in` pixels further in and after `spare` frames more, could be
  // back out of its reach.
  const auto pressed = [&](int walk_in, int spare) {
    for (const Near& n : near) {
      const EnemyRecord& w = enemy_pool[n.record];
      const int out = (safe - (n.gap - walk_in) + kWalkStep - 1) / kWalkStep;
      if (w.state == enemy_active && out > 0 && quiet(w) <= std::max(0, walk_in) / kWalkStep + spare + out) {
        return true;
      }
    }
    return false;
  };
  if (PlayerState == player_attack_1 || PlayerState == player_attack_2) {
    if (walk_attack == 0) return {};
    if (e.hit_flag != 0 || attack_count > 13 || gap <= kWalkerClose || pressed(0, 2)) return {};
    return {toward};
  }
  const bool on_ground = jumping == 0 && falling == 0;
  if (PlayerState != player_free) return {away};
  if (!on_ground) return back_off;  // a jump over a card: up, and back out of a wave's reach
  if (gap < kWalkerClose || pressed(0, 2)) return back_off;
  // A card flying at the hero's legs (casters hover by the walkers) is jumped where no wave will reach the jump.
  if (!pressed(0, kCardJumpFrames)) {
    for (const HazardRecord& h : hazard_pool) {
      if (h.state != hazard_live || h.type != kCard) continue;
      const HitBox cb = hazard_hit_box(h);
      if (cb.bottom <= hy + 17 || cb.top >= hy + 85) continue;
      const int ahead = h.direction == 0 ? cb.left - (hx + 40) : hx + 19 - cb.right;
      if (ahead >= 0 && ahead < kCardNear) return {kKeyJump};
    }
  }
  // Another enemy near on the hero's floor (a card caster hovers there) is struck first, from where the waves do
  // not reach.
  int other = -1, other_gap = 1 << 30;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& o = enemy_pool[i];
    if (o.type == kGreatWalker || !hero_can_hit(o) || o.hp <= 0) continue;
    const HitBox ob = enemy_hit_box(o);
    if (ob.bottom <= hy + 5 || ob.top >= hy + 70) continue;
    const int d = BodyGap(ob, hx);
    if (d < other_gap && d < kWalkerZone) {
      other = i;
      other_gap = d;
    }
  }
  if (other >= 0) {
    const HitBox ob = enemy_hit_box(enemy_pool[other]);
    const bool other_right = BoxOnRight(ob, hx);
    const bool toward_walkers = other_right != right_side;
    // A card thrown from close by comes too soon to be jumped, and one thrown during a strike finds the hero unable
    // to: while a card is due the hero keeps back from the caster, free to jump.
    if (FramesBeforeCard(enemy_pool[other]) <= kStrikeFrames) {
      if (other_gap < kCardClear && (toward_walkers || gap - kWalkStep >= safe)) {
        return {other_right ? kKeyLeft : kKeyRight};
      }
      return {};
    }
    if (other_gap > kMeleeReach) {
      if (!toward_walkers || gap - kWalkStep >= safe) return {other_right ? kKeyRight : kKeyLeft};
    } else if (gap >= safe) {
      return StrikeKeys(ob);
    }
  }
  // Time for a swing: in to the sword's reach, the swing, and back out, before any wave.
  if (pressed(std::max(0, gap - kSwingReach), kSwingFrames + 3)) return back_off;
  if (gap > kSwingStart) return {toward};
  std::vector<int> keys = Tap(kKeyMain);
  keys.push_back(toward);
  return keys;
}

// Strikes at a box within reach without touching it: a turn takes a step, so the hero first steps back when the step
// would meet the box, and out of it when it already does.
std::vector<int> Driver::StrikeKeys(const HitBox& box) {
  const int hx = g_x + mx;
  const bool on_right = BoxOnRight(box, hx);
  const int gap = BodyGap(box, hx);
  const bool facing_right = pose >= 0 && pose <= 8;
  const int away = on_right ? kKeyLeft : kKeyRight;
  if (gap < 0) return {away};
  if (on_right != facing_right) return {gap < 4 ? away : on_right ? kKeyRight : kKeyLeft};
  return Tap(kKeyMain);
}

// The arena's giant shows each attack before it lands, by its mode and timer: the swing (mode 3) strikes a low box
// before it from frame 46 to 64, the strike (mode 5) drops a pillar at frame 80 where the hero stood when it began,
// the beam (mode 6) sweeps the whole floor before it from frame 50 and the volley (mode 7) rolls fire along it. The
// hero jumps the swing in place, walks out of the pillar away from the giant (unless a pit lies that way) and gets
// behind it ahead of the beam and the volley; the giant's body in the way is jumped over.
// `dodging` is set while such an attack is under way and the keys are the hero's answer.
std::vector<int> Driver::DodgeGiant(const EnemyRecord& e, bool* dodging) {
  constexpr int kFar = 1 << 20;
  const int hx = g_x + mx;
  const HitBox box = enemy_hit_box(e);
  const int centre = (box.left + box.right) / 2;
  const bool right = e.facing == 1;
  const bool on_ground = jumping == 0 && falling == 0;
  const int t = e.timer;
  int lo = 0, hi = 0;  // the world columns the hero's body (x 19..40 of its cell) must keep out of
  int side = 0;        // the way out: -1 left, 1 right, 0 up
  switch (e.mode) {
    case 3:
      if (t >= 68) return {};
      lo = right ? e.x + 192 : e.x + 27;
      hi = right ? e.x + 328 : e.x + 163;
      break;
    case 5:
      if (t < 1 || t > 195) return {};
      lo = e.counter2 - 8;
      hi = e.counter2 + 194;
      side = hx + 30 < centre ? -1 : 1;
      if (!FloorBeside(side > 0, 100)) side = -side;
      break;
    case 6:
      if (t > 140) return {};
      [[fallthrough]];
    case 7:
      // The beam ends 150 columns right of the giant's cell, the fire starts 113 in; the body itself hurts too.
      lo = right ? box.left - 12 : -kFar;
      hi = right ? kFar : box.right + 12;
      side = right ? -1 : 1;
      break;
    default: return {};
  }
  *dodging = true;
  const int body_lo = hx + 19, body_hi = hx + 40;
  const bool striking = PlayerState == player_attack_1 || PlayerState == player_attack_2;
  if (body_hi < lo || body_lo > hi || (side == 0 && t < 8)) {
    // Out of reach of the attack (or before the swing needs an answer): strike the giant within the swords' reach.
    const int gap = BodyGap(box, hx);
    if (gap > kMeleeReach || !on_ground || striking) return {};
    return StrikeKeys(box);
  }
  if (side == 0) {
    // Up, so that the jump's highest stretch (frames 11 to 38 of it) covers the box's frames.
    if (!on_ground) return {kKeyJump};
    return t >= 30 && !striking ? std::vector<int>{kKeyJump} : std::vector<int>{};
  }
  const bool to_right = side > 0;
  const int key = to_right ? kKeyRight : kKeyLeft;
  const bool body_ahead = to_right ? centre > hx + 30 : centre < hx + 30;
  const int gap = to_right ? box.left - body_hi : body_lo - box.right;  // to the body, when it is ahead
  if (!on_ground) {
    // Over the body: up clear of its top before drifting over it at the running jump's pace, then down behind it.
    const bool past = to_right ? body_lo > box.right + 24 : body_hi < box.left - 24;
    const bool above = my - g_y + 85 < box.top - 2;
    if (past && (!body_ahead || gap < -24)) return {kKeyJump};
    return above || !body_ahead || gap >= 6 ? std::vector<int>{key, kKeyJump} : std::vector<int>{kKeyJump};
  }
  if (!body_ahead) return {key};
  // The running jump takes off 10 to 22 columns before the body: a dash frame and the jump frame carry it 9 on.
  if (gap < 10) return {to_right ? kKeyLeft : kKeyRight};
  if (dashing == 0 && dash != 0) return {key};  // a dash held to its end stops: let go for a frame to start another
  if (gap > 40) return {key, kKeyDash};
  if (gap > 22) return {key};
  return dashing == 0 ? std::vector<int>{key, kKeyDash} : std::vector<int>{key, kKeyDash, kKeyJump};
}

// The falling stage: the hero floats freely, so it steers away from the enemies near it and back towards the middle
// of the shaft, firing all the while.
std::vector<int> Driver::FallKeys() {
  double ax = (300 - mx) * 0.002, ay = (200 - my) * 0.002;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_active) continue;
    const double dx = mx + 30 - (e.x + 40), dy = my + 50 - (e.y + 40);
    const double d2 = dx * dx + dy * dy;
    if (d2 > 250.0 * 250.0) continue;
    const double push = 4000.0 / (d2 + 100.0);
    ax += dx * push / 10;
    ay += dy * push / 10;
  }
  std::vector<int> keys;
  if (ax > 0.05) keys.push_back(kKeyRight);
  if (ax < -0.05) keys.push_back(kKeyLeft);
  if (ay > 0.05) keys.push_back(kKeyDown);
  if (ay < -0.05) keys.push_back(kKeyUp);
  pressed_last_ = !pressed_last_;
  if (pressed_last_) keys.push_back(kKeyMain);
  return keys;
}

// Walks right, jumps when a step or wall stops it, climbs a ladder it stands beside and dash-jumps off its top, and
// backs off a little when the way ahead stays shut.
std::vector<int> Driver::WalkKeys() {
  const int x = g_x + mx;
  since_progress_ = x > last_x_ ? 0 : since_progress_ + 1;
  last_x_ = x;
  if (back_frames_ > 0) {
    --back_frames_;
    return back_frames_ < 12 ? std::vector<int>{kKeyLeft, kKeyJump} : std::vector<int>{kKeyLeft};
  }
  if (stalled_frames_ > 0 && stalled_frames_ % kBackOffAfter == 0) {
    back_frames_ = kBackOffFrames;
    return {kKeyLeft};
  }
  if (climbing_) {
    if (on_ladder != 0 || ladder_move != 0) return {kKeyUp};
    climbing_ = false;
    dash_jump_frames_ = 16;
  }
  if (dash_jump_frames_ > 0) {
    --dash_jump_frames_;
    if (dash_jump_frames_ >= 13) return {kKeyRight, kKeyDash};
    return {kKeyRight, kKeyDash, kKeyJump};
  }
  const bool on_ground = jumping == 0 && falling == 0;
  if (on_ground && ladder_near != 0 && on_ladder_top == 0 && jump_frames_ == 0) {
    climbing_ = true;
    return {kKeyUp};
  }
  if (jump_frames_ > 0) {
    if (--jump_frames_ == 0) jump_frames_ = -4;
    return {kKeyRight, kKeyJump};
  }
  if (jump_frames_ < 0) ++jump_frames_;
  // A pit, a deadly floor or a falling one just ahead, or a falling floor underfoot: on with a running jump.
  if (on_ground && jump_frames_ == 0 && (OnFallingFloor() || !FloorAhead(30, 160))) {
    dash_jump_frames_ = 16;
    return {kKeyRight, kKeyDash};
  }
  if (since_progress_ > 6 && on_ground && jump_frames_ == 0) jump_frames_ = 10;
  return {kKeyRight};
}

}  // namespace playthrough
