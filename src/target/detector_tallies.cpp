#include "target/detector_tallies.h"

#include <cmath>

#include "common/constants.h"
#include "common/det_math.h"
#include "common/fortran_format.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"

namespace ornaplex {

namespace {

// Projected exit angle above which a scattered neutron's loss is printed (rad, single precision).
constexpr double kSteepExitAngle_rad = double(0.1f);
// A neutron with y inside the cells' height at the entrance has entered.
bool enteredCell(const TrackState& entry) {
  return -CELL_HALF_HEIGHT_cm <= entry.y && entry.y <= CELL_HALF_HEIGHT_cm;
}

// The energy loss in one target in which the energy changed.
void tallyLoss(double loss, double e3, double thetaXExit, Tally& lossTally, DetectorHistograms& h,
               MessageSink& screen) {
  h.eLossDet.fill(loss);
  h.thxVsE.fill(e3, thetaXExit);
  h.thxVsLoss.fill(loss, thetaXExit);
  if (thetaXExit > kSteepExitAngle_rad) {
    screen.line(ListLine() << "thx, e, eloss" << thetaXExit << e3 << loss);
  }
  lossTally.add(loss);
}

}  // namespace

void tallyTarget1(const TrackState& entry, double q, const TargetScatter& sc, Counters& c,
                  DetectorHistograms& h) {
  if (!enteredCell(entry)) return;
  ++c.tar1In;
  if (sc.energyChanged) ++c.tar1EnergyChanged;
  if (sc.angleNonZero) ++c.tar1AngleNonZero;
  h.sigTot.fill(sc.crossSection);
  h.sigVsQ.fill(q, sc.crossSection);
  h.thetaScatUp.fill(sc.scatterAngle * kDegPerRadFill);
  h.sigMeasured.fill(sc.crossSectionMeasured);
  h.sigSmallAngle.fill(sc.crossSectionSmallAngle);
  h.thetaPUp.fill(sc.theta_p * kDegPerRadFill);
  h.phiPUp.fill(sc.phi_p * kDegPerRadFill);
}

void tallyTarget2(const TrackState& entry, const TargetScatter& sc, Counters& c,
                  DetectorHistograms& h) {
  if (!enteredCell(entry)) return;
  ++c.tar2In;
  if (sc.energyChanged) ++c.tar2EnergyChanged;
  if (sc.angleNonZero) ++c.tar2AngleNonZero;
  h.sigTot.fill(sc.crossSection);
  h.thetaScatDn.fill(sc.scatterAngle * kDegPerRadFill);
  h.sigMeasured.fill(sc.crossSectionMeasured);
  h.sigSmallAngle.fill(sc.crossSectionSmallAngle);
  h.thetaPDn.fill(sc.theta_p * kDegPerRadFill);
  h.phiPDn.fill(sc.phi_p * kDegPerRadFill);
}

void tallyDetector(const DetectorHit& hit, Counters& c, Tallies& t, DetectorHistograms& h,
                   MessageSink& screen) {
  const TrackState& d = hit.detector;
  const double path = hit.pathLength, rot = hit.rotation, e3 = hit.e3;
  ++c.detIn;
  h.xDet6.fill(d.x);
  h.xDet.fill(d.x);
  h.yDet.fill(d.y);
  h.thxDet.fill(d.thetaX);
  h.thyDet.fill(d.thetaY);
  h.eDet.fill(e3);
  h.lambdaDet.fill(wavelengthOf(e3));
  h.pathDet.fill(path);
  h.rotDet.fill(rot);

  const double s = detmath::sin(rot / 1000.0);
  const bool right = d.x >= 0.0;
  if (right) {
    h.pathDetR.fill(path);
    h.rotDetR.fill(rot);
    h.eDetR.fill(e3);
    t.rightTally.add(s);
  } else {
    h.pathDetL.fill(path);
    h.rotDetL.fill(rot);
    h.eDetL.fill(e3);
    t.leftTally.add(s);
  }

  if (hit.e0 == hit.e1 && hit.e1 == e3) {
    h.pathNoScat.fill(path);
    h.rotNoScat.fill(rot);
    if (right) {
      h.pathNoScatR.fill(path);
      h.rotNoScatR.fill(rot);
    } else {
      h.pathNoScatL.fill(path);
      h.rotNoScatL.fill(rot);
    }
  } else {
    ++c.detEnergyChanged;
    h.pathScat.fill(path);
    h.rotScat.fill(rot);
    const bool low = hit.e1 <= LOW_ENERGY_meV || e3 <= LOW_ENERGY_meV;
    if (right) {
      h.pathScatR.fill(path);
      h.rotScatR.fill(rot);
      t.scatRightTally.add(s);
      if (low) t.scatLowRightTally.add(s);
    } else {
      h.pathScatL.fill(path);
      h.rotScatL.fill(rot);
      t.scatLeftTally.add(s);
      if (low) t.scatLowLeftTally.add(s);
    }
    Tally& loss = right ? t.lossRightTally : t.lossLeftTally;
    if (hit.e1 != hit.e0) tallyLoss(hit.e0 - hit.e1, e3, hit.thetaXExit1, loss, h, screen);
    if (e3 != hit.e1) tallyLoss(hit.e1 - e3, e3, hit.thetaXExit2, loss, h, screen);
  }

  if (hit.angleNonZero1 || hit.angleNonZero2) ++c.detAngleNonZero;
  if (hit.energyChanged1 || hit.angleNonZero1 || hit.energyChanged2 || hit.angleNonZero2) {
    h.eScatDet.fill(e3);
    ++c.detScattered;
  }
}

}  // namespace ornaplex
