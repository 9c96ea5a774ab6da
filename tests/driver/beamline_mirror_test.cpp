// Mirror symmetry of the whole carry: a source neutron and its image in x, carried from the same
// point of the generator's stream, reach the detector with the negated x and exactly the same
// path and rotation when neither scatters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <utility>

#include "driver/beamline_event.h"
#include "results/histogram_catalogue.h"
#include "transport/kinematics.h"
#include "transport/mirror_expectations.h"

namespace ornaplex {
namespace {

using testing::sameBits;

class BeamlineMirror : public ::testing::Test {
 protected:
  BeamlineMirror() {
    bookCatalogue(store);
    histograms.emplace(store);
  }

  // A source neutron over the guide's entrance with q drawn from a few values.
  static SourceSample neutron(std::mt19937_64& engine) {
    std::uniform_real_distribution<double> position(-2.8, 2.8), angle(-0.012, 0.012),
        lambda(2.0, 12.0), q(0.2, 2.5);
    SourceSample s;
    s.outcome = SourceSample::Outcome::Accepted;
    s.lambda = lambda(engine);
    s.energy = energyOfWavelength(s.lambda);
    s.state =
        TrackState{position(engine), position(engine), 0.0, angle(engine), angle(engine), s.energy};
    s.tangents = tangentsOf(s.state);
    s.k = waveNumberOf(s.energy);
    NullSink quiet;
    s.transfer = momentumTransfer(q(engine), s.energy, s.k, quiet);
    return s;
  }

  EventTrace carry(const SourceSample& s, Ranlux rng) {
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
  NullSink screen, log, longPath;
};

// Whether the neutron left its helium cell (left: target 1's, right: target 2's) at the angles
// and energy it came in with, or never entered it. One stopped at the exit face counts as
// scattered: the trace cannot tell.
bool passedItsHelium(const EventTrace& t, bool left) {
  const bool entered =
      left ? t.end >= EventTrace::End::Target1 && LEFT_CELL.contains(t.gap1.x, t.gap1.y)
           : t.target2Called && RIGHT_CELL.contains(t.p2.x, t.p2.y);
  if (!entered) return true;
  const TrackState& in = left ? t.gap1 : t.p2;
  const TrackState& out = left ? t.p1 : t.p3;
  return !isLost(out) && out.thetaX == in.thetaX && out.thetaY == in.thetaY &&
         out.energy == in.energy;
}

TEST_F(BeamlineMirror, UnscatteredPartnersReachTheDetectorWithTheSamePathAndRotation) {
  std::mt19937_64 engine(40);
  Ranlux stream(41);
  int detected = 0, scattered = 0, lostAlike = 0;
  for (int i = 0; i < 20000; ++i) {
    const SourceSample s = neutron(engine);
    // Both partners start from the same point of the stream; a is the one that reaches target 1
    // on the left.
    EventTrace a = carry(s, stream);
    EventTrace b = carry(mirroredSource(s), stream);
    stream.next();
    if (b.end >= EventTrace::End::Target1 && b.gap1.x < 0.0) std::swap(a, b);
    if (!passedItsHelium(a, true) || !passedItsHelium(b, false)) {
      ++scattered;
      continue;
    }
    ASSERT_EQ(a.end, b.end) << i;
    if (a.end != EventTrace::End::Detector) {
      ++lostAlike;
      continue;
    }
    ++detected;
    ASSERT_TRUE(testing::isMirrorOf(Track(b.detector), Track(a.detector))) << i;
    ASSERT_TRUE(sameBits(a.pathLength, b.pathLength)) << i;
    ASSERT_TRUE(sameBits(a.rotation, b.rotation)) << i;
  }
  EXPECT_GT(detected, 1000);
  EXPECT_GT(scattered, 100);
  EXPECT_GT(lostAlike, 1000);
}

// A pair scores two source neutrons as one event: an unscattered pair that reaches the detector
// adds the same sine of the rotation left and right, each side one neutron of weight 1, and the
// stream goes on after the partner that drew more.
TEST_F(BeamlineMirror, APairIsTwoNeutronsInOneEventOnTheSameNumbers) {
  std::mt19937_64 engine(42);
  Ranlux stream(43);
  const RunHelium helium = runHelium(HELIUM_TEMPERATURE, {});
  int bothDetected = 0;
  for (int i = 0; i < 3000; ++i) {
    const SourceSample s = neutron(engine);
    Ranlux first = stream, second = stream;
    EventTallies scratch{counters, tallies, *histograms};
    EventOutput quiet{screen, log, longPath};
    carryNeutron(s, BeamlineSettings{}, first, scratch, quiet);
    carryNeutron(mirroredSource(s), BeamlineSettings{}, second, scratch, quiet);
    const std::uint64_t further = std::max(first.delivered(), second.delivered());

    Counters c;
    Tallies t;
    EventTallies out{c, t, *histograms};
    EventOutput io{screen, log, longPath};
    finishDrawnPair(2, s, std::nullopt, EventTables{}, BeamlineSettings{}, helium, stream, out, io);
    ASSERT_EQ(stream.delivered(), further) << i;
    if (c.detIn != 2 || c.detScattered != 0) continue;
    ++bothDetected;
    ASSERT_EQ(t.leftTally.N, 1);
    ASSERT_EQ(t.rightTally.N, 1);
    ASSERT_EQ(t.leftTally.W, 1.0);
    ASSERT_TRUE(sameBits(t.leftTally.S, t.rightTally.S)) << i;
    // The pair's left and right sums meet in the cross sums.
    ASSERT_EQ(t.cross[0].WW, 1.0);
    ASSERT_EQ(t.cross[0].SS, t.leftTally.S * t.rightTally.S);
  }
  EXPECT_GT(bothDetected, 300);
}

}  // namespace
}  // namespace ornaplex
