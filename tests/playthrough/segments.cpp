#include "tests/playthrough/segments.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/enemy/enemy_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/hero_select.h"
#include "game/flow/main_loop.h"
#include "game/flow/save_file.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"
#include "tools/placeholder/asset_writers.h"

namespace playthrough {

namespace {

constexpr const char* kResultFile = "segment-result.txt";

std::vector<int> Upto(int last, int first = 1) {
  std::vector<int> out;
  for (int i = first; i <= last; ++i) out.push_back(i);
  return out;
}

std::vector<Segment> MakeSegments() {
  std::vector<Segment> list;
  auto add = [&list](std::string name, std::deque<Errand> errands, Progress end, int frame_limit) {
    Progress start = list.empty() ? Progress{} : list.back().end;
    list.push_back({std::move(name), std::move(start), std::move(errands), std::move(end), frame_limit});
  };
  using K = ErrandKind;
  constexpr int kMenuFrames = 6000;
  constexpr int kBossFrames = 12000;
  constexpr int kArenaFrames = 20000;
  constexpr int kStageFrames = 60000;
  constexpr int kShortStageFrames = 20000;

  // The first hero: a new game, saved and loaded back; stages 1 and 2 bring the final boss's appearance; after it
  // stages 3 to 5, then the altar and the first ending. Before every stage the hero stocks up on healing items.
  add("hero0-new-game", {{K::new_game, 0}, {K::save, 0}, {K::load, 0}}, {0, 0, {}, {}, {}}, kMenuFrames);
  // Stage 1 of the first hero is short enough for every test run; the other stages run from the script.
  add("hero0-stage-1", {{K::load, 0}, {K::buy, 0}, {K::stage, 0}, {K::save, 0}}, {0, 0, Upto(1), Upto(0, 0), {}},
      kShortStageFrames);
  add("hero0-stage-2", {{K::load, 0}, {K::buy, 0}, {K::stage, 1}, {K::save, 0}}, {0, 0, Upto(2), Upto(1, 0), {}},
      kStageFrames);
  add("hero0-final-boss", {{K::load, 0}, {K::buy, 0}, {K::stage, 2}, {K::save, 0}}, {0, 0, Upto(2), Upto(1, 0), {3}},
      kBossFrames);
  for (int s = 3; s <= 5; ++s) {
    add("hero0-stage-" + std::to_string(s), {{K::load, 0}, {K::buy, 0}, {K::stage, s - 1}, {K::save, 0}},
        {0, 0, Upto(s), Upto(s - 1, 0), {3}}, kStageFrames);
  }
  add("hero0-altar-ending", {{K::load, 0}, {K::buy, 0}, {K::stage, 5}, {K::ending, 0}},
      {1, 0, Upto(5), Upto(4, 0), {3}}, kStageFrames);

  // The second hero: chosen on the hero select once the first scenario is clear; the prologue, stages 1 to 6, then
  // the knight order's stage and the second ending.
  add("hero1-new-game", {{K::new_game, 1}, {K::save, 0}}, {1, 1, {}, {}, {}}, kMenuFrames);
  for (int s = 1; s <= 6; ++s) {
    add("hero1-stage-" + std::to_string(s), {{K::load, 0}, {K::buy, 0}, {K::stage, s - 1}, {K::save, 0}},
        {1, 1, Upto(s), Upto(s - 1, 0), {0}}, kStageFrames);
  }
  add("hero1-knight-order-ending", {{K::load, 0}, {K::buy, 0}, {K::stage, 6}, {K::ending, 0}},
      {2, 1, Upto(6), Upto(5, 0), {0}}, kArenaFrames);
  return list;
}

std::vector<std::uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const char* path, const std::uint8_t* bytes, std::size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

// The game's state at the end of a run: mode, place, hero, progress, the live enemies, the save buffer without its
// date, and the digest of the milestone frames.
std::string StateLine(const RunRecord& record) {
  std::ostringstream s;
  s << "mode " << game_mode << " stage " << stage << " area " << area << " hero " << hero << " at " << g_x + mx
    << ',' << my - g_y << " hp " << hp << " sp " << sp << " money " << money << " player " << PlayerState
    << " clear " << int{clear_level} << " frames " << record.frames << " digest " << record.frame_digest
    << " enemies";
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_free) s << ' ' << e.type << ':' << e.state << '@' << e.x << ',' << e.y << '/' << e.hp;
  }
  s << " save";
  for (int i = 0; i < save_record_size; ++i) {
    if (i >= 21 && i <= 26) continue;  // the save's date and time
    s << ' ' << int{save_record[i]};
  }
  return s.str();
}

}  // namespace

const std::vector<Segment>& Segments() {
  static const std::vector<Segment> list = MakeSegments();
  return list;
}

const Segment* FindSegment(const std::string& name) {
  for (const Segment& segment : Segments()) {
    if (segment.name == name) return &segment;
  }
  return nullptr;
}

bool WriteResources() {
  PlaceholderTreeResult written;
  return WritePlaceholderTree(std::filesystem::current_path(), false, &written);
}

void CraftFiles(const Progress& progress) {
  std::uint8_t settings[settings_record_size] = {};
  for (int b = 1; b <= 8; ++b) settings[b] = static_cast<std::uint8_t>(b);
  const std::uint8_t marker = progress.clear_level == 1 ? 5 : progress.clear_level == 2 ? 7 : 0;
  for (int i = 0; i < 4; ++i) settings[9 + i] = marker;
  if (progress.clear_level == 2) settings[12] = 9;  // 7 + 7 + 7 + 9 = 30
  settings[13] = settings[14] = 100;
  settings[15] = 1;
  WriteAll(settings_file_name, settings, sizeof settings);
  std::filesystem::remove(save_slot_files[0]);
  if (progress.hero < 0) return;
  // The record comes from the game's own writer, in a process of its own so that this one's globals stay clean.
  const pid_t child = fork();
  if (child == 0) {
    game_mode = mode_hero_select;
    hero = progress.hero;
    init_game_state();
    for (int s : progress.stage_flags) stage_flags[s] = 1;
    for (int f : progress.story_flags) story_flags[f] = 1;
    for (int f : progress.event_flags) event_flags[f] = 1;
    if (progress.hero == 0 && event_flags[3] != 0) accessory_owned[7] = 1;  // given at the final boss's end
    const int date[5] = {2026, 1, 1, 12, 0};
    build_save_record(date);
    WriteAll(save_slot_files[0], save_record, save_record_size);
    std::_Exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

std::string CheckFiles(const Progress& wanted) {
  std::string faults;
  const std::vector<std::uint8_t> settings = ReadAll(settings_file_name);
  const int level = settings.size() == settings_record_size ? clear_level_from_marker(settings.data() + 9) : -1;
  if (level != wanted.clear_level) {
    faults += "setting.dat holds clear level " + std::to_string(level) + ", not " +
              std::to_string(wanted.clear_level) + "; ";
  }
  if (wanted.hero < 0) return faults;
  const std::vector<std::uint8_t> slot = ReadAll(save_slot_files[0]);
  if (slot.size() != save_record_size || slot[0] != 5 + wanted.hero) {
    return faults + "slot 0 holds no saved game of hero " + std::to_string(wanted.hero);
  }
  auto need = [&](const std::vector<int>& flags, int offset, const char* what) {
    for (int f : flags) {
      if (slot[static_cast<std::size_t>(offset + f)] != 1) {
        faults += std::string(what) + " " + std::to_string(f) + " clear; ";
      }
    }
  };
  need(wanted.stage_flags, 10, "stage flag");  // stages 1..10 at bytes 11..20
  need(wanted.story_flags, 63, "story flag");
  need(wanted.event_flags, 102, "event flag");
  return faults;
}

SegmentRun RunSegment(const Segment& segment, std::uint32_t seed, const std::string& capture_prefix) {
  std::filesystem::remove(kResultFile);
  const pid_t child = fork();
  if (child == 0) {
    DriverOptions options;
    options.seed = seed;
    options.frame_limit = segment.frame_limit;
    options.capture_prefix = capture_prefix;
    const char* routes = std::getenv("PLAYTHROUGH_ROUTES");
    options.routes_folder = routes != nullptr ? routes : PLAYTHROUGH_ROUTES_DIR;
    if (const char* trace = std::getenv("PLAYTHROUGH_TRACE")) options.trace_path = trace;
    if (const char* every = std::getenv("PLAYTHROUGH_TRACE_EVERY")) options.trace_every = std::max(1, std::atoi(every));
    if (const char* plan = std::getenv("PLAYTHROUGH_PLAN")) options.plan = std::atoi(plan) != 0;
    Driver driver(segment.errands, options);
    InstallDriver(&driver);
    game_main();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const RunRecord& r = driver.record();
    std::ofstream out(kResultFile);
    out << "finished " << r.finished << "\nframes " << r.frames << "\ndeaths " << r.deaths << "\ncontinues "
        << r.continues_used << "\nplans " << r.plans << "\nreplans " << r.replans << "\nplanned " << r.planned_frames
        << "\ndigest " << r.frame_digest << "\ncpu " << cpu << "\nfailure " << r.failure
        << "\nstate " << StateLine(r) << '\n';
    for (const std::string& m : r.milestones) out << "milestone " << m << '\n';
    out.close();
    std::_Exit(0);
  }
  SegmentRun run;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return run;
  run.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::ifstream in(kResultFile);
  std::string key;
  while (in >> key) {
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    if (key == "finished") run.record.finished = rest == "1";
    if (key == "frames") run.record.frames = std::atoi(rest.c_str());
    if (key == "deaths") run.record.deaths = std::atoi(rest.c_str());
    if (key == "continues") run.record.continues_used = std::atoi(rest.c_str());
    if (key == "plans") run.record.plans = std::atoi(rest.c_str());
    if (key == "replans") run.record.replans = std::atoi(rest.c_str());
    if (key == "planned") run.record.planned_frames = std::atol(rest.c_str());
    if (key == "digest") run.record.frame_digest = std::strtoull(rest.c_str(), nullptr, 10);
    if (key == "cpu") run.cpu_seconds = std::atof(rest.c_str());
    if (key == "failure") run.record.failure = rest;
    if (key == "state") run.state = rest;
    if (key == "milestone") run.record.milestones.push_back(rest);
  }
  if (!run.exited && run.record.failure.empty()) run.record.failure = "the game process did not end normally";
  return run;
}

}  // namespace playthrough
