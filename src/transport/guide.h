// Reflecting guide of square section, walls at +-GUIDE_HALF_WIDTH_cm.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

// out.energy = in.energy. Entrance outside the walls (y tested first): x, y, z, thetaX, thetaY
// of out are LOST.
void GUIDE(double length_cm, double criticalCoefficient, const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void GUIDE(double length_cm, double criticalCoefficient, const TrackState& in, const Tangents& t,
           TrackState& out);

}  // namespace ornaplex
