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
  reflectingChannel(kHalfWidthX_cm, kHalfWidthY_cm, SM_LENGTH_cm,
                    criticalAngleOf(ANALYSER_CRITICAL_COEFFICIENT, in.energy), in, t, out);
}

}  // namespace ornaplex
