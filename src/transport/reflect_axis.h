// Mirror-image reflection on one transverse axis of a channel with walls at -h and +h.
#pragma once

namespace ornaplex {

// u: entry coordinate (cm); theta: angle (rad); L: channel length (cm); u1 = u + tan(theta) L,
// the straight image; thetaC: critical angle (rad). Writes the exit coordinate and angle; an
// angle steeper than thetaC at a wall gives LOST in both. At most two reflections.
void reflectAxis(double h, double u, double theta, double u1, double L, double thetaC, double& uOut,
                 double& thetaOut);
// The same with tanTheta = tan(theta) supplied.
void reflectAxis(double h, double u, double theta, double tanTheta, double u1, double L,
                 double thetaC, double& uOut, double& thetaOut);

}  // namespace ornaplex
