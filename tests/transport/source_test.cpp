#include "transport/source.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/constants.h"
#include "common/message_sink.h"
#include "helium/wq.h"
#include "histogram/histogram.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

using Outcome = SourceSample::Outcome;

Histogram1D histogramOf(Axis axis, const std::vector<double>& contents);
HistogramSampler samplerOf(Axis axis, const std::vector<double>& contents) {
  return HistogramSampler(histogramOf(axis, contents));
}

Histogram1D histogramOf(Axis axis, const std::vector<double>& contents) {
  Histogram1D h(1, "", axis);
  for (std::size_t i = 0; i < contents.size(); ++i) h.setSlot(i + 1, contents[i]);
  return h;
}

// S(q) on the run's grid: 90 bins of 0.04 1/Angstrom from 0 to 3.6, content(i) for bin i; with
// the dispersion floor unless told otherwise.
StructureFactorDraw structureFactor(const std::function<double(int)>& content,
                                    bool withFloor = true) {
  std::vector<double> c(90);
  for (int i = 0; i < 90; ++i) c[i] = content(i);
  return StructureFactorDraw(histogramOf({90, 0.0, 3.6}, c), withFloor);
}

// A wavelength spectrum of one narrow bin starting at lambda (Angstrom).
HistogramSampler lineAt(double lambda_A, double width_A = 1e-4) {
  return samplerOf({1, lambda_A, lambda_A + width_A}, {1.0});
}

// Pearson chi-square of observed counts against expected ones (bins with expected >= 5).
double chiSquare(const std::vector<double>& observed, const std::vector<double>& expected) {
  double chi2 = 0.0;
  for (std::size_t i = 0; i < observed.size(); ++i) {
    if (expected[i] < 5.0) continue;
    const double d = observed[i] - expected[i];
    chi2 += d * d / expected[i];
  }
  return chi2;
}

// ---------------------------------------------------------------------------------------------
// The pure steps, with chosen numbers.

TEST(SourceCone, EdgesOfThePolarDraw) {
  const double thetaMax = SOURCE_CONE_COEFFICIENT * 4.0;
  const auto axis = coneDirection(thetaMax, 0.0f, 0.3f);
  ASSERT_TRUE(axis);
  EXPECT_EQ(axis->theta, 0.0);
  EXPECT_EQ(axis->thetaX, 0.0);
  EXPECT_EQ(axis->thetaY, 0.0);
  const auto rim = coneDirection(thetaMax, 1.0f, 0.3f);
  ASSERT_TRUE(rim);
  EXPECT_NEAR(rim->theta, thetaMax, 1e-12);  // acos loses digits near 1
  EXPECT_EQ(rim->phi, 6.28318 * double(0.3f));
}

TEST(SourceCone, ProjectedAnglesFollowTheAzimuth) {
  const double thetaMax = 0.03;
  const auto d = coneDirection(thetaMax, 0.5f, 0.125f);  // phi close to pi/4
  ASSERT_TRUE(d);
  const double t = std::tan(d->theta);
  EXPECT_NEAR(std::tan(d->thetaX), std::cos(d->phi) * t, 1e-15);
  EXPECT_NEAR(std::tan(d->thetaY), std::sin(d->phi) * t, 1e-15);
  EXPECT_NEAR(d->thetaX, d->thetaY, 1e-6 * d->theta);
  // Azimuth 2pi * 0.25 (with 2pi as 6.28318): along +y.
  const auto y = coneDirection(thetaMax, 1.0f, 0.25f);
  ASSERT_TRUE(y);
  EXPECT_NEAR(y->thetaX, 0.0, 1e-7);
  EXPECT_NEAR(y->thetaY, y->theta, 1e-9);
}

TEST(SourceCone, WideConesStayInTheDomainOfAcos) {
  // Half-angles up to and beyond pi: cos(theta) = u stays in [-1, 1] for r1 in [0, 1].
  for (double thetaMax : {1.0, 3.14159, 3.5, 6.0}) {
    for (float r1 : {0.0f, 0.25f, 0.5f, 0.999999f, 1.0f}) {
      const auto d = coneDirection(thetaMax, r1, 0.5f);
      ASSERT_TRUE(d) << thetaMax << ' ' << r1;
      EXPECT_FALSE(std::isnan(d->theta));
    }
  }
}

TEST(SourceStart, SquareEdgesAndSinglePrecision) {
  EXPECT_EQ(sourceStartCoordinate(0.0f), -2.75f);
  EXPECT_EQ(sourceStartCoordinate(1.0f), 2.75f);
  EXPECT_EQ(sourceStartCoordinate(0.5f), 0.0f);
  // Single-precision arithmetic: 2.75 (2 r - 1) rounded to float at each step.
  const float r = 0.1f;
  const float expected = 2.75f * (2.0f * r - 1.0f);
  EXPECT_EQ(sourceStartCoordinate(r), expected);
  EXPECT_NE(double(expected), 2.75 * (2.0 * double(r) - 1.0));
}

TEST(SourceMirror, ThePartnerIsTheImageInXWithTheSameEnergyAndQ) {
  for (const double phi : {0.5, 2.0, 4.0, 6.0}) {
    SourceSample s;
    s.outcome = SourceSample::Outcome::Accepted;
    s.lambda = 4.0;
    s.energy = 5.112742;
    s.phi = phi;
    s.state = TrackState{1.25, -0.5, 0.0, 0.004 * std::cos(phi), 0.004 * std::sin(phi), s.energy};
    s.tangents = tangentsOf(s.state);
    s.transfer.q = 1.9;
    const SourceSample m = mirroredSource(s);
    EXPECT_EQ(m.state.x, -1.25);
    EXPECT_EQ(m.state.thetaX, -s.state.thetaX);
    // The tangent negated is the tangent of the negated angle.
    EXPECT_EQ(m.tangents.x, tangentsOf(m.state).x);
    EXPECT_EQ(m.tangents.y, s.tangents.y);
    EXPECT_EQ(m.state.y, s.state.y);
    EXPECT_EQ(m.state.thetaY, s.state.thetaY);
    EXPECT_EQ(m.energy, s.energy);
    EXPECT_EQ(m.transfer.q, s.transfer.q);
    EXPECT_NEAR(std::cos(m.phi), -std::cos(phi), 1e-5) << phi;
    EXPECT_NEAR(std::sin(m.phi), std::sin(phi), 1e-5) << phi;
    EXPECT_GE(m.phi, 0.0);
    EXPECT_LT(m.phi, kTwoPi);
  }
}

TEST(SourceQBins, TruncationAndCap) {
  EXPECT_EQ(lastUsableSBin(1.8), 90);                       // 2k = 3.6 exactly: 90 by truncation
  EXPECT_EQ(lastUsableSBin(std::nextafter(1.8, 2.0)), 90);  // by the cap
  EXPECT_EQ(lastUsableSBin(2.5), 90);                       // truncation alone would give 125
  EXPECT_EQ(lastUsableSBin(0.5), 25);                       // 2k * 25 = 25 exactly
  EXPECT_EQ(lastUsableSBin(std::nextafter(0.5, 0.0)), 24);
  EXPECT_EQ(lastUsableSBin(0.01), 0);
  EXPECT_EQ(lastUsableSBin(0.0), 0);
}

// ---------------------------------------------------------------------------------------------
// Whole draws.

class Source : public ::testing::Test {
 protected:
  NullSink sink_;
  StructureFactorDraw flatS_ = structureFactor([](int) { return 1.0; });
};

TEST_F(Source, WavelengthOfExactlyOneAngstromIsAccepted) {
  // The bin is far narrower than a float step at 1.0, so every draw is 1.0f.
  const HistogramSampler lambda = lineAt(1.0, 1e-9);
  Ranlux rng(11);
  const SourceSample s = drawSource({lambda, flatS_}, rng, sink_);
  EXPECT_EQ(s.lambda, 1.0);
  EXPECT_EQ(s.outcome, Outcome::Accepted);
  EXPECT_EQ(s.energy, energyOfWavelength(1.0));
  EXPECT_EQ(s.nq, 90);
}

TEST_F(Source, ShorterWavelengthRejectsAfterOneNumber) {
  const HistogramSampler lambda = lineAt(0.99999994, 1e-9);  // the float just below 1.0
  Ranlux rng(11);
  const SourceSample s = drawSource({lambda, flatS_}, rng, sink_);
  EXPECT_LT(s.lambda, 1.0);
  EXPECT_EQ(s.outcome, Outcome::ShortWavelength);
  EXPECT_EQ(rng.delivered(), 1u);
  EXPECT_EQ(s.energy, 0.0);
}

TEST_F(Source, DrawCountIsOnePlusFourPlusOnePerQTry) {
  // Spectrum from 0.5 to 20 Angstrom: short, fast and slow neutrons, long q searches.
  const HistogramSampler lambda = samplerOf({39, 0.5, 20.0}, std::vector<double>(39, 1.0));
  Ranlux rng(2024);
  int shortCount = 0, accepted = 0, retried = 0;
  for (int i = 0; i < 20000; ++i) {
    const auto before = rng.delivered();
    const SourceSample s = drawSource({lambda, flatS_}, rng, sink_);
    const auto used = rng.delivered() - before;
    if (s.outcome == Outcome::ShortWavelength) {
      ++shortCount;
      ASSERT_EQ(used, 1u);
    } else {
      ASSERT_EQ(s.outcome, Outcome::Accepted);
      ASSERT_GE(s.qTries, 1);
      ASSERT_EQ(used, 5u + std::uint64_t(s.qTries));
      ++accepted;
      retried += s.qTries > 1;
    }
  }
  EXPECT_GT(shortCount, 0);
  EXPECT_GT(accepted, 0);
  EXPECT_GT(retried, 0);  // the count was checked on events with q retries too
}

TEST_F(Source, NothingToDrawInTheUsableBins) {
  // lambda = 10 A: 2k = 1.257, nq = 31; S(q) holds entries only from bin 80 on.
  const StructureFactorDraw s80 = structureFactor([](int i) { return i >= 80 ? 1.0 : 0.0; });
  const HistogramSampler lambda = lineAt(10.0);
  Ranlux rng(5);
  const SourceSample s = drawSource({lambda, s80}, rng, sink_);
  EXPECT_EQ(s.outcome, Outcome::QRetriesExhausted);
  EXPECT_EQ(s.nq, 31);
  EXPECT_EQ(s.qTries, 0);
  EXPECT_EQ(rng.delivered(), 5u);
  EXPECT_GT(s.energy, 0.0);  // the neutron itself was drawn
  EXPECT_LE(std::abs(s.state.x), 2.75);
}

TEST_F(Source, NoKinematicallyAllowedQEndsAfterTheBound) {
  // lambda = 10 A: E = 0.818 meV, below hbar omega ~ 1.19 meV near q = 1.2: E' <= 0 always.
  // The floor knows it before any try; without it every try is made and refused.
  const auto maxon = [](int i) { return i == 29 ? 1.0 : 0.0; };
  const HistogramSampler lambda = lineAt(10.0);
  Ranlux rng(5);
  const SourceSample s = drawSource({lambda, structureFactor(maxon)}, rng, sink_);
  EXPECT_EQ(s.outcome, Outcome::QRetriesExhausted);
  EXPECT_EQ(s.qTries, 0);
  EXPECT_EQ(rng.delivered(), 5u);
  Ranlux plain(5);
  const SourceSample p = drawSource({lambda, structureFactor(maxon, false)}, plain, sink_);
  EXPECT_EQ(p.outcome, Outcome::QRetriesExhausted);
  EXPECT_EQ(p.qTries, MAX_Q_TRIES);
  EXPECT_EQ(plain.delivered(), 5u + std::uint64_t(MAX_Q_TRIES));
}

TEST_F(Source, ShorterStructureFactorTableIsNotOverrun) {
  // S(q) of 50 bins (to 2.0 1/A) for a neutron whose nq is 90.
  const StructureFactorDraw s50(histogramOf({50, 0.0, 2.0}, std::vector<double>(50, 1.0)));
  const HistogramSampler lambda = lineAt(1.0, 1e-9);
  Ranlux rng(8);
  for (int i = 0; i < 100; ++i) {
    const SourceSample s = drawSource({lambda, s50}, rng, sink_);
    ASSERT_EQ(s.outcome, Outcome::Accepted);
    EXPECT_LT(s.transfer.q, 2.0);
  }
}

TEST_F(Source, TheEnergyTransferFloorSavesTriesOnLongWavelengths) {
  // Long wavelengths on the run's S(q) grid: most bins are out of reach. Their distribution is
  // checked against the literal density below; here the floor must leave the outcome alone and
  // save most of the tries.
  const auto wavy = [](int i) { return 1.0 + (i % 7); };
  const StructureFactorDraw quick = structureFactor(wavy), plain = structureFactor(wavy, false);
  const std::vector<double> spectrum = {1, 2, 3, 4, 3, 2, 1, 1};
  const HistogramSampler lambda = samplerOf({8, 4.0, 20.0}, spectrum);
  Ranlux a(31), b(31);
  std::int64_t triesPlain = 0, triesQuick = 0;
  for (int i = 0; i < 20000; ++i) {
    const SourceSample p = drawSource({lambda, plain}, a, sink_);
    const SourceSample q = drawSource({lambda, quick}, b, sink_);
    ASSERT_EQ(p.outcome, Outcome::Accepted);
    ASSERT_EQ(q.outcome, Outcome::Accepted);
    triesPlain += p.qTries;
    triesQuick += q.qTries;
  }
  EXPECT_GT(triesPlain, 3 * 20000);
  EXPECT_LT(triesQuick, triesPlain / 2);
}

// ---------------------------------------------------------------------------------------------
// Distributions, fixed seeds. Chi-square limits are the 0.1% points of the distribution for
// the degrees of freedom used (a correct implementation fails one in a thousand seeds).

TEST_F(Source, WavelengthsFollowTheSpectrum) {
  const std::vector<double> spectrum = {2, 4, 8, 12, 9, 6, 4, 3, 2, 1, 0.5, 0.25};
  const Axis axis{12, 0.5, 12.5};
  const HistogramSampler lambda = samplerOf(axis, spectrum);
  Ranlux rng(77);
  constexpr int kN = 60000;
  std::vector<double> observed(12, 0.0);
  int shortCount = 0;
  for (int i = 0; i < kN; ++i) {
    const SourceSample s = drawSource({lambda, flatS_}, rng, sink_);
    observed[axis.slot(s.lambda) - 1] += 1.0;
    shortCount += s.outcome == Outcome::ShortWavelength;
    if (s.outcome != Outcome::ShortWavelength) {
      ASSERT_GE(s.lambda, 1.0);
    }
  }
  double total = 0.0;
  for (double c : spectrum) total += c;
  std::vector<double> expected;
  for (double c : spectrum) expected.push_back(kN * c / total);
  EXPECT_LT(chiSquare(observed, expected), 31.26);  // 11 degrees of freedom
  // Half of the first bin lies below 1.0 A.
  const double shortExpected = kN * 0.5 * spectrum[0] / total;
  EXPECT_NEAR(shortCount, shortExpected, 4.0 * std::sqrt(shortExpected));
}

TEST_F(Source, DirectionsUniformInSolidAngleAndPositionsUniform) {
  const HistogramSampler lambda = samplerOf({2, 3.0, 7.0}, {1.0, 1.0});
  Ranlux rng(99);
  constexpr int kN = 50000, kBins = 20;
  std::vector<double> cosBins(kBins, 0.0), phiBins(kBins, 0.0), xBins(kBins, 0.0),
      yBins(kBins, 0.0);
  auto bin = [](double fraction) { return std::min(kBins - 1, int(fraction * kBins)); };
  for (int i = 0; i < kN; ++i) {
    const SourceSample s = drawSource({lambda, flatS_}, rng, sink_);
    ASSERT_EQ(s.outcome, Outcome::Accepted);
    const double thetaMax = SOURCE_CONE_COEFFICIENT * s.lambda;
    ASSERT_LE(s.theta, thetaMax * (1.0 + 1e-9));
    // 1 - cos(theta) is uniform on [0, 1 - cos(thetaMax)].
    cosBins[bin((1.0 - std::cos(s.theta)) / (1.0 - std::cos(thetaMax)))] += 1.0;
    phiBins[bin(s.phi / 6.28318)] += 1.0;
    ASSERT_LE(std::abs(s.state.x), 2.75);
    ASSERT_LE(std::abs(s.state.y), 2.75);
    // Positions are single-precision values.
    ASSERT_EQ(double(float(s.state.x)), s.state.x);
    ASSERT_EQ(double(float(s.state.y)), s.state.y);
    xBins[bin((s.state.x + 2.75) / 5.5)] += 1.0;
    yBins[bin((s.state.y + 2.75) / 5.5)] += 1.0;
    // The projected angles describe the drawn direction.
    const double t = std::tan(s.theta);
    ASSERT_NEAR(std::hypot(std::tan(s.state.thetaX), std::tan(s.state.thetaY)), t, 1e-12);
    ASSERT_EQ(s.state.z, 0.0);
    ASSERT_EQ(s.state.energy, s.energy);
  }
  const std::vector<double> flat(kBins, double(kN) / kBins);
  EXPECT_LT(chiSquare(cosBins, flat), 43.82);  // 19 degrees of freedom
  EXPECT_LT(chiSquare(phiBins, flat), 43.82);
  EXPECT_LT(chiSquare(xBins, flat), 43.82);
  EXPECT_LT(chiSquare(yBins, flat), 43.82);
}

// Whether a momentum transfer q is kept for a neutron of energy E: E' > 0 and |cos| <= 1.
bool allowed(double q, double energy, NullSink& sink) {
  const double k = waveNumberOf(energy);
  double omega = 0.0;
  WQ(q, omega, energy, k, sink);
  const double ep = energy - kHbar_meVps * omega;
  if (ep <= 0.0) return false;
  const double kp = waveNumberOf(ep);
  return std::abs((kp * kp + k * k - q * q) / (2.0 * k * kp)) <= 1.0;
}

// Draws kN accepted q at lambda = 10 A (E = 0.818 meV) from a wavy S(q) and compares their
// histogram in bins of 0.04 / split 1/Angstrom with the literal density: S(q) times the
// model's weight (1, or q with the Jacobian) on the kinematically allowed q, 200 points a bin.
// Near the maxon hbar omega exceeds E, so a band of q in the middle of the usable range is
// forbidden.
void expectQDensity(const ScatteringModel& model, int split, bool withFloor, NullSink& sink) {
  const auto sOfQ = [](int i) { return 1.0 + 0.5 * std::sin(0.3 * i); };
  const StructureFactorDraw s = structureFactor(sOfQ, withFloor);
  const HistogramSampler lambda = lineAt(10.0);
  const double energy = energyOfWavelength(10.00005);
  const int nq = lastUsableSBin(waveNumberOf(energy));
  ASSERT_EQ(nq, 31);
  const int bins = nq * split;
  const double width = 0.04 / split;

  std::vector<double> expected(bins, 0.0);
  double norm = 0.0;
  constexpr int kPoints = 200;
  for (int i = 0; i < bins; ++i) {
    for (int j = 0; j < kPoints; ++j) {
      const double q = width * (i + (j + 0.5) / kPoints);
      if (allowed(q, energy, sink)) expected[i] += sOfQ(i / split) * (model.jacobian ? q : 1.0);
    }
    norm += expected[i];
  }
  ASSERT_GT(norm, 0.0);

  Ranlux rng(31);
  constexpr int kN = 40000;
  std::vector<double> observed(bins, 0.0);
  std::int64_t tries = 0;
  for (int n = 0; n < kN; ++n) {
    const SourceSample e = drawSource({lambda, s}, rng, sink, model);
    ASSERT_EQ(e.outcome, Outcome::Accepted);
    ASSERT_LT(e.transfer.q, 0.04 * nq);
    ASSERT_GT(e.transfer.energyFinal, 0.0);
    ASSERT_EQ(e.transfer.energyFinal, e.energy - kHbar_meVps * e.transfer.omega);
    ASSERT_EQ(e.transfer.kFinal, waveNumberOf(e.transfer.energyFinal));
    const double c =
        (e.transfer.kFinal * e.transfer.kFinal + e.k * e.k - e.transfer.q * e.transfer.q) /
        (2.0 * e.k * e.transfer.kFinal);
    ASSERT_LE(std::abs(c), 1.0);
    observed[int(e.transfer.q / width)] += 1.0;
    tries += e.qTries;
  }
  int dof = -1;
  for (int i = 0; i < bins; ++i) {
    expected[i] *= kN / norm;
    if (expected[i] >= 5.0) ++dof;
    if (expected[i] == 0.0) {
      EXPECT_EQ(observed[i], 0.0) << "bin " << i;
    }
  }
  ASSERT_GE(dof, 10);
  ASSERT_LE(dof, 60);
  // The 0.1% points for 30 and 60 degrees of freedom.
  EXPECT_LT(chiSquare(observed, expected), dof <= 30 ? 59.70 : 99.61)
      << model.name() << (withFloor ? " with" : " without") << " the floor";
  EXPECT_GT(tries, kN);  // some draws were forbidden and redrawn
}

TEST_F(Source, AcceptedQFollowsSOfQInsideTheKinematicRegion) {
  // The same density whether the bins out of the energy's reach are left out or refused.
  expectQDensity(ScatteringModel{}, 1, true, sink_);
  expectQDensity(ScatteringModel{}, 1, false, sink_);
}

// With the solid-angle Jacobian the density is q S(q) on the same region, also inside a bin
// (half bins resolve its slope).
TEST_F(Source, JacobianModelDrawsQTimesSOfQOnTheSameRegion) {
  ScatteringModel jacobian;
  jacobian.jacobian = true;
  expectQDensity(jacobian, 2, true, sink_);
  // The other variants leave the draw alone, number for number.
  ScatteringModel others;
  others.measuredCrossSection = others.densityOnce = true;
  const StructureFactorDraw s = structureFactor([](int i) { return 1.0 + i % 3; });
  const HistogramSampler lambda = lineAt(6.0);
  Ranlux a(5), b(5);
  for (int n = 0; n < 200; ++n) {
    const SourceSample x = drawSource({lambda, s}, a, sink_);
    const SourceSample y = drawSource({lambda, s}, b, sink_, others);
    ASSERT_EQ(x.transfer.q, y.transfer.q);
  }
  EXPECT_EQ(a.delivered(), b.delivered());
}

// The batch's q draw is the event-by-event draw, lane for lane: the same q (every field of its
// working), tries, numbers and lines, with and without the Jacobian's extra number per try. Slow
// neutrons on a flat S(q) without the floor try small q, where the dispersion may write lines
// and the batch works the try out on its own.
TEST_F(Source, BatchQDrawIsTheEventByEventDraw) {
  const HistogramSampler lambda = samplerOf({39, 0.5, 20.0}, std::vector<double>(39, 1.0));
  const StructureFactorDraw flat = structureFactor([](int) { return 1.0; }, false);
  const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
  for (const bool jacobian : {false, true}) {
    ScatteringModel model;
    model.jacobian = jacobian;
    std::array<Ranlux, kSourceBatch> lanes, alone;
    std::array<Ranlux*, kSourceBatch> rngs{};
    std::array<BufferSink, kSourceBatch> lines;
    std::array<MessageSink*, kSourceBatch> sinks{};
    for (int j = 0; j < kSourceBatch; ++j) {
      lanes[std::size_t(j)] = alone[std::size_t(j)] = Ranlux(100 + j);
      rngs[std::size_t(j)] = &lanes[std::size_t(j)];
      sinks[std::size_t(j)] = &lines[std::size_t(j)];
    }
    std::array<SourceSample, kSourceBatch> batch;
    std::array<std::optional<TransferDraw>, kSourceBatch> used;
    int smallQ = 0;
    for (int round = 0; round < 200; ++round) {
      drawSourceStarts(lambda, rngs, batch, detmath::batchMath(SimdLevel::Scalar));
      drawMomentumTransfers(flat, rngs, batch, sinks, model, used);
      for (std::size_t j = 0; j < batch.size(); ++j) {
        BufferSink own;
        const SourceSample e = drawSource({lambda, flat}, alone[j], own, model);
        const SourceSample& b = batch[j];
        ASSERT_EQ(b.outcome, e.outcome);
        ASSERT_EQ(used[j].has_value(), e.outcome != Outcome::ShortWavelength);
        ASSERT_EQ(b.qTries, e.qTries);
        ASSERT_EQ(lanes[j].delivered(), alone[j].delivered());
        ASSERT_EQ(lines[j].lines(), own.lines());
        lines[j].clear();
        const MomentumTransfer &x = b.transfer, &y = e.transfer;
        for (const auto& [u, v] : {std::pair{x.q, y.q},
                                   {x.omega, y.omega},
                                   {x.energy, y.energy},
                                   {x.k, y.k},
                                   {x.energyFinal, y.energyFinal},
                                   {x.kFinal, y.kFinal},
                                   {x.cosAngle, y.cosAngle},
                                   {b.k, e.k}})
          ASSERT_EQ(bits(u), bits(v));
        ASSERT_EQ(x.mayHaveWritten, y.mayHaveWritten);
        smallQ += y.mayHaveWritten;
      }
    }
    EXPECT_GT(smallQ, 0);  // the tries that may write were compared too
  }
}

}  // namespace
}  // namespace ornaplex
