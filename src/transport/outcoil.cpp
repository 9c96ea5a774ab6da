#include "transport/outcoil.h"

#include <cmath>

#include "transport/kinematics.h"

namespace ornaplex {

namespace {
// Mirror images of the walls: 6.1 = 2 * 3.05, 0.7 = 2 * 0.35, 5.4 = 2 * (3.05 - 0.35) and
// 5.0 = 2 * 2.5. The shift is the decimal 5.4, one rounding step above the double
// 2.0 * (3.05 - 0.35); the others are the exact doublings.
constexpr double kTwiceOuter_cm = 6.1;
constexpr double kTwiceInner_cm = 0.7;
constexpr double kChannelShift_cm = 5.4;
constexpr double kTwiceHalfHeight_cm = 5.0;
static_assert(kTwiceOuter_cm == 2.0 * OUTCOIL_OUTER_WALL_cm &&
              kTwiceInner_cm == 2.0 * OUTCOIL_SEPTUM_WALL_cm &&
              kTwiceHalfHeight_cm == 2.0 * OUTCOIL_HALF_HEIGHT_cm);

bool inPositiveChannel(double x) {
  return OUTCOIL_SEPTUM_WALL_cm <= x && x <= OUTCOIL_OUTER_WALL_cm;
}
bool inNegativeChannel(double x) {
  return -OUTCOIL_OUTER_WALL_cm <= x && x <= -OUTCOIL_SEPTUM_WALL_cm;
}
}  // namespace

void OUTCOIL(double criticalCoefficient, const Track& in, Track& out) {
  const double thetaC = criticalAngleOf(criticalCoefficient, in.energy);
  out.energy = in.energy;
  // Entrance: y first, then x in one of the two channels (the septum stops the neutron).
  const bool yInside = -OUTCOIL_HALF_HEIGHT_cm <= in.y && in.y <= OUTCOIL_HALF_HEIGHT_cm;
  const bool positive = inPositiveChannel(in.x);
  const bool negative = inNegativeChannel(in.x);
  if (!yInside || !(positive || negative)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    out.tangents = {LOST, LOST};
    return;
  }
  const double x1 = in.x + in.tangents.x * OUTCOIL_LENGTH_cm;
  const double y1 = in.y + in.tangents.y * OUTCOIL_LENGTH_cm;

  // x: the channel is the one of the entry point; the neutron never crosses the septum.
  if (positive && !inPositiveChannel(x1)) {
    if (std::abs(in.thetaX) > thetaC) {
      out.x = out.thetaX = LOST;
    } else {
      out.thetaX = -in.thetaX;
      if (in.thetaX >= 0.0) {
        out.x = kTwiceOuter_cm - x1;  // off the outer wall at 3.05
        if (out.x < OUTCOIL_SEPTUM_WALL_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 - kChannelShift_cm;
        }
      } else {
        out.x = kTwiceInner_cm - x1;  // off the septum wall at 0.35
        if (out.x > OUTCOIL_OUTER_WALL_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 + kChannelShift_cm;
        }
      }
    }
  } else if (negative && !inNegativeChannel(x1)) {
    if (std::abs(in.thetaX) > thetaC) {
      out.x = out.thetaX = LOST;
    } else {
      out.thetaX = -in.thetaX;
      if (in.thetaX >= 0.0) {
        out.x = -kTwiceInner_cm - x1;  // off the septum wall at -0.35
        if (out.x < -OUTCOIL_OUTER_WALL_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 - kChannelShift_cm;
        }
      } else {
        out.x = -kTwiceOuter_cm - x1;  // off the outer wall at -3.05
        if (out.x > -OUTCOIL_SEPTUM_WALL_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 + kChannelShift_cm;
        }
      }
    }
  } else {
    out.x = x1;
    out.thetaX = in.thetaX;
  }

  // y: one channel, at most one reflection, whatever the image comes out as.
  if (!(-OUTCOIL_HALF_HEIGHT_cm <= y1 && y1 <= OUTCOIL_HALF_HEIGHT_cm)) {
    if (std::abs(in.thetaY) > thetaC) {
      out.y = out.thetaY = LOST;
    } else {
      out.thetaY = -in.thetaY;
      out.y = in.thetaY >= 0.0 ? kTwiceHalfHeight_cm - y1 : -kTwiceHalfHeight_cm - y1;
    }
  } else {
    out.y = y1;
    out.thetaY = in.thetaY;
  }
  out.z = in.z + OUTCOIL_LENGTH_cm;
  out.tangents = {tangentAfter(in.thetaX, in.tangents.x, out.thetaX),
                  tangentAfter(in.thetaY, in.tangents.y, out.thetaY)};
}

}  // namespace ornaplex
