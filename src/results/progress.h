// Progress lines of a run: ten lines, after each tenth of the events.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ornaplex {

// Event numbers after which a progress line is written: j * N / 10 for j = 1..10, in exact
// integer arithmetic. When N < 10 some of these are 0 or repeat; zeros and repeats are left
// out, so a run of 3 events reports after events 1, 2 and 3, a run of 1 after event 1, and a
// run of 0 events (or a negative count) not at all. Ascending.
std::vector<std::int64_t> progressPoints(std::int64_t events);

// Walks the progress points of a run as events complete, in any step size: one event at a
// time or a whole block of a parallel run at once. Each point's line is returned once, in
// ascending order.
class ProgressTracker {
 public:
  explicit ProgressTracker(std::int64_t events);
  // The next event number that yields a line (INT64_MAX once all are passed). A per-event
  // caller can compare against it and skip advanceTo in the common case.
  std::int64_t next() const;
  // Lines for every point up to and including eventsDone not yet returned.
  std::vector<std::string> advanceTo(std::int64_t eventsDone);

 private:
  std::vector<std::int64_t> points_;
  std::size_t nextIndex_ = 0;
};

}  // namespace ornaplex
