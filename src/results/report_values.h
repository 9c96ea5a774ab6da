// Every quantity of the end-of-run report, derived once from the run's counters and tallies:
// the printed report (report.h) and the named numbers (report_numbers.h) both read them.
#pragma once

#include <cstdint>

#include "results/tally_statistics.h"
#include "target/tallies.h"

namespace ornaplex {

// In an analog run the counts are whole numbers; in a weighted run they, the fractions and the
// means are weighted sums and ratios of weighted sums (target/score.h).
struct ReportValues {
  bool weighted;
  // Counts.
  std::int64_t events;  // the divisor of the fractions of the source neutrons
  double tar1In;
  double tar2In;
  double detIn;
  double qRetriesExhausted;  // diagnostics, zero in a normal run
  double limitTaken;
  // Fractions of counts, divided in single precision; a zero divisor gives Inf or NaN.
  float fracTar1EnergyChanged;  // of the target 1 entries
  float fracTar1AngleNonZero;   // of the target 1 entries
  float fracTar2EnergyChanged;  // of the target 2 entries
  float fracTar2AngleNonZero;   // of the target 2 entries
  float fracTar1ToTar2;         // of the target 1 entries
  float fracScatteredOfEvents;  // scattered detector hits per event
  float fracDetScattered;       // of the detector hits
  float fracDetAngleNonZero;    // of the detector hits
  float fracDetEnergyChanged;   // of the detector hits
  // Fractions of the events scattered in the helium (energy changed), with binomial errors.
  ValueAndError heliumScatteredTar1;
  ValueAndError heliumScatteredTar2;
  ValueAndError heliumScattered;  // both cells
  // Mean energy losses, meV.
  ValueAndError lossRight;
  ValueAndError lossLeft;
  // Mean rotations, mrad. Unscattered: a side's hits without an energy change.
  ValueAndError rotRight;
  ValueAndError rotLeft;
  ValueAndError rotScatRight;
  ValueAndError rotScatLeft;
  ValueAndError rotUnscatRight;
  ValueAndError rotUnscatLeft;
  ValueAndError rotScatLowRight;  // E <= 0.35 meV; zeros below two hits
  ValueAndError rotScatLowLeft;
  // Shares of a side's summed rotation from its scattered hits (all, E <= 0.35 meV).
  double shareScatRight;
  double shareScatLowRight;
  double shareScatLeft;
  double shareScatLowLeft;
  // Upstream-left minus downstream-right rotations, mrad: all hits, scattered hits (screen
  // form), scattered sums over all hits of a side (log form).
  ValueAndError rotDiff;
  ValueAndError rotDiffScat;
  ValueAndError rotDiffScatShare;
  // Detector hits by side, and left over right in single precision.
  double nLeft;
  double nRight;
  double nScatLeft;
  double nScatRight;
  float ratioLeftRight;
  float ratioScatLeftRight;
};

// pairs: a run of mirror pairs, its sums grouped by pair (weighted or not): its means and
// shares are weighted ones, and its errors take the pair's left-right covariance.
ReportValues reportValues(std::int64_t events, const Counters& c, const Tallies& t,
                          bool weighted = false, bool pairs = false);

}  // namespace ornaplex
