// Output coil: 125.0 cm, split by a septum in x into two reflecting channels, one channel in y.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

inline constexpr double OUTCOIL_LENGTH_cm = 125.0;

void OUTCOIL(double criticalCoefficient, const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void OUTCOIL(double criticalCoefficient, const TrackState& in, const Tangents& t, TrackState& out);

}  // namespace ornaplex
