// The whole mutable state of a running stage (the game's globals that stage play reads or writes, and the engine's
// random generator) saved into a compact snapshot and put back, so that a search can try a move and return.
#pragma once

#include <cstdint>
#include <vector>

namespace passability {

// A saved state: the bytes that differ from the base state, as runs of changed words.
struct Snapshot {
  std::vector<std::uint64_t> words;
};

class GameState {
 public:
  // Takes the current state as the base that later snapshots are stored against.
  void SetBase();
  Snapshot Save() const;
  void Restore(const Snapshot& snapshot) const;

 private:
  std::vector<std::uint64_t> base_;
};

}  // namespace passability
