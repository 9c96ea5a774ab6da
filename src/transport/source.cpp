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

SourceSample mirroredSource(const SourceSample& s) {
  SourceSample m = s;
  m.state.x = -s.state.x;
  m.state.thetaX = -s.state.thetaX;
  m.tangents.x = -s.tangents.x;
  m.phi = kPi - s.phi;
  if (m.phi < 0.0) m.phi += kTwoPi;
  return m;
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

namespace {

// transferDraw for a neutron whose wave number k = waveNumberOf(energy) is known, made in d
// (a batch's draws are made in place: copying them cost a fifth of the batch's time).
void makeTransferDraw(const StructureFactorDraw& structureFactor, double energy_meV, double k_perA,
                      const ScatteringModel& model, std::optional<TransferDraw>& made) {
  TransferDraw& d = made.emplace();
  d.structureFactor = &structureFactor;
  d.energy_meV = energy_meV;
  d.k_perA = k_perA;
  d.nq = lastUsableSBin(d.k_perA);
  const int bins = std::min(d.nq, structureFactor.axis().bins);
  // Only bins the energy can reach are drawn from; none at all rejects the event.
  const std::optional<StructureFactorDraw::OpenBins> open = structureFactor.open(bins, energy_meV);
  if (!open) {
    made.reset();
    return;
  }
  d.open = *open;
  // With the solid-angle Jacobian, q drawn from S(q) is kept with probability q / qTop, which
  // turns the density into q S(q) on the same bins; the other tests below stay as they are.
  d.qTop_perA = model.jacobian ? structureFactor.axis().lowEdge(bins) : 0.0;
  d.jacobian = model.jacobian;
}

// Whether the source keeps a q: a positive final energy and a real scattering angle.
bool keeps(const MomentumTransfer& t) {
  return t.energyFinal > 0.0 && std::abs(t.cosAngle) <= 1.0;
}

}  // namespace

std::optional<TransferDraw> transferDraw(const StructureFactorDraw& structureFactor,
                                         double energy_meV, const ScatteringModel& model) {
  std::optional<TransferDraw> d;
  makeTransferDraw(structureFactor, energy_meV, waveNumberOf(energy_meV), model, d);
  return d;
}

std::optional<MomentumTransfer> TransferDraw::draw(Ranlux& rng, MessageSink& sink,
                                                   std::int64_t& tries) const {
  while (tries < MAX_Q_TRIES) {
    ++tries;
    const double q = double(structureFactor->valueOf(structureFactor->drawBin(open, rng)));
    if (jacobian && double(rng.next()) * qTop_perA > q) continue;
    const MomentumTransfer t = momentumTransfer(q, energy_meV, k_perA, sink);
    if (keeps(t)) return t;
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

void drawMomentumTransfers(const StructureFactorDraw& structureFactor,
                           std::span<Ranlux* const> rngs, std::span<SourceSample> out,
                           std::span<MessageSink* const> sinks, const ScatteringModel& model,
                           std::span<std::optional<TransferDraw>> used) {
  const std::size_t n = out.size();
  if (n > std::size_t(kSourceBatch) || rngs.size() != n || sinks.size() != n || used.size() != n)
    throw std::invalid_argument("q batch of " + std::to_string(n) + " events with " +
                                std::to_string(rngs.size()) + " streams");
  using Outcome = SourceSample::Outcome;
  // The wave numbers of the whole batch in one pass (a rejected start's energy is 0).
  std::array<double, kSourceBatch> k{};
  for (std::size_t j = 0; j < n; ++j) k[j] = waveNumberOf(out[j].energy);

  // The events still trying, by index; each round every one of them makes one try.
  std::array<int, kSourceBatch> trying{};
  int m = 0;
  for (std::size_t j = 0; j < n; ++j) {
    SourceSample& s = out[j];
    used[j].reset();
    if (s.outcome == Outcome::ShortWavelength) continue;
    s.k = k[j];
    s.nq = lastUsableSBin(s.k);
    makeTransferDraw(structureFactor, s.energy, s.k, model, used[j]);
    s.outcome = Outcome::QRetriesExhausted;  // until a q is kept
    if (used[j]) trying[std::size_t(m++)] = int(j);
  }

  // A round's tries whose q the dispersion cannot write a line for, worked out side by side:
  // q, omega, then the final energy, wave number and cosine of each, as momentumTransfer.
  std::array<int, kSourceBatch> plain{};
  std::array<double, kSourceBatch> q{}, omega{}, ef{}, kf{}, cosine{};
  NullSink quiet;  // never written: wqMayWrite is false for every q handed to it
  while (m > 0) {
    int kept = 0, w = 0;
    for (int a = 0; a < m; ++a) {
      const int j = trying[std::size_t(a)];
      SourceSample& s = out[std::size_t(j)];
      const TransferDraw& d = *used[std::size_t(j)];
      Ranlux& rng = *rngs[std::size_t(j)];
      if (s.qTries >= MAX_Q_TRIES) continue;  // exhausted
      ++s.qTries;
      const double qj = double(structureFactor.valueOf(structureFactor.drawBin(d.open, rng)));
      if (d.jacobian && double(rng.next()) * d.qTop_perA > qj) {
        trying[std::size_t(kept++)] = j;
        continue;
      }
      if (wqMayWrite(qj)) {
        // Rare (q below 0.1 or off the table): the whole working here, its lines in the event's
        // sink.
        const MomentumTransfer t = momentumTransfer(qj, d.energy_meV, d.k_perA, *sinks[j]);
        if (keeps(t)) {
          s.transfer = t;
          s.outcome = Outcome::Accepted;
        } else {
          trying[std::size_t(kept++)] = j;
        }
        continue;
      }
      const auto b = std::size_t(w++);
      plain[b] = j;
      q[b] = qj;
      WQ(qj, omega[b], d.energy_meV, d.k_perA, quiet);
    }
    // No branch on the data: a final energy at or below 0 gives a wave number of 0 here, and
    // the try is refused below without it.
    for (int b = 0; b < w; ++b)
      ef[std::size_t(b)] =
          out[std::size_t(plain[std::size_t(b)])].energy - kHbar_meVps * omega[std::size_t(b)];
    for (int b = 0; b < w; ++b)
      kf[std::size_t(b)] = waveNumberOf(std::max(ef[std::size_t(b)], 0.0));
    for (int b = 0; b < w; ++b) {
      const auto i = std::size_t(b);
      const double kj = k[std::size_t(plain[i])];
      cosine[i] = (kf[i] * kf[i] + kj * kj - q[i] * q[i]) / (2.0 * kj * kf[i]);
    }
    for (int b = 0; b < w; ++b) {
      const auto i = std::size_t(b);
      const int j = plain[i];
      if (!(ef[i] > 0.0 && std::abs(cosine[i]) <= 1.0)) {  // as keeps()
        trying[std::size_t(kept++)] = j;
        continue;
      }
      // Field by field: a whole transfer built first and copied made the stores wait on loads.
      SourceSample& s = out[std::size_t(j)];
      MomentumTransfer& t = s.transfer;
      t.q = q[i];
      t.energy = s.energy;
      t.k = k[std::size_t(j)];
      t.omega = omega[i];
      t.energyFinal = ef[i];
      t.kFinal = kf[i];
      t.cosAngle = cosine[i];
      t.mayHaveWritten = false;
      s.outcome = Outcome::Accepted;
    }
    m = kept;
  }
}

}  // namespace ornaplex
