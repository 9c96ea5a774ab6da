#include "results/report_numbers.h"

#include <cmath>

#include "results/report.h"

namespace ornaplex {

namespace {

// A count over a count in single precision, as the report prints it.
double fraction(std::int64_t a, std::int64_t b) {
  return static_cast<double>(static_cast<float>(a) / static_cast<float>(b));
}

// The hits of a side without an energy change: the side's sums less the energy-changed ones.
Tally withoutEnergyChange(const Tally& side, const Tally& changed) {
  return Tally{side.S - changed.S, side.Q - changed.Q, side.N - changed.N};
}

ReportNumber withError(std::string key, std::string label, ValueAndError v) {
  return {std::move(key), std::move(label), v.value, v.error};
}

// a of n as a fraction in double precision, with its binomial standard error.
ValueAndError binomial(std::int64_t a, std::int64_t n) {
  const double p = double(a) / double(n);
  return {p, std::sqrt(p * (1.0 - p) / double(n))};
}

}  // namespace

std::vector<ReportNumber> reportNumbers(std::int64_t events, const Counters& c, const Tallies& t) {
  const Tally unscatRight = withoutEnergyChange(t.rightTally, t.scatRightTally);
  const Tally unscatLeft = withoutEnergyChange(t.leftTally, t.scatLeftTally);
  return {
      {"events", "events", double(events), {}},
      {"tar1_in", "entered target 1", double(c.tar1In), {}},
      {"tar2_in", "entered target 2", double(c.tar2In), {}},
      {"det_in", "detector hits", double(c.detIn), {}},
      {"frac_tar1_energy_changed",
       "fraction of target 1 entries with an energy change",
       fraction(c.tar1EnergyChanged, c.tar1In),
       {}},
      {"frac_tar1_angle_nonzero",
       "fraction of target 1 entries scattered with angle > 0",
       fraction(c.tar1AngleNonZero, c.tar1In),
       {}},
      {"frac_tar2_energy_changed",
       "fraction of target 2 entries with an energy change",
       fraction(c.tar2EnergyChanged, c.tar2In),
       {}},
      {"frac_tar2_angle_nonzero",
       "fraction of target 2 entries scattered with angle > 0",
       fraction(c.tar2AngleNonZero, c.tar2In),
       {}},
      {"frac_tar1_to_tar2",
       "fraction of target 1 entries scattered and entering target 2",
       fraction(c.tar1ToTar2, c.tar1In),
       {}},
      withError("frac_helium_scattered_tar1",
                "fraction of source neutrons scattered in the helium of target 1",
                binomial(c.tar1EnergyChanged, events)),
      withError("frac_helium_scattered_tar2",
                "fraction of source neutrons scattered in the helium of target 2",
                binomial(c.tar2EnergyChanged, events)),
      withError("frac_helium_scattered",
                "fraction of source neutrons scattered in the helium, both cells",
                binomial(c.tar1EnergyChanged + c.tar2EnergyChanged, events)),
      {"frac_scattered_of_events",
       "scattered detector hits per event",
       fraction(c.detScattered, events),
       {}},
      {"frac_det_scattered",
       "fraction of detector hits scattered",
       fraction(c.detScattered, c.detIn),
       {}},
      {"frac_det_angle_nonzero",
       "fraction of detector hits scattered with angle > 0",
       fraction(c.detAngleNonZero, c.detIn),
       {}},
      {"frac_det_energy_changed",
       "fraction of detector hits with an energy change",
       fraction(c.detEnergyChanged, c.detIn),
       {}},
      withError("loss_right", "mean energy loss right (meV)",
                {tallyMean(t.lossRightTally), tallyErr(t.lossRightTally)}),
      withError("loss_left", "mean energy loss left (meV)",
                {tallyMean(t.lossLeftTally), tallyErr(t.lossLeftTally)}),
      withError("rot_right", "mean rotation right (mrad)", tallyRotation(t.rightTally)),
      withError("rot_left", "mean rotation left (mrad)", tallyRotation(t.leftTally)),
      withError("rot_scat_right", "mean rotation scattered right (mrad)",
                tallyRotation(t.scatRightTally)),
      withError("rot_scat_left", "mean rotation scattered left (mrad)",
                tallyRotation(t.scatLeftTally)),
      withError("rot_unscat_right", "mean rotation unscattered right (mrad)",
                tallyRotation(unscatRight)),
      withError("rot_unscat_left", "mean rotation unscattered left (mrad)",
                tallyRotation(unscatLeft)),
      withError("rot_scat_low_right", "mean rotation scattered right, E <= 0.35 meV (mrad)",
                lowEnergyRotation(t.scatLowRightTally)),
      withError("rot_scat_low_left", "mean rotation scattered left, E <= 0.35 meV (mrad)",
                lowEnergyRotation(t.scatLowLeftTally)),
      {"frac_rot_scat_right",
       "share of the right rotation from scattered hits",
       t.scatRightTally.S / t.rightTally.S,
       {}},
      {"frac_rot_scat_low_right",
       "share of the right rotation from scattered hits E <= 0.35 meV",
       t.scatLowRightTally.S / t.rightTally.S,
       {}},
      {"frac_rot_scat_left",
       "share of the left rotation from scattered hits",
       t.scatLeftTally.S / t.leftTally.S,
       {}},
      {"frac_rot_scat_low_left",
       "share of the left rotation from scattered hits E <= 0.35 meV",
       t.scatLowLeftTally.S / t.leftTally.S,
       {}},
      withError("rot_diff", "rotation UpL-DownR (mrad)",
                rotationDifference(t.leftTally, t.rightTally)),
      withError("rot_diff_scat", "rotation UpL-DownR of scattered hits (mrad)",
                scatteredRotationDifference(t, false)),
      withError("rot_diff_scat_share", "rotation UpL-DownR, scattered share (mrad)",
                scatteredRotationDifference(t, true)),
      {"n_left", "hits left", double(t.leftTally.N), {}},
      {"n_right", "hits right", double(t.rightTally.N), {}},
      {"ratio_left_right", "ratio of hits left/right", fraction(t.leftTally.N, t.rightTally.N), {}},
      {"n_scat_left", "scattered hits left", double(t.scatLeftTally.N), {}},
      {"n_scat_right", "scattered hits right", double(t.scatRightTally.N), {}},
      {"ratio_scat_left_right",
       "ratio of scattered hits left/right",
       fraction(t.scatLeftTally.N, t.scatRightTally.N),
       {}},
  };
}

}  // namespace ornaplex
