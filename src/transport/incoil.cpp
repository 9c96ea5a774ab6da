#include "transport/incoil.h"

#include "transport/guide.h"

namespace ornaplex {

// The input coil is a guide section of its own fixed length, with the same walls.
void INCOIL(double criticalCoefficient, const Track& in, Track& out) {
  GUIDE(INCOIL_LENGTH_cm, criticalCoefficient, in, out);
}

}  // namespace ornaplex
