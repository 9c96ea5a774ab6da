// Mirror-image reflection on one transverse axis of a channel with walls at -h and +h, and the
// rectangular reflecting channel built from it.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

// u: entry coordinate (cm); theta: angle (rad); L: channel length (cm); u1 = u + tan(theta) L,
// the straight image; thetaC: critical angle (rad). Writes the exit coordinate and angle; an
// angle steeper than thetaC at a wall gives LOST in both. At most two reflections.
void reflectAxis(double h, double u, double theta, double u1, double L, double thetaC, double& uOut,
                 double& thetaOut);
// The same with tanTheta = tan(theta) supplied.
void reflectAxis(double h, double u, double theta, double tanTheta, double u1, double L,
                 double thetaC, double& uOut, double& thetaOut);

// A straight channel of length L with walls at x = +-hx and y = +-hy that reflect below thetaC:
// an entrance outside the walls (y tested first, walls inclusive) gives LOST in x, y, z and both
// angles; otherwise each axis is reflected by itself and z advances by L. Energy passes through.
void reflectingChannel(double hx, double hy, double L, double thetaC, const TrackState& in,
                       const Tangents& t, TrackState& out);

}  // namespace ornaplex
