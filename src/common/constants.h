// Physical constants and beamline run constants, in the units the physics uses (the beamline's
// lengths, apertures and walls are in transport/beamline_geometry.h):
// energies in meV, times in ps, lengths in Angstrom for wave numbers and cm for the beamline,
// angles in rad, fields in mG. Values written as float(...) are single-precision numbers
// widened to double; they enter the arithmetic exactly as such.
#pragma once

namespace ornaplex {

// Planck constant h, meV ps.
inline constexpr double kPlanck_meVps = 4.135665730796;
// Reduced Planck constant hbar, meV ps.
inline constexpr double kHbar_meVps = 0.6582122;
// hbar squared, meV^2 ps^2 (stored, the square of 0.6582122).
inline constexpr double kHbarSquared_meV2ps2 = 0.43324330022884006;
// Twice the neutron mass 2 m_n, meV ps^2 / Angstrom^2.
inline constexpr double kTwoNeutronMass_meVps2PerA2 = 0.2090815502;
// Neutron mass m_n, meV ps^2 / Angstrom^2.
inline constexpr double kNeutronMass_meVps2PerA2 = 0.1045407751;
// 1 / (2 m_n), Angstrom^2 / (meV ps^2).
inline constexpr double kInverseTwoNeutronMass = 4.782822774383658;
// Neutron precession factor: rotation (mrad) = d (cm) * factor * B (mG) / v (Angstrom/ps).
inline constexpr double kPrecessionFactor_mradAperPsPerCmPerMg = 1.8324718;

// pi and 2 pi as the angle arithmetic uses them (rounded values, not full precision).
inline constexpr double kPi = 3.14159;
inline constexpr double kTwoPi = 6.28318;
// Degrees per radian as histograms are filled: 180 / 3.14159 in single precision.
inline constexpr double kDegPerRadFill = double(57.29582595825195f);

// Sentinel written into the outputs of a stopped neutron, and the limit below which a
// coordinate counts as lost.
inline constexpr double LOST = -1.0e6;
inline constexpr double LOST_LIMIT = -100000.0;

// Source cone half-angle per Angstrom of wavelength, rad/Angstrom (the walls' critical
// coefficients are in the stage table, transport/beamline_geometry.h).
inline constexpr double SOURCE_CONE_COEFFICIENT = double(0.003f);

// Liquid-helium target temperature, K.
inline constexpr double HELIUM_TEMPERATURE = 2.1;
// Momentum transfer at and below which the small-angle cross section is used, 1/Angstrom.
inline constexpr double SMALL_Q_LIMIT = double(0.56280297f);  // 0.5628029704093933
// Residual magnetic field along the beamline, mG (single precision).
inline constexpr double FIELD_mG = double(0.1f);  // 0.10000000149011612
// Low-energy class bound of the detector tallies, meV (single precision).
inline constexpr double LOW_ENERGY_meV = double(0.35f);
// Default number of events of a run.
inline constexpr long long DEFAULT_EVENTS = 300000000LL;

}  // namespace ornaplex
