// The run's counters and sums that the detector classification fills and the report reads.
#pragma once

#include <cstdint>

namespace ornaplex {

// A sum S of values, the sum Q of their squares and their count N.
struct Tally {
  double S = 0.0;
  double Q = 0.0;
  std::int64_t N = 0;
  void add(double v) {
    S += v;
    Q += v * v;
    ++N;
  }
  // Adds another tally's sums (the caller fixes the order, so results are reproducible).
  void merge(const Tally& o) {
    S += o.S;
    Q += o.Q;
    N += o.N;
  }
};

// Event counters, 64-bit so that runs of more than 2^31 events count exactly.
struct Counters {
  std::int64_t tar1In = 0;             // entered target 1
  std::int64_t tar1EnergyChanged = 0;  // of those, energy changed in target 1
  std::int64_t tar1AngleNonZero = 0;   // of those, scattered with angle > 0 in target 1
  std::int64_t tar1ToTar2 = 0;         // scattered in target 1 and reaching target 2
  std::int64_t tar2In = 0;             // entered target 2
  std::int64_t tar2EnergyChanged = 0;  // of those, energy changed in target 2
  std::int64_t tar2AngleNonZero = 0;   // of those, scattered with angle > 0 in target 2
  std::int64_t detIn = 0;              // detector hits
  std::int64_t detScattered = 0;       // detector hits with any flag of either target set
  std::int64_t detEnergyChanged = 0;   // detector hits with an energy change
  std::int64_t detAngleNonZero = 0;    // detector hits with a scattering angle > 0
  // Diagnostics (zero in normal runs):
  std::int64_t qRetriesExhausted = 0;  // events rejected: no q could be accepted
  std::int64_t limitTaken = 0;         // target segments and azimuths where a 0/0 took its limit
  void merge(const Counters& o);
};

// The eight (S, Q, N) sums of the report: rotations as sin(rotation/1000), losses in meV.
struct Tallies {
  Tally rightTally;         // detector x >= 0
  Tally leftTally;          // detector x < 0
  Tally scatRightTally;     // energy changed, x >= 0
  Tally scatLeftTally;      // energy changed, x < 0
  Tally scatLowRightTally;  // energy changed, x >= 0, an energy <= 0.35 meV
  Tally scatLowLeftTally;   // energy changed, x < 0, an energy <= 0.35 meV
  Tally lossRightTally;     // energy losses, x >= 0
  Tally lossLeftTally;      // energy losses, x < 0
  void merge(const Tallies& o);
};

}  // namespace ornaplex
