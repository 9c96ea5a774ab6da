// Reflecting guide of square section, walls at +-GUIDE_HALF_WIDTH_cm.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

// out.energy = in.energy. Entrance outside the walls (y tested first): x, y, z, thetaX, thetaY
// and the tangents of out are LOST.
void GUIDE(double length_cm, double criticalCoefficient, const Track& in, Track& out);

}  // namespace ornaplex
