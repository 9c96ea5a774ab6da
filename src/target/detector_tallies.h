// What is counted, summed and histogrammed about the two target stages and at the detector.
#pragma once

#include "common/constants.h"
#include "common/det_math.h"
#include "common/fortran_format.h"
#include "common/message_sink.h"
#include "target/detector_histograms.h"
#include "target/tallies.h"
#include "target/target.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"
#include "transport/track_state.h"

namespace ornaplex {

// Each takes any score with the analog and the weighted score's operations (target/score.h):
// fill, count and add.

// A neutron that reached the detector plane.
struct DetectorHit {
  TrackState detector;                  // after the analyser
  double e0 = 0.0, e1 = 0.0, e3 = 0.0;  // meV: source, after target 1, after target 2
  double thetaXExit1 = 0.0;             // rad, leaving target 1
  double thetaXExit2 = 0.0;             // rad, leaving target 2
  double pathLength = 0.0;              // cm
  double rotation = 0.0;                // mrad
  bool energyChanged1 = false, angleNonZero1 = false;  // flags of target 1
  bool energyChanged2 = false, angleNonZero2 = false;  // flags of target 2
};

namespace detector_tallies {

// Projected exit angle above which a scattered neutron's loss is printed (rad, single precision).
inline constexpr double kSteepExitAngle_rad = double(0.1f);
// A neutron with y inside the cells' height at the entrance has entered.
inline bool enteredCell(const TrackState& entry) {
  return -CELL_HALF_HEIGHT_cm <= entry.y && entry.y <= CELL_HALF_HEIGHT_cm;
}

// The energy loss in one target in which the energy changed.
template <class Score>
void tallyLoss(double loss, double e3, double thetaXExit, Tally Tallies::*lossTally,
               const Score& score, DetectorHistograms& h, MessageSink& screen) {
  score.fill(h.eLossDet, loss);
  score.fill(h.thxVsE, e3, thetaXExit);
  score.fill(h.thxVsLoss, loss, thetaXExit);
  if (thetaXExit > kSteepExitAngle_rad) {
    screen.line(ListLine() << "thx, e, eloss" << thetaXExit << e3 << loss);
  }
  score.add(lossTally, loss);
}

}  // namespace detector_tallies

template <class Score>
void tallyTarget1(const TrackState& entry, double q, const TargetScatter& sc, const Score& score,
                  DetectorHistograms& h) {
  if (!detector_tallies::enteredCell(entry)) return;
  score.count(&Counters::tar1In);
  if (sc.energyChanged) score.count(&Counters::tar1EnergyChanged);
  if (sc.angleNonZero) score.count(&Counters::tar1AngleNonZero);
  score.fill(h.sigTot, sc.crossSection);
  score.fill(h.sigVsQ, q, sc.crossSection);
  score.fill(h.thetaScatUp, sc.scatterAngle * kDegPerRadFill);
  score.fill(h.sigMeasured, sc.crossSectionMeasured);
  score.fill(h.sigSmallAngle, sc.crossSectionSmallAngle);
  score.fill(h.thetaPUp, sc.theta_p * kDegPerRadFill);
  score.fill(h.phiPUp, sc.phi_p * kDegPerRadFill);
}

template <class Score>
void tallyTarget2(const TrackState& entry, const TargetScatter& sc, const Score& score,
                  DetectorHistograms& h) {
  if (!detector_tallies::enteredCell(entry)) return;
  score.count(&Counters::tar2In);
  if (sc.energyChanged) score.count(&Counters::tar2EnergyChanged);
  if (sc.angleNonZero) score.count(&Counters::tar2AngleNonZero);
  score.fill(h.sigTot, sc.crossSection);
  score.fill(h.thetaScatDn, sc.scatterAngle * kDegPerRadFill);
  score.fill(h.sigMeasured, sc.crossSectionMeasured);
  score.fill(h.sigSmallAngle, sc.crossSectionSmallAngle);
  score.fill(h.thetaPDn, sc.theta_p * kDegPerRadFill);
  score.fill(h.phiPDn, sc.phi_p * kDegPerRadFill);
}

template <class Score>
void tallyDetector(const DetectorHit& hit, const Score& score, DetectorHistograms& h,
                   MessageSink& screen) {
  const TrackState& d = hit.detector;
  const double path = hit.pathLength, rot = hit.rotation, e3 = hit.e3;
  score.count(&Counters::detIn);
  score.fill(h.xDet6, d.x);
  score.fill(h.xDet, d.x);
  score.fill(h.yDet, d.y);
  score.fill(h.thxDet, d.thetaX);
  score.fill(h.thyDet, d.thetaY);
  score.fill(h.eDet, e3);
  score.fill(h.lambdaDet, wavelengthOf(e3));
  score.fill(h.pathDet, path);
  score.fill(h.rotDet, rot);

  const double s = detmath::sin(rot / 1000.0);
  const bool right = d.x >= 0.0;
  if (right) {
    score.fill(h.pathDetR, path);
    score.fill(h.rotDetR, rot);
    score.fill(h.eDetR, e3);
    score.add(&Tallies::rightTally, s);
  } else {
    score.fill(h.pathDetL, path);
    score.fill(h.rotDetL, rot);
    score.fill(h.eDetL, e3);
    score.add(&Tallies::leftTally, s);
  }

  if (hit.e0 == hit.e1 && hit.e1 == e3) {
    score.fill(h.pathNoScat, path);
    score.fill(h.rotNoScat, rot);
    if (right) {
      score.fill(h.pathNoScatR, path);
      score.fill(h.rotNoScatR, rot);
    } else {
      score.fill(h.pathNoScatL, path);
      score.fill(h.rotNoScatL, rot);
    }
  } else {
    score.count(&Counters::detEnergyChanged);
    score.fill(h.pathScat, path);
    score.fill(h.rotScat, rot);
    const bool low = hit.e1 <= LOW_ENERGY_meV || e3 <= LOW_ENERGY_meV;
    if (right) {
      score.fill(h.pathScatR, path);
      score.fill(h.rotScatR, rot);
      score.add(&Tallies::scatRightTally, s);
      if (low) score.add(&Tallies::scatLowRightTally, s);
    } else {
      score.fill(h.pathScatL, path);
      score.fill(h.rotScatL, rot);
      score.add(&Tallies::scatLeftTally, s);
      if (low) score.add(&Tallies::scatLowLeftTally, s);
    }
    Tally Tallies::*loss = right ? &Tallies::lossRightTally : &Tallies::lossLeftTally;
    if (hit.e1 != hit.e0)
      detector_tallies::tallyLoss(hit.e0 - hit.e1, e3, hit.thetaXExit1, loss, score, h, screen);
    if (e3 != hit.e1)
      detector_tallies::tallyLoss(hit.e1 - e3, e3, hit.thetaXExit2, loss, score, h, screen);
  }

  if (hit.angleNonZero1 || hit.angleNonZero2) score.count(&Counters::detAngleNonZero);
  if (hit.energyChanged1 || hit.angleNonZero1 || hit.energyChanged2 || hit.angleNonZero2) {
    score.fill(h.eScatDet, e3);
    score.count(&Counters::detScattered);
  }
}

}  // namespace ornaplex
