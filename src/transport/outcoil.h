// Output coil: OUTCOIL_LENGTH_cm, split by a septum in x into two reflecting channels, one
// channel in y.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

// out.energy = in.energy; each axis reflects at most once (x within the entry's channel), its
// tangent set for the angle it leaves at. Entrance in the septum or outside the walls: x, y, z,
// both angles and both tangents LOST.
void OUTCOIL(double criticalCoefficient, const Track& in, Track& out);

}  // namespace ornaplex
