#include "transport/reflect_axis.h"

#include <cmath>

#include "common/constants.h"
#include "common/det_math.h"

namespace ornaplex {

void reflectAxis(double h, double u, double theta, double u1, double L, double thetaC, double& uOut,
                 double& thetaOut) {
  // Only a reflection needs the tangent.
  if (-h <= u1 && u1 <= h) {
    uOut = u1;
    thetaOut = theta;
    return;
  }
  reflectAxis(h, u, theta, detmath::tan(theta), u1, L, thetaC, uOut, thetaOut);
}

void reflectAxis(double h, double u, double theta, double tanTheta, double u1, double L,
                 double thetaC, double& uOut, double& thetaOut) {
  // The straight image stays between the walls: no wall reached.
  if (-h <= u1 && u1 <= h) {
    uOut = u1;
    thetaOut = theta;
    return;
  }
  // Too steep for the wall: absorbed, this axis only.
  if (std::abs(theta) > thetaC) {
    uOut = LOST;
    thetaOut = LOST;
    return;
  }
  // Images in the walls; 2h and 4h are exact doublings of h (5.6 and 11.2 for h = 2.8).
  const double twoH = 2.0 * h;
  const double fourH = 4.0 * h;
  thetaOut = -theta;
  if (theta >= 0.0) {
    uOut = twoH - u - tanTheta * L;  // off the wall at +h
  } else {
    uOut = -twoH - u - tanTheta * L;  // off the wall at -h
  }
  if (uOut < -h || uOut > h) {
    // Second reflection, off the opposite wall; a third is not followed.
    thetaOut = theta;
    if (theta >= 0.0) {
      uOut = u + tanTheta * L - fourH;
    } else {
      uOut = u + tanTheta * L + fourH;
    }
  }
}

void reflectingChannel(double hx, double hy, double L, double thetaC, const TrackState& in,
                       const Tangents& t, TrackState& out) {
  out.energy = in.energy;
  if (!(-hy <= in.y && in.y <= hy) || !(-hx <= in.x && in.x <= hx)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    return;
  }
  const double x1 = in.x + t.x * L;
  const double y1 = in.y + t.y * L;
  reflectAxis(hx, in.x, in.thetaX, t.x, x1, L, thetaC, out.x, out.thetaX);
  reflectAxis(hy, in.y, in.thetaY, t.y, y1, L, thetaC, out.y, out.thetaY);
  out.z = in.z + L;
}

}  // namespace ornaplex
