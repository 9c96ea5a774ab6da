// The bias of a weighted run: forced scattering in the helium cells and a window of small
// momentum transfers drawn apart (transport/small_q_window.h, target/forced_target.h).
#pragma once

#include <string_view>

#include "transport/beamline_geometry.h"

namespace ornaplex {

// The angle (rad) under which the output coil's channel (2.7 cm wide) is seen from the entrance
// of target 2: a neutron scattered by more than about this at the start of its helium cell
// leaves the channel (measured on the shipped inputs: the scattered detector hits of fast
// neutrons lie below q / k = 0.042). The default small-q window is q below this angle times the
// neutron's wave number.
inline constexpr double kDetectorAcceptance_rad =
    (OUTCOIL_OUTER_WALL_cm - OUTCOIL_SEPTUM_WALL_cm) / (TARGET_LENGTH_cm + GAP3_LENGTH_cm);

// Names how a weighted run splits and weights its neutrons (forced scattering, split slow
// neutrons, the small-q and back windows, the roulette and their fixed constants); files of
// other schemes never merge.
inline constexpr std::string_view kBiasScheme =
    "forced-scattering+splits+small-q-and-back-windows+roulette-v1";

// Neutrons slower than twice the speed of sound in the helium (2 x 238 m/s, 4.76 Angstrom/ps)
// scatter at small angles for most q they can transfer (phonons emitted nearly straight on):
// they give most of the scattered hits' weight, and their scattered branch is split.
inline constexpr double kSoundSpeed_APerPs = 2.38;
inline constexpr double kSlowNeutron_meV =
    0.5 * 0.1045407751 * (2.0 * kSoundSpeed_APerPs) * (2.0 * kSoundSpeed_APerPs);
inline constexpr int kDefaultSplits = 16;

struct ScatteringBias {
  bool weighted = false;                            // false: the analog run
  double acceptance_rad = kDetectorAcceptance_rad;  // fast neutrons' small-q window
  double slowBelow_meV = kSlowNeutron_meV;          // slower ones: split, no window
  int splits = kDefaultSplits;
  bool operator==(const ScatteringBias&) const = default;
};

}  // namespace ornaplex
