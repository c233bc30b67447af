#include "tools/passability/search.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <unordered_set>

#include "engine/graphics/draw_state.h"
#include "game/enemy/enemy_pool.h"
#include "game/flow/main_loop.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_state.h"
#include "tools/passability/game_state.h"

namespace passability {

namespace {

constexpr int kStep = 8;            // frames of the plain moves
constexpr int kAirLimit = 48;       // frames a jump's drift runs at most before the move ends in the air
constexpr int kRunOutLimit = 1200;  // frames the run-out after the exit line may take
constexpr int kStrikeReach = 240;   // a switch or item this near (world pixels) gets striking moves

struct Segment {
  int frames;
  int pad;
};

// The frame the search steps: the search's own rules, or the live game's frame while a plan is made.
void (*step_frame)(int pad) = StepFrame;

// A move: fixed held segments, then optionally one held pad until the hero lands, grabs a ladder or meets a wall
// in the air.
struct Move {
  std::vector<Segment> fixed;
  int drift_pad = -1;  // -1: no drift phase
};

std::vector<Move> MakeMoves() {
  std::vector<Move> moves;
  for (int dir : {kPadRight, kPadLeft}) {
    moves.push_back({{{kStep, dir}}});
    moves.push_back({{{kStep, dir | kPadDash}}});
  }
  moves.push_back({{{kStep, 0}}});
  for (int dir : {kPadRight, kPadLeft, 0}) {
    for (int held : {3, 8}) {
      // One frame without the jump key first, so the jump is a fresh press (a wall kick needs one too).
      moves.push_back({{{1, dir}, {held, dir | kPadJump}}, dir});
    }
  }
  for (int dir : {kPadRight, kPadLeft}) moves.push_back({{{1, dir | kPadDash}, {8, dir | kPadJump | kPadDash}}, dir});
  return moves;
}

const std::vector<Move>& PlainMoves() {
  static const std::vector<Move> moves = MakeMoves();
  return moves;
}

std::vector<Move> LadderMoves() { return {{{{kStep, kPadUp}}}, {{{kStep, kPadDown}}}}; }

// Frames the first hero holds the main button for a charged shot: it goes off on release, strikes harder than the
// plain shot and flies where water puts the plain shot out.
constexpr int kChargeFrames = 101;

std::vector<Move> StrikeMoves() {
  std::vector<Move> moves;
  for (int dir : {kPadRight, kPadLeft}) moves.push_back({{{1, dir}, {4, dir | kPadMain}, {kStep, 0}}});
  moves.push_back({{{4, kPadMain}, {kStep, 0}}});
  return moves;
}

std::vector<Move> ChargedShotMoves() {
  std::vector<Move> moves;
  for (int dir : {kPadRight, kPadLeft}) moves.push_back({{{1, dir}, {kChargeFrames, kPadMain}, {kStep, 0}}});
  return moves;
}

// An enemy this near the hero's middle (world pixels, across and up or down) gets striking moves: one that keeps
// knocking the hero back bars the way until it is struck down.
constexpr int kEnemyReachX = 160;
constexpr int kEnemyReachY = 120;

bool EnemyNear() {
  const int x = HeroX() + 30, y = HeroY() + 50;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_active || e.type >= 34) continue;
    if (std::abs(e.x + 30 - x) < kEnemyReachX && std::abs(e.y + 30 - y) < kEnemyReachY) return true;
  }
  return false;
}

// What tells two search states apart: the hero's place (to 4 pixels) and motion, and every gimmick that moved,
// opened or went away; in the full search also the hero's hurt state, the hit points of the switch being struck (a
// strike from the same place is progress) and of the enemies struck.
std::uint64_t StateKey(const Goal& goal, bool full, const PlanOptions* live) {
  Fnv f;
  f.add(HeroX() >> 2);
  f.add(HeroY() >> 2);
  f.add(jumping * 16 + rising * 8 + falling * 4 + on_ladder * 2 + dashing);
  f.add(PlayerState);
  for (int i = 0; i < gimmick_count && i < gimmick_pool_size; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.in_use == 1 && g.x == g.start_x && g.y == g.start_y && g.door_state == 0) continue;
    f.add(i);
    f.add(g.in_use);
    f.add(g.x >> 3);
    f.add(g.y >> 3);
    f.add(g.door_state);
  }
  if (!full) return f.h;
  // A knocked-back hero does not answer the pad until the count runs out, and a hurt one takes no item.
  f.add(hurt == 0 ? -1 : hurt_count);
  if (goal.kind == GoalKind::switch_chest) f.add(enemy_pool[goal.record].hp);
  // Which enemies are struck down or hurt, and how far (not the coins and items the hero picks up on the way): an
  // enemy that takes several strikes is worn down strike by strike.
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.type >= 34 || (e.state == enemy_active && e.hp == e.max_hp)) continue;
    f.add(i);
    f.add(e.state == enemy_active ? e.hp : -1);
  }
  // A plan tells apart states that lost more hit points (in eighths of the whole).
  if (live != nullptr) f.add(hp * 8 / std::max(1, static_cast<int>(max_hp)));
  return f.h;
}

// Path lengths to a goal over a grid of the area's open cells, from the solid gimmicks as the goal's search starts
// (doors counted open). A better guide than the straight distance where walls, ceilings and floors out of a
// jump's reach stand between the hero and the goal.
class FlowField {
 public:
  static constexpr int kCell = 16;
  // Cells a jump lifts the hero's middle above the floor it stands on (a jump's 284 pixels, the middle 50 above the
  // feet).
  static constexpr int kClimbCells = (284 + 50 + kCell) / kCell;
  // Cells over a floor where the hero's middle is while it walks (50 pixels above the feet).
  static constexpr int kWalkCells = (50 + kCell) / kCell + 1;
  static constexpr int kUnreached = 1 << 30;

  // Empty (Distance falls back to the straight distance) when not wanted or the area's size is unknown.
  FlowField(const Goal& goal, bool wanted) {
    const LevelDataSet* set = find_level_data(stage, area);
    if (!wanted || set == nullptr || goal.kind == GoalKind::exit || goal.kind == GoalKind::arena ||
        goal.kind == GoalKind::end_of_room || goal.kind == GoalKind::run_out) {
      return;
    }
    cols_ = set->columns * 640 / kCell;
    rows_ = set->rows * 480 / kCell;
    const std::size_t n = static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_);
    std::vector<char> solid(n, 0), ladder(n, 0);
    auto mark = [&](std::vector<char>& grid, int x0, int y0, int x1, int y1) {
      for (int r = std::max(0, y0 / kCell); r < std::min(rows_, (y1 + kCell - 1) / kCell); ++r) {
        for (int c = std::max(0, x0 / kCell); c < std::min(cols_, (x1 + kCell - 1) / kCell); ++c) grid[Index(c, r)] = 1;
      }
    };
    for (int i = 0; i < gimmick_count && i < gimmick_pool_size; ++i) {
      const StageObject& g = gimmicks[i];
      if (g.in_use != 1 || g.solid == 0 || g.type == gimmick_door) continue;
      // Every cell the box reaches into: the seams between floor tiles, too narrow for the hero, stay closed.
      mark(solid, g.x + g.box_x0, g.y + g.box_y0, g.x + g.box_x1, g.y + g.box_y1);
    }
    for (const LadderRecord& l : ladders) {
      if (l.part != 0) mark(ladder, l.x, l.y - kCell, l.x + ladder_segment_width, l.y + ladder_segment_gap);
    }
    // Open cells between each cell and the first solid one under it.
    std::vector<int> height(n, kUnreached);
    for (int c = 0; c < cols_; ++c) {
      int h = kUnreached;
      for (int r = rows_ - 1; r >= 0; --r) {
        h = solid[Index(c, r)] != 0 ? 0 : (h == kUnreached ? h : h + 1);
        height[Index(c, r)] = h;
      }
    }
    dist_.assign(n, kUnreached);
    const int gc = std::clamp((goal.x + 12) / kCell, 0, cols_ - 1);
    const int gr = std::clamp((goal.y + 12) / kCell, 0, rows_ - 1);
    // From the goal's cell, or, for a goal sunk a little into a floor, from the open cells around it.
    std::vector<int> queue;
    for (int dr = -2; dr <= 2; ++dr) {
      for (int dc = -2; dc <= 2; ++dc) {
        const int c = gc + dc, r = gr + dr;
        const bool centre = dr == 0 && dc == 0;
        if (c < 0 || c >= cols_ || r < 0 || r >= rows_ || (!centre && solid[Index(c, r)] != 0)) continue;
        if (!centre && solid[Index(gc, gr)] == 0) continue;
        dist_[static_cast<std::size_t>(Index(c, r))] = 0;
        queue.push_back(Index(c, r));
      }
    }
    // Breadth-first from the goal over the moves reversed. The hero walks along floors and steps off ladders, rises
    // within a jump's height over a floor or on a ladder, and falls anywhere, straight or drifting sideways (so a
    // jump carries it as far across as it rose).
    auto walks = [&](std::size_t k) { return height[k] <= kWalkCells || ladder[k] != 0; };
    auto rises = [&](std::size_t k) { return height[k] <= kClimbCells || ladder[k] != 0; };
    for (std::size_t head = 0; head < queue.size(); ++head) {
      const int at = queue[head];
      const int c = at % cols_, r = at / cols_;
      const std::size_t a = static_cast<std::size_t>(at);
      const bool into_from_below = rises(a) || (r + 1 < rows_ && ladder[a + static_cast<std::size_t>(cols_)] != 0);
      // {column, row, 0: always, 1: when the hero walks in the cell before the move, 2: when it can rise into this
      // cell}
      const int before[6][3] = {{c, r - 1, 0}, {c - 1, r - 1, 0}, {c + 1, r - 1, 0},
                                {c - 1, r, 1}, {c + 1, r, 1},     {c, r + 1, 2}};
      for (const auto& m : before) {
        if (m[0] < 0 || m[0] >= cols_ || m[1] < 0 || m[1] >= rows_) continue;
        const std::size_t k = static_cast<std::size_t>(Index(m[0], m[1]));
        if (solid[k] != 0 || dist_[k] != kUnreached) continue;
        if ((m[2] == 1 && !walks(k)) || (m[2] == 2 && !into_from_below)) continue;
        dist_[k] = dist_[a] + 1;
        queue.push_back(static_cast<int>(k));
      }
    }
  }

  bool empty() const { return dist_.empty(); }

  // The path length in pixels from the hero's middle, or -1 when the grid has no way from there.
  int From(int x, int y) const {
    const int c = x / kCell, r = y / kCell;
    int best = kUnreached;
    // The middle may sit in a cell a box fills: take the nearest open neighbour.
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if (c + dc < 0 || c + dc >= cols_ || r + dr < 0 || r + dr >= rows_) continue;
        best = std::min(best, dist_[static_cast<std::size_t>(Index(c + dc, r + dr))]);
      }
    }
    return best == kUnreached ? -1 : best * kCell;
  }

 private:
  int Index(int c, int r) const { return r * cols_ + c; }
  int cols_ = 0, rows_ = 0;
  std::vector<int> dist_;
};

// Hit points a switch has left weigh as this many pixels each, so that strikes count as progress.
constexpr int kSwitchHitPointWeight = 4;
// Added to the straight distance where the grid has no way to the goal, so that such places come last.
constexpr int kNoWayPenalty = 100000;

int Distance(const Goal& goal, const FlowField& field, bool full) {
  switch (goal.kind) {
    case GoalKind::exit:
    case GoalKind::arena:
    case GoalKind::end_of_room: return std::max(0, goal.x - HeroX());
    default: break;
  }
  int d = std::abs(goal.x - (HeroX() + 30)) + std::abs(goal.y - (HeroY() + 50));
  if (!field.empty()) {
    const int path = field.From(HeroX() + 30, HeroY() + 50);
    d = path < 0 ? d + kNoWayPenalty : std::max(path, d);
  }
  if (full && goal.kind == GoalKind::switch_chest) {
    d += kSwitchHitPointWeight * std::max(0, enemy_pool[goal.record].hp);
  }
  return d;
}

struct Outcome {
  std::vector<RouteLine> lines;
  bool reached = false;
  bool dead = false;
  int frames = 0;
};

// Runs one held segment frame by frame, ending early at the goal or the hero's death.
bool RunSegment(int frames, int pad, const Goal& goal, Outcome& out, bool (*stop)()) {
  RouteLine line;
  line.pad = pad;
  for (int k = 0; k < frames; ++k) {
    step_frame(pad);
    ++line.frames;
    ++out.frames;
    if (GoalReached(goal)) out.reached = true;
    if (HeroDead()) out.dead = true;
    if (out.reached || out.dead || (stop != nullptr && stop())) break;
  }
  line.x = HeroX();
  line.y = HeroY();
  out.lines.push_back(line);
  return !out.reached && !out.dead;
}

bool AirMoveOver() { return HeroOnGround() || HeroOnLadder() || (HeroAgainstWall() && falling != 0); }

Outcome RunMove(const Move& move, const Goal& goal) {
  Outcome out;
  for (const Segment& s : move.fixed) {
    if (!RunSegment(s.frames, s.pad, goal, out, nullptr)) return out;
  }
  if (move.drift_pad >= 0 && !AirMoveOver()) RunSegment(kAirLimit, move.drift_pad, goal, out, AirMoveOver);
  return out;
}

struct Node {
  int parent;
  std::vector<RouteLine> lines;
  Snapshot snapshot;
  int frames;
};

struct Open {
  long priority;
  long order;
  int node;
  bool operator<(const Open& other) const {
    return priority != other.priority ? priority > other.priority : order > other.order;
  }
};

struct GoalSearch {
  bool found = false;
  std::vector<RouteLine> lines;  // from the start state to the goal
  Snapshot end;
  int best_x = 0, best_y = 0;
  long simulated = 0;
};

// True when the hero, left alone for a while from here, dies (a fall into a pit or onto spikes); the state is put
// back. The frames run are added to `simulated`.
constexpr int kFallFrames = 90;
bool FallsToDeath(const GameState& state, long* simulated) {
  const Snapshot here = state.Save();
  bool dead = false;
  for (int k = 0; k < kFallFrames && !dead; ++k) {
    step_frame(0);
    ++*simulated;
    dead = HeroDead();
  }
  state.Restore(here);
  return dead;
}

// Best-first from the current state towards one goal. Leaves the game state unspecified. With `live` (a plan) damage
// costs, a state below its hit points floor is given up, and a search that does not reach the goal ends with the
// lines to the nearest state found.
GoalSearch SearchGoal(const GameState& state, const Goal& goal, long budget, bool full,
                      const PlanOptions* live = nullptr) {
  GoalSearch result;
  const int start_hp = hp;
  int best_node = 0;
  std::vector<Node> nodes;
  std::priority_queue<Open> open;
  std::unordered_set<std::uint64_t> seen;
  long order = 0;
  nodes.push_back({-1, {}, state.Save(), 0});
  seen.insert(StateKey(goal, full, live));
  const FlowField field(goal, full);
  static const std::vector<Move> strike_moves = StrikeMoves();
  static const std::vector<Move> charged_shot_moves = ChargedShotMoves();
  int best = Distance(goal, field, full);
  int best_standing = best;
  result.best_x = HeroX();
  result.best_y = HeroY();
  open.push({best, order++, 0});
  auto path_to = [&](int index, std::vector<RouteLine> tail) {
    std::vector<std::vector<RouteLine>*> chain;
    for (int i = index; i > 0; i = nodes[static_cast<std::size_t>(i)].parent) {
      chain.push_back(&nodes[static_cast<std::size_t>(i)].lines);
    }
    std::vector<RouteLine> lines;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) lines.insert(lines.end(), (*it)->begin(), (*it)->end());
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
  };
  static const bool trace = std::getenv("PASSABILITY_TRACE") != nullptr;
  long next_trace = 0;
  while (!open.empty() && result.simulated < budget) {
    if (trace && result.simulated >= next_trace) {
      std::fprintf(stderr, "  %s: %ld frames, %zu nodes, %zu open, nearest %d at (%d, %d)\n", goal.name.c_str(),
                   result.simulated, nodes.size(), open.size(), best, result.best_x, result.best_y);
      next_trace += 100000;
    }
    const int index = open.top().node;
    open.pop();
    const Snapshot from = std::move(nodes[static_cast<std::size_t>(index)].snapshot);
    const int base_frames = nodes[static_cast<std::size_t>(index)].frames;
    state.Restore(from);
    std::vector<const Move*> moves;
    for (const Move& m : PlainMoves()) moves.push_back(&m);
    static const std::vector<Move> ladder_moves = LadderMoves();
    if (HeroOnLadder() || ladder_near != 0) {
      for (const Move& m : ladder_moves) moves.push_back(&m);
    }
    // Strikes near a switch; in the full search also near an item (a hurt hero takes none) and near enemies, and the
    // first hero's charged shot near a switch.
    const bool near_goal = std::abs(goal.x - HeroX()) < kStrikeReach && std::abs(goal.y - HeroY()) < kStrikeReach;
    const bool near_switch = near_goal && goal.kind == GoalKind::switch_chest;
    if (near_switch || (full && ((near_goal && goal.kind == GoalKind::item) || EnemyNear()))) {
      for (const Move& m : strike_moves) moves.push_back(&m);
    }
    if (full && near_switch && hero == 0) {
      for (const Move& m : charged_shot_moves) moves.push_back(&m);
    }
    bool first = true;
    for (const Move* move : moves) {
      if (!first) state.Restore(from);
      first = false;
      Outcome out = RunMove(*move, goal);
      result.simulated += out.frames;
      const bool too_hurt = live != nullptr && hp < live->min_hp;
      // A plan may end at a place in the air only where the hero does not then fall to its death (the next plan
      // starts there).
      if (out.reached && !too_hurt && live != nullptr && goal.kind == GoalKind::place && goal.record == 0 &&
          !HeroOnGround() && !HeroOnLadder() && FallsToDeath(state, &result.simulated)) {
        continue;
      }
      if (out.reached && !too_hurt) {
        result.found = true;
        result.lines = path_to(index, std::move(out.lines));
        result.end = state.Save();
        return result;
      }
      if (out.dead || too_hurt || !seen.insert(StateKey(goal, full, live)).second) continue;
      const int d = Distance(goal, field, full);
      if (d < best) {
        best = d;
        result.best_x = HeroX();
        result.best_y = HeroY();
      }
      const int frames = base_frames + out.frames;
      nodes.push_back({index, std::move(out.lines), state.Save(), frames});
      // A plan that falls short ends where the hero stands (not in the air over a pit).
      if (live != nullptr && (HeroOnGround() || HeroOnLadder()) && d < best_standing) {
        best_standing = d;
        best_node = static_cast<int>(nodes.size() - 1);
      }
      const long damage = live != nullptr ? static_cast<long>(live->damage_weight) * (start_hp - hp) : 0;
      open.push({static_cast<long>(d) * 2 + frames + damage, order++, static_cast<int>(nodes.size() - 1)});
    }
  }
  if (live != nullptr && best_node > 0) result.lines = path_to(best_node, {});
  return result;
}

// Adds a line, merging it into the previous one when the keys are the same.
void Append(std::vector<RouteLine>& lines, const RouteLine& line) {
  if (line.goal.empty() && !lines.empty() && lines.back().goal.empty() && lines.back().pad == line.pad) {
    lines.back().frames += line.frames;
    lines.back().x = line.x;
    lines.back().y = line.y;
    return;
  }
  lines.push_back(line);
}

}  // namespace

namespace {

// One search of the area. The full search is guided by the path lengths over the area's open cells, strikes enemies
// that bar the way and tells more states apart; the plain one, guided by the straight distance, passes a few areas
// the cell grid misjudges.
AreaResult SearchAreaOnce(const AreaStart& start, const SearchOptions& options, bool full) {
  AreaResult result;
  EnterArea(start);
  GameState state;
  state.SetBase();
  Route& route = result.route;
  route.written_by = options.written_by;
  route.digest = start.build ? 0 : AreaDigest(start.stage, start.area, start.hero);
  route.stage = start.stage;
  route.area = start.area;
  route.hero = start.hero;
  route.top_entry = start.top_entry;

  std::vector<Goal> goals = AreaGoals();
  std::vector<Goal> way_out;
  while (!goals.empty() && (goals.back().kind == GoalKind::exit || goals.back().kind == GoalKind::run_out ||
                            goals.back().kind == GoalKind::arena || goals.back().kind == GoalKind::end_of_room)) {
    way_out.insert(way_out.begin(), goals.back());
    goals.pop_back();
  }
  auto blocked = [&](const Goal& goal, int x, int y) {
    result.blocked_goal = goal.name;
    result.blocked_x = x;
    result.blocked_y = y;
    result.frames = RouteFrames(route);
    route.blocked = "goal " + goal.name + ", furthest (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return result;
  };
  auto reach = [&](const Goal& goal) {
    route.goals.push_back(goal.name);
    RouteLine line;
    line.goal = goal.name;
    route.lines.push_back(line);
  };
  Snapshot current = state.Save();
  // Goals met on the way to another are marked where they are first seen.
  auto mark_met = [&]() {
    for (auto it = goals.begin(); it != goals.end();) {
      if (GoalReached(*it)) {
        reach(*it);
        it = goals.erase(it);
      } else {
        ++it;
      }
    }
  };
  while (!goals.empty()) {
    state.Restore(current);
    std::vector<std::size_t> by_distance(goals.size());
    for (std::size_t i = 0; i < goals.size(); ++i) by_distance[i] = i;
    std::vector<int> distance;
    for (const Goal& g : goals) distance.push_back(Distance(g, FlowField(g, full), full));
    std::stable_sort(by_distance.begin(), by_distance.end(),
                     [&](std::size_t a, std::size_t b) { return distance[a] < distance[b]; });
    bool found = false;
    GoalSearch nearest;
    for (std::size_t i : by_distance) {
      state.Restore(current);
      GoalSearch s = SearchGoal(state, goals[i], options.frame_budget, full);
      result.simulated_frames += s.simulated;
      if (!s.found) {
        if (i == by_distance.front()) nearest = s;
        continue;
      }
      for (const RouteLine& line : s.lines) Append(route.lines, line);
      current = s.end;
      state.Restore(current);
      reach(goals[i]);
      goals.erase(goals.begin() + static_cast<std::ptrdiff_t>(i));
      mark_met();
      found = true;
      break;
    }
    if (!found) return blocked(goals[by_distance.front()], nearest.best_x, nearest.best_y);
  }
  for (const Goal& goal : way_out) {
    state.Restore(current);
    if (goal.kind == GoalKind::run_out) {
      Outcome out;
      const bool going = RunSegment(kRunOutLimit, 0, goal, out, nullptr);
      result.simulated_frames += out.frames;
      if (going || out.dead) return blocked(goal, HeroX(), HeroY());
      for (const RouteLine& line : out.lines) Append(route.lines, line);
      current = state.Save();
      reach(goal);
      continue;
    }
    GoalSearch s = SearchGoal(state, goal, options.frame_budget, full);
    result.simulated_frames += s.simulated;
    if (!s.found) return blocked(goal, s.best_x, s.best_y);
    for (const RouteLine& line : s.lines) Append(route.lines, line);
    current = s.end;
    reach(goal);
  }
  result.passable = true;
  result.frames = RouteFrames(route);
  return result;
}

}  // namespace

AreaResult SearchArea(const AreaStart& start, const SearchOptions& options) {
  AreaResult full = SearchAreaOnce(start, options, true);
  if (full.passable) return full;
  AreaResult plain = SearchAreaOnce(start, options, false);
  plain.simulated_frames += full.simulated_frames;
  if (plain.passable) return plain;
  // Blocked either way: the full search's report.
  full.simulated_frames = plain.simulated_frames;
  return full;
}

Plan PlanFromHere(const Goal& goal, const PlanOptions& options) {
  // The game's draws return at once while the search runs; the frame clock and the draw area are put back after it.
  const RECT draw_area = RequestedDrawClipArea();
  SetDrawClipArea(0, 0, 0, 0);
  const int clock = frame_start_ms;
  GameState state;
  state.SetBase();
  const Snapshot now = state.Save();
  step_frame = StepLiveFrame;
  GoalSearch s = SearchGoal(state, goal, options.frame_budget, true, &options);
  step_frame = StepFrame;
  Plan plan;
  plan.reached = s.found;
  plan.simulated_frames = s.simulated;
  // The hit points at the plan's end: the lines played once more from the start.
  state.Restore(now);
  frame_start_ms = clock;
  for (const RouteLine& line : s.lines) {
    for (int k = 0; k < line.frames; ++k) StepLiveFrame(line.pad);
    Append(plan.lines, line);
  }
  plan.hp = hp;
  state.Restore(now);
  frame_start_ms = clock;
  SetDrawClipArea(draw_area.left, draw_area.top, draw_area.right, draw_area.bottom);
  return plan;
}

ReplayResult ReplayRoute(const Route& route, const AreaStart& start) {
  ReplayResult result;
  EnterArea(start);
  std::vector<Goal> goals = AreaGoals();
  std::vector<bool> claimed(goals.size(), false);
  int number = 0;
  for (const RouteLine& line : route.lines) {
    ++number;
    if (!line.goal.empty()) {
      bool met = false;
      for (std::size_t i = 0; i < goals.size() && !met; ++i) {
        if (!claimed[i] && goals[i].name == line.goal && GoalReached(goals[i])) claimed[i] = met = true;
      }
      if (!met) {
        result.failure = "route line " + std::to_string(number) + ": goal " + line.goal + " not reached (hero at " +
                         std::to_string(HeroX()) + ", " + std::to_string(HeroY()) + ")";
        return result;
      }
      result.reached.push_back(line.goal);
      continue;
    }
    for (int k = 0; k < line.frames; ++k) StepFrame(line.pad);
    if (HeroX() != line.x || HeroY() != line.y) {
      result.failure = "route line " + std::to_string(number) + ": hero at (" + std::to_string(HeroX()) + ", " +
                       std::to_string(HeroY()) + "), the route has (" + std::to_string(line.x) + ", " +
                       std::to_string(line.y) + ")";
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace passability
