#include "transport/track_state.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "common/det_math.h"
#include "transport/guide.h"
#include "transport/kinematics.h"
#include "transport/outcoil.h"

namespace ornaplex {
namespace {

std::uint64_t bits(double v) {
  return std::bit_cast<std::uint64_t>(v);
}

TEST(TangentsTest, ATrackFromItsStateWorksTheTangentsOut) {
  const TrackState a{0.1, -0.2, 0.0, 0.0031, -0.0017, 4.0};
  const Track t(a);
  EXPECT_EQ(bits(t.tangents.x), bits(detmath::tan(a.thetaX)));
  EXPECT_EQ(bits(t.tangents.y), bits(detmath::tan(a.thetaY)));
  const Track fields{0.1, -0.2, 0.0, 0.0031, -0.0017, 4.0};
  EXPECT_EQ(bits(fields.tangents.x), bits(t.tangents.x));
  EXPECT_EQ(bits(fields.tangents.y), bits(t.tangents.y));

  const Track lost = Track::lost();
  EXPECT_TRUE(isLost(lost));
  EXPECT_EQ(lost.energy, LOST);
  EXPECT_EQ(lost.tangents.x, LOST);
  EXPECT_EQ(lost.tangents.y, LOST);
}

TEST(TangentsTest, TangentAfterReusesByTheAnglesBits) {
  // A stale tangent handed in for an unchanged angle is kept: reuse is by the angle's bits.
  EXPECT_EQ(tangentAfter(0.0031, 7.0, 0.0031), 7.0);
  EXPECT_EQ(bits(tangentAfter(0.0031, 7.0, -0.0031)), bits(detmath::tan(-0.0031)));
  // Signed zeros are not taken for each other.
  EXPECT_TRUE(std::signbit(tangentAfter(0.0, 0.0, -0.0)));
  // A stopped axis gets no tangent worked out.
  EXPECT_EQ(tangentAfter(0.0031, 7.0, LOST), LOST);
}

TEST(TangentsTest, StagesLeaveTheTangentsOfTheAnglesTheyLeaveAt) {
  // Steep states that reflect on one axis or both, in the guide and in the output coil: the
  // carried tangents are those of the exit angles, bit for bit.
  const TrackState starts[] = {{2.5, -2.4, 0.0, 0.005, -0.004, 2.0},
                               {-1.0, 2.0, 0.0, -0.0001, 0.006, 2.0},
                               {-2.0, 1.0, 0.0, -0.009, 0.0, 1.0}};
  int reflections = 0;
  for (const TrackState& s : starts) {
    Track guided, coiled;
    GUIDE(GUIDE_LENGTH_cm, GUIDE_CRITICAL_COEFFICIENT, Track(s), guided);
    OUTCOIL(GUIDE_CRITICAL_COEFFICIENT, Track(s), coiled);
    for (const Track& out : {guided, coiled}) {
      ASSERT_FALSE(isLost(out));
      EXPECT_EQ(bits(out.tangents.x), bits(detmath::tan(out.thetaX)));
      EXPECT_EQ(bits(out.tangents.y), bits(detmath::tan(out.thetaY)));
      reflections += (out.thetaX != s.thetaX) + (out.thetaY != s.thetaY);
    }
  }
  EXPECT_EQ(reflections, 7);  // of the twelve axes
}

TEST(TangentsTest, CarriedTangentsGiveTheAzimuthOfTheAngles) {
  for (double tx : {0.002, -0.002, 0.0}) {
    for (double ty : {0.001, -0.001, 0.0}) {
      EXPECT_EQ(bits(directionAzimuth(tx, ty)),
                bits(directionAzimuth(tx, ty, std::tan(tx), std::tan(ty))));
      // The whole direction carries the same azimuth.
      EXPECT_EQ(bits(directionOf(tx, ty, std::tan(tx), std::tan(ty)).phi),
                bits(directionAzimuth(tx, ty, std::tan(tx), std::tan(ty))));
    }
  }
}

// In the y-z plane a signed zero does not change the quadrant: +-pi/2 (up to 2 pi) either way,
// as the cells take it.
TEST(TangentsTest, SignedZeroTangentKeepsTheYZPlaneAzimuth) {
  const double halfPi = std::atan2(1.0, 0.0);
  for (double ty : {0.001, -0.001}) {
    EXPECT_EQ(bits(directionAzimuth(-0.0, ty, -0.0, ty)), bits(directionAzimuth(0.0, ty, 0.0, ty)));
    EXPECT_NEAR(directionAzimuth(-0.0, ty, -0.0, ty), ty > 0 ? halfPi : kTwoPi - halfPi, 1e-12);
  }
}

}  // namespace
}  // namespace ornaplex
