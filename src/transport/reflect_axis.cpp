#include "transport/reflect_axis.h"

#include <cmath>

#include "common/constants.h"
#include "common/det_math.h"

namespace ornaplex {

namespace {

// reflectAxis itself, inlined into the channel: it runs for both axes of every guide, coil and
// analyser crossing.
[[gnu::always_inline]] inline AxisTrack reflect(double h, const AxisTrack& in, double u1, double L,
                                                double thetaC) {
  // The straight image stays between the walls: no wall reached.
  if (-h <= u1 && u1 <= h) return {u1, in.theta, in.tanTheta};
  // Too steep for the wall: absorbed, this axis only.
  if (std::abs(in.theta) > thetaC) return {LOST, LOST, LOST};
  // Images in the walls; 2h and 4h are exact doublings of h (5.6 and 11.2 for h = 2.8).
  const double twoH = 2.0 * h;
  const double fourH = 4.0 * h;
  double u;
  if (in.theta >= 0.0) {
    u = twoH - in.u - in.tanTheta * L;  // off the wall at +h
  } else {
    u = -twoH - in.u - in.tanTheta * L;  // off the wall at -h
  }
  if (u < -h || u > h) {
    // Second reflection, off the opposite wall, back to the entry angle; a third is not
    // followed.
    if (in.theta >= 0.0) {
      u = in.u + in.tanTheta * L - fourH;
    } else {
      u = in.u + in.tanTheta * L + fourH;
    }
    return {u, in.theta, in.tanTheta};
  }
  const double reversed = -in.theta;
  return {u, reversed, detmath::tan(reversed)};
}

}  // namespace

AxisTrack reflectAxis(double h, const AxisTrack& in, double u1, double L, double thetaC) {
  return reflect(h, in, u1, L, thetaC);
}

void reflectingChannel(double hx, double hy, double L, double thetaC, const Track& in, Track& out) {
  out.energy = in.energy;
  if (!(-hy <= in.y && in.y <= hy) || !(-hx <= in.x && in.x <= hx)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    out.tangents = {LOST, LOST};
    return;
  }
  const double x1 = in.x + in.tangents.x * L;
  const double y1 = in.y + in.tangents.y * L;
  const AxisTrack x = reflect(hx, {in.x, in.thetaX, in.tangents.x}, x1, L, thetaC);
  const AxisTrack y = reflect(hy, {in.y, in.thetaY, in.tangents.y}, y1, L, thetaC);
  out.x = x.u;
  out.thetaX = x.theta;
  out.tangents.x = x.tanTheta;
  out.y = y.u;
  out.thetaY = y.theta;
  out.tangents.y = y.tanTheta;
  out.z = in.z + L;
}

}  // namespace ornaplex
