// One area of the game run headless frame by frame on the real stage-play code, for the passability search and the
// route replay: the engine started without drawing, an area built as play enters it, the frame step with the
// search's rules, the hero's place, and the goals an area holds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace passability {

// Pad bits under the default button map: directions, then buttons 1..4 (main attack, jump, dash, skill).
inline constexpr int kPadDown = 0x01;
inline constexpr int kPadLeft = 0x02;
inline constexpr int kPadRight = 0x04;
inline constexpr int kPadUp = 0x08;
inline constexpr int kPadMain = 0x10;
inline constexpr int kPadJump = 0x20;
inline constexpr int kPadDash = 0x40;
inline constexpr int kPadSkill = 0x80;

// "-" for none, else the letters of L R U D J A S C in that order.
std::string KeysFromPad(int pad);
// The pad word of a keys word, or -1 when it holds anything else.
int PadFromKeys(const std::string& keys);

// Starts the headless engine once per process (in a temporary working directory, on the virtual clock) with an
// empty draw area, so that the game's draws return at once. False with a reason when it cannot start.
bool StartHeadlessGame(std::string* error);
// Ends the engine before the process exits (its background thread must not outlive the statics).
void StopHeadlessGame();

// Where an area is entered. `stage` numbers the data set as the level data does (7 for the arena of stages 7 and
// 8: the first hero plays it as stage 7, the second as stage 8). Stage 6's area 2 has a second start, from the top
// of area 1.
struct AreaStart {
  int stage = 1;
  int area = 1;
  int hero = 0;
  bool top_entry = false;
  // When set, builds the area instead of the level data (test fixtures); the exit line is left to it.
  std::function<void()> build;
};

// Puts the game into the area's first stage-play frame with a new game's hero, as play enters it (area 1 from the
// location select, later areas through the next-area mode), the generator seeded.
void EnterArea(const AreaStart& start);
// The play stage of a data set for a hero (the arena's data set is stage 8 for the second hero).
int PlayStage(int data_stage, int hero);

// One stage-play frame with `pad`. The search's rules apply before it: the hero's HP is kept full (enemies push
// but do not kill), and an arena boss counts as beaten as soon as it appears.
void StepFrame(int pad);
// The keyboard keys (DirectInput codes) that the default button map turns into `pad`.
std::vector<int> KeysOfPad(int pad);
// One stage-play frame with `pad` as the game's own loop runs it, with no rule of the search's: the keyboard holds
// the pad's keys (the frame reads some of them directly), the frame clock moves on a frame and the flash request
// is cleared after it.
void StepLiveFrame(int pad);

// The hero's world position (mx + g_x, my - g_y).
int HeroX();
int HeroY();
bool HeroDead();
bool HeroOnGround();
bool HeroOnLadder();
bool HeroAgainstWall();

enum class GoalKind { item, gem, switch_chest, exit, run_out, arena, end_of_room, place };

struct Goal {
  std::string name;  // item34, item35, gem, switch<door>, exit, run-out, arena, end
  GoalKind kind = GoalKind::exit;
  int record = -1;  // enemy record (items, switches) or pickup record (gems); for a place, 1 when on a floor
  int x = 0, y = 0;  // world position to head for; exits and the end use x only
};

// A place for the hero: its middle (30, 50 into its cell) within a few pixels across and below, and a crate's height
// above, the world position x, y; on a floor or a ladder when `standing`.
Goal PlaceGoal(int x, int y, bool standing);

// The goals of the area just entered, in no particular order; the last ones are the area's way out (exit and
// run-out, the arena, or the end of an area 3).
std::vector<Goal> AreaGoals();
bool GoalReached(const Goal& goal);

// FNV-1a over 64-bit values, byte by byte: the digests of areas and of search states.
struct Fnv {
  std::uint64_t h = 1469598103934665603ull;
  void add(std::int64_t v) {
    for (int i = 0; i < 8; ++i) {
      h ^= static_cast<std::uint64_t>(v >> (8 * i)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
};

// A digest of what decides an area's shape: the data set and the placement list of the stage, area and hero.
std::uint64_t AreaDigest(int data_stage, int area, int hero);

}  // namespace passability
