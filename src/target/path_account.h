// The running path length and spin rotation of one event, segment by segment, with the
// long-path diagnostic line written when the path passes 500 cm.
#pragma once

#include <string_view>

#include "common/fortran_format.h"
#include "common/message_sink.h"
#include "target/spin_rotation.h"
#include "transport/track_state.h"

namespace ornaplex {

// pathLength above which a diagnostic line is written, cm.
inline constexpr double LONG_PATH_cm = 500.0;

// The event's running path length and spin rotation.
class PathAccount {
 public:
  PathAccount(double field_mG, MessageSink& longPath) : field_(field_mG), longPath_(longPath) {}

  // A straight segment from a to b flown at energy_meV, then the long-path check.
  void addChord(const TrackState& a, const TrackState& b, double energy_meV,
                std::string_view label) {
    add(chordLength(a, b), energy_meV);
    check(label);
  }
  void add(double d_cm, double energy_meV) {
    path_ += d_cm;
    rotation_ += segmentRotation(d_cm, energy_meV, field_);
  }
  void addTarget(const TargetSegment& seg, std::string_view label) {
    path_ += seg.path();
    rotation_ += seg.rotation();
    check(label);
  }
  // Everything before the middle of the gap between the targets enters with the opposite sign.
  void reverseSign() { rotation_ = -rotation_; }
  void check(std::string_view label) {
    if (path_ > LONG_PATH_cm) longPath_.line(ListLine() << label << path_);
  }
  double path() const { return path_; }
  double rotation() const { return rotation_; }

 private:
  double field_;
  MessageSink& longPath_;
  double path_ = 0.0, rotation_ = 0.0;
};

}  // namespace ornaplex
