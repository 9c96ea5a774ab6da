#include "driver/beamline_event.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "common/fortran_format.h"
#include "target/detector_tallies.h"
#include "target/path_account.h"
#include "target/spin_rotation.h"
#include "target/target.h"
#include "transport/event_transfer.h"
#include "transport/guide.h"
#include "transport/incoil.h"
#include "transport/kinematics.h"
#include "transport/outcoil.h"
#include "transport/sm.h"
#include "transport/source.h"

namespace ornaplex {

Track flyStraight(const Track& in, double L) {
  Track out = in;
  out.x = in.x + in.tangents.x * L;
  out.y = in.y + in.tangents.y * L;
  out.z = in.z + L;
  return out;
}

namespace {

// The azimuth of the last direction asked for, worked out again only when the angles change
// (most neutrons keep their direction from the input coil to the detector).
class AzimuthMemo {
 public:
  double operator()(const Track& s) {
    if (!valid_ || std::bit_cast<std::uint64_t>(s.thetaX) != thetaXBits_ ||
        std::bit_cast<std::uint64_t>(s.thetaY) != thetaYBits_) {
      valid_ = true;
      thetaXBits_ = std::bit_cast<std::uint64_t>(s.thetaX);
      thetaYBits_ = std::bit_cast<std::uint64_t>(s.thetaY);
      azimuth_ = directionAzimuth(s.thetaX, s.thetaY, s.tangents.x, s.tangents.y);
    }
    return azimuth_;
  }

 private:
  bool valid_ = false;
  std::uint64_t thetaXBits_ = 0, thetaYBits_ = 0;
  double azimuth_ = 0.0;
};

bool inBand(double x, const Aperture& cell) {
  return cell.xMin <= x && x <= cell.xMax;
}
bool strictlyInBand(double x, const Aperture& cell) {
  return cell.xMin < x && x < cell.xMax;
}

}  // namespace

void runBeamlineEvent(std::int64_t eventNumber, const EventTables& tables,
                      const BeamlineSettings& settings, Ranlux& rng, EventTallies& out,
                      EventOutput& io) {
  SourceSample start;
  Ranlux* const rngs[] = {&rng};
  drawSourceStarts(*tables.wavelength, rngs, std::span<SourceSample>(&start, 1),
                   detmath::batchMath(SimdLevel::Scalar));
  finishBeamlineEvent(eventNumber, start, tables, settings, rng, out, io);
}

void finishBeamlineEvent(std::int64_t eventNumber, SourceSample& src, const EventTables& tables,
                         const BeamlineSettings& settings, Ranlux& rng, EventTallies& out,
                         EventOutput& io) {
  DetectorHistograms& h = out.histograms;
  Counters& counters = out.counters;

  if (src.outcome == SourceSample::Outcome::ShortWavelength) return;
  drawMomentumTransfer(*tables.structureFactor, src, rng, io.screen, settings.model);
  h.energyStart.fill(src.energy);
  h.theta0.fill(src.theta * 180.0 / 3.14159);
  h.phi0.fill(src.phi * 180.0 / 3.14159);
  if (eventNumber == 1) {
    const ListLine gradient = ListLine() << "! Running with No x gradient !";
    io.screen.line(gradient);
    io.log.line(gradient);
  }
  if (src.outcome == SourceSample::Outcome::QRetriesExhausted) {
    ++counters.qRetriesExhausted;
    return;
  }
  h.xSource.fill(src.state.x);
  h.qSim.fill(src.transfer.q);
  h.omegaSim.fill(src.transfer.omega);
  h.e0Sim.fill(src.energy);
  h.epSim.fill(src.transfer.energyFinal);
  h.k0Sim.fill(src.k);
  h.kpSim.fill(src.transfer.kFinal);

  carryNeutron(src, settings, rng, out, io);
}

void carryNeutron(const SourceSample& src, const BeamlineSettings& settings, Ranlux& rng,
                  EventTallies& out, EventOutput& io) {
  DetectorHistograms& h = out.histograms;
  Counters& counters = out.counters;
  EventTrace scratch;
  EventTrace& trace = io.trace ? *io.trace : scratch;
  using End = EventTrace::End;
  const double e0 = src.energy;
  const EventTransfer transfer(src.transfer);
  PathAccount account(settings.field_mG, io.longPath);
  // The source worked out the tangents of its start in a batch; the stages carry them on.
  const Track p0(src.state, src.tangents);
  AzimuthMemo azimuth;

  Track guideExit;
  GUIDE(GUIDE_LENGTH_cm, settings.criticalCoefficient, p0, guideExit);
  trace.end = End::Guide;
  if (isLost(guideExit)) return;
  h.xGuide.fill(guideExit.x);
  account.addChord(p0, guideExit, e0, "guide ");

  Track coilExit;
  INCOIL(settings.criticalCoefficient, guideExit, coilExit);
  trace.end = End::Incoil;
  if (isLost(coilExit)) return;
  h.xIncoil.fill(coilExit.x);
  account.addChord(guideExit, coilExit, e0, "incoil ");

  const Track gap1 = flyStraight(coilExit, GAP1_LENGTH_cm);
  h.xGap1.fill(gap1.x);
  h.thetaXUp.fill(gap1.thetaX * kDegPerRadFill);
  h.thetaYUp.fill(gap1.thetaY * kDegPerRadFill);
  h.phiAfterGuide.fill(azimuth(gap1) * kDegPerRadFill);
  account.addChord(coilExit, gap1, e0, "gap 1 ");
  h.pathEnterTar1.fill(account.path());
  h.rotEnterTar1.fill(account.rotation());

  // Target 1: the helium cell on the left, the empty half of the cell on the right.
  Track p1 = Track::lost();
  TargetScatter scatter1;
  if (inBand(gap1.x, LEFT_CELL)) {
    TARGET(transfer, settings.temperature_K, gap1, LEFT_CELL, TARGET_LENGTH_cm, p1, scatter1, rng,
           io.screen, settings.model);
    tallyTarget1(gap1, transfer.q(), scatter1, counters, h);
    if (scatter1.limitTaken) ++counters.limitTaken;
  } else if (inBand(gap1.x, RIGHT_CELL)) {
    EMPTY(gap1, RIGHT_CELL, TARGET_LENGTH_cm, p1);
  }
  trace.gap1 = gap1;
  trace.p1 = p1;
  trace.end = End::Target1;
  if (isLost(p1)) return;
  const double e1 = p1.energy;
  h.xUp.fill(p1.x);
  h.yUp.fill(p1.y);
  const TargetSegment seg1 = targetSegment(gap1, p1, TARGET_LENGTH_cm, settings.field_mG);
  (seg1.split ? h.eScatUp : h.eNonScatBoth).fill(e1);
  if (seg1.limitTaken) ++counters.limitTaken;
  account.addTarget(seg1, "target 1 ");

  // Gap 2: a neutron that leaves its cell's band ends here.
  const Track p2 = flyStraight(p1, GAP2_LENGTH_cm);
  if ((inBand(p1.x, LEFT_CELL) && !inBand(p2.x, LEFT_CELL)) ||
      (inBand(p1.x, RIGHT_CELL) && !inBand(p2.x, RIGHT_CELL))) {
    trace.end = End::Gap2Band;
    return;
  }
  h.thetaXDn.fill(p2.thetaX * kDegPerRadFill);
  h.thetaYDn.fill(p2.thetaY * kDegPerRadFill);
  h.phiAfterTarget1.fill(azimuth(p2) * kDegPerRadFill);
  const double halfGap = chordLength(p1, p2) / 2.0;
  account.add(halfGap, e1);
  account.reverseSign();
  account.add(halfGap, e1);
  account.check("gap 2");

  // Target 2: the empty half on the left, the helium cell on the right (strict bounds). The
  // helium cell is handed the source energy.
  Track p3 = Track::lost();
  TargetScatter scatter2;
  if (strictlyInBand(p2.x, LEFT_CELL)) {
    EMPTY(p2, LEFT_CELL, TARGET_LENGTH_cm, p3);
  } else if (strictlyInBand(p2.x, RIGHT_CELL)) {
    if (scatter1.energyChanged || scatter1.angleNonZero) ++counters.tar1ToTar2;
    Track entry = p2;
    entry.energy = e0;
    trace.target2Called = true;
    trace.target2Energy = entry.energy;
    TARGET(transfer, settings.temperature_K, entry, RIGHT_CELL, TARGET_LENGTH_cm, p3, scatter2, rng,
           io.screen, settings.model);
    tallyTarget2(entry, scatter2, counters, h);
    if (scatter2.limitTaken) ++counters.limitTaken;
    if (e1 != e0) {
      const Track p4 = isLost(p3) ? Track::lost() : flyStraight(p3, GAP3_LENGTH_cm);
      io.screen.line(ListLine() << "tar2 en1 NE en0   en1,2,3   x2,3,4" << e0 << e1 << p3.energy);
      io.screen.line(ListLine() << p2.x << p3.x << p4.x);
    }
  }
  trace.p2 = p2;
  trace.p3 = p3;
  trace.end = End::Target2;
  if (isLost(p3)) return;
  const double e3 = p3.energy;
  h.xDn.fill(p3.x);
  h.yDn.fill(p3.y);
  const TargetSegment seg2 = targetSegment(p2, p3, TARGET_LENGTH_cm, settings.field_mG);
  (seg2.split ? h.eScatDn : h.eNonScatDn).fill(e3);
  if (seg2.limitTaken) ++counters.limitTaken;
  account.addTarget(seg2, "target 2 ");

  const Track p4 = flyStraight(p3, GAP3_LENGTH_cm);
  h.phiAfterTarget2.fill(azimuth(p4) * kDegPerRadFill);
  account.addChord(p3, p4, e3, "gap 3");

  Track outcoilExit;
  OUTCOIL(settings.criticalCoefficient, p4, outcoilExit);
  trace.end = End::Outcoil;
  if (isLost(outcoilExit)) return;
  h.xOutcoil.fill(outcoilExit.x);
  account.addChord(p4, outcoilExit, e3, "out coil");

  const Track gap4 = flyStraight(outcoilExit, GAP4_LENGTH_cm);
  account.addChord(outcoilExit, gap4, e3, "gap 4");

  Track detector;
  SM(gap4, detector);
  trace.end = End::Analyser;
  if (isLost(detector)) return;
  account.addChord(gap4, detector, e3, "ASM ");

  DetectorHit hit;
  hit.detector = detector;
  hit.e0 = e0;
  hit.e1 = e1;
  hit.e3 = e3;
  hit.thetaXExit1 = p1.thetaX;
  hit.thetaXExit2 = p3.thetaX;
  hit.pathLength = account.path();
  hit.rotation = account.rotation();
  hit.energyChanged1 = scatter1.energyChanged;
  hit.angleNonZero1 = scatter1.angleNonZero;
  hit.energyChanged2 = scatter2.energyChanged;
  hit.angleNonZero2 = scatter2.angleNonZero;
  tallyDetector(hit, counters, out.tallies, h, io.screen);
  trace.end = End::Detector;
  trace.detector = detector;
  trace.pathLength = hit.pathLength;
  trace.rotation = hit.rotation;
}

}  // namespace ornaplex
