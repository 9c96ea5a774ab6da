#include "transport/empty.h"

#include <cmath>

namespace ornaplex {

void EMPTY(const Track& in, const Aperture& aperture, double length_cm, Track& out) {
  // Entrance aperture (x tested first, bounds inclusive).
  if (!aperture.contains(in.x, in.y)) {
    out = Track::lost();
    return;
  }
  const double x1 = in.x + in.tangents.x * length_cm;
  const double y1 = in.y + in.tangents.y * length_cm;
  // Exit aperture: the same rectangle; anything outside is absorbed, energy included.
  if (!aperture.contains(x1, y1)) {
    out = Track::lost();
    return;
  }
  out.x = x1;
  out.y = y1;
  out.z = in.z + length_cm;
  out.thetaX = in.thetaX;
  out.thetaY = in.thetaY;
  out.energy = in.energy;
  out.tangents = in.tangents;
}

}  // namespace ornaplex
