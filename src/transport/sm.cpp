#include "transport/sm.h"

#include <cmath>

#include "transport/kinematics.h"
#include "transport/reflect_axis.h"

namespace ornaplex {

void SM(const Track& in, Track& out) {
  reflectingChannel(SM_HALF_WIDTH_X_cm, SM_HALF_WIDTH_Y_cm, SM_LENGTH_cm,
                    criticalAngleOf(ANALYSER_CRITICAL_COEFFICIENT, in.energy), in, out);
}

}  // namespace ornaplex
