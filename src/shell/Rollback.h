// The way back: the story as it stood at each of the last save points, kept
// in memory only, newest last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "text/History.h"

namespace mirt {

class RollbackRing {
 public:
  // 100 steps back from the newest, the page being read.
  static constexpr size_t kCapacity = 101;

  struct Snapshot {
    std::vector<uint8_t> slot;  // the save point and the variables, as a slot file holds them
    uint32_t random = 0;        // the random generator's state
    CThink::Mark history;       // how far the history had got
  };

  // Keeps s as the newest; the oldest goes beyond kCapacity. A snapshot
  // equal to the newest (a SAVEPOINT at a page start) adds no step.
  void Push(Snapshot s) {
    if (!ring_.empty() && ring_.back().slot == s.slot) return;
    ring_.push_back(std::move(s));
    while (ring_.size() > kCapacity) ring_.pop_front();
  }
  // The snapshot before the newest; only when steps() > 0.
  const Snapshot& previous() const { return ring_[ring_.size() - 2]; }
  void DropNewest() { ring_.pop_back(); }
  // The oldest snapshot kept; only when not empty().
  const Snapshot& oldest() const { return ring_.front(); }
  // How many steps back there are: the newest is where the reader is.
  int steps() const { return ring_.empty() ? 0 : static_cast<int>(ring_.size()) - 1; }
  bool empty() const { return ring_.empty(); }
  void Clear() { ring_.clear(); }

 private:
  std::deque<Snapshot> ring_;
};

}  // namespace mirt
