#include "transport/guide.h"

#include <cmath>

#include "transport/kinematics.h"
#include "transport/reflect_axis.h"

namespace ornaplex {

namespace {
constexpr double kGuideHalfWidth_cm = 2.8;  // walls at x = +-2.8 and y = +-2.8
}  // namespace

void GUIDE(double length_cm, double criticalCoefficient, const TrackState& in, TrackState& out) {
  GUIDE(length_cm, criticalCoefficient, in, tangentsOf(in), out);
}

void GUIDE(double length_cm, double criticalCoefficient, const TrackState& in, const Tangents& t,
           TrackState& out) {
  const double thetaC = criticalAngleOf(criticalCoefficient, in.energy);
  const double h = kGuideHalfWidth_cm;
  out.energy = in.energy;
  // Entrance: y first, then x; a neutron on a wall is inside.
  if (!(-h <= in.y && in.y <= h) || !(-h <= in.x && in.x <= h)) {
    out.x = out.y = out.z = out.thetaX = out.thetaY = LOST;
    return;
  }
  const double x1 = in.x + t.x * length_cm;
  const double y1 = in.y + t.y * length_cm;
  reflectAxis(h, in.x, in.thetaX, t.x, x1, length_cm, thetaC, out.x, out.thetaX);
  reflectAxis(h, in.y, in.thetaY, t.y, y1, length_cm, thetaC, out.y, out.thetaY);
  out.z = in.z + length_cm;
}

}  // namespace ornaplex
