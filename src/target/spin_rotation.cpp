// Spin precession of straight flight segments, and the two-piece path of a target stage in
// which the neutron changed its energy.
#include "target/spin_rotation.h"

#include <cmath>

#include "common/constants.h"

namespace ornaplex {

double chordLength(const TrackState& a, const TrackState& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double dz = b.z - a.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double segmentRotation(double d_cm, double energy_meV, double field_mG) {
  const double v = std::sqrt(2.0 * energy_meV / kNeutronMass_meVps2PerA2);  // Angstrom/ps
  return d_cm * kPrecessionFactor_mradAperPsPerCmPerMg * field_mG / v;
}

TargetSegment targetSegment(const Track& entry, const Track& exit, double length_cm,
                            double field_mG) {
  TargetSegment seg;
  if (exit.energy == entry.energy) {
    seg.straightPath = chordLength(entry, exit);
    seg.straightRotation = segmentRotation(seg.straightPath, exit.energy, field_mG);
    return seg;
  }

  // The energy changed: in at the entrance angles to the scattering depth s, out at the exit
  // angles from there, s where the two lines meet in x.
  seg.split = true;
  const double tanXin = entry.tangents.x;
  const double tanYin = entry.tangents.y;
  const double tanXout = exit.tangents.x;
  const double tanYout = exit.tangents.y;
  if (tanXin != tanXout) {
    const double s = ((exit.x - entry.x) - tanXout * length_cm) / (tanXin - tanXout);
    const double d1 = std::sqrt(s * s + (tanXin * s) * (tanXin * s) + (tanYin * s) * (tanYin * s));
    const double rest = length_cm - s;
    const double d2 = std::sqrt(rest * rest + (tanXout * rest) * (tanXout * rest) +
                                (tanYout * rest) * (tanYout * rest));
    if (std::isfinite(d1) && std::isfinite(d2)) {
      seg.splitPath = d1 + d2;
      seg.splitRotation =
          segmentRotation(d1, entry.energy, field_mG) + segmentRotation(d2, exit.energy, field_mG);
      return seg;
    }
  }
  // Parallel x projections (or a meeting point too far to represent): the depth is undefined,
  // so the stage counts as one straight segment flown at the exit energy.
  seg.splitPath = chordLength(entry, exit);
  seg.splitRotation = segmentRotation(seg.splitPath, exit.energy, field_mG);
  seg.limitTaken = true;
  return seg;
}

}  // namespace ornaplex
