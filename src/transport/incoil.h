// Input coil: reflecting channel of 89.0 cm, walls at +-2.8 cm.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

inline constexpr double INCOIL_LENGTH_cm = 89.0;

void INCOIL(double criticalCoefficient, const TrackState& in, TrackState& out);

}  // namespace ornaplex
