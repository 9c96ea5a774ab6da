#include "target/forced_target.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "target/cell_steps.h"

namespace ornaplex {

using namespace cell;

namespace {

// What the crossing needs for each scattering it forces: the entry and the cell, how far the
// neutron flies in it, its incident direction and where it writes.
struct Crossing {
  const Track& in;
  const Aperture& aperture;
  double length_cm;
  double dExit_cm;
  Direction incident;
  const RunHelium& helium;
  double density_perBarnCm;  // scatterings per cm per barn of cross section
  const ScatteringModel& model;
  MessageSink& sink;
  ForcedCrossing& out;
};

// Whether the source would have kept q: a positive final energy and a real scattering angle.
bool transferable(const MomentumTransfer& tr) {
  return tr.energyFinal > 0.0 && std::abs(tr.cosAngle) <= 1.0;
}

// The share a scattered branch carries on after the roulette at large angles (u uniform): all of
// it near the forward and the backward direction (a neutron turned straight back flies on with
// small projected angles), else 1 / kLargeAngleKept of it with probability kLargeAngleKept and
// none otherwise.
double carriedShare(double angle, double u, double nearAxisKept) {
  const bool nearAxis = angle <= kLargeAngle_rad || angle >= kPi - kLargeAngle_rad;
  const double kept = nearAxis ? nearAxisKept : kLargeAngleKept;
  if (kept >= 1.0) return 1.0;
  return u < kept ? 1.0 / kept : 0.0;
}

// The numbers a scattered branch draws: the scattering's azimuth, its depth and the roulette's.
struct BranchNumbers {
  double phiS, depth, roulette;
  double nearAxisKept = 1.0;  // the chance to go on near the axis (the small-q window's below 1)
};

// A scattering with transfer tr (one that leaves an outgoing wave) at angle, its frame and
// outgoing direction worked out only when the branch goes on; the branch weighs share times
// the probability of scattering in the cell, -none (attenuation mu per cm over the cell:
// none = expm1(-mu dExit), the probability of no scattering less one).
void appendScattered(const Crossing& c, ForcedBranch::Kind kind, const MomentumTransfer& tr,
                     double angle, double mu_perCm, double none, double share, BranchNumbers n,
                     const ScatteringFrame* ownFrame = nullptr,
                     const Outgoing* ownOutgoing = nullptr) {
  ForcedBranch b;
  b.kind = kind;
  b.scattered = true;
  b.energyChanged = tr.energyFinal != c.in.energy;
  b.angleNonZero = angle > 0.0;
  b.cellWeight = -none * share;
  if (!(b.cellWeight > 0.0)) return;
  b.weight = b.cellWeight * carriedShare(angle, n.roulette, n.nearAxisKept);
  if (b.weight > 0.0) {
    const ScatteringFrame frame = ownFrame ? *ownFrame : scatteringFrame(c.incident, angle, n.phiS);
    const Outgoing outgoing =
        ownOutgoing ? *ownOutgoing : outgoingDirection(frame, c.incident, c.sink);
    const double path = -detmath::log1p(n.depth * none) / mu_perCm;
    b.exit = exitAfterScattering(c.in, c.aperture, c.length_cm, scatteringPoint(frame, path),
                                 outgoing.direction, tr.energyFinal);
  }
  c.out.branches[std::size_t(c.out.count++)] = b;
}

// The same for a q other than the event's own: its angle and attenuation first.
void scatterWith(const Crossing& c, ForcedBranch::Kind kind, const MomentumTransfer& tr,
                 double share, BranchNumbers n) {
  const double angle = scatteringAngle(tr, c.sink);
  TargetScatter scratch;
  const double sigma = crossSection(c.helium, c.in.energy, tr, angle, c.model, scratch, c.sink);
  const double mu = c.density_perBarnCm * sigma;
  if (mu > 0.0) appendScattered(c, kind, tr, angle, mu, detmath::expm1(-mu * c.dExit_cm), share, n);
}

}  // namespace

void forcedTarget(const EventTransfer& transfer, const SmallQWindow& window, const QRedraw& redraw,
                  double temperature_K, const Track& in, const Aperture& aperture, double length_cm,
                  ForcedCrossing& out, Ranlux& rng, MessageSink& sink,
                  const ScatteringModel& model) {
  forcedTarget(transfer, window, redraw, runHelium(temperature_K, model), in, incidentDirection(in),
               aperture, length_cm, out, rng, sink, model);
}

void forcedTarget(const EventTransfer& transfer, const SmallQWindow& window, const QRedraw& redraw,
                  const RunHelium& helium, const Track& in, const Direction& incident,
                  const Aperture& aperture, double length_cm, ForcedCrossing& out, Ranlux& rng,
                  MessageSink& sink, const ScatteringModel& model, bool image) {
  out.count = 0;
  if (!aperture.contains(in.x, in.y)) return;
  std::array<float, 10> r{};
  rng.fill(std::span<float>(r));
  // A pair's image turns every branch at the negated azimuth, as the analog crossing does.
  const auto azimuth = [image](float u) {
    const double phi = kTwoPi * double(u);
    return image ? -phi : phi;
  };

  // The event's own q, worked out as the analog crossing does.
  TargetScatter& sc = out.scatter;
  const OwnScattering own =
      ownScattering(transfer, helium, in, incident, azimuth(r[0]), model, sc, sink);
  const MomentumTransfer& tr = own.transfer;

  const Crossing crossing{in,
                          aperture,
                          length_cm,
                          distanceToExit(own.frame, in, aperture, length_cm),
                          own.incident,
                          helium,
                          scatteringDensity_perBarnCm(helium.densityAt(model, sink)),
                          model,
                          sink,
                          out};
  const double mu = own.allowed ? crossing.density_perBarnCm * sc.crossSection : 0.0;
  ForcedBranch straight;
  const double none = detmath::expm1(-mu * crossing.dExit_cm);  // P(no scattering) - 1
  straight.weight = straight.cellWeight = 1.0 + none;
  straight.exit = exitStraight(in, aperture, length_cm);
  out.branches[std::size_t(out.count++)] = straight;

  // The scattered branches of the event's own q and of its further draws, outside the window.
  const int splits = std::clamp(redraw.splits, 1, kMaxSplits);
  const double share = 1.0 / splits;
  if (own.allowed && mu > 0.0 && !window.holds(tr.q))
    appendScattered(crossing, ForcedBranch::Kind::OwnQ, tr, own.angle, mu, none, share,
                    {0.0, double(r[1]), double(r[2])}, &own.frame, &own.outgoing);
  for (int j = 1; j < splits && redraw.draw; ++j) {
    std::int64_t tries = 0;
    const std::optional<MomentumTransfer> t = redraw.draw->draw(rng, sink, tries);
    std::array<float, 3> v{};
    rng.fill(std::span<float>(v));
    if (!t || window.holds(t->q)) continue;
    scatterWith(crossing, ForcedBranch::Kind::Split, *t, share,
                {azimuth(v[0]), double(v[1]), double(v[2])});
  }

  // A q of each window, in place of the event's own q there.
  if (window.qMax_perA > 0.0) {
    const double q = window.qMax_perA * double(r[3]);
    const MomentumTransfer t = momentumTransfer(q, in.energy, waveNumberOf(in.energy), sink);
    const double weightQ = transferable(t) ? window.weightAt(q) : 0.0;
    if (weightQ > 0.0)
      scatterWith(crossing, ForcedBranch::Kind::Window, t, weightQ,
                  {azimuth(r[4]), double(r[5]), double(r[6]), kSmallQWindowKept});
  }
  if (window.backHigh_perA > window.backLow_perA) {
    const double q =
        window.backLow_perA + (window.backHigh_perA - window.backLow_perA) * double(r[7]);
    const MomentumTransfer t = momentumTransfer(q, in.energy, waveNumberOf(in.energy), sink);
    const double weightQ = transferable(t) ? window.backWeightAt(q) : 0.0;
    if (weightQ > 0.0)
      scatterWith(crossing, ForcedBranch::Kind::Window, t, weightQ,
                  {azimuth(r[8]), double(r[9]), 0.0});
  }
}

}  // namespace ornaplex
