// The run's counters and sums that the detector classification fills and the report reads,
// and the one list that names them: merging, the run summary, the partial file's columns and
// the messages between ranks all go through kCounterFields and kTallyFields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace ornaplex {

// A sum S of values, the sum Q of their squares and their count N. A weighted run also sums,
// over events, the event's summed weight w (W), its square (WW) and the event's summed w*s
// times its summed w (SW); an analog run leaves those zero.
struct Tally {
  double S = 0.0;
  double Q = 0.0;
  std::int64_t N = 0;
  double W = 0.0;
  double WW = 0.0;
  double SW = 0.0;
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
    W += o.W;
    WW += o.WW;
    SW += o.SW;
  }
};

// The weighted part of a counter in a weighted run: the sum over events of the event's summed
// weight (W) and of its square (WW). Zero in analog runs.
struct WeightedCount {
  double W = 0.0;
  double WW = 0.0;
};

inline constexpr std::size_t kCounterCount = 13;
inline constexpr std::size_t kTallyCount = 8;
inline constexpr std::size_t kTallyPairCount = 2;

// A mirror-pair run's products, over events, of a left and a right tally's event sums (a = the
// event's summed w s, b = its summed w): the covariance of the two sides' means, which the
// partners of a pair share. Zero in other runs, whose events never reach both sides.
struct CrossSums {
  double SS = 0.0;  // sum of aL aR
  double SW = 0.0;  // sum of aL bR
  double WS = 0.0;  // sum of bL aR
  double WW = 0.0;  // sum of bL bR
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
  // The weighted part of each counter, in the order of kCounterFields (counterIndex).
  std::array<WeightedCount, kCounterCount> weighted{};
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
  // Mirror-pair runs: the left-right products of the tally pairs of kTallyPairFields, and the
  // sum over events of the event's energy-changed weight in target 1 times that in target 2
  // (a pair's partners scatter in one cell each, mostly together). Zero in other runs.
  std::array<CrossSums, kTallyPairCount> cross{};
  double tar1Tar2EnergyChanged = 0.0;
  void merge(const Tallies& o);
};

struct CounterField {
  std::string_view name;
  std::int64_t Counters::*member;
};

struct TallyField {
  std::string_view name;
  Tally Tallies::*member;
};

// Two tallies whose left-right difference the report gives, Tallies::cross[i] for entry i.
struct TallyPairField {
  std::string_view name;
  Tally Tallies::*left;
  Tally Tallies::*right;
};

// Every counter of the run, in declaration order; the names are those of the run summary.
inline constexpr std::array<CounterField, kCounterCount> kCounterFields = {{
    {"tar1In", &Counters::tar1In},
    {"tar1EnergyChanged", &Counters::tar1EnergyChanged},
    {"tar1AngleNonZero", &Counters::tar1AngleNonZero},
    {"tar1ToTar2", &Counters::tar1ToTar2},
    {"tar2In", &Counters::tar2In},
    {"tar2EnergyChanged", &Counters::tar2EnergyChanged},
    {"tar2AngleNonZero", &Counters::tar2AngleNonZero},
    {"detIn", &Counters::detIn},
    {"detScattered", &Counters::detScattered},
    {"detEnergyChanged", &Counters::detEnergyChanged},
    {"detAngleNonZero", &Counters::detAngleNonZero},
    {"qRetriesExhausted", &Counters::qRetriesExhausted},
    {"limitTaken", &Counters::limitTaken},
}};

// Every tally of the run, in declaration order; the names are those of the run summary.
inline constexpr std::array<TallyField, kTallyCount> kTallyFields = {{
    {"rightTally", &Tallies::rightTally},
    {"leftTally", &Tallies::leftTally},
    {"scatRightTally", &Tallies::scatRightTally},
    {"scatLeftTally", &Tallies::scatLeftTally},
    {"scatLowRightTally", &Tallies::scatLowRightTally},
    {"scatLowLeftTally", &Tallies::scatLowLeftTally},
    {"lossRightTally", &Tallies::lossRightTally},
    {"lossLeftTally", &Tallies::lossLeftTally},
}};

// What /run@pairs holds in a run of mirror pairs, whose sums hold the cross sums below.
inline constexpr std::string_view kPairsKind = "mirror";

// The tally pairs of a mirror-pair run's cross sums; the names are those of the run summary.
inline constexpr std::array<TallyPairField, kTallyPairCount> kTallyPairFields = {{
    {"leftRight", &Tallies::leftTally, &Tallies::rightTally},
    {"scatLeftRight", &Tallies::scatLeftTally, &Tallies::scatRightTally},
}};

// The position of a counter in kCounterFields, which indexes Counters::weighted:
// c.weighted[counterIndex(&Counters::detIn)] is the weighted part of detIn.
constexpr std::size_t counterIndex(std::int64_t Counters::*member) {
  for (std::size_t i = 0; i < kCounterFields.size(); ++i)
    if (kCounterFields[i].member == member) return i;
  return kCounterFields.size();
}

// True when no two entries of a field list share a name or a member.
template <class Field, std::size_t n>
constexpr bool fieldsDistinct(const std::array<Field, n>& list) {
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (list[i].name == list[j].name || list[i].member == list[j].member) return false;
  return true;
}

// The lists name every field once: a member added to a struct but not to its list changes the
// struct's size and stops the build here. The structs hold no padding and no pointers, so the
// messages between ranks carry them as their bytes.
static_assert(fieldsDistinct(kCounterFields) && fieldsDistinct(kTallyFields));
static_assert(sizeof(Counters) == kCounterCount * sizeof(std::int64_t) +
                                      sizeof(std::array<WeightedCount, kCounterCount>));
static_assert(sizeof(Tally) == 5 * sizeof(double) + sizeof(std::int64_t));
static_assert(sizeof(Tallies) ==
              kTallyCount * sizeof(Tally) + kTallyPairCount * sizeof(CrossSums) + sizeof(double));
static_assert(std::is_trivially_copyable_v<Counters> && std::is_trivially_copyable_v<Tallies>);

}  // namespace ornaplex
