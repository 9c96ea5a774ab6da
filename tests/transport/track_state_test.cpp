#include "transport/track_state.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "transport/guide.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

std::uint64_t bits(double v) {
  return std::bit_cast<std::uint64_t>(v);
}

TEST(TangentsTest, CarriedTangentsAreThoseOfTheNewAngles) {
  const TrackState a{0.1, -0.2, 0.0, 0.0031, -0.0017, 4.0};
  const Tangents ta = tangentsOf(a);
  EXPECT_EQ(bits(ta.x), bits(std::tan(a.thetaX)));
  EXPECT_EQ(bits(ta.y), bits(std::tan(a.thetaY)));

  // x reflected, y unchanged: only x is worked out again.
  TrackState b = a;
  b.thetaX = -a.thetaX;
  const Tangents tb = tangentsAfter(a, ta, b);
  EXPECT_EQ(bits(tb.x), bits(std::tan(b.thetaX)));
  EXPECT_EQ(bits(tb.y), bits(ta.y));

  // A stale tangent handed in for an unchanged angle is kept: reuse is by the angle's bits.
  const Tangents stale{7.0, 8.0};
  const Tangents tc = tangentsAfter(a, stale, a);
  EXPECT_EQ(tc.x, 7.0);
  EXPECT_EQ(tc.y, 8.0);
}

TEST(TangentsTest, SignedZeroAnglesAreNotTakenForEachOther) {
  const TrackState plus{0.0, 0.0, 0.0, 0.0, 0.0, 1.0};
  TrackState minus = plus;
  minus.thetaX = -0.0;
  const Tangents t = tangentsAfter(plus, tangentsOf(plus), minus);
  EXPECT_TRUE(std::signbit(t.x));
  EXPECT_FALSE(std::signbit(t.y));
}

TEST(TangentsTest, SuppliedTangentsGiveTheSameStageAndAzimuth) {
  // A steep state that reflects in the guide, and the azimuth in every quadrant.
  const TrackState in{2.5, -2.7, 0.0, 0.004, -0.0035, 2.0};
  TrackState plain, supplied;
  GUIDE(111.0, GUIDE_CRITICAL_COEFFICIENT, in, plain);
  GUIDE(111.0, GUIDE_CRITICAL_COEFFICIENT, in, tangentsOf(in), supplied);
  EXPECT_EQ(bits(plain.x), bits(supplied.x));
  EXPECT_EQ(bits(plain.y), bits(supplied.y));
  EXPECT_EQ(bits(plain.thetaX), bits(supplied.thetaX));
  EXPECT_EQ(bits(plain.thetaY), bits(supplied.thetaY));
  for (double tx : {0.002, -0.002, 0.0}) {
    for (double ty : {0.001, -0.001, 0.0}) {
      EXPECT_EQ(bits(directionAzimuth(tx, ty)),
                bits(directionAzimuth(tx, ty, std::tan(tx), std::tan(ty))));
    }
  }
}

}  // namespace
}  // namespace ornaplex
