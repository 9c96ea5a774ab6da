// Quantities derived from the neutron energy: wavelength, wave number, speed, critical angle.
#pragma once

#include <cmath>

#include "common/constants.h"

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

// Speed (Angstrom/ps) of a neutron of energy E (meV).
inline double speedOf(double energy_meV) {
  return std::sqrt(2.0 * energy_meV / kNeutronMass_meVps2PerA2);
}

// Critical angle (rad) of a wall with the given coefficient (rad/Angstrom) for energy E (meV).
inline double criticalAngleOf(double coefficient_radPerA, double energy_meV) {
  return coefficient_radPerA * wavelengthOf(energy_meV);
}

}  // namespace ornaplex
