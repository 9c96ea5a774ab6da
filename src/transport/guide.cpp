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
  reflectingChannel(kGuideHalfWidth_cm, kGuideHalfWidth_cm, length_cm,
                    criticalAngleOf(criticalCoefficient, in.energy), in, t, out);
}

}  // namespace ornaplex
