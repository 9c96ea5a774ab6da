// `ornaplex inspect FILE`: what a histogram file holds, as text, CSV or JSON.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace ornaplex {

// Exit status for a file that is missing, not an ornaplex histogram file, or damaged, and for
// an id the file does not hold.
inline constexpr int kInspectFailure = 2;

// Without id: the run's attributes, one line per histogram (id, kind, entries, underflow,
// overflow, mean, title) and the report's numbers recomputed from /run/summary. With id: that
// histogram as CSV rows "low,high,content" (2-D: "xlow,xhigh,ylow,yhigh,content"), the
// out-of-range slots first and last with infinite outer edges. json prints the same as JSON.
// A scan table (scan.h5) gives its settings, its columns and each report value per point with
// its error and the spread over the models when there is one; with id it is refused.
// Returns 0, or kInspectFailure after one line on err.
int inspectFile(const std::string& path, std::optional<int> id, bool json, std::ostream& out,
                std::ostream& err);

}  // namespace ornaplex
