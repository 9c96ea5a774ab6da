// The beamline's stage table: every length, aperture and wall from the source (z = 0) to the
// detector plane, in beamline order. Lengths in cm along z, transverse positions in cm from the
// beam axis, critical coefficients in rad per Angstrom of wavelength. The stages, the driver,
// the tallies and the tests take their geometry from here.
#pragma once

namespace ornaplex {

// Rectangular aperture, cm, bounds inclusive.
struct Aperture {
  double xMin, xMax, yMin, yMax;
  constexpr bool contains(double x, double y) const {
    return xMin <= x && x <= xMax && yMin <= y && y <= yMax;
  }
};

// Critical coefficient of the guide's, the input coil's and the output coil's walls.
inline constexpr double GUIDE_CRITICAL_COEFFICIENT = 0.001095;

// Guide: square reflecting channel from the source.
inline constexpr double GUIDE_LENGTH_cm = 111.0;
inline constexpr double GUIDE_HALF_WIDTH_cm = 2.8;  // walls at x = +-2.8 and y = +-2.8

// Input coil: a guide section of its own length, with the guide's walls.
inline constexpr double INCOIL_LENGTH_cm = 89.0;

// Gap 1: straight flight from the input coil to target 1.
inline constexpr double GAP1_LENGTH_cm = 10.0;

// Targets 1 and 2: one cell length each, split by a septum into a left and a right half of the
// same height; helium fills the left half of target 1 and the right half of target 2.
inline constexpr double TARGET_LENGTH_cm = 41.6;
inline constexpr double CELL_HALF_HEIGHT_cm = 2.5;  // both halves: y from -2.5 to 2.5
inline constexpr Aperture LEFT_CELL{-3.0, -0.35, -CELL_HALF_HEIGHT_cm, CELL_HALF_HEIGHT_cm};
inline constexpr Aperture RIGHT_CELL{0.35, 3.0, -CELL_HALF_HEIGHT_cm, CELL_HALF_HEIGHT_cm};

// Gap 2: between the targets (its middle is where the field integral changes sign).
inline constexpr double GAP2_LENGTH_cm = 8.0;

// Gap 3: from target 2 to the output coil.
inline constexpr double GAP3_LENGTH_cm = 13.0;

// Output coil: two reflecting x channels either side of a septum, one y channel.
inline constexpr double OUTCOIL_LENGTH_cm = 125.0;
inline constexpr double OUTCOIL_SEPTUM_WALL_cm = 0.35;  // channel walls at x = +-0.35 ...
inline constexpr double OUTCOIL_OUTER_WALL_cm = 3.05;   // ... and x = +-3.05
inline constexpr double OUTCOIL_HALF_HEIGHT_cm = 2.5;   // walls at y = +-2.5

// Gap 4: from the output coil to the analyser.
inline constexpr double GAP4_LENGTH_cm = 10.0;

// Analyser: rectangular reflecting channel ending at the detector plane.
inline constexpr double SM_LENGTH_cm = 28.0;
inline constexpr double SM_HALF_WIDTH_X_cm = 2.85;              // walls at x = +-2.85
inline constexpr double SM_HALF_WIDTH_Y_cm = 2.25;              // walls at y = +-2.25
inline constexpr double ANALYSER_CRITICAL_COEFFICIENT = 0.003;  // its walls (double literal)

}  // namespace ornaplex
