// Output coil: OUTCOIL_LENGTH_cm, split by a septum in x into two reflecting channels, one
// channel in y.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

void OUTCOIL(double criticalCoefficient, const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void OUTCOIL(double criticalCoefficient, const TrackState& in, const Tangents& t, TrackState& out);

}  // namespace ornaplex
