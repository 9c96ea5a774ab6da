// Analyser channel: 28.0 cm, walls at x = +-2.85 and y = +-2.25 cm, critical coefficient 0.003.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

inline constexpr double SM_LENGTH_cm = 28.0;

void SM(const TrackState& in, TrackState& out);
// The same with the tangents of in's angles supplied.
void SM(const TrackState& in, const Tangents& t, TrackState& out);

}  // namespace ornaplex
