// A closed-loop player for the headless game: called at the start of every frame (the main loop's frame hook), it
// reads the game's state (mode, screen cursors, the hero, the enemies, the story's flags) and writes that frame's
// keys. It follows a plan of errands (save, load, play a stage) and reacts to what the game shows: menus are walked
// by their cursors, talks are paged with fresh presses, stages are walked and fought, game overs are continued.
#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "game/enemy/enemy_pool.h"
#include "tests/playthrough/route.h"

namespace passability {
struct Goal;
struct Plan;
struct PlanOptions;
}
struct HitBox;

namespace playthrough {

// DirectInput key codes under the default button map.
inline constexpr int kKeyEscape = 1;
inline constexpr int kKeyMain = 44;   // Z
inline constexpr int kKeyJump = 45;   // X
inline constexpr int kKeyDash = 46;   // C
inline constexpr int kKeySkill = 30;  // A
inline constexpr int kKeyUp = 200;
inline constexpr int kKeyLeft = 203;
inline constexpr int kKeyRight = 205;
inline constexpr int kKeyDown = 208;

// Frames between a milestone and its picture (screens open with a fade).
inline constexpr int kCaptureDelay = 40;

// Places of the location select, by its place cursor.
enum Place : int { place_castle = 0, place_shop = 2, place_save = 4, place_title = 5 };

enum class ErrandKind {
  new_game,  // from the title: a new game with `arg` as the hero (the hero select offers one once a scenario is clear)
  load,      // from the title, or from the location select by way of the title: load slot `arg`
  save,      // from the location select: save into slot `arg`, back to the location select
  buy,       // from the location select: in the shop, buy consumable `arg` until the shop refuses (money or limit)
  stage,     // from the location select: play stage-list entry `arg` until the game is back at the location select
  ending,    // play on (scenes, stage, endings) until the title shows after an ending
};

struct Errand {
  ErrandKind kind;
  int arg = 0;
};

// What a run did, for the report and for comparing two runs.
struct RunRecord {
  int frames = 0;
  int deaths = 0;
  int continues_used = 0;
  bool finished = false;  // every errand done
  std::string failure;    // why the run stopped early, empty when finished
  std::vector<std::string> milestones;  // "frame name", one per milestone reached
  std::uint64_t frame_digest = 0;       // FNV-1a over every milestone frame's pixels
  int plans = 0;                        // moves planned from the live state
  int replans = 0;                      // plans dropped because the game went otherwise than planned
  long planned_frames = 0;              // frames the plans simulated
};

struct DriverOptions {
  std::uint32_t seed = 1;
  int frame_limit = 60000;          // the run stops, failed, after this many frames
  int stuck_limit = 3000;           // stage frames without new ground or a hit (over an area's retries): give up
  std::string capture_prefix;       // milestone frames are saved as <prefix>NN-<name>.png when not empty
  std::string trace_path;           // every `trace_every`th stage frame appends the hero's place and state here
  int trace_every = 100;
  std::string routes_folder;        // the areas' routes (hero<H>/stage<S>_area<A>.route) when not empty
  bool plan = true;                 // plan the moves along a route from the live state (else follow it by position)
};

class Driver {
 public:
  Driver(std::deque<Errand> errands, DriverOptions options);

  // One frame: decides and sets this frame's keys (the headless input script); Escape once the run is over.
  void Frame();
  const RunRecord& record() const { return record_; }

 private:
  std::vector<int> Decide();
  std::vector<int> Tap(int key);  // a fresh press: the key on one frame, nothing on the next
  std::vector<int> TitleKeys();
  std::vector<int> HeroSelectKeys();
  std::vector<int> LocationKeys();
  std::vector<int> SlotScreenKeys();
  std::vector<int> ShopKeys();
  std::vector<int> GameMenuKeys();
  std::vector<int> GameOverKeys();
  std::vector<int> StageKeys();
  bool Low() const;
  std::vector<int> WalkKeys();
  void StartRoute();
  std::vector<int> RouteKeys();
  std::vector<int> PlanKeys(bool* planned);
  bool MakePlan();
  bool FetchCoin(const passability::PlanOptions& options);
  std::vector<int> LeaveToRoute();
  int PlanTarget(int* from, int horizon, passability::Goal* target) const;
  int NearTarget(passability::Goal* target) const;
  passability::Plan PlanTo(const passability::Goal& goal, const passability::PlanOptions& options);  // counted
  bool Take(const passability::Plan& plan);  // the plan's lines to play; false when it has none
  std::vector<int> FallKeys();
  std::vector<int> FightKeys(bool* fighting);
  std::vector<int> FetchKeys(bool* fetching);
  std::vector<int> DodgeGiant(const EnemyRecord& e, bool* dodging);
  std::vector<int> StrikeKeys(const HitBox& box);
  std::vector<int> StrikeNear();
  std::vector<int> WalkerKeys(bool* fighting);
  void Observe();
  void Milestone(const std::string& name, int delay = kCaptureDelay);
  void Capture();
  void Finish(const std::string& failure);
  void NextErrand();

  std::deque<Errand> errands_;
  DriverOptions options_;
  RunRecord record_;
  bool over_ = false;
  struct PendingCapture {
    int frame;
    std::string file;
  };
  std::deque<PendingCapture> captures_;
  bool pressed_last_ = false;
  int last_mode_ = -1;
  int last_player_state_ = -1;
  int last_deaths_ = 0;
  int last_stage_area_ = -1;
  // Errand progress.
  bool slot_written_ = false;  // the save screen wrote the slot
  bool left_location_ = false;  // the stage errand left the location select for the stage
  bool shop_done_ = false;  // the shop refused the next purchase: leave
  int shop_refusals_ = 0;   // presses on the wanted good that bought nothing
  int shop_count_ = -1;     // the good's count when last looked at
  int bought_ = 0;
  bool healing_ = false;    // the game menu is open to use a healing item
  // Walking.
  int stage_frames_ = 0;
  int furthest_x_ = 0;     // of the area being played, over its retries
  int stalled_frames_ = 0;  // stage frames since the hero last reached new ground or hurt an enemy
  int stalled_area_ = -1;   // stage * 10 + area that the two above belong to
  int last_x_ = 0;
  int since_progress_ = 0;
  int jump_frames_ = 0;
  int back_frames_ = 0;
  bool climbing_ = false;
  int target_ = -1;  // the enemy record fought last
  int dash_jump_frames_ = 0;
  // Fetching recovery items: the pickup walked to, for how long, and the ones given up on in this area (by bit).
  int fetch_target_ = -1;
  int fetch_frames_ = 0;
  std::uint32_t fetch_given_up_ = 0;
  // Following the area's route (empty: none).
  Route route_;
  int step_ = 0;           // the step being held
  int held_ = 0;           // frames it has been held
  int off_route_ = 0;      // frames spent walking back towards the route, 0 when on it
  int furthest_step_ = 0;  // of the area's current try
  bool route_resync_ = false;  // pick the route up again by position before the next step
  int resync_floor_ = -1;      // the earliest waypoint that pick-up may choose, -1 for the usual window
  bool fire_ = false;          // an enemy stands before the first hero on its route: shoot while walking
  // Planning along the route: the lines of the plan being played (keys as pad bits, the place each leaves the hero),
  // the line held and for how long, the route step the plan ends at (a goal's line or a waypoint), and the frame the
  // plan last gave the keys (any other keys in between void it).
  struct PlannedLine {
    int frames;
    int pad;
    int x, y;
  };
  std::vector<PlannedLine> plan_;
  std::size_t plan_line_ = 0;
  int plan_held_ = 0;
  int plan_step_ = -1;  // -1: the plan only leads nearer to its target
  int plan_frame_ = -1;
  int route_frames_ = 0;  // frames the route follower plays before the next plan
  int goal_floor_ = 0;    // route steps before it reached their goals
  int wait_frames_ = 0;   // frames the hero stands still before the next plan
  int plan_failures_ = 0;  // plans in a row that found no way on
  int area_failures_ = 0;  // plans in the area's try that fell short of their target
  bool heal_for_plan_ = false;  // heal at half the hit points, for a plan that found no way on
  std::bitset<enemy_pool_size> coins_given_up_;  // by enemy record: coins no plan reached in the area's try
};

// The frame hook of the game's main loop runs this driver (one per process).
void InstallDriver(Driver* driver);

}  // namespace playthrough
