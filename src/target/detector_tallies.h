// What is counted, summed and histogrammed about the two target stages and at the detector.
#pragma once

#include "common/message_sink.h"
#include "target/detector_histograms.h"
#include "target/tallies.h"
#include "target/target.h"
#include "transport/track_state.h"

namespace ornaplex {

// Each is defined for the analog and the weighted score (target/score.h).

// After TARGET in the left cell: entry is the state handed to it (end of gap 1).
template <class Score>
void tallyTarget1(const TrackState& entry, double q, const TargetScatter& scatter,
                  const Score& score, DetectorHistograms& h);

// After TARGET in the right cell: entry is the end of gap 2.
template <class Score>
void tallyTarget2(const TrackState& entry, const TargetScatter& scatter, const Score& score,
                  DetectorHistograms& h);

// A neutron that reached the detector plane.
struct DetectorHit {
  TrackState detector;                  // after the analyser
  double e0 = 0.0, e1 = 0.0, e3 = 0.0;  // meV: source, after target 1, after target 2
  double thetaXExit1 = 0.0;             // rad, leaving target 1
  double thetaXExit2 = 0.0;             // rad, leaving target 2
  double pathLength = 0.0;              // cm
  double rotation = 0.0;                // mrad
  bool energyChanged1 = false, angleNonZero1 = false;  // flags of target 1
  bool energyChanged2 = false, angleNonZero2 = false;  // flags of target 2
};

template <class Score>
void tallyDetector(const DetectorHit& hit, const Score& score, DetectorHistograms& h,
                   MessageSink& screen);

}  // namespace ornaplex
