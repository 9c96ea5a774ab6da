// Straight flight between two equal rectangular apertures with absorbing edges.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

// Flies in over length_cm; outside the aperture at the entrance or the exit, every field of
// out (energy included) is LOST.
void EMPTY(const TrackState& in, const Aperture& aperture, double length_cm, TrackState& out);
// The same with the tangents of in's angles supplied.
void EMPTY(const TrackState& in, const Tangents& t, const Aperture& aperture, double length_cm,
           TrackState& out);

}  // namespace ornaplex
