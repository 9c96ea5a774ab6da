#include "target/forced_target.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "target/cell_steps.h"

namespace ornaplex {

using namespace cell;

namespace {

// A scattering of transfer tr forced inside the cell: the probability that the neutron scatters
// before it leaves (attenuation mu per cm over distance dExit) and the branch, the free path
// drawn from u on the exponential cut at dExit.
struct ForcedScattering {
  const Track& in;
  const Aperture& aperture;
  double length_cm;
  double dExit_cm;
};

ForcedBranch scatteredBranch(const ForcedScattering& f, const ScatteringFrame& frame,
                             const Outgoing& outgoing, const MomentumTransfer& tr,
                             double scatterAngle, double mu_perCm, double u) {
  ForcedBranch b;
  const double none = detmath::expm1(-mu_perCm * f.dExit_cm);  // P(no scattering) - 1
  b.weight = -none;
  if (!(b.weight > 0.0)) return b;
  const double path = -detmath::log1p(u * none) / mu_perCm;
  const Offset point = scatteringPoint(frame, path);
  b.scattered = true;
  b.energyChanged = tr.energyFinal != f.in.energy;
  b.angleNonZero = scatterAngle > 0.0;
  b.exit =
      exitAfterScattering(f.in, f.aperture, f.length_cm, point, outgoing.direction, tr.energyFinal);
  return b;
}

// Whether the source would have kept q: a positive final energy and a real scattering angle.
bool transferable(const MomentumTransfer& tr) {
  return tr.energyFinal > 0.0 && std::abs(tr.cosAngle) <= 1.0;
}

// What the crossing needs for each scattering it forces.
struct Crossing {
  const ForcedScattering& forced;
  Direction incident;
  double temperature_K;
  const ScatteringModel& model;
  MessageSink& sink;
  ForcedCrossing& out;
};

// A scattering with transfer tr (one that leaves an outgoing wave), azimuth phiS and depth
// number u, its branch weighing share times its probability; appended when it weighs anything.
// The share of a scattered branch after the roulette at large angles (u uniform): unchanged
// near the forward and the backward direction (a neutron scattered straight back flies on with
// small projected angles), else share / kLargeAngleKept with probability kLargeAngleKept and 0
// (the branch dropped) otherwise.
double rouletteShare(double angle, double u, double share) {
  if (angle <= kLargeAngle_rad || angle >= kPi - kLargeAngle_rad) return share;
  return u < kLargeAngleKept ? share / kLargeAngleKept : 0.0;
}

void scatterWith(const Crossing& c, ForcedBranch::Kind kind, const MomentumTransfer& tr,
                 double phiS, double u, double share, double roulette) {
  const double angle = scatteringAngle(tr, c.sink);
  share = rouletteShare(angle, roulette, share);
  if (!(share > 0.0)) return;
  const ScatteringFrame frame = scatteringFrame(c.incident, angle, phiS);
  const Outgoing outgoing = outgoingDirection(frame, c.incident, c.sink);
  TargetScatter scratch;
  const double sigma =
      crossSection(c.temperature_K, c.forced.in.energy, tr, angle, c.model, scratch, c.sink);
  const double mu = attenuation_perCm(c.temperature_K, sigma, c.model, c.sink);
  if (!(mu > 0.0)) return;
  ForcedBranch b = scatteredBranch(c.forced, frame, outgoing, tr, angle, mu, u);
  b.weight *= share;
  b.kind = kind;
  if (b.weight > 0.0) c.out.branches[std::size_t(c.out.count++)] = b;
}

}  // namespace

void forcedTarget(const EventTransfer& transfer, const SmallQWindow& window, const QRedraw& redraw,
                  double temperature_K, const Track& in, const Aperture& aperture, double length_cm,
                  ForcedCrossing& out, Ranlux& rng, MessageSink& sink,
                  const ScatteringModel& model) {
  out.count = 0;
  if (!aperture.contains(in.x, in.y)) return;
  const Direction incident = incidentDirection(in);
  std::array<float, 7> r{};
  rng.fill(std::span<float>(r));

  // The event's own q, worked out as the analog crossing does.
  const MomentumTransfer tr = transfer.at(in.energy, sink);
  const bool allowed = leavesAnOutgoingWave(tr, sink);
  const double scatterAngle = allowed ? scatteringAngle(tr, sink) : 0.0;
  const ScatteringFrame frame = scatteringFrame(incident, scatterAngle, kTwoPi * double(r[0]));
  const Outgoing outgoing =
      allowed ? outgoingDirection(frame, incident, sink) : Outgoing{incident, false};
  TargetScatter& sc = out.scatter;
  sc.crossSection = crossSection(temperature_K, in.energy, tr, scatterAngle, model, sc, sink);
  sc.scatterAngle = scatterAngle;
  sc.theta_p = outgoing.direction.theta;
  sc.phi_p = outgoing.direction.phi;
  sc.limitTaken = outgoing.limitTaken;
  sc.energyChanged = false;
  sc.angleNonZero = false;

  const ForcedScattering forced{in, aperture, length_cm,
                                distanceToExit(frame, in, aperture, length_cm)};
  const double mu = allowed ? attenuation_perCm(temperature_K, sc.crossSection, model, sink) : 0.0;
  ForcedBranch straight;
  straight.weight = 1.0 + detmath::expm1(-mu * forced.dExit_cm);
  straight.exit = exitStraight(in, aperture, length_cm);
  out.branches[std::size_t(out.count++)] = straight;

  // The scattered branches of the event's own q and of its further draws, outside the window.
  const int splits = std::clamp(redraw.splits, 1, kMaxSplits);
  const double share = 1.0 / splits;
  const double ownShare = rouletteShare(scatterAngle, double(r[2]), share);
  if (allowed && mu > 0.0 && ownShare > 0.0 && !(tr.q < window.qMax_perA)) {
    ForcedBranch b = scatteredBranch(forced, frame, outgoing, tr, scatterAngle, mu, double(r[1]));
    b.weight *= ownShare;
    b.kind = ForcedBranch::Kind::OwnQ;
    if (b.weight > 0.0) out.branches[std::size_t(out.count++)] = b;
  }
  const Crossing crossing{forced, incident, temperature_K, model, sink, out};
  for (int j = 1; j < splits && redraw.draw; ++j) {
    std::int64_t tries = 0;
    const std::optional<MomentumTransfer> t = redraw.draw->draw(rng, sink, tries);
    std::array<float, 3> v{};
    rng.fill(std::span<float>(v));
    if (!t || t->q < window.qMax_perA) continue;
    scatterWith(crossing, ForcedBranch::Kind::Split, *t, kTwoPi * double(v[0]), double(v[1]), share,
                double(v[2]));
  }

  // A q of the window, in place of the event's own q there.
  if (!(window.qMax_perA > 0.0)) return;
  const double q = window.qMax_perA * double(r[3]);
  const MomentumTransfer trW = momentumTransfer(q, in.energy, waveNumberOf(in.energy), sink);
  const double weightQ = transferable(trW) ? window.weightAt(q) : 0.0;
  if (weightQ > 0.0)
    scatterWith(crossing, ForcedBranch::Kind::Window, trW, kTwoPi * double(r[4]), double(r[5]),
                weightQ, double(r[6]));
}

}  // namespace ornaplex
