// The end-of-run report: stage counts, scattering fractions and mean spin rotations, as the
// lines the driver writes to the screen and to the run log. Every function here is pure: it
// prints the values reportValues derives from the run's counters and tallies and returns lines
// without their newlines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "results/report_values.h"
#include "target/tallies.h"

namespace ornaplex {

struct ReportInput {
  std::int64_t events;  // events of the run (the divisor of the detector fraction)
  double field_mG;      // field the run used, mG
  const Counters& counters;
  const Tallies& tallies;
  bool weighted = false;  // a weighted run: counts and means from the weighted sums
  bool pairs = false;     // mirror pairs: means from the pairs' sums, errors with their covariance
};

// "input", "tar1 in", "tar2 in", "det in" with their counts.
std::vector<std::string> countLines(const ReportInput& in);
// One line per non-zero diagnostic counter (none in a normal run).
std::vector<std::string> diagnosticLines(const ReportInput& in);
// End time, fractions, an empty line and the formatted block, as shown on the screen.
std::vector<std::string> screenSummary(const ReportInput& in, std::string_view dateText,
                                       std::string_view timeText);
// End time, fractions, an empty line and the formatted block, as written to the log.
std::vector<std::string> logSummary(const ReportInput& in, std::string_view dateText,
                                    std::string_view timeText);
// The 17 formatted lines: field, energy losses, rotations, left/right counts and ratios.
// Only the scattered rotation difference differs between the screen and the log.
std::vector<std::string> formattedBlock(const ReportInput& in, bool logForm);

// Base name of the output histogram file: "h" and every decimal digit of the seed.
std::string outputFileBase(std::int64_t seed);

}  // namespace ornaplex
