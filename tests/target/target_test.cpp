#include "target/target.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <span>
#include <utility>

#include "common/constants.h"
#include "common/det_math.h"
#include "common/message_sink.h"
#include "helium/heden.h"
#include "helium/intq.h"
#include "helium/nden.h"
#include "helium/sommers.h"
#include "random/ranlux.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"
#include "transport/momentum_transfer.h"

namespace ornaplex {
namespace {

constexpr double kT = HELIUM_TEMPERATURE;
constexpr double kE = 5.112742;        // meV, 4 Angstrom
constexpr double kQSmall = 0.3;        // 1/Angstrom, small-angle cross section
constexpr double kQLarge = 1.0;        // 1/Angstrom, measured cross section
constexpr double kLongCell = 1.0e5;    // cm: free paths are far shorter, the neutron scatters
constexpr double kShortCell = 1.0e-9;  // cm: free paths are far longer, it never scatters
constexpr double kSentinel = -777.0;

const Aperture kWide{-1.0e15, 1.0e15, -1.0e15, 1.0e15};

TargetScatter sentinels() {
  TargetScatter s;
  s.crossSection = s.scatterAngle = s.crossSectionMeasured = s.crossSectionSmallAngle = kSentinel;
  s.theta_p = s.phi_p = kSentinel;
  s.energyChanged = s.angleNonZero = s.limitTaken = true;
  return s;
}

bool allLost(const Track& s) {
  return s.x == LOST && s.y == LOST && s.z == LOST && s.thetaX == LOST && s.thetaY == LOST &&
         s.energy == LOST;
}

bool allFinite(const Track& o, const TargetScatter& s) {
  for (double v : {o.x, o.y, o.z, o.thetaX, o.thetaY, o.energy, s.crossSection, s.scatterAngle,
                   s.theta_p, s.phi_p}) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

struct Traversal {
  Track out;
  TargetScatter scatter = sentinels();
  BufferSink sink;
  std::uint64_t draws = 0;
};

Traversal traverse(double q, const Track& in, const Aperture& ap, double length,
                   std::int32_t seed = 7, const ScatteringModel& model = {}) {
  Traversal r;
  Ranlux rng(seed);
  TARGET(EventTransfer(q), kT, in, ap, length, r.out, r.scatter, rng, r.sink, model);
  r.draws = rng.delivered();
  return r;
}

// The three numbers TARGET will draw from a generator seeded with seed.
std::array<float, 3> numbersOf(std::int32_t seed) {
  Ranlux rng(seed);
  std::array<float, 3> r{};
  rng.fill(std::span<float>(r));
  return r;
}

TEST(TargetEntrance, OutsideTheApertureLosesEverythingAndTouchesNothingElse) {
  const Track in{-3.0000001, 0.0, 10.0, 0.01, 0.0, kE};
  const Traversal r = traverse(kQSmall, in, LEFT_CELL, TARGET_LENGTH_cm);
  EXPECT_TRUE(allLost(r.out));
  EXPECT_TRUE(isLost(r.out));
  EXPECT_EQ(r.draws, 0u);
  EXPECT_TRUE(r.sink.lines().empty());
  for (double v : {r.scatter.crossSection, r.scatter.scatterAngle, r.scatter.crossSectionMeasured,
                   r.scatter.crossSectionSmallAngle, r.scatter.theta_p, r.scatter.phi_p}) {
    EXPECT_EQ(v, kSentinel);
  }
  EXPECT_TRUE(r.scatter.energyChanged && r.scatter.angleNonZero && r.scatter.limitTaken);

  EXPECT_TRUE(allLost(
      traverse(kQSmall, {-1.0, 2.5000001, 0.0, 0.0, 0.0, kE}, LEFT_CELL, TARGET_LENGTH_cm).out));
}

TEST(TargetEntrance, DrawsExactlyThreeNumbersOncePastTheEntrance) {
  EXPECT_EQ(traverse(kQSmall, {-1.0, 0.0, 0.0, 0.001, 0.0, kE}, LEFT_CELL, TARGET_LENGTH_cm).draws,
            3u);
  EXPECT_EQ(traverse(kQLarge, {-1.0, 0.0, 0.0, 0.0, 0.0, kE}, kWide, kLongCell).draws, 3u);
}

TEST(TargetEdges, EntranceOnTheEdgeIsInsideAndFliesStraightOnTheEdge) {
  // Corner of the cell, along z, too short a cell to scatter in: leaves on the same corner.
  const Track in{-0.35, 2.5, 3.0, 0.0, 0.0, kE};
  const Traversal r = traverse(kQSmall, in, LEFT_CELL, kShortCell);
  EXPECT_EQ(r.out.x, -0.35);
  EXPECT_EQ(r.out.y, 2.5);
  EXPECT_EQ(r.out.z, 3.0 + kShortCell);
  EXPECT_EQ(r.out.energy, kE);
  EXPECT_FALSE(r.scatter.energyChanged);
}

TEST(TargetEdges, ScatteringPointAndExitOnTheEdgeAreInside) {
  // Along z the scattering point is the entrance point; then narrow the aperture until the
  // exit point lies exactly on its far corner.
  const Track in{0.0, 0.0, 0.0, 0.0, 0.0, kE};
  std::int32_t seed = 1;
  while (!traverse(kQLarge, in, kWide, 50.0, seed).scatter.energyChanged) ++seed;
  const Traversal wide = traverse(kQLarge, in, kWide, 50.0, seed);
  const double xe = wide.out.x, ye = wide.out.y;
  const Aperture tight{std::min(0.0, xe), std::max(0.0, xe), std::min(0.0, ye), std::max(0.0, ye)};
  const Traversal r = traverse(kQLarge, in, tight, 50.0, seed);
  EXPECT_TRUE(r.scatter.energyChanged);
  EXPECT_EQ(r.out.x, xe);
  EXPECT_EQ(r.out.y, ye);

  // One step inward on the exit side: scattered, then stopped at the exit face, flags kept.
  Aperture smaller = tight;
  if (xe > 0)
    smaller.xMax = std::nextafter(xe, 0.0);
  else
    smaller.xMin = std::nextafter(xe, 0.0);
  const Traversal lost = traverse(kQLarge, in, smaller, 50.0, seed);
  EXPECT_TRUE(allLost(lost.out));
  EXPECT_TRUE(lost.scatter.energyChanged);
  EXPECT_TRUE(lost.scatter.angleNonZero);
}

// Along z the depth of the scattering point is the free path itself: a cell of exactly that
// length scatters, one a rounding step shorter does not. The standard free path divides by
// n sigma f; the density-once model by n sigma alone.
TEST(TargetEdges, FreePathEndingOnTheExitFaceScatters) {
  const auto r = numbersOf(5);
  NullSink quiet;
  double sigma = 0.0, rho = 0.0, f = 0.0;
  INTQ(kT, 0.0, kQSmall, 0.0, sigma, quiet);
  HEDEN(kT, rho, quiet);
  NDEN(kT, f, quiet);
  ASSERT_NE(f, 1.0);
  const double n = rho * 0.6022 / 4.0;
  const Track in{0.0, 0.0, 0.0, 0.0, 0.0, kE};
  ScatteringModel once;
  once.densityOnce = true;
  for (const auto& [model, density] : {std::pair{ScatteringModel{}, n * f}, std::pair{once, n}}) {
    const double freePath = -std::log(double(r[1])) * 1.0 / (density * sigma);
    EXPECT_TRUE(traverse(kQSmall, in, kWide, freePath, 5, model).scatter.energyChanged)
        << model.name();
    EXPECT_FALSE(
        traverse(kQSmall, in, kWide, std::nextafter(freePath, 0.0), 5, model).scatter.energyChanged)
        << model.name();
  }
}

TEST(TargetOutcome, FreePathBeyondTheExitKeepsTheIncidentStateButReportsTheSample) {
  const Track in{-1.0, 0.5, 10.0, 0.002, -0.001, kE};
  const Traversal pass = traverse(kQLarge, in, LEFT_CELL, kShortCell, 3);
  EXPECT_EQ(pass.out.thetaX, in.thetaX);
  EXPECT_EQ(pass.out.thetaY, in.thetaY);
  EXPECT_EQ(pass.out.energy, kE);
  EXPECT_EQ(pass.out.x, std::tan(in.thetaX) * kShortCell + in.x);
  EXPECT_EQ(pass.out.z, 10.0 + kShortCell);
  EXPECT_FALSE(pass.scatter.energyChanged);
  EXPECT_FALSE(pass.scatter.angleNonZero);

  // The sampled quantities do not depend on whether the scattering happened.
  const Traversal hit = traverse(kQLarge, in, kWide, kLongCell, 3);
  EXPECT_TRUE(hit.scatter.energyChanged);
  EXPECT_GT(pass.scatter.crossSection, 0.0);
  EXPECT_GT(pass.scatter.scatterAngle, 0.0);
  EXPECT_EQ(pass.scatter.crossSection, hit.scatter.crossSection);
  EXPECT_EQ(pass.scatter.scatterAngle, hit.scatter.scatterAngle);
  EXPECT_EQ(pass.scatter.theta_p, hit.scatter.theta_p);
  EXPECT_EQ(pass.scatter.phi_p, hit.scatter.phi_p);
  EXPECT_NE(hit.out.energy, kE);
  EXPECT_EQ(hit.out.z, 10.0 + kLongCell);
}

TEST(TargetOutcome, ElasticScatteringChangesNeitherEnergyNorFlags) {
  // q = 0: no energy transfer, forward scattering; along z the azimuth takes its limit.
  const Traversal r = traverse(0.0, {0.0, 0.0, 0.0, 0.0, 0.0, kE}, kWide, kLongCell);
  EXPECT_EQ(r.out.energy, kE);
  EXPECT_FALSE(r.scatter.energyChanged);
  EXPECT_FALSE(r.scatter.angleNonZero);
  EXPECT_EQ(r.scatter.scatterAngle, 0.0);
  EXPECT_EQ(r.scatter.theta_p, 0.0);
  EXPECT_EQ(r.scatter.phi_p, 0.0);
  EXPECT_TRUE(r.scatter.limitTaken);
  EXPECT_EQ(r.out.x, 0.0);
  EXPECT_EQ(r.out.thetaX, 0.0);
  EXPECT_TRUE(allFinite(r.out, r.scatter));
  EXPECT_TRUE(r.sink.lines().empty());
}

// The outgoing azimuth of a forward (q = 0) scattering is the incident azimuth, which shows the
// quadrant rule with the run's rounded pi.
TEST(TargetDirection, IncidentAzimuthByQuadrant) {
  struct Case {
    double thetaX, thetaY, phi0;
  };
  const double a = 0.01;
  const Case cases[] = {
      {a, a, std::atan(1.0)},
      {-a, a, std::atan(-1.0) + 3.14159},
      {-a, -a, std::atan(1.0) + 3.14159},
      {a, -a, std::atan(-1.0) + 6.28318},
      {0.0, a, std::atan(INFINITY)},
      {-0.0, a, std::atan(INFINITY)},
      {0.0, -a, std::atan(-INFINITY) + 6.28318},
      {-a, 0.0, 3.14159},
  };
  for (const Case& c : cases) {
    const Traversal r = traverse(0.0, {0.0, 0.0, 0.0, c.thetaX, c.thetaY, kE}, kWide, kLongCell);
    // 2 pi - acos(cos phi) returns to the true 2 pi, 6.28318 sits 5.3e-6 below it.
    EXPECT_NEAR(r.scatter.phi_p, c.phi0, 1e-5) << c.thetaX << " " << c.thetaY;
    EXPECT_FALSE(r.scatter.limitTaken);
  }
}

TEST(TargetDirection, AlongTheAxisThePolarAngleIsTheScatteringAngle) {
  const auto numbers = numbersOf(9);
  const Traversal r = traverse(kQLarge, {0.0, 0.0, 0.0, 0.0, 0.0, kE}, kWide, kLongCell, 9);
  EXPECT_GT(r.scatter.scatterAngle, 0.1);
  EXPECT_NEAR(r.scatter.theta_p, r.scatter.scatterAngle, 1e-12);
  // Up to the 5.3e-6 by which 6.28318 falls short of 2 pi beyond pi.
  EXPECT_NEAR(r.scatter.phi_p, 6.28318 * double(numbers[0]), 1e-5);
  // The scattering point lies on the entrance point's line of flight.
  const double depth =
      kLongCell - (r.out.x - 0.0) / std::tan(r.out.thetaX);  // where the exit line meets x = 0
  EXPECT_GE(depth, 0.0);
  EXPECT_LE(depth, kLongCell);
  EXPECT_NEAR(r.out.y / std::tan(r.out.thetaY), r.out.x / std::tan(r.out.thetaX), 1e-6);
}

TEST(TargetCrossSection, SmallAngleTermUpToTheLimitMeasuredAbove) {
  const Track in{0.0, 0.0, 0.0, 0.001, 0.0, kE};
  NullSink quiet;
  const Traversal at = traverse(SMALL_Q_LIMIT, in, kWide, kShortCell);
  double expected = 0.0;
  INTQ(kT, 0.0, SMALL_Q_LIMIT, 0.0, expected, quiet);
  EXPECT_EQ(at.scatter.crossSectionSmallAngle, expected);
  EXPECT_EQ(at.scatter.crossSection, expected);
  EXPECT_EQ(at.scatter.crossSectionMeasured, kSentinel);

  const double above = std::nextafter(SMALL_Q_LIMIT, 1.0);
  const Traversal over = traverse(above, in, kWide, kShortCell);
  SOMMERS(kT, kE, expected, quiet);
  EXPECT_EQ(over.scatter.crossSectionMeasured, expected);
  EXPECT_EQ(over.scatter.crossSection, expected);
  EXPECT_EQ(over.scatter.crossSectionSmallAngle, kSentinel);
}

// The measured-sigma model takes the measured total cross section at every q, small ones too.
TEST(TargetCrossSection, MeasuredSigmaModelUsesTheMeasuredCrossSectionAtEveryQ) {
  const Track in{0.0, 0.0, 0.0, 0.001, 0.0, kE};
  NullSink quiet;
  double measured = 0.0;
  SOMMERS(kT, kE, measured, quiet);
  ScatteringModel model;
  model.measuredCrossSection = true;
  for (double q : {0.0, 0.01, kQSmall, SMALL_Q_LIMIT, kQLarge, 2.5}) {
    const Traversal t = traverse(q, in, kWide, kShortCell, 7, model);
    EXPECT_EQ(t.scatter.crossSection, measured) << q;
    EXPECT_EQ(t.scatter.crossSectionMeasured, measured) << q;
    EXPECT_EQ(t.scatter.crossSectionSmallAngle, kSentinel) << q;
    // Everything else is the standard traversal's.
    const Traversal standard = traverse(q, in, kWide, kShortCell, 7);
    EXPECT_EQ(t.scatter.scatterAngle, standard.scatter.scatterAngle) << q;
    EXPECT_EQ(t.out.x, standard.out.x) << q;
  }
}

TEST(TargetKinematics, ForwardLimitBeyondOnePointZeroFiveIsReported) {
  // q below k0 - kp: the cosine comes out above 1.05; held at 1 after the report.
  const Traversal r = traverse(0.12, {0.0, 0.0, 0.0, 0.0, 0.0, 0.2}, kWide, kShortCell);
  ASSERT_EQ(r.sink.lines().size(), 2u);
  EXPECT_EQ(r.sink.lines()[0], " ----------ooo----------");
  EXPECT_EQ(r.sink.lines()[1].rfind(" k0:", 0), 0u);
  EXPECT_NE(r.sink.lines()[1].find("   kp:"), std::string::npos);
  EXPECT_NE(r.sink.lines()[1].find("   q:"), std::string::npos);
  EXPECT_EQ(r.scatter.scatterAngle, 0.0);
}

TEST(TargetKinematics, ImpossibleTransfersLeaveNoNonFiniteValue) {
  // Energy transfer above the energy: reported, and the neutron cannot scatter.
  const Track in{0.0, 0.0, 0.0, 0.01, 0.0, 1.0};
  const Traversal noEnergy = traverse(kQLarge, in, kWide, kLongCell);
  ASSERT_FALSE(noEnergy.sink.lines().empty());
  EXPECT_EQ(noEnergy.sink.lines()[0].rfind("  ep < 0:", 0), 0u);
  EXPECT_TRUE(allFinite(noEnergy.out, noEnergy.scatter));
  EXPECT_FALSE(noEnergy.scatter.energyChanged);
  EXPECT_EQ(noEnergy.out.energy, 1.0);
  EXPECT_EQ(noEnergy.draws, 3u);

  // q beyond k0 + kp: held at back-scattering.
  const Traversal back = traverse(3.0, {0.0, 0.0, 0.0, 0.0, 0.0, kE}, kWide, kLongCell);
  EXPECT_EQ(back.scatter.scatterAngle, std::acos(-1.0));
  EXPECT_TRUE(allFinite(back.out, back.scatter));
}

TEST(TargetKinematics, NoNonFiniteValueOverTheBeamlineRange) {
  NullSink quiet;
  Ranlux pick(12345);
  for (int i = 0; i < 20000; ++i) {
    const double q = 3.6 * pick.next();
    const double energy = 0.3 + 20.0 * pick.next();
    const double tx = (i % 7 == 0) ? 0.0 : 0.05 * (pick.next() - 0.5);
    const double ty = (i % 5 == 0) ? 0.0 : 0.05 * (pick.next() - 0.5);
    const double length = (i % 2 == 0) ? TARGET_LENGTH_cm : kLongCell;
    Track out;
    TargetScatter s;
    Ranlux rng(i + 1);
    TARGET(EventTransfer(q), kT, {0.0, 0.0, 0.0, tx, ty, energy}, kWide, length, out, s, rng,
           quiet);
    ASSERT_TRUE(allFinite(out, s)) << "q " << q << " E " << energy << " " << tx << " " << ty;
    ASSERT_GE(s.phi_p, 0.0);
    ASSERT_LT(s.phi_p, 2.0 * std::numbers::pi);
  }
}

// The exit track carries the tangents of the angles it leaves at: the incident ones passed on
// through an unscattered crossing, those of the new projected angles after a scattering.
TEST(TargetOutcome, TheExitTrackCarriesTheTangentsOfItsAngles) {
  const Track marked({-1.0, 0.5, 10.0, 0.002, -0.001, kE}, Tangents{0.0021, -0.0011});
  Track out;
  TargetScatter s;
  NullSink quiet;
  Ranlux rng(3);
  TARGET(EventTransfer(kQLarge), kT, marked, kWide, kShortCell, out, s, rng, quiet);
  ASSERT_FALSE(s.energyChanged);
  EXPECT_EQ(out.tangents.x, 0.0021);
  EXPECT_EQ(out.tangents.y, -0.0011);

  const Traversal hit =
      traverse(kQLarge, Track{-1.0, 0.5, 10.0, 0.002, -0.001, kE}, kWide, kLongCell, 3);
  ASSERT_TRUE(hit.scatter.energyChanged);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(hit.out.tangents.x),
            std::bit_cast<std::uint64_t>(detmath::tan(hit.out.thetaX)));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(hit.out.tangents.y),
            std::bit_cast<std::uint64_t>(detmath::tan(hit.out.thetaY)));
}

TEST(TargetKinematics, AGivenTransferGivesTheResultAndLinesOfQAlone) {
  // The source's transfer is used as it stands only for the same energy and when the dispersion
  // could not have written: the state, the sample and every line must be those of q alone.
  Ranlux pick(2468);
  for (int i = 0; i < 4000; ++i) {
    const double q = i % 50 == 0 ? 0.0 : (i % 50 == 1 ? 3.7 : 3.6 * pick.next());
    const double energy = 0.3 + 20.0 * pick.next();
    const double length = (i % 2 == 0) ? TARGET_LENGTH_cm : kLongCell;
    const Track in{0.1, -0.2, 0.0, 0.004, -0.003, energy};
    const Traversal alone = traverse(q, in, kWide, length, i + 1);

    BufferSink sourceLines;
    const double otherEnergy = i % 3 == 0 ? energy * 1.5 : energy;
    const MomentumTransfer given =
        momentumTransfer(q, otherEnergy, waveNumberOf(otherEnergy), sourceLines);
    Traversal with;
    Ranlux rng(i + 1);
    TARGET(EventTransfer(given), kT, in, kWide, length, with.out, with.scatter, rng, with.sink);

    for (auto [a, b] : {std::pair{alone.out.x, with.out.x},
                        {alone.out.y, with.out.y},
                        {alone.out.thetaX, with.out.thetaX},
                        {alone.out.thetaY, with.out.thetaY},
                        {alone.out.energy, with.out.energy},
                        {alone.scatter.crossSection, with.scatter.crossSection},
                        {alone.scatter.scatterAngle, with.scatter.scatterAngle},
                        {alone.scatter.theta_p, with.scatter.theta_p},
                        {alone.scatter.phi_p, with.scatter.phi_p}}) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(a), std::bit_cast<std::uint64_t>(b))
          << "q " << q << " E " << energy << " given for " << otherEnergy;
    }
    ASSERT_EQ(alone.sink.lines(), with.sink.lines()) << "q " << q << " E " << energy;
  }
}

}  // namespace
}  // namespace ornaplex
