// Input coil: reflecting channel of INCOIL_LENGTH_cm with the guide's walls.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

void INCOIL(double criticalCoefficient, const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void INCOIL(double criticalCoefficient, const TrackState& in, const Tangents& t, TrackState& out);

}  // namespace ornaplex
