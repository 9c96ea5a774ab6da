// Straight flight between two equal rectangular apertures with absorbing edges.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

// Flies in over length_cm, angles and tangents kept; outside the aperture at the entrance or the
// exit, every field of out (energy and tangents included) is LOST.
void EMPTY(const Track& in, const Aperture& aperture, double length_cm, Track& out);

}  // namespace ornaplex
