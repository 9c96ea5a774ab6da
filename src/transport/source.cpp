#include "transport/source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "common/constants.h"
#include "common/det_math.h"
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

std::optional<double> coneCosine(double cosThetaMax, float r1) {
  // cos(theta) uniform on [cos(thetaMax), 1]: uniform in solid angle inside the cone.
  const double u = 1.0 - (1.0 - cosThetaMax) * double(r1);
  if (std::abs(u) > 1.0) return std::nullopt;
  return u;
}

std::optional<ConeDirection> coneDirection(double thetaMax_rad, float r1, float r2) {
  const std::optional<double> u = coneCosine(detmath::cos(thetaMax_rad), r1);
  if (!u) return std::nullopt;
  ConeDirection d;
  d.theta = detmath::acos(*u);
  d.phi = kTwoPi * double(r2);
  const double tanTheta = detmath::tan(d.theta);
  const detmath::SinCos phi = detmath::sincos(d.phi);
  const detmath::Pair projected = detmath::atanPair(phi.cos * tanTheta, phi.sin * tanTheta);
  d.thetaX = projected.a;
  d.thetaY = projected.b;
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
  Ranlux* const rngs[] = {&rng};
  drawSourceStarts(tables.wavelength, rngs, std::span<SourceSample>(&s, 1),
                   detmath::batchMath(SimdLevel::Scalar));
  if (s.outcome != SourceSample::Outcome::ShortWavelength)
    drawMomentumTransfer(tables.structureFactor, s, rng, sink, model);
  return s;
}

void drawSourceStarts(const HistogramSampler& wavelength, std::span<Ranlux* const> rngs,
                      std::span<SourceSample> out, const detmath::BatchMath& math) {
  const std::size_t n = out.size();
  if (n > std::size_t(kSourceBatch) || rngs.size() != n)
    throw std::invalid_argument("source batch of " + std::to_string(n) + " events with " +
                                std::to_string(rngs.size()) + " streams");
  // The math runs over whole padded arrays; slots without a direction to work out hold
  // harmless arguments whose results are not used.
  constexpr int kPadded = kSourceBatch;
  std::array<double, kPadded> thetaMax{}, cosMax{}, u{}, phi{}, theta{}, tanTheta{};
  std::array<double, kPadded> sinPhi{}, cosPhi{};
  std::array<double, 2 * kPadded> projected{}, tangents{};
  u.fill(1.0);
  const int padded =
      static_cast<int>((n + detmath::kBatchPad - 1) / detmath::kBatchPad) * detmath::kBatchPad;

  for (std::size_t j = 0; j < n; ++j) {
    SourceSample& s = out[j];
    s = SourceSample{};
    s.lambda = double(wavelength.draw(*rngs[j]));
    // Written as a negated test so that a NaN wavelength is rejected too.
    if (!(s.lambda >= kShortestWavelength_A)) continue;
    s.outcome = SourceSample::Outcome::Accepted;
    s.energy = energyOfWavelength(s.lambda);
    thetaMax[j] = SOURCE_CONE_COEFFICIENT * s.lambda;
  }
  math.cos(thetaMax.data(), cosMax.data(), padded);

  // Direction and start position from one vector of four numbers, redrawn whole on a retry.
  for (std::size_t j = 0; j < n; ++j) {
    SourceSample& s = out[j];
    if (s.outcome == SourceSample::Outcome::ShortWavelength) continue;
    std::array<float, 4> r{};
    std::optional<double> cosTheta;
    do {
      rngs[j]->fill(r);
      cosTheta = coneCosine(cosMax[j], r[0]);
    } while (!cosTheta);
    u[j] = *cosTheta;
    phi[j] = kTwoPi * double(r[1]);
    s.state.x = double(sourceStartCoordinate(r[2]));
    s.state.y = double(sourceStartCoordinate(r[3]));
  }

  // theta = acos(u); the projected angles atan(cos(phi) tan(theta)), atan(sin(phi) tan(theta)),
  // and their tangents, for the whole batch at once.
  math.acos(u.data(), theta.data(), padded);
  math.tan(theta.data(), tanTheta.data(), padded);
  math.sincos(phi.data(), sinPhi.data(), cosPhi.data(), padded);
  for (int j = 0; j < kPadded; ++j) {
    projected[std::size_t(j)] = cosPhi[std::size_t(j)] * tanTheta[std::size_t(j)];
    projected[std::size_t(kPadded + j)] = sinPhi[std::size_t(j)] * tanTheta[std::size_t(j)];
  }
  math.atan(projected.data(), projected.data(), 2 * kPadded);
  math.tan(projected.data(), tangents.data(), 2 * kPadded);

  for (std::size_t j = 0; j < n; ++j) {
    SourceSample& s = out[j];
    if (s.outcome == SourceSample::Outcome::ShortWavelength) continue;
    s.theta = theta[j];
    s.phi = phi[j];
    s.state.z = 0.0;
    s.state.thetaX = projected[j];
    s.state.thetaY = projected[kPadded + j];
    s.state.energy = s.energy;
    s.tangents = {tangents[j], tangents[kPadded + j]};
  }
}

std::optional<TransferDraw> transferDraw(const StructureFactorDraw& structureFactor,
                                         double energy_meV, const ScatteringModel& model) {
  TransferDraw d;
  d.structureFactor = &structureFactor;
  d.energy_meV = energy_meV;
  d.k_perA = waveNumberOf(energy_meV);
  d.nq = lastUsableSBin(d.k_perA);
  const int bins = std::min(d.nq, structureFactor.axis().bins);
  // Only bins the energy can reach are drawn from; none at all rejects the event.
  const std::optional<StructureFactorDraw::OpenBins> open = structureFactor.open(bins, energy_meV);
  if (!open) return std::nullopt;
  d.open = *open;
  // With the solid-angle Jacobian, q drawn from S(q) is kept with probability q / qTop, which
  // turns the density into q S(q) on the same bins; the other tests below stay as they are.
  d.qTop_perA = model.jacobian ? structureFactor.axis().lowEdge(bins) : 0.0;
  d.jacobian = model.jacobian;
  return d;
}

std::optional<MomentumTransfer> TransferDraw::draw(Ranlux& rng, MessageSink& sink,
                                                   std::int64_t& tries) const {
  while (tries < MAX_Q_TRIES) {
    ++tries;
    const double q = double(structureFactor->valueOf(structureFactor->drawBin(open, rng)));
    if (jacobian && double(rng.next()) * qTop_perA > q) continue;
    const MomentumTransfer t = momentumTransfer(q, energy_meV, k_perA, sink);
    if (t.energyFinal <= 0.0) continue;
    if (std::abs(t.cosAngle) > 1.0) continue;
    return t;
  }
  return std::nullopt;
}

void drawMomentumTransfer(const StructureFactorDraw& structureFactor, SourceSample& s, Ranlux& rng,
                          MessageSink& sink, const ScatteringModel& model,
                          std::optional<TransferDraw>* used) {
  s.k = waveNumberOf(s.energy);
  s.nq = lastUsableSBin(s.k);
  std::optional<TransferDraw> own;
  std::optional<TransferDraw>& d = used ? *used : own;
  d = transferDraw(structureFactor, s.energy, model);
  const std::optional<MomentumTransfer> t = d ? d->draw(rng, sink, s.qTries) : std::nullopt;
  s.outcome = t ? SourceSample::Outcome::Accepted : SourceSample::Outcome::QRetriesExhausted;
  if (t) s.transfer = *t;
}

}  // namespace ornaplex
