// `ornaplex inspect FILE`: what a histogram file holds, as text, CSV or JSON.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ornaplex {

// Exit status for a file that is missing, not an ornaplex histogram file, or damaged: a refused
// input, as for a run.
inline constexpr int kUnreadableFile = 1;
// Exit status for a choice the file cannot answer: an id it does not hold, a value a scan table
// does not hold, an id asked of a scan table.
inline constexpr int kInspectFailure = 2;

// Without id: the run's attributes, one line per histogram (id, kind, entries, underflow,
// overflow, mean, title) and the report's numbers recomputed from /run/summary. With id: that
// histogram as CSV rows "low,high,content" (2-D: "xlow,xhigh,ylow,yhigh,content"), the
// out-of-range slots first and last with infinite outer edges. json prints the same as JSON.
// A scan table (scan.h5) gives its settings, its columns and each report value per point with
// its error and the spread over the models when there is one; with id it is refused.
// settings, when given, describe the run settings: `--json` adds "settings", each setting the
// file records (or implies, for files written before it was recorded) with its option, label,
// unit and whether it tells runs apart.
// Returns 0, or kUnreadableFile or kInspectFailure after one line on err.
struct SettingEntry {
  std::string attribute, option, label, unit, absentMeans;
  bool identity = false, scannable = false;
};
int inspectFile(const std::string& path, std::optional<int> id, bool json, std::ostream& out,
                std::ostream& err, const std::vector<SettingEntry>& settings = {});

}  // namespace ornaplex
