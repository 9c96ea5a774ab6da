// The forced crossing of a helium cell in a weighted run. Instead of sampling whether the
// neutron scatters, the crossing splits it into branches whose weights add up to the analog
// crossing's expectation:
//   unscattered       weight P(no scattering before the neutron leaves the cell, through the
//                     exit face or a side wall), straight to the exit face;
//   scattered, own q  weight 1 - P, at a free path drawn from the exponential cut at the exit,
//                     with the event's own q, when that q lies outside the small-q window; a
//                     slow neutron is split into several such branches, each with a q of its
//                     own drawn as the source draws the event's, sharing the weight;
//   scattered, window a q drawn in the small-q window (or the back window), weight
//                     window.weightAt(q) (backWeightAt(q)) times its own
//                     scattering probability, at a free path drawn the same way.
// The analog crossing uses the event's own q at every q, so together the branches give each q
// the weight the analog crossing does.
#pragma once

#include <vector>

#include "common/message_sink.h"
#include "random/ranlux.h"
#include "target/target.h"
#include "transport/event_transfer.h"
#include "transport/scattering_model.h"
#include "transport/small_q_window.h"
#include "transport/track_state.h"

namespace ornaplex {

struct ForcedBranch {
  // Unscattered; scattered with the event's own q, a further draw of it or a window q.
  enum class Kind { Straight, OwnQ, Split, Window };
  Kind kind = Kind::Straight;
  Track exit = Track::lost();
  // Shares of the weight that entered the cell: what the cell's counts score, and what goes on
  // down the beamline (the same but after the roulette at large angles; 0: not carried on, the
  // exit not worked out).
  double cellWeight = 0.0;
  double weight = 0.0;
  bool scattered = false;      // one of the two scattered branches
  bool energyChanged = false;  // scattered with ep != E
  bool angleNonZero = false;   // scattered with an angle > 0
};

// Further draws of the event's q for the split scattered branches: splits draws in all (the
// event's own q first), each weighing 1 / splits. One draw (no source) without a split.
struct QRedraw {
  const TransferDraw* draw = nullptr;  // the source's draw for the event's energy
  int splits = 1;
};

// A scattered branch turned by more than this (and by less than pi minus this) seldom reaches
// the detector: it goes on with probability kLargeAngleKept, its weight divided by that
// (Russian roulette), so that the time goes to the branches near the axis. The cell's own
// counts (scatterings, energy changes) score it whole either way.
inline constexpr double kLargeAngle_rad = 0.06;
inline constexpr double kLargeAngleKept = 0.125;
// A branch of the small-q window weighs little and nearly always reaches the detector: half of
// them go on, weighing twice as much, which halves their time for a few percent of variance.
inline constexpr double kSmallQWindowKept = 0.5;

inline constexpr int kMaxSplits = 64;

struct ForcedCrossing {
  // The event's own q as the analog crossing works it out (cross section, angles; the flags
  // stay false): what the cell's histograms are filled with, once per entering neutron.
  TargetScatter scatter;
  // Room for every branch, made once: a crossing kept from event to event costs no allocation.
  std::vector<ForcedBranch> branches = std::vector<ForcedBranch>(kMaxSplits + 2);
  int count = 0;  // branches in use; 0 when the neutron misses the entrance face
};

// in.energy is the incident energy, as for TARGET. Draws ten generator numbers when the neutron
// passes the entrance (three for the event's q, four for the small-q window's, three for the
// back window's), then those of the further q draws and three more each.
void forcedTarget(const EventTransfer& transfer, const SmallQWindow& window, const QRedraw& redraw,
                  double temperature_K, const Track& in, const Aperture& aperture, double length_cm,
                  ForcedCrossing& out, Ranlux& rng, MessageSink& sink,
                  const ScatteringModel& model = {});
// The same with the run's helium, its density looked up once for the run, and the incident
// direction worked out already (as TARGET's). image: a pair's mirror partner, whose branches
// scatter at the negated azimuths (TARGET's image).
void forcedTarget(const EventTransfer& transfer, const SmallQWindow& window, const QRedraw& redraw,
                  const RunHelium& helium, const Track& in, const Direction& incident,
                  const Aperture& aperture, double length_cm, ForcedCrossing& out, Ranlux& rng,
                  MessageSink& sink, const ScatteringModel& model = {}, bool image = false);

}  // namespace ornaplex
