// Spin precession of a straight flight segment in the uniform residual field, and the path and
// rotation of a target stage (split at the scattering depth when the energy changed).
#pragma once

#include "transport/track_state.h"

namespace ornaplex {

// Straight three-dimensional distance (cm) between two boundary states.
double chordLength(const TrackState& a, const TrackState& b);

// Rotation (mrad) of a segment of d_cm flown at energy_meV in field_mG:
// d * 1.8324718 * B / v, v = sqrt(2 E / m_n).
double segmentRotation(double d_cm, double energy_meV, double field_mG);

struct TargetSegment {
  double straightPath = 0.0, straightRotation = 0.0;  // used when the energy did not change
  double splitPath = 0.0, splitRotation = 0.0;        // used when it did
  bool split = false;
  bool limitTaken = false;  // entrance and exit tan(thetaX) equal: accounted as straight
  double path() const { return split ? splitPath : straightPath; }
  double rotation() const { return split ? splitRotation : straightRotation; }
};

// Path and rotation of a target (or empty-cell) stage of length_cm from entry to exit; the
// tangents of the two tracks are used only for a split segment.
TargetSegment targetSegment(const Track& entry, const Track& exit, double length_cm,
                            double field_mG);

}  // namespace ornaplex
