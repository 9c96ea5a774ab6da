#include "transport/guide.h"

#include <cmath>

#include "transport/kinematics.h"
#include "transport/reflect_axis.h"

namespace ornaplex {

void GUIDE(double length_cm, double criticalCoefficient, const Track& in, Track& out) {
  reflectingChannel(GUIDE_HALF_WIDTH_cm, GUIDE_HALF_WIDTH_cm, length_cm,
                    criticalAngleOf(criticalCoefficient, in.energy), in, out);
}

}  // namespace ornaplex
