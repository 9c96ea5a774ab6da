// The end-of-run report: stage counts, scattering fractions and mean spin rotations, as the
// lines the driver writes to the screen and to the run log. Every function here is pure: it
// reads the run's counters and tallies and returns lines without their newlines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "target/tallies.h"

namespace ornaplex {

struct ReportInput {
  std::int64_t events;  // events of the run (the divisor of the detector fraction)
  double field_mG;      // field the run used, mG
  const Counters& counters;
  const Tallies& tallies;
};

// A value and its standard error.
struct ValueAndError {
  double value;
  double error;
};

// mean = S / N.
double tallyMean(const Tally& t);
// Standard error of the mean: sqrt((Q - S^2 / N) / N / (N - 1)). Not finite when N < 2.
double tallyErr(const Tally& t);
// Mean rotation of a tally of sin(rotation / 1000) values, mrad: 1000 asin(mean), 1000 asin(err).
ValueAndError tallyRotation(const Tally& t);
// The same for the low-energy tallies, which print zeros when they hold fewer than two hits.
ValueAndError lowEnergyRotation(const Tally& t);
// Upstream-left minus downstream-right rotation, mrad, with the two errors added in quadrature.
ValueAndError rotationDifference(const Tally& left, const Tally& right);
// The same for the energy-changed hits. Screen form: over the scattered hits only. Log form:
// the scattered sums S and Q over the counts of all hits on the same side, i.e. the scattered
// hits' share of each side's mean rotation.
ValueAndError scatteredRotationDifference(const Tallies& t, bool logForm);

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
