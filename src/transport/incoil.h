// Input coil: reflecting channel of 89.0 cm, walls at +-2.8 cm.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

inline constexpr double INCOIL_LENGTH_cm = 89.0;

void INCOIL(double criticalCoefficient, const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void INCOIL(double criticalCoefficient, const TrackState& in, const Tangents& t, TrackState& out);

}  // namespace ornaplex
