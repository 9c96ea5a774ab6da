// Input coil: reflecting channel of INCOIL_LENGTH_cm with the guide's walls.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

void INCOIL(double criticalCoefficient, const Track& in, Track& out);

}  // namespace ornaplex
