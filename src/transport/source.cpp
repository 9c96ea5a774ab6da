#include "transport/source.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/constants.h"
#include "transport/kinematics.h"

namespace ornaplex {

namespace {
constexpr double kShortestWavelength_A = 1.0;  // shorter wavelengths reject the event
constexpr float kStartHalfWidth_cm = 2.75f;    // start square, single precision
constexpr double kLargestTwoK_perA = 3.6;      // end of the S(q) table, 1/Angstrom
constexpr double kSBinsPerInverseA = 25.0;     // S(q) bins are 0.04 1/Angstrom wide
constexpr int kLastSBin = 90;                  // bin ending at 3.6 1/Angstrom
}  // namespace

float sourceStartCoordinate(float r) {
  return kStartHalfWidth_cm * (2.0f * r - 1.0f);
}

std::optional<ConeDirection> coneDirection(double thetaMax_rad, float r1, float r2) {
  // cos(theta) uniform on [cos(thetaMax), 1]: uniform in solid angle inside the cone.
  const double u = 1.0 - (1.0 - std::cos(thetaMax_rad)) * double(r1);
  if (std::abs(u) > 1.0) return std::nullopt;
  ConeDirection d;
  d.theta = std::acos(u);
  d.phi = kTwoPi * double(r2);
  const double tanTheta = std::tan(d.theta);
  d.thetaX = std::atan(std::cos(d.phi) * tanTheta);
  d.thetaY = std::atan(std::sin(d.phi) * tanTheta);
  return d;
}

int lastUsableSBin(double k_perA) {
  const double twoK = 2.0 * k_perA;
  if (twoK > kLargestTwoK_perA) return kLastSBin;
  return static_cast<int>(twoK * kSBinsPerInverseA);  // truncation toward zero
}

SourceSample drawSource(const SourceTables& tables, Ranlux& rng, MessageSink& sink,
                        const ScatteringModel& model) {
  SourceSample s;
  s.lambda = double(tables.wavelength.draw(rng));
  // Written as a negated test so that a NaN wavelength is rejected too.
  if (!(s.lambda >= kShortestWavelength_A)) {
    s.outcome = SourceSample::Outcome::ShortWavelength;
    return s;
  }
  s.energy = energyOfWavelength(s.lambda);

  // Direction and start position from one vector of four numbers, redrawn whole on a retry.
  const double thetaMax = SOURCE_CONE_COEFFICIENT * s.lambda;
  std::array<float, 4> r{};
  std::optional<ConeDirection> direction;
  do {
    rng.fill(r);
    direction = coneDirection(thetaMax, r[0], r[1]);
  } while (!direction);
  s.theta = direction->theta;
  s.phi = direction->phi;
  s.state.x = double(sourceStartCoordinate(r[2]));
  s.state.y = double(sourceStartCoordinate(r[3]));
  s.state.z = 0.0;
  s.state.thetaX = direction->thetaX;
  s.state.thetaY = direction->thetaY;
  s.state.energy = s.energy;

  // The event's momentum transfer: from S(q) up to q = 2k, kept only when the dispersion leaves
  // a positive final energy and a scattering angle exists.
  s.k = waveNumberOf(s.energy);
  s.nq = lastUsableSBin(s.k);
  const int bins = std::min(s.nq, tables.structureFactor.axis().bins);
  if (!tables.structureFactor.canDrawFirst(bins)) {
    s.outcome = SourceSample::Outcome::QRetriesExhausted;
    return s;
  }
  // With the solid-angle Jacobian, q drawn from S(q) is kept with probability q / qTop, which
  // turns the density into q S(q) on the same bins; the other tests below stay as they are.
  const double qTop = tables.structureFactor.axis().lowEdge(bins);
  while (s.qTries < MAX_Q_TRIES) {
    ++s.qTries;
    const HistogramSampler::BinDraw draw = tables.structureFactor.drawBinFirst(bins, rng);
    const auto bin = static_cast<std::size_t>(draw.bin);
    // Every q of this bin takes more energy than the neutron has: refused as E' <= 0 would be.
    if (bin < tables.energyTransferFloor_meV.size() &&
        s.energy < tables.energyTransferFloor_meV[bin]) {
      continue;
    }
    const double q = double(tables.structureFactor.valueOf(draw));
    if (model.jacobian && double(rng.next()) * qTop > q) continue;
    const MomentumTransfer t = momentumTransfer(q, s.energy, s.k, sink);
    if (t.energyFinal <= 0.0) continue;
    if (std::abs(t.cosAngle) > 1.0) continue;
    s.transfer = t;
    s.outcome = SourceSample::Outcome::Accepted;
    return s;
  }
  s.outcome = SourceSample::Outcome::QRetriesExhausted;
  return s;
}

}  // namespace ornaplex
