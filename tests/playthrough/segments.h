// The playthrough cut into segments. Each segment leads from one milestone of the story to the next: it starts from
// the files the previous segment leaves (setting.dat and save slot 0), or from records crafted for that milestone
// when it runs alone, and ends with the game's own save into slot 0. Run one after another in one directory, from an
// empty one, the segments are the whole playthrough: both heroes to their endings.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tests/playthrough/driver.h"

namespace playthrough {

// The progress the files hold at a milestone: setting.dat's clear level and the hero and flags of save slot 0
// (flags listed are required set; others may be either).
struct Progress {
  int clear_level = 0;
  int hero = -1;  // -1: no saved game in slot 0
  std::vector<int> stage_flags;  // stages 1..10
  std::vector<int> story_flags;  // entries 0..9
  std::vector<int> event_flags;  // entries 0..49
};

struct Segment {
  std::string name;
  Progress start;
  std::deque<Errand> errands;
  Progress end;
  int frame_limit;
};

const std::vector<Segment>& Segments();
const Segment* FindSegment(const std::string& name);

// Writes the placeholder resources into the current directory. False on failure.
bool WriteResources();
// Writes setting.dat and save slot 0 as `progress` describes (slot 0 through the game's own record writer).
void CraftFiles(const Progress& progress);
// What the current directory's setting.dat and slot 0 hold, checked against `wanted`; empty when they match.
std::string CheckFiles(const Progress& wanted);

struct SegmentRun {
  RunRecord record;
  bool exited = false;      // the game process ended normally
  std::string state;        // the game's state at the end, for comparing runs
  double cpu_seconds = 0;
};

// Runs the segment's errands in a game process of its own in the current directory (files as they are).
// `capture_prefix` names the milestone frames' PNG files; empty saves none.
SegmentRun RunSegment(const Segment& segment, std::uint32_t seed, const std::string& capture_prefix);

}  // namespace playthrough
