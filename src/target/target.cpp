// Flight through one liquid-helium target cell. The hypothetical scattering (energy transfer,
// new direction) is worked out first; the sampled free path then decides whether it happens
// inside the cell.
#include "target/target.h"

#include <array>
#include <span>

#include "target/cell_steps.h"

namespace ornaplex {

using namespace cell;

void TARGET(const EventTransfer& transfer, double temperature_K, const Track& in,
            const Aperture& aperture, double length_cm, Track& out, TargetScatter& scatter,
            Ranlux& rng, MessageSink& sink, const ScatteringModel& model) {
  TARGET(transfer, runHelium(temperature_K, model), in, aperture, length_cm, out, scatter, rng,
         sink, model);
}

void TARGET(const EventTransfer& transfer, const RunHelium& helium, const Track& in,
            const Aperture& aperture, double length_cm, Track& out, TargetScatter& scatter,
            Ranlux& rng, MessageSink& sink, const ScatteringModel& model) {
  // Entrance face.
  if (!aperture.contains(in.x, in.y)) {
    out = Track::lost();
    return;
  }
  const Direction incident = incidentDirection(in);
  const MomentumTransfer tr = transfer.at(in.energy, sink);
  const bool allowed = leavesAnOutgoingWave(tr, sink);
  const double scatterAngle = allowed ? scatteringAngle(tr, sink) : 0.0;

  std::array<float, 3> r{};
  rng.fill(std::span<float>(r));
  const double r1 = r[0];
  const double r2 = r[1];
  const double phiS = kTwoPi * r1;
  const ScatteringFrame frame = scatteringFrame(incident, scatterAngle, phiS);
  const Outgoing outgoing =
      allowed ? outgoingDirection(frame, incident, sink) : Outgoing{incident, false};

  scatter.crossSection =
      crossSection(helium.temperature_K, in.energy, tr, scatterAngle, model, scatter, sink);
  const double path = freePath(helium.densityAt(model, sink), scatter.crossSection, r2, allowed);
  scatter.scatterAngle = scatterAngle;
  scatter.theta_p = outgoing.direction.theta;
  scatter.phi_p = outgoing.direction.phi;
  scatter.limitTaken = outgoing.limitTaken;

  // The sampled free path decides whether the scattering happens inside the cell.
  const Offset point = scatteringPoint(frame, path);
  scatter.energyChanged = false;
  scatter.angleNonZero = false;
  if (!scattersInCell(in, aperture, length_cm, point)) {
    out = exitStraight(in, aperture, length_cm);
    return;
  }
  scatter.energyChanged = tr.energyFinal != in.energy;
  scatter.angleNonZero = scatterAngle > 0.0;
  out = exitAfterScattering(in, aperture, length_cm, point, outgoing.direction, tr.energyFinal);
}

}  // namespace ornaplex
