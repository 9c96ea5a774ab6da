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
  TARGET(transfer, runHelium(temperature_K, model), in, incidentDirection(in), aperture, length_cm,
         out, scatter, rng, sink, model);
}

void TARGET(const EventTransfer& transfer, const RunHelium& helium, const Track& in,
            const Direction& incident, const Aperture& aperture, double length_cm, Track& out,
            TargetScatter& scatter, Ranlux& rng, MessageSink& sink, const ScatteringModel& model,
            bool image) {
  // Entrance face.
  if (!aperture.contains(in.x, in.y)) {
    out = Track::lost();
    return;
  }
  std::array<float, 3> r{};
  rng.fill(std::span<float>(r));
  const double r1 = r[0];
  const double r2 = r[1];
  const double phiS = kTwoPi * r1;
  const OwnScattering own =
      ownScattering(transfer, helium, in, incident, image ? -phiS : phiS, model, scatter, sink);
  const double path =
      freePath(helium.densityAt(model, sink), scatter.crossSection, r2, own.allowed);

  // The sampled free path decides whether the scattering happens inside the cell.
  const Offset point = scatteringPoint(own.frame, path);
  if (!scattersInCell(in, aperture, length_cm, point)) {
    out = exitStraight(in, aperture, length_cm);
    return;
  }
  scatter.energyChanged = own.transfer.energyFinal != in.energy;
  scatter.angleNonZero = own.angle > 0.0;
  out = exitAfterScattering(in, aperture, length_cm, point, own.outgoing.direction,
                            own.transfer.energyFinal);
}

}  // namespace ornaplex
