#include "results/progress.h"

#include <limits>

#include "common/fortran_format.h"

namespace ornaplex {

std::vector<std::int64_t> progressPoints(std::int64_t events) {
  std::vector<std::int64_t> points;
  if (events <= 0) return points;
  // j * N / 10 split as j * (N / 10) + j * (N % 10) / 10, which cannot overflow.
  const std::int64_t tenth = events / 10;
  const std::int64_t rest = events % 10;
  for (std::int64_t j = 1; j <= 10; ++j) {
    const std::int64_t p = j * tenth + j * rest / 10;
    if (p == 0 || (!points.empty() && points.back() == p)) continue;
    points.push_back(p);
  }
  return points;
}

ProgressTracker::ProgressTracker(std::int64_t events) : points_(progressPoints(events)) {}

std::int64_t ProgressTracker::next() const {
  return nextIndex_ < points_.size() ? points_[nextIndex_]
                                     : std::numeric_limits<std::int64_t>::max();
}

std::vector<std::string> ProgressTracker::advanceTo(std::int64_t eventsDone) {
  std::vector<std::string> lines;
  while (nextIndex_ < points_.size() && points_[nextIndex_] <= eventsDone) {
    lines.push_back(formatProgress(points_[nextIndex_]));
    ++nextIndex_;
  }
  return lines;
}

}  // namespace ornaplex
