// The real game, headless, played by the closed-loop driver on the placeholder resources: each segment of the
// playthrough from its milestone's files to the next milestone, a repeat check, and the whole chain from an empty
// directory (scripts/playthrough.sh runs the chain and the segments CI leaves out).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/engine_start/engine_fixture.h"
#include "tests/playthrough/segments.h"

namespace playthrough {
namespace {

constexpr std::uint32_t kSeed = 20260101;

// Segments short enough for every test run; the others run when PLAYTHROUGH_ALL is set (scripts/playthrough.sh). A
// sanitized build, several times slower, plays only the menu segments (the repeat check still starts a boss fight).
bool RunsInEveryTest(const Segment& segment) {
#ifdef PLAYTHROUGH_SANITIZED
  return segment.frame_limit <= 6000;
#else
  return segment.frame_limit <= 20000;
#endif
}

// Frames of the repeat check's run into the first stage: a few plans in the sanitized build, a dozen in the release.
#ifdef PLAYTHROUGH_SANITIZED
constexpr int kPlannedRepeatFrames = 1500;
#else
constexpr int kPlannedRepeatFrames = 2500;
#endif

// PLAYTHROUGH_SEED plays the segments and the chain with another seed.
std::uint32_t Seed() {
  const char* seed = std::getenv("PLAYTHROUGH_SEED");
  return seed != nullptr ? static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)) : kSeed;
}

// PLAYTHROUGH_OUT names a folder for the milestone frames and the report; without it nothing is kept.
std::string OutputFolder() {
  const char* out = std::getenv("PLAYTHROUGH_OUT");
  return out != nullptr ? out : "";
}

// The segment's place in the chain leads the file names, so the pictures sort in the order of play.
std::string CapturePrefix(const Segment& segment) {
  const std::string out = OutputFolder();
  if (out.empty()) return "";
  char number[16];
  std::snprintf(number, sizeof number, "%02d-", static_cast<int>(&segment - Segments().data()) + 1);
  return out + "/" + number + segment.name + "-";
}

std::string Describe(const SegmentRun& run) {
  std::string text = run.record.failure.empty() ? "" : "stopped: " + run.record.failure + "\n";
  text += "milestones:";
  for (const std::string& m : run.record.milestones) text += "\n  frame " + m;
  return text;
}

// One line of the report: the segment, its result and its costs; appended to PLAYTHROUGH_OUT/report.txt when set,
// and printed as the segment's progress line.
void Report(const Segment& segment, const SegmentRun& run, const std::string& fault) {
  const bool ok = fault.empty();
  char line[640];
  std::snprintf(line, sizeof line,
                "%-26s %-6s frames %6d  deaths %3d  continues %2d  cpu %6.1f s  plans %4d (%3d redone, %5.1fM "
                "frames)%s%s",
                segment.name.c_str(), ok ? "passed" : "FAILED", run.record.frames, run.record.deaths,
                run.record.continues_used, run.cpu_seconds, run.record.plans, run.record.replans,
                static_cast<double>(run.record.planned_frames) / 1e6, ok ? "" : "  ", fault.c_str());
  std::string text = std::string(line) + "\n";
  if (!ok && !run.record.milestones.empty()) text += "    last milestone: frame " + run.record.milestones.back() + "\n";
  std::printf("[playthrough] %s", text.c_str());
  std::fflush(stdout);
  const std::string out = OutputFolder();
  if (out.empty()) return;
  // One write per report, so segments that run at once in parallel processes do not interleave their lines.
  if (std::FILE* file = std::fopen((out + "/report.txt").c_str(), "a")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
}

// What went wrong with a run: the driver's reason, or the files not holding the milestone's progress.
std::string Fault(const Segment& segment, const SegmentRun& run) {
  if (!run.record.finished) return run.record.failure.empty() ? "did not finish" : run.record.failure;
  return CheckFiles(segment.end);
}

class Playthrough : public engine_test::HeadlessEngine {};

class PlaythroughSegment : public Playthrough, public ::testing::WithParamInterface<std::string> {};

TEST_P(PlaythroughSegment, LeadsFromItsMilestoneToTheNext) {
  const Segment* segment = FindSegment(GetParam());
  ASSERT_NE(segment, nullptr);
  if (!RunsInEveryTest(*segment) && std::getenv("PLAYTHROUGH_ALL") == nullptr) {
    GTEST_SKIP() << "a long segment: scripts/playthrough.sh runs it";
  }
  ASSERT_TRUE(WriteResources());
  CraftFiles(segment->start);
  ASSERT_EQ(CheckFiles(segment->start), "") << "the crafted start";
  const SegmentRun run = RunSegment(*segment, Seed(), CapturePrefix(*segment));
  const std::string fault = Fault(*segment, run);
  Report(*segment, run, fault);
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(fault, "") << Describe(run);
}

std::vector<std::string> SegmentNames() {
  std::vector<std::string> names;
  for (const Segment& segment : Segments()) names.push_back(segment.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Chain, PlaythroughSegment, ::testing::ValuesIn(SegmentNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

// The same files, seed and driver give the same run: every milestone frame, the frame count and the end state. One
// run goes through the title, the load, the shop, the final boss's scene and the start of its fight, which draws on
// the random generator (another seed ends elsewhere); the other into the first stage, where the moves are planned
// from the live game.
TEST_F(Playthrough, ASegmentRunTwiceEndsInTheSameState) {
  struct Case {
    const char* segment;
    int frames;
    std::size_t milestone;  // this milestone's name holds `shows`
    const char* shows;
    bool planned;  // the run must plan moves
  };
  for (const Case& c : {Case{"hero0-final-boss", 4000, 3, "scene of stage 9", false},
                        Case{"hero0-stage-1", kPlannedRepeatFrames, 3, "stage 1 area 1", true}}) {
    SCOPED_TRACE(c.segment);
    const Segment* found = FindSegment(c.segment);
    ASSERT_NE(found, nullptr);
    Segment segment = *found;
    segment.frame_limit = c.frames;
    SegmentRun runs[2];
    const std::filesystem::path top = std::filesystem::current_path();
    for (int i = 0; i < 2; ++i) {
      const std::filesystem::path dir = top / (segment.name + "-run" + std::to_string(i));
      std::filesystem::create_directory(dir);
      std::filesystem::current_path(dir);
      ASSERT_TRUE(WriteResources());
      CraftFiles(segment.start);
      runs[i] = RunSegment(segment, kSeed, "");
      std::filesystem::current_path(top);
      ASSERT_TRUE(runs[i].exited);
    }
    const std::vector<std::string>& milestones = runs[0].record.milestones;
    ASSERT_GT(milestones.size(), c.milestone) << Describe(runs[0]);
    EXPECT_NE(milestones[c.milestone].find(c.shows), std::string::npos) << Describe(runs[0]);
    EXPECT_EQ(runs[0].record.frames, c.frames + 1);
    EXPECT_EQ(milestones, runs[1].record.milestones);
    EXPECT_EQ(runs[0].record.frame_digest, runs[1].record.frame_digest);
    EXPECT_EQ(runs[0].state, runs[1].state);
    EXPECT_EQ(runs[0].record.plans, runs[1].record.plans);
    if (c.planned) {
      EXPECT_GT(runs[0].record.plans, 0);
    }
  }
}

// Every segment in order in one directory that starts empty, each from the files the one before left. A segment
// that fails is reported and the chain goes on from the next milestone's crafted files, so the report shows every
// segment; the test passes only when no segment failed.
TEST_F(Playthrough, FullChainFromAnEmptyDirectoryReachesBothEndings) {
  if (std::getenv("PLAYTHROUGH_ALL") == nullptr) GTEST_SKIP() << "scripts/playthrough.sh runs the whole chain";
  for (const char* file : {"setting.dat", "sst.dat", "ssj.dat", "ssl.dat", "ssb.dat"}) {
    ASSERT_FALSE(std::filesystem::exists(file)) << file;
  }
  ASSERT_TRUE(WriteResources());
  int failed = 0;
  for (const Segment& segment : Segments()) {
    const SegmentRun run = RunSegment(segment, Seed(), CapturePrefix(segment));
    const std::string fault = Fault(segment, run);
    Report(segment, run, fault);
    if (!fault.empty()) {
      ++failed;
      CraftFiles(segment.end);  // the next segment starts from its milestone as if this one had passed
    }
  }
  EXPECT_EQ(failed, 0) << "see the report";
}

}  // namespace
}  // namespace playthrough
