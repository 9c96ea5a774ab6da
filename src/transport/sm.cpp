#include "transport/sm.h"

#include <cmath>

#include "transport/kinematics.h"
#include "transport/reflect_axis.h"

namespace ornaplex {

namespace {
constexpr double kHalfWidthX_cm = 2.85;  // walls at x = +-2.85
constexpr double kHalfWidthY_cm = 2.25;  // walls at y = +-2.25
}  // namespace

void SM(const TrackState& in, TrackState& out) {
  SM(in, tangentsOf(in), out);
}

void SM(const TrackState& in, const Tangents& t, TrackState& out) {
  const double thetaC = criticalAngleOf(ANALYSER_CRITICAL_COEFFICIENT, in.energy);
  out.energy = in.energy;
  // Entrance: y first, then x; bounds inclusive.
  if (!(-kHalfWidthY_cm <= in.y && in.y <= kHalfWidthY_cm) ||
      !(-kHalfWidthX_cm <= in.x && in.x <= kHalfWidthX_cm)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    return;
  }
  const double x1 = in.x + t.x * SM_LENGTH_cm;
  const double y1 = in.y + t.y * SM_LENGTH_cm;
  reflectAxis(kHalfWidthX_cm, in.x, in.thetaX, t.x, x1, SM_LENGTH_cm, thetaC, out.x, out.thetaX);
  reflectAxis(kHalfWidthY_cm, in.y, in.thetaY, t.y, y1, SM_LENGTH_cm, thetaC, out.y, out.thetaY);
  out.z = in.z + SM_LENGTH_cm;
}

}  // namespace ornaplex
