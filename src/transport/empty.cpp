#include "transport/empty.h"

#include <cmath>

namespace ornaplex {

void EMPTY(const TrackState& in, const Aperture& aperture, double length_cm, TrackState& out) {
  if (!aperture.contains(in.x, in.y)) {
    out = TrackState::lost();
    return;
  }
  EMPTY(in, tangentsOf(in), aperture, length_cm, out);
}

void EMPTY(const TrackState& in, const Tangents& t, const Aperture& aperture, double length_cm,
           TrackState& out) {
  // Entrance aperture (x tested first, bounds inclusive).
  if (!aperture.contains(in.x, in.y)) {
    out = TrackState::lost();
    return;
  }
  const double x1 = in.x + t.x * length_cm;
  const double y1 = in.y + t.y * length_cm;
  // Exit aperture: the same rectangle; anything outside is absorbed, energy included.
  if (!aperture.contains(x1, y1)) {
    out = TrackState::lost();
    return;
  }
  out.x = x1;
  out.y = y1;
  out.z = in.z + length_cm;
  out.thetaX = in.thetaX;
  out.thetaY = in.thetaY;
  out.energy = in.energy;
}

}  // namespace ornaplex
