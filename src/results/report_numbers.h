// The report's numbers as named values (for inspection and plotting): the values reportValues
// derives for the printed report, under stable keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "target/tallies.h"

namespace ornaplex {

struct ReportNumber {
  std::string key;              // stable name for programs ("rot_left")
  std::string label;            // what it is, with its unit
  double value;                 // not finite when the report's division is undefined
  std::optional<double> error;  // standard error, for means and rotations
};

// Fractions (single precision, as the report divides), mean energy losses, mean rotations by
// side and class, the shares of rotation from scattered hits, the left-right differences and
// the hit counts. "Unscattered" is every hit of a side without an energy change: the side's
// tally less its energy-changed tally.
// weighted: from the weighted sums of a weighted run (report_values.h).
// pairs: from the sums of a run of mirror pairs.
std::vector<ReportNumber> reportNumbers(std::int64_t events, const Counters& c, const Tallies& t,
                                        bool weighted = false, bool pairs = false);

}  // namespace ornaplex
