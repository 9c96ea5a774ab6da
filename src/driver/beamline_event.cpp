#include "driver/beamline_event.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/fortran_format.h"
#include "random/pair_streams.h"
#include "target/detector_tallies.h"
#include "target/forced_target.h"
#include "target/path_account.h"
#include "target/score.h"
#include "target/spin_rotation.h"
#include "target/target.h"
#include "transport/event_transfer.h"
#include "transport/guide.h"
#include "transport/incoil.h"
#include "transport/kinematics.h"
#include "transport/outcoil.h"
#include "transport/sm.h"
#include "transport/small_q_window.h"
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

// The direction of the last track asked for, worked out again only when the angles change (most
// neutrons keep their direction from the input coil to the detector). The fills take its
// azimuth and a helium cell the whole of it, which the cell would otherwise work out again.
class DirectionMemo {
 public:
  const Direction& operator()(const Track& s) {
    if (!valid_ || std::bit_cast<std::uint64_t>(s.thetaX) != thetaXBits_ ||
        std::bit_cast<std::uint64_t>(s.thetaY) != thetaYBits_) {
      valid_ = true;
      thetaXBits_ = std::bit_cast<std::uint64_t>(s.thetaX);
      thetaYBits_ = std::bit_cast<std::uint64_t>(s.thetaY);
      direction_ = directionOf(s.thetaX, s.thetaY, s.tangents.x, s.tangents.y);
    }
    return direction_;
  }

 private:
  bool valid_ = false;
  std::uint64_t thetaXBits_ = 0, thetaYBits_ = 0;
  Direction direction_;
};

bool inBand(double x, const Aperture& cell) {
  return cell.xMin <= x && x <= cell.xMax;
}
bool strictlyInBand(double x, const Aperture& cell) {
  return cell.xMin < x && x < cell.xMax;
}

using End = EventTrace::End;

// One event's carry: the settings, where it draws, writes and scores, and what it accumulates
// on the way down the beamline. A weighted event's branches each carry a copy on from their
// cell, with their own weight in the score.
template <class Score>
struct Carry {
  const BeamlineSettings& settings;
  const RunHelium& helium;
  Ranlux& rng;
  Score score;
  DetectorHistograms& h;
  EventOutput& io;
  EventTrace& trace;
  const EventTransfer transfer;  // the event's q, as the source worked it out
  const SmallQWindow* window;    // weighted runs: the event's small-q window
  const QRedraw* redraw;         // weighted runs: the split scattered branches' q draws
  ForcedCrossing* forced;        // weighted runs: room for the cell's branches, or none
  const double e0;               // meV, the source energy
  PathAccount account;
  DirectionMemo direction;
  bool image;  // a pair's mirror partner: scatters at the negated azimuth
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
template <class Score>
[[gnu::always_inline]] inline void accountCell(Carry<Score>& c, const Track& entry,
                                               const Track& exit, const CellHistograms& hist,
                                               std::string_view label) {
  c.score.fill(hist.x, exit.x);
  c.score.fill(hist.y, exit.y);
  const TargetSegment seg = targetSegment(entry, exit, TARGET_LENGTH_cm, c.settings.field_mG);
  c.score.fill(seg.split ? hist.splitEnergy : hist.straightEnergy, exit.energy);
  if (seg.limitTaken) c.score.count(&Counters::limitTaken);
  c.account.addTarget(seg, label);
}

// Which helium cell: the left one in target 1, the right one in target 2.
enum class Helium { Target1, Target2 };

// The cell's scoring once the helium has been crossed: entries, flags and the histograms of the
// hypothetical scattering.
template <class Score>
void tallyHelium(Carry<Score>& c, Helium cell, const Track& entry, const TargetScatter& scatter) {
  if (cell == Helium::Target1)
    tallyTarget1(entry, c.transfer.q(), scatter, c.score, c.h);
  else
    tallyTarget2(entry, scatter, c.score, c.h);
  if (scatter.limitTaken) c.score.count(&Counters::limitTaken);
}

// The stages in beam order, each handing the neutron on to the next; defined below in the same
// order.
template <class Score>
void carry(Carry<Score>& c, const Track& start);
template <class Score>
bool carryThroughGuideAndCoil(Carry<Score>& c, const Track& start, Track& gap1);
template <class Score, class Next>
void crossHelium(Carry<Score>& c, Helium cell, const Track& entry, const Aperture& aperture,
                 Next&& next);
template <class Next>
void crossHelium(Carry<WeightedScore>& c, Helium cell, const Track& entry, const Aperture& aperture,
                 Next&& next);
template <class Score>
void afterTarget1(Carry<Score>& c, const Track& gap1, const CellCrossing& t1);
template <class Score>
bool crossGap2(Carry<Score>& c, const Track& p1, Track& p2);
template <class Score>
void crossHelium2(Carry<Score>& c, const Track& p2, const CellCrossing& t1);
template <class Score>
void afterTarget2(Carry<Score>& c, const Track& p2, const CellCrossing& t1, const CellCrossing& t2);
template <class Score>
bool reachDetector(Carry<Score>& c, const Track& p3, Track& detector);
template <class Score>
void recordHit(Carry<Score>& c, const Track& detector, const CellCrossing& t1,
               const CellCrossing& t2);

// The source's histograms, its q drawn; false when the event ends at the source.
template <class Score>
bool scoreSource(std::int64_t eventNumber, const SourceSample& src, const Score& score,
                 DetectorHistograms& h, EventOutput& io) {
  if (src.outcome == SourceSample::Outcome::ShortWavelength) return false;
  score.fill(h.energyStart, src.energy);
  score.fill(h.theta0, src.theta * 180.0 / 3.14159);
  score.fill(h.phi0, src.phi * 180.0 / 3.14159);
  if (eventNumber == 1) {
    const ListLine gradient = ListLine() << "! Running with No x gradient !";
    io.screen.line(gradient);
    io.log.line(gradient);
  }
  if (src.outcome == SourceSample::Outcome::QRetriesExhausted) {
    score.count(&Counters::qRetriesExhausted);
    return false;
  }
  score.fill(h.xSource, src.state.x);
  score.fill(h.qSim, src.transfer.q);
  score.fill(h.omegaSim, src.transfer.omega);
  score.fill(h.e0Sim, src.energy);
  score.fill(h.epSim, src.transfer.energyFinal);
  score.fill(h.k0Sim, src.k);
  score.fill(h.kpSim, src.transfer.kFinal);
  return true;
}

// The carry of an event its source accepted, set up from the source and sent down the beamline.
template <class Score>
void carryFrom(const SourceSample& src, const BeamlineSettings& settings, const RunHelium& helium,
               Ranlux& rng, const Score& score, DetectorHistograms& h, EventOutput& io,
               const SmallQWindow* window = nullptr, const QRedraw* redraw = nullptr,
               ForcedCrossing* forced = nullptr, bool image = false) {
  EventTrace scratch;
  Carry<Score> c{settings,
                 helium,
                 rng,
                 score,
                 h,
                 io,
                 io.trace ? *io.trace : scratch,
                 EventTransfer(src.transfer),
                 window,
                 redraw,
                 forced,
                 src.energy,
                 PathAccount(settings.field_mG, io.longPath),
                 DirectionMemo(),
                 image};
  // The source worked out the tangents of its start in a batch; the stages carry them on.
  carry(c, Track(src.state, src.tangents));
}

// A neutron the source produced, from z = 0 to the detector plane.
template <class Score>
void carry(Carry<Score>& c, const Track& start) {
  Track gap1;
  if (!carryThroughGuideAndCoil(c, start, gap1)) return;
  // Target 1: the helium cell on the left, the empty half of the cell on the right.
  if (inBand(gap1.x, LEFT_CELL)) {
    crossHelium(c, Helium::Target1, gap1, LEFT_CELL,
                [&](Carry<Score>& b, const CellCrossing& t1) { afterTarget1(b, gap1, t1); });
    return;
  }
  CellCrossing t1;
  if (inBand(gap1.x, RIGHT_CELL)) EMPTY(gap1, RIGHT_CELL, TARGET_LENGTH_cm, t1.exit);
  afterTarget1(c, gap1, t1);
}

// Guide, input coil and gap 1, from the start at z = 0 to the entrance of target 1.
template <class Score>
bool carryThroughGuideAndCoil(Carry<Score>& c, const Track& start, Track& gap1) {
  DetectorHistograms& h = c.h;
  Track guideExit;
  GUIDE(GUIDE_LENGTH_cm, c.settings.criticalCoefficient, start, guideExit);
  c.trace.end = End::Guide;
  if (isLost(guideExit)) return false;
  c.score.fill(h.xGuide, guideExit.x);
  c.account.addChord(start, guideExit, c.e0, "guide ");

  Track coilExit;
  INCOIL(c.settings.criticalCoefficient, guideExit, coilExit);
  c.trace.end = End::Incoil;
  if (isLost(coilExit)) return false;
  c.score.fill(h.xIncoil, coilExit.x);
  c.account.addChord(guideExit, coilExit, c.e0, "incoil ");

  gap1 = flyStraight(coilExit, GAP1_LENGTH_cm);
  c.score.fill(h.xGap1, gap1.x);
  c.score.fill(h.thetaXUp, gap1.thetaX * kDegPerRadFill);
  c.score.fill(h.thetaYUp, gap1.thetaY * kDegPerRadFill);
  c.score.fill(h.phiAfterGuide, c.direction(gap1).phi * kDegPerRadFill);
  c.account.addChord(coilExit, gap1, c.e0, "gap 1 ");
  c.score.fill(h.pathEnterTar1, c.account.path());
  c.score.fill(h.rotEnterTar1, c.account.rotation());
  return true;
}

// A helium cell, then the rest of the beamline from its exit (next(carry, crossing)). The analog
// carry (and an analog pair's) samples whether the neutron scatters; the weighted carry goes on
// with every branch of the forced crossing, each with its share of the weight.
template <class Score, class Next>
void crossHelium(Carry<Score>& c, Helium cell, const Track& entry, const Aperture& aperture,
                 Next&& next) {
  CellCrossing t;
  TARGET(c.transfer, c.helium, entry, c.direction(entry), aperture, TARGET_LENGTH_cm, t.exit,
         t.scatter, c.rng, c.io.screen, c.settings.model, c.image);
  tallyHelium(c, cell, entry, t.scatter);
  next(c, t);
}

template <class Next>
void crossHelium(Carry<WeightedScore>& c, Helium cell, const Track& entry, const Aperture& aperture,
                 Next&& next) {
  // The branches' own carries get no room: a second cell of theirs makes its own.
  std::optional<ForcedCrossing> local;
  ForcedCrossing& f = c.forced ? *c.forced : local.emplace();
  c.forced = nullptr;
  forcedTarget(c.transfer, *c.window, *c.redraw, c.helium, entry, c.direction(entry), aperture,
               TARGET_LENGTH_cm, f, c.rng, c.io.screen, c.settings.model, c.image);
  tallyHelium(c, cell, entry, f.scatter);
  if (f.count == 0) {
    next(c, CellCrossing{});
    return;
  }
  const bool entered = -CELL_HALF_HEIGHT_cm <= entry.y && entry.y <= CELL_HALF_HEIGHT_cm;
  for (int i = 0; i < f.count; ++i) {
    const ForcedBranch& b = f.branches[std::size_t(i)];
    // The cell's counts score the branch whole; what goes on carries its weight after the
    // roulette.
    const WeightedScore cellScore{c.score.sums, c.score.weight * b.cellWeight};
    if (entered && b.energyChanged)
      cellScore.count(cell == Helium::Target1 ? &Counters::tar1EnergyChanged
                                              : &Counters::tar2EnergyChanged);
    if (entered && b.angleNonZero)
      cellScore.count(cell == Helium::Target1 ? &Counters::tar1AngleNonZero
                                              : &Counters::tar2AngleNonZero);
    if (!(b.weight > 0.0)) continue;
    Carry<WeightedScore> branch = c;
    branch.score.weight = c.score.weight * b.weight;
    CellCrossing t;
    t.exit = b.exit;
    t.scatter = f.scatter;
    t.scatter.energyChanged = b.energyChanged;
    t.scatter.angleNonZero = b.angleNonZero;
    next(branch, t);
  }
}

// From the exit of target 1 (gap1: its entrance) through gap 2 and target 2: the empty half on
// the left, the helium cell on the right (strict bounds).
template <class Score>
void afterTarget1(Carry<Score>& c, const Track& gap1, const CellCrossing& t1) {
  c.trace.gap1 = gap1;
  c.trace.p1 = t1.exit;
  c.trace.end = End::Target1;
  if (isLost(t1.exit)) return;
  accountCell(c, gap1, t1.exit, {c.h.xUp, c.h.yUp, c.h.eScatUp, c.h.eNonScatBoth}, "target 1 ");
  Track p2;
  if (!crossGap2(c, t1.exit, p2)) return;
  if (strictlyInBand(p2.x, RIGHT_CELL)) {
    crossHelium2(c, p2, t1);
    return;
  }
  CellCrossing t2;
  if (strictlyInBand(p2.x, LEFT_CELL)) EMPTY(p2, LEFT_CELL, TARGET_LENGTH_cm, t2.exit);
  afterTarget2(c, p2, t1, t2);
}

// Gap 2: a neutron that leaves its cell's band ends here; the field integral changes sign in
// its middle.
template <class Score>
bool crossGap2(Carry<Score>& c, const Track& p1, Track& p2) {
  DetectorHistograms& h = c.h;
  p2 = flyStraight(p1, GAP2_LENGTH_cm);
  if ((inBand(p1.x, LEFT_CELL) && !inBand(p2.x, LEFT_CELL)) ||
      (inBand(p1.x, RIGHT_CELL) && !inBand(p2.x, RIGHT_CELL))) {
    c.trace.end = End::Gap2Band;
    return false;
  }
  c.score.fill(h.thetaXDn, p2.thetaX * kDegPerRadFill);
  c.score.fill(h.thetaYDn, p2.thetaY * kDegPerRadFill);
  c.score.fill(h.phiAfterTarget1, c.direction(p2).phi * kDegPerRadFill);
  const double halfGap = chordLength(p1, p2) / 2.0;
  c.account.add(halfGap, p1.energy);
  c.account.reverseSign();
  c.account.add(halfGap, p1.energy);
  c.account.check("gap 2");
  return true;
}

// The helium cell of target 2, handed the source energy; a neutron that target 1 left at
// another energy is reported on the screen.
template <class Score>
void crossHelium2(Carry<Score>& c, const Track& p2, const CellCrossing& t1) {
  if (t1.scatter.energyChanged || t1.scatter.angleNonZero) c.score.count(&Counters::tar1ToTar2);
  Track entry = p2;
  entry.energy = c.e0;
  c.trace.target2Called = true;
  c.trace.target2Energy = entry.energy;
  crossHelium(c, Helium::Target2, entry, RIGHT_CELL, [&](Carry<Score>& b, const CellCrossing& t2) {
    const double e1 = t1.exit.energy;
    if (e1 != b.e0) {
      const Track& p3 = t2.exit;
      const Track p4 = isLost(p3) ? Track::lost() : flyStraight(p3, GAP3_LENGTH_cm);
      b.io.screen.line(ListLine() << "tar2 en1 NE en0   en1,2,3   x2,3,4" << b.e0 << e1
                                  << p3.energy);
      b.io.screen.line(ListLine() << p2.x << p3.x << p4.x);
    }
    afterTarget2(b, p2, t1, t2);
  });
}

// From the exit of target 2 (p2: its entrance) to the detector.
template <class Score>
void afterTarget2(Carry<Score>& c, const Track& p2, const CellCrossing& t1,
                  const CellCrossing& t2) {
  c.trace.p2 = p2;
  c.trace.p3 = t2.exit;
  c.trace.end = End::Target2;
  if (isLost(t2.exit)) return;
  accountCell(c, p2, t2.exit, {c.h.xDn, c.h.yDn, c.h.eScatDn, c.h.eNonScatDn}, "target 2 ");
  Track detector;
  if (!reachDetector(c, t2.exit, detector)) return;
  recordHit(c, detector, t1, t2);
}

// Gap 3, output coil, gap 4 and the analyser, from the exit of target 2 to the detector plane.
template <class Score>
bool reachDetector(Carry<Score>& c, const Track& p3, Track& detector) {
  const double e3 = p3.energy;
  const Track p4 = flyStraight(p3, GAP3_LENGTH_cm);
  c.score.fill(c.h.phiAfterTarget2, c.direction(p4).phi * kDegPerRadFill);
  c.account.addChord(p3, p4, e3, "gap 3");

  Track outcoilExit;
  OUTCOIL(c.settings.criticalCoefficient, p4, outcoilExit);
  c.trace.end = End::Outcoil;
  if (isLost(outcoilExit)) return false;
  c.score.fill(c.h.xOutcoil, outcoilExit.x);
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
template <class Score>
void recordHit(Carry<Score>& c, const Track& detector, const CellCrossing& t1,
               const CellCrossing& t2) {
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
  tallyDetector(hit, c.score, c.h, c.io.screen);
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
  finishBeamlineEvent(eventNumber, src, tables, settings,
                      runHelium(settings.temperature_K, settings.model), rng, out, io);
}

void finishBeamlineEvent(std::int64_t eventNumber, SourceSample& src, const EventTables& tables,
                         const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                         EventTallies& out, EventOutput& io) {
  std::optional<TransferDraw> draw;
  if (src.outcome != SourceSample::Outcome::ShortWavelength)
    drawMomentumTransfer(*tables.structureFactor, src, rng, io.screen, settings.model, &draw);
  finishDrawnEvent(eventNumber, src, draw, tables, settings, helium, rng, out, io);
}

namespace {

// A weighted event's draws beside its own q: slow neutrons get their scattered branch split, q
// drawn as the source draws it; fast ones the small-q and the back window.
struct WeightedDraws {
  SmallQWindow window;
  QRedraw redraw;
};

WeightedDraws weightedDraws(const SourceSample& src, const TransferDraw& draw,
                            const EventTables& tables, const BeamlineSettings& settings) {
  const bool slow = src.energy < settings.bias.slowBelow_meV;
  return {slow ? SmallQWindow{}
               : smallQWindow(draw, src, settings.bias.acceptance_rad, tables.backScatter),
          QRedraw{slow ? &draw : nullptr, slow ? settings.bias.splits : 1}};
}

// A neutron of a weighted event, scored from the source on with weight 1 into sums (draw: its
// q's draw, there whenever the source kept the neutron); image: a pair's mirror partner.
void carryWeighted(std::int64_t eventNumber, const SourceSample& src,
                   const std::optional<TransferDraw>& draw, const EventTables& tables,
                   const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                   EventSums& sums, EventTallies& out, EventOutput& io, bool image) {
  const WeightedScore score{sums, 1.0};
  if (!scoreSource(eventNumber, src, score, out.histograms, io)) return;
  const WeightedDraws d = weightedDraws(src, *draw, tables, settings);
  carryFrom(src, settings, helium, rng, score, out.histograms, io, &d.window, &d.redraw, out.forced,
            image);
}

}  // namespace

void finishDrawnEvent(std::int64_t eventNumber, const SourceSample& src,
                      const std::optional<TransferDraw>& draw, const EventTables& tables,
                      const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                      EventTallies& out, EventOutput& io) {
  if (!settings.bias.weighted) {
    const AnalogScore score{out.counters, out.tallies};
    if (!scoreSource(eventNumber, src, score, out.histograms, io)) return;
    carryFrom(src, settings, helium, rng, score, out.histograms, io);
    return;
  }
  EventSums sums(out.counters, out.tallies);
  carryWeighted(eventNumber, src, draw, tables, settings, helium, rng, sums, out, io, false);
  sums.endEvent();
}

void finishDrawnPair(std::int64_t eventNumber, const SourceSample& src,
                     const std::optional<TransferDraw>& draw, const EventTables& tables,
                     const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                     EventTallies& out, EventOutput& io) {
  EventSums sums(out.counters, out.tallies, true);
  PairStreams pair(rng);
  const SourceSample partners[] = {src, mirroredSource(src)};
  for (int k = 0; k < 2; ++k) {
    // The first event's announcement once, with the drawn partner.
    const std::int64_t number = k == 0 ? eventNumber : 0;
    const bool image = k == 1;
    if (settings.bias.weighted) {
      carryWeighted(number, partners[k], draw, tables, settings, helium, pair.partner(k), sums, out,
                    io, image);
      continue;
    }
    const PairScore score{{sums, 1.0}};
    if (scoreSource(number, partners[k], score, out.histograms, io))
      carryFrom(partners[k], settings, helium, pair.partner(k), score, out.histograms, io, nullptr,
                nullptr, nullptr, image);
  }
  pair.finish();
  sums.endEvent();
}

void carryNeutron(const SourceSample& src, const BeamlineSettings& settings, Ranlux& rng,
                  EventTallies& out, EventOutput& io) {
  carryFrom(src, settings, runHelium(settings.temperature_K, settings.model), rng,
            AnalogScore{out.counters, out.tallies}, out.histograms, io);
}

}  // namespace ornaplex
