// Quantities derived from the neutron energy: wavelength, wave number, speed, critical angle.
#pragma once

#include <cmath>

#include "common/constants.h"
#include "common/det_math.h"

namespace ornaplex {

// Wavelength (Angstrom) of a neutron of energy E (meV).
inline double wavelengthOf(double energy_meV) {
  return kPlanck_meVps / std::sqrt(kTwoNeutronMass_meVps2PerA2 * energy_meV);
}

// Energy (meV) of a neutron of wavelength lambda (Angstrom), as the source computes it.
inline double energyOfWavelength(double lambda_A) {
  const double r = kPlanck_meVps / lambda_A;
  return r * r * kInverseTwoNeutronMass;
}

// Wave number (1/Angstrom) of a neutron of energy E (meV).
inline double waveNumberOf(double energy_meV) {
  return std::sqrt(kTwoNeutronMass_meVps2PerA2 * energy_meV) / kHbar_meVps;
}

// Critical angle (rad) of a wall with the given coefficient (rad/Angstrom) for energy E (meV).
inline double criticalAngleOf(double coefficient_radPerA, double energy_meV) {
  return coefficient_radPerA * wavelengthOf(energy_meV);
}

}  // namespace ornaplex

namespace ornaplex {

// Azimuth (rad, in [0, 2 pi) with 2 pi as 6.28318) of the direction with projected angles
// thetaX, thetaY: atan(tan thetaY / tan thetaX) brought into its quadrant. A direction along
// the axis (both tangents 0) has azimuth 0.
// tx, ty: tan(thetaX), tan(thetaY).
inline double directionAzimuth(double thetaX, double thetaY, double tx, double ty) {
  if (tx == 0.0 && ty == 0.0) return 0.0;
  double phi = detmath::atan(ty / tx);
  if (thetaX < 0.0) {
    phi += kPi;
  } else if (thetaY < 0.0) {
    phi += kTwoPi;
  }
  return phi;
}

inline double directionAzimuth(double thetaX, double thetaY) {
  const detmath::Pair t = detmath::tanPair(thetaX, thetaY);
  return directionAzimuth(thetaX, thetaY, t.a, t.b);
}

}  // namespace ornaplex
