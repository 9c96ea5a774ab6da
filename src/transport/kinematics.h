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

// The azimuth of a direction with projected angles thetaX, thetaY is atan(tan thetaY /
// tan thetaX) brought into [0, 2 pi) (with 2 pi as 6.28318) by the signs of the angles. Along the
// z axis (both tangents zero) the azimuth is 0; with tan thetaX = 0 the direction lies in the y-z
// plane and the azimuth is +-pi/2 before the quadrant shift. First the atan's argument:
inline double azimuthSlope(double tanX, double tanY) {
  if (tanX == 0.0) {
    // A signed zero in tanX must not flip the y-z plane direction: take the limit x -> +0.
    return tanY == 0.0 ? 0.0 : tanY / 0.0;
  }
  return tanY / tanX;
}
// then the quadrant, from the atan of that slope.
inline double azimuthInQuadrant(double thetaX, double thetaY, double atanOfSlope) {
  double phi = atanOfSlope;
  if (thetaX < 0.0) {
    phi += kPi;
  } else if (thetaY < 0.0) {
    phi += kTwoPi;
  }
  return phi;
}

// The azimuth (rad) of the direction with projected angles thetaX, thetaY, whose tangents are
// tx, ty.
inline double directionAzimuth(double thetaX, double thetaY, double tx, double ty) {
  return azimuthInQuadrant(thetaX, thetaY, detmath::atan(azimuthSlope(tx, ty)));
}

// A direction of flight: polar angle theta from the z axis and azimuth phi (rad).
struct Direction {
  double theta = 0.0;
  double phi = 0.0;
};
// The same direction whole: its azimuth (the bits of directionAzimuth) and its polar angle
// atan(sqrt(tx^2 + ty^2)), in one call of the math layer.
inline Direction directionOf(double thetaX, double thetaY, double tx, double ty) {
  const detmath::Pair angles =
      detmath::atanPair(azimuthSlope(tx, ty), std::sqrt(tx * tx + ty * ty));
  return {angles.b, azimuthInQuadrant(thetaX, thetaY, angles.a)};
}

inline double directionAzimuth(double thetaX, double thetaY) {
  const detmath::Pair t = detmath::tanPair(thetaX, thetaY);
  return directionAzimuth(thetaX, thetaY, t.a, t.b);
}

}  // namespace ornaplex
