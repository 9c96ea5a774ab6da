#include "results/report_numbers.h"

#include "results/report_values.h"

namespace ornaplex {

namespace {

ReportNumber plain(std::string key, std::string label, double value) {
  return {std::move(key), std::move(label), value, {}};
}

ReportNumber withError(std::string key, std::string label, ValueAndError v) {
  return {std::move(key), std::move(label), v.value, v.error};
}

}  // namespace

std::vector<ReportNumber> reportNumbers(std::int64_t events, const Counters& c, const Tallies& t,
                                        bool weighted, bool pairs) {
  const ReportValues v = reportValues(events, c, t, weighted, pairs);
  return {
      plain("events", "events", double(v.events)),
      plain("tar1_in", "entered target 1", double(v.tar1In)),
      plain("tar2_in", "entered target 2", double(v.tar2In)),
      plain("det_in", "detector hits", double(v.detIn)),
      plain("frac_tar1_energy_changed", "fraction of target 1 entries with an energy change",
            v.fracTar1EnergyChanged),
      plain("frac_tar1_angle_nonzero", "fraction of target 1 entries scattered with angle > 0",
            v.fracTar1AngleNonZero),
      plain("frac_tar2_energy_changed", "fraction of target 2 entries with an energy change",
            v.fracTar2EnergyChanged),
      plain("frac_tar2_angle_nonzero", "fraction of target 2 entries scattered with angle > 0",
            v.fracTar2AngleNonZero),
      plain("frac_tar1_to_tar2", "fraction of target 1 entries scattered and entering target 2",
            v.fracTar1ToTar2),
      withError("frac_helium_scattered_tar1",
                "fraction of source neutrons scattered in the helium of target 1",
                v.heliumScatteredTar1),
      withError("frac_helium_scattered_tar2",
                "fraction of source neutrons scattered in the helium of target 2",
                v.heliumScatteredTar2),
      withError("frac_helium_scattered",
                "fraction of source neutrons scattered in the helium, both cells",
                v.heliumScattered),
      plain("frac_scattered_of_events", "scattered detector hits per event",
            v.fracScatteredOfEvents),
      plain("frac_det_scattered", "fraction of detector hits scattered", v.fracDetScattered),
      plain("frac_det_angle_nonzero", "fraction of detector hits scattered with angle > 0",
            v.fracDetAngleNonZero),
      plain("frac_det_energy_changed", "fraction of detector hits with an energy change",
            v.fracDetEnergyChanged),
      withError("loss_right", "mean energy loss right (meV)", v.lossRight),
      withError("loss_left", "mean energy loss left (meV)", v.lossLeft),
      withError("rot_right", "mean rotation right (mrad)", v.rotRight),
      withError("rot_left", "mean rotation left (mrad)", v.rotLeft),
      withError("rot_scat_right", "mean rotation scattered right (mrad)", v.rotScatRight),
      withError("rot_scat_left", "mean rotation scattered left (mrad)", v.rotScatLeft),
      withError("rot_unscat_right", "mean rotation unscattered right (mrad)", v.rotUnscatRight),
      withError("rot_unscat_left", "mean rotation unscattered left (mrad)", v.rotUnscatLeft),
      withError("rot_scat_low_right", "mean rotation scattered right, E <= 0.35 meV (mrad)",
                v.rotScatLowRight),
      withError("rot_scat_low_left", "mean rotation scattered left, E <= 0.35 meV (mrad)",
                v.rotScatLowLeft),
      plain("frac_rot_scat_right", "share of the right rotation from scattered hits",
            v.shareScatRight),
      plain("frac_rot_scat_low_right",
            "share of the right rotation from scattered hits E <= 0.35 meV", v.shareScatLowRight),
      plain("frac_rot_scat_left", "share of the left rotation from scattered hits",
            v.shareScatLeft),
      plain("frac_rot_scat_low_left",
            "share of the left rotation from scattered hits E <= 0.35 meV", v.shareScatLowLeft),
      withError("rot_diff", "rotation UpL-DownR (mrad)", v.rotDiff),
      withError("rot_diff_scat", "rotation UpL-DownR of scattered hits (mrad)", v.rotDiffScat),
      withError("rot_diff_scat_share", "rotation UpL-DownR, scattered share (mrad)",
                v.rotDiffScatShare),
      plain("n_left", "hits left", double(v.nLeft)),
      plain("n_right", "hits right", double(v.nRight)),
      plain("ratio_left_right", "ratio of hits left/right", v.ratioLeftRight),
      plain("n_scat_left", "scattered hits left", double(v.nScatLeft)),
      plain("n_scat_right", "scattered hits right", double(v.nScatRight)),
      plain("ratio_scat_left_right", "ratio of scattered hits left/right", v.ratioScatLeftRight),
  };
}

}  // namespace ornaplex
