#include "transport/outcoil.h"

#include <cmath>

#include "transport/kinematics.h"

namespace ornaplex {

namespace {
// Walls of the two x channels (cm), either side of the septum, and the y walls at +-2.5 cm.
constexpr double kInnerWall_cm = 0.35;
constexpr double kOuterWall_cm = 3.05;
constexpr double kHalfHeight_cm = 2.5;
// Mirror images: 6.1 = 2 * 3.05, 0.7 = 2 * 0.35, 5.4 = 2 * (3.05 - 0.35), 5.0 = 2 * 2.5.
constexpr double kTwiceOuter_cm = 6.1;
constexpr double kTwiceInner_cm = 0.7;
constexpr double kChannelShift_cm = 5.4;
constexpr double kTwiceHalfHeight_cm = 5.0;

bool inPositiveChannel(double x) {
  return kInnerWall_cm <= x && x <= kOuterWall_cm;
}
bool inNegativeChannel(double x) {
  return -kOuterWall_cm <= x && x <= -kInnerWall_cm;
}
}  // namespace

void OUTCOIL(double criticalCoefficient, const TrackState& in, TrackState& out) {
  OUTCOIL(criticalCoefficient, in, tangentsOf(in), out);
}

void OUTCOIL(double criticalCoefficient, const TrackState& in, const Tangents& t, TrackState& out) {
  const double thetaC = criticalAngleOf(criticalCoefficient, in.energy);
  out.energy = in.energy;
  // Entrance: y first, then x in one of the two channels (the septum stops the neutron).
  const bool yInside = -kHalfHeight_cm <= in.y && in.y <= kHalfHeight_cm;
  const bool positive = inPositiveChannel(in.x);
  const bool negative = inNegativeChannel(in.x);
  if (!yInside || !(positive || negative)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    return;
  }
  const double x1 = in.x + t.x * OUTCOIL_LENGTH_cm;
  const double y1 = in.y + t.y * OUTCOIL_LENGTH_cm;

  // x: the channel is the one of the entry point; the neutron never crosses the septum.
  if (positive && !inPositiveChannel(x1)) {
    if (std::abs(in.thetaX) > thetaC) {
      out.x = out.thetaX = LOST;
    } else {
      out.thetaX = -in.thetaX;
      if (in.thetaX >= 0.0) {
        out.x = kTwiceOuter_cm - x1;  // off the outer wall at 3.05
        if (out.x < kInnerWall_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 - kChannelShift_cm;
        }
      } else {
        out.x = kTwiceInner_cm - x1;  // off the septum wall at 0.35
        if (out.x > kOuterWall_cm) {
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
        if (out.x < -kOuterWall_cm) {
          out.thetaX = in.thetaX;
          out.x = x1 - kChannelShift_cm;
        }
      } else {
        out.x = -kTwiceOuter_cm - x1;  // off the outer wall at -3.05
        if (out.x > -kInnerWall_cm) {
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
  if (!(-kHalfHeight_cm <= y1 && y1 <= kHalfHeight_cm)) {
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
}

}  // namespace ornaplex
