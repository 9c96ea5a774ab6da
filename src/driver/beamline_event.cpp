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

using End = EventTrace::End;

// One event's carry: the settings, where it draws, writes and tallies, and what it accumulates
// on the way down the beamline.
struct Carry {
  const BeamlineSettings& settings;
  Ranlux& rng;
  EventTallies& out;
  EventOutput& io;
  EventTrace& trace;
  const EventTransfer transfer;  // the event's q, as the source worked it out
  const double e0;               // meV, the source energy
  PathAccount account;
  AzimuthMemo azimuth;
};

// A cell the neutron crossed: the track at its exit face (LOST when stopped) and what the helium
// sampled (zero for the empty half).
struct CellCrossing {
  Track exit = Track::lost();
  TargetScatter scatter;
};

// The histograms of a cell's exit: x, y and the energy, in the scattered (split segment) or the
// straight one.
struct CellHistograms {
  Histogram1D &x, &y, &splitEnergy, &straightEnergy;
};

// After a cell the neutron left: its exit fills, and the cell's segment of path and rotation.
// Inlined into both cells' steps (as a call it costs the event loop a quarter percent).
[[gnu::always_inline]] inline void accountCell(Carry& c, const Track& entry, const Track& exit,
                                               const CellHistograms& hist, std::string_view label) {
  hist.x.fill(exit.x);
  hist.y.fill(exit.y);
  const TargetSegment seg = targetSegment(entry, exit, TARGET_LENGTH_cm, c.settings.field_mG);
  (seg.split ? hist.splitEnergy : hist.straightEnergy).fill(exit.energy);
  if (seg.limitTaken) ++c.out.counters.limitTaken;
  c.account.addTarget(seg, label);
}

// Guide, input coil and gap 1, from the start at z = 0 to the entrance of target 1.
bool carryThroughGuideAndCoil(Carry& c, const Track& start, Track& gap1) {
  DetectorHistograms& h = c.out.histograms;
  Track guideExit;
  GUIDE(GUIDE_LENGTH_cm, c.settings.criticalCoefficient, start, guideExit);
  c.trace.end = End::Guide;
  if (isLost(guideExit)) return false;
  h.xGuide.fill(guideExit.x);
  c.account.addChord(start, guideExit, c.e0, "guide ");

  Track coilExit;
  INCOIL(c.settings.criticalCoefficient, guideExit, coilExit);
  c.trace.end = End::Incoil;
  if (isLost(coilExit)) return false;
  h.xIncoil.fill(coilExit.x);
  c.account.addChord(guideExit, coilExit, c.e0, "incoil ");

  gap1 = flyStraight(coilExit, GAP1_LENGTH_cm);
  h.xGap1.fill(gap1.x);
  h.thetaXUp.fill(gap1.thetaX * kDegPerRadFill);
  h.thetaYUp.fill(gap1.thetaY * kDegPerRadFill);
  h.phiAfterGuide.fill(c.azimuth(gap1) * kDegPerRadFill);
  c.account.addChord(coilExit, gap1, c.e0, "gap 1 ");
  h.pathEnterTar1.fill(c.account.path());
  h.rotEnterTar1.fill(c.account.rotation());
  return true;
}

// Target 1: the helium cell on the left, the empty half of the cell on the right.
bool crossTarget1(Carry& c, const Track& gap1, CellCrossing& t1) {
  DetectorHistograms& h = c.out.histograms;
  if (inBand(gap1.x, LEFT_CELL)) {
    TARGET(c.transfer, c.settings.temperature_K, gap1, LEFT_CELL, TARGET_LENGTH_cm, t1.exit,
           t1.scatter, c.rng, c.io.screen, c.settings.model);
    tallyTarget1(gap1, c.transfer.q(), t1.scatter, c.out.counters, h);
    if (t1.scatter.limitTaken) ++c.out.counters.limitTaken;
  } else if (inBand(gap1.x, RIGHT_CELL)) {
    EMPTY(gap1, RIGHT_CELL, TARGET_LENGTH_cm, t1.exit);
  }
  c.trace.gap1 = gap1;
  c.trace.p1 = t1.exit;
  c.trace.end = End::Target1;
  if (isLost(t1.exit)) return false;
  accountCell(c, gap1, t1.exit, {h.xUp, h.yUp, h.eScatUp, h.eNonScatBoth}, "target 1 ");
  return true;
}

// Gap 2: a neutron that leaves its cell's band ends here; the field integral changes sign in
// its middle.
bool crossGap2(Carry& c, const Track& p1, Track& p2) {
  DetectorHistograms& h = c.out.histograms;
  p2 = flyStraight(p1, GAP2_LENGTH_cm);
  if ((inBand(p1.x, LEFT_CELL) && !inBand(p2.x, LEFT_CELL)) ||
      (inBand(p1.x, RIGHT_CELL) && !inBand(p2.x, RIGHT_CELL))) {
    c.trace.end = End::Gap2Band;
    return false;
  }
  h.thetaXDn.fill(p2.thetaX * kDegPerRadFill);
  h.thetaYDn.fill(p2.thetaY * kDegPerRadFill);
  h.phiAfterTarget1.fill(c.azimuth(p2) * kDegPerRadFill);
  const double halfGap = chordLength(p1, p2) / 2.0;
  c.account.add(halfGap, p1.energy);
  c.account.reverseSign();
  c.account.add(halfGap, p1.energy);
  c.account.check("gap 2");
  return true;
}

// The helium cell of target 2, handed the source energy; a neutron that target 1 left at
// another energy is reported on the screen.
void crossHelium2(Carry& c, const Track& p2, const CellCrossing& t1, CellCrossing& t2) {
  if (t1.scatter.energyChanged || t1.scatter.angleNonZero) ++c.out.counters.tar1ToTar2;
  Track entry = p2;
  entry.energy = c.e0;
  c.trace.target2Called = true;
  c.trace.target2Energy = entry.energy;
  TARGET(c.transfer, c.settings.temperature_K, entry, RIGHT_CELL, TARGET_LENGTH_cm, t2.exit,
         t2.scatter, c.rng, c.io.screen, c.settings.model);
  tallyTarget2(entry, t2.scatter, c.out.counters, c.out.histograms);
  if (t2.scatter.limitTaken) ++c.out.counters.limitTaken;
  const double e1 = t1.exit.energy;
  if (e1 != c.e0) {
    const Track& p3 = t2.exit;
    const Track p4 = isLost(p3) ? Track::lost() : flyStraight(p3, GAP3_LENGTH_cm);
    c.io.screen.line(ListLine() << "tar2 en1 NE en0   en1,2,3   x2,3,4" << c.e0 << e1 << p3.energy);
    c.io.screen.line(ListLine() << p2.x << p3.x << p4.x);
  }
}

// Target 2: the empty half on the left, the helium cell on the right (strict bounds).
bool crossTarget2(Carry& c, const Track& p2, const CellCrossing& t1, CellCrossing& t2) {
  DetectorHistograms& h = c.out.histograms;
  if (strictlyInBand(p2.x, LEFT_CELL)) {
    EMPTY(p2, LEFT_CELL, TARGET_LENGTH_cm, t2.exit);
  } else if (strictlyInBand(p2.x, RIGHT_CELL)) {
    crossHelium2(c, p2, t1, t2);
  }
  c.trace.p2 = p2;
  c.trace.p3 = t2.exit;
  c.trace.end = End::Target2;
  if (isLost(t2.exit)) return false;
  accountCell(c, p2, t2.exit, {h.xDn, h.yDn, h.eScatDn, h.eNonScatDn}, "target 2 ");
  return true;
}

// Gap 3, output coil, gap 4 and the analyser, from the exit of target 2 to the detector plane.
bool reachDetector(Carry& c, const Track& p3, Track& detector) {
  const double e3 = p3.energy;
  const Track p4 = flyStraight(p3, GAP3_LENGTH_cm);
  c.out.histograms.phiAfterTarget2.fill(c.azimuth(p4) * kDegPerRadFill);
  c.account.addChord(p3, p4, e3, "gap 3");

  Track outcoilExit;
  OUTCOIL(c.settings.criticalCoefficient, p4, outcoilExit);
  c.trace.end = End::Outcoil;
  if (isLost(outcoilExit)) return false;
  c.out.histograms.xOutcoil.fill(outcoilExit.x);
  c.account.addChord(p4, outcoilExit, e3, "out coil");

  const Track gap4 = flyStraight(outcoilExit, GAP4_LENGTH_cm);
  c.account.addChord(outcoilExit, gap4, e3, "gap 4");

  SM(gap4, detector);
  c.trace.end = End::Analyser;
  if (isLost(detector)) return false;
  c.account.addChord(gap4, detector, e3, "ASM ");
  return true;
}

// The hit at the detector plane, with the energies and flags of the two cells.
void recordHit(Carry& c, const Track& detector, const CellCrossing& t1, const CellCrossing& t2) {
  DetectorHit hit;
  hit.detector = detector;
  hit.e0 = c.e0;
  hit.e1 = t1.exit.energy;
  hit.e3 = t2.exit.energy;
  hit.thetaXExit1 = t1.exit.thetaX;
  hit.thetaXExit2 = t2.exit.thetaX;
  hit.pathLength = c.account.path();
  hit.rotation = c.account.rotation();
  hit.energyChanged1 = t1.scatter.energyChanged;
  hit.angleNonZero1 = t1.scatter.angleNonZero;
  hit.energyChanged2 = t2.scatter.energyChanged;
  hit.angleNonZero2 = t2.scatter.angleNonZero;
  tallyDetector(hit, c.out.counters, c.out.tallies, c.out.histograms, c.io.screen);
  c.trace.end = End::Detector;
  c.trace.detector = detector;
  c.trace.pathLength = hit.pathLength;
  c.trace.rotation = hit.rotation;
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
  EventTrace scratch;
  Carry c{settings,
          rng,
          out,
          io,
          io.trace ? *io.trace : scratch,
          EventTransfer(src.transfer),
          src.energy,
          PathAccount(settings.field_mG, io.longPath),
          AzimuthMemo()};
  // The source worked out the tangents of its start in a batch; the stages carry them on.
  const Track start(src.state, src.tangents);
  Track gap1;
  if (!carryThroughGuideAndCoil(c, start, gap1)) return;
  CellCrossing target1;
  if (!crossTarget1(c, gap1, target1)) return;
  Track p2;
  if (!crossGap2(c, target1.exit, p2)) return;
  CellCrossing target2;
  if (!crossTarget2(c, p2, target1, target2)) return;
  Track detector;
  if (!reachDetector(c, target2.exit, detector)) return;
  recordHit(c, detector, target1, target2);
}

}  // namespace ornaplex
