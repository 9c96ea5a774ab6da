// The driver's decisions between stages, with neutrons built by hand at the source.
#include "driver/beamline_event.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "results/histogram_catalogue.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

// Speed (Angstrom/ps) of a neutron of energy E (meV), as the path accounting divides by it.
double speedOf(double energy_meV) {
  return std::sqrt(2.0 * energy_meV / kNeutronMass_meVps2PerA2);
}

// Distance from the source to the middle of the gap between the targets, and from there to the
// detector plane, cm.
constexpr double kZTarget1Exit_cm =
    GUIDE_LENGTH_cm + INCOIL_LENGTH_cm + GAP1_LENGTH_cm + TARGET_LENGTH_cm;
constexpr double kBeforeMiddle_cm = kZTarget1Exit_cm + GAP2_LENGTH_cm / 2.0;
constexpr double kAfterMiddle_cm = GAP2_LENGTH_cm / 2.0 + TARGET_LENGTH_cm + GAP3_LENGTH_cm +
                                   OUTCOIL_LENGTH_cm + GAP4_LENGTH_cm + SM_LENGTH_cm;

class BeamlineEventTest : public ::testing::Test {
 protected:
  BeamlineEventTest() {
    bookCatalogue(store);
    histograms.emplace(store);
  }

  // A neutron of wavelength 4 Angstrom at z = 0 with the given x and x angle.
  static SourceSample neutron(double x, double thetaX = 0.0, double y = 0.0) {
    SourceSample s;
    s.outcome = SourceSample::Outcome::Accepted;
    s.lambda = 4.0;
    s.energy = energyOfWavelength(4.0);
    s.state = TrackState{x, y, 0.0, thetaX, 0.0, s.energy};
    s.tangents = tangentsOf(s.state);
    s.k = waveNumberOf(s.energy);
    NullSink quiet;
    // q at the roton minimum: an energy transfer when it scatters.
    s.transfer = momentumTransfer(1.9, s.energy, s.k, quiet);
    return s;
  }

  EventTrace carry(const SourceSample& s, std::int32_t seed = 1) {
    Ranlux rng(seed);
    EventTrace trace;
    EventTallies out{counters, tallies, *histograms};
    EventOutput io{screen, log, longPath, &trace};
    carryNeutron(s, BeamlineSettings{}, rng, out, io);
    return trace;
  }

  HistogramStore store;
  std::optional<DetectorHistograms> histograms;
  Counters counters;
  Tallies tallies;
  BufferSink screen, log, longPath;
};

TEST_F(BeamlineEventTest, LeftCellBoundIsInclusiveAtTarget1) {
  const EventTrace t = carry(neutron(-0.35));
  EXPECT_EQ(t.gap1.x, -0.35);
  EXPECT_EQ(counters.tar1In, 1);
  EXPECT_NE(t.end, EventTrace::End::Target1);
}

TEST_F(BeamlineEventTest, RightCellBoundIsStrictAtTarget2) {
  // 0.35 passes the empty half of target 1 (inclusive) but is outside target 2 (strict).
  const EventTrace t = carry(neutron(0.35));
  EXPECT_EQ(t.p1.x, 0.35);
  EXPECT_EQ(t.p2.x, 0.35);
  EXPECT_FALSE(t.target2Called);
  EXPECT_EQ(t.end, EventTrace::End::Target2);
  EXPECT_EQ(counters.tar2In, 0);
  EXPECT_EQ(counters.detIn, 0);
}

TEST_F(BeamlineEventTest, BetweenTheCellsNeitherIsEntered) {
  for (double x : {0.0, 0.349, -0.349}) {
    const EventTrace t = carry(neutron(x));
    EXPECT_EQ(t.end, EventTrace::End::Target1) << x;
  }
  EXPECT_EQ(counters.tar1In, 0);
}

TEST_F(BeamlineEventTest, LeavingTheBandInGap2EndsTheEvent) {
  // At the exit of target 1 x = 0.36 (right band); 8 cm later it is at 0.34, in the septum.
  const double tanX = -0.02 / 8.0;
  const double x0 = 0.36 - kZTarget1Exit_cm * tanX;
  const EventTrace t = carry(neutron(x0, std::atan(tanX)));
  EXPECT_NEAR(t.p1.x, 0.36, 1e-12);
  EXPECT_EQ(t.end, EventTrace::End::Gap2Band);
  EXPECT_FALSE(t.target2Called);
}

TEST_F(BeamlineEventTest, Target2IsHandedTheSourceEnergy) {
  const SourceSample s = neutron(1.0);
  const EventTrace t = carry(s);
  ASSERT_TRUE(t.target2Called);
  EXPECT_EQ(t.target2Energy, s.energy);
  EXPECT_EQ(counters.tar2In, 1);
}

TEST_F(BeamlineEventTest, NeutronScatteredInTarget1NeverReachesTheHeliumOfTarget2) {
  // Gap 2 keeps a neutron in the band it left target 1 in, so a neutron from the left cell
  // meets the empty half of target 2: the geometry never hands target 2 a scattered neutron.
  for (std::int32_t seed = 1; seed <= 400; ++seed) {
    const EventTrace t = carry(neutron(-1.5), seed);
    EXPECT_FALSE(t.target2Called);
  }
  EXPECT_EQ(counters.tar1In, 400);
  EXPECT_GT(counters.tar1EnergyChanged, 0);
  EXPECT_EQ(counters.tar1ToTar2, 0);
}

TEST_F(BeamlineEventTest, LostAtTheGuideEntranceEndsAtTheGuide) {
  const EventTrace t = carry(neutron(2.9));
  EXPECT_EQ(t.end, EventTrace::End::Guide);
  EXPECT_EQ(store.h1(2).entries(), 0);
}

TEST_F(BeamlineEventTest, UnscatteredOnAxisNeutronRotatesByTheFieldIntegral) {
  // On the right side the neutron meets the empty half of target 1; find a seed for which it
  // also crosses the helium of target 2 without scattering.
  const SourceSample s = neutron(1.0);
  for (std::int32_t seed = 1; seed < 100; ++seed) {
    const EventTrace t = carry(s, seed);
    if (t.end != EventTrace::End::Detector || t.p3.energy != s.energy || t.p3.thetaX != 0.0)
      continue;
    const double v = speedOf(s.energy);
    const double expected = (kAfterMiddle_cm - kBeforeMiddle_cm) *
                            kPrecessionFactor_mradAperPsPerCmPerMg * FIELD_mG / v;
    EXPECT_NEAR(t.rotation, expected, 1e-12 * std::fabs(expected));
    EXPECT_NEAR(t.pathLength, kBeforeMiddle_cm + kAfterMiddle_cm, 1e-9);
    EXPECT_EQ(counters.detIn, 1);
    EXPECT_EQ(tallies.rightTally.N, 1);
    EXPECT_EQ(tallies.rightTally.S, std::sin(t.rotation / 1000.0));
    EXPECT_TRUE(longPath.lines().empty());
    return;
  }
  FAIL() << "no seed let the neutron through unscattered";
}

}  // namespace
}  // namespace ornaplex
