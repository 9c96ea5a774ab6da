// Mirror-image reflection on one transverse axis of a channel with walls at -h and +h, and the
// rectangular reflecting channel built from it.
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

// One transverse axis of a track: coordinate u (cm), projected angle theta (rad), tan(theta).
struct AxisTrack {
  double u = 0.0;
  double theta = 0.0;
  double tanTheta = 0.0;
};

// in: the axis at the entry; u1 = in.u + in.tanTheta L, the straight image; L: channel length
// (cm); thetaC: critical angle (rad). The axis at the exit after at most two reflections: an
// angle steeper than thetaC at a wall gives LOST in all three; the tangent is passed on when
// the angle is kept and worked out when one reflection reverses it.
AxisTrack reflectAxis(double h, const AxisTrack& in, double u1, double L, double thetaC);

// A straight channel of length L with walls at x = +-hx and y = +-hy that reflect below thetaC:
// an entrance outside the walls (y tested first, walls inclusive) gives LOST in x, y, z, both
// angles and both tangents; otherwise each axis is reflected by itself and z advances by L.
// Energy passes through.
void reflectingChannel(double hx, double hy, double L, double thetaC, const Track& in, Track& out);

}  // namespace ornaplex
