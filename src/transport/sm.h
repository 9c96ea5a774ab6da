// Analyser channel: SM_LENGTH_cm, walls at x = +-SM_HALF_WIDTH_X_cm and y = +-SM_HALF_WIDTH_Y_cm
// with ANALYSER_CRITICAL_COEFFICIENT.
#pragma once

#include "transport/beamline_geometry.h"
#include "transport/track_state.h"

namespace ornaplex {

void SM(const Track& in, Track& out);

}  // namespace ornaplex
