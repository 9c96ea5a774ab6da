// The detector hit's classification: right or left, unscattered or scattered, low energy, and the
// energy loss in each target, read off what a recording score is asked to fill, count and add.
#include "target/detector_tallies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/det_math.h"
#include "common/message_sink.h"
#include "histogram/histogram.h"
#include "target/tallies.h"

namespace ornaplex {
namespace {

// Writes down every operation as "fill <id>", "count <counter>" or "add <tally> <value>".
struct RecordingScore {
  std::vector<std::string>& ops;
  void fill(Histogram1D& h, double) const { ops.push_back("fill " + std::to_string(h.id())); }
  void fill(Histogram2D& h, double, double) const {
    ops.push_back("fill " + std::to_string(h.id()));
  }
  void count(std::int64_t Counters::*f) const {
    ops.push_back("count " + std::string(kCounterFields[counterIndex(f)].name));
  }
  void add(Tally Tallies::*t, double v) const {
    for (const TallyField& field : kTallyFields)
      if (field.member == t)
        ops.push_back("add " + std::string(field.name) + " " + std::to_string(v));
  }
};

// Every histogram DetectorHistograms looks up, booked with one bin.
HistogramStore detectorStore() {
  HistogramStore s;
  for (int id : {20,   4017, 4018, 305,  306,  307,  308,  309,  310,  1,    2,    3,    4,    5,
                 6,    5017, 5018, 5021, 6001, 6002, 1001, 1002, 1005, 1012, 5019, 5020, 5022, 2001,
                 2002, 2005, 2012, 5023, 4010, 4012, 4013, 4014, 4015, 4016, 5012, 5015, 5016, 3001,
                 3002, 3003, 3004, 3005, 4005, 3006, 3007, 3008, 3009, 3010, 3011, 3012, 3013, 3014,
                 3020, 6003, 6004, 6005, 6006, 6007, 6008, 6009, 6010, 6011, 6012, 6013, 6014})
    s.book1(id, "", 1, 0.0f, 1.0f);
  for (int id : {8010, 8011, 8012}) s.book2(id, "", 1, 0.0f, 1.0f, 1, 0.0f, 1.0f);
  return s;
}

TEST(DetectorTallies, HitsAreClassifiedBySideScatteringAndLoss) {
  const double e = 1.0, rot = 30.0;  // meV, mrad
  const std::string s = std::to_string(detmath::sin(rot / 1000.0));
  // Every hit: xDet6, x, y, thetaX, thetaY, E, lambda, path and rotation at the detector.
  const std::vector<std::string> every = {"count detIn", "fill 6",    "fill 3001", "fill 3002",
                                          "fill 3003",   "fill 3004", "fill 3005", "fill 4005",
                                          "fill 3006",   "fill 3007"};
  struct Case {
    const char* what;
    double x, e1, e3, thetaXExit1;
    bool changed1, scattered2;  // flags of target 1 (energy) and target 2 (energy and angle)
    std::vector<std::string> then;
    int lines;
  };
  const Case cases[] = {
      {"unscattered, right (x = 0 counts as right)",
       0.0,
       e,
       e,
       0.0,
       false,
       false,
       {"fill 3008", "fill 3009", "fill 3012", "add rightTally " + s, "fill 6009", "fill 6010",
        "fill 6013", "fill 6014"},
       0},
      {"unscattered, left",
       -0.1,
       e,
       e,
       0.0,
       false,
       false,
       {"fill 3010", "fill 3011", "fill 3013", "add leftTally " + s, "fill 6009", "fill 6010",
        "fill 6011", "fill 6012"},
       0},
      // Lost 0.7 meV in target 1, leaving it steeply (a screen line), detected at low energy.
      {"scattered in target 1, left, low energy",
       -0.1,
       0.3,
       0.3,
       0.2,
       true,
       false,
       {"fill 3010", "fill 3011", "fill 3013", "add leftTally " + s, "count detEnergyChanged",
        "fill 6003", "fill 6004", "fill 6005", "fill 6006", "add scatLeftTally " + s,
        "add scatLowLeftTally " + s, "fill 3020", "fill 8011", "fill 8012",
        "add lossLeftTally " + std::to_string(e - 0.3), "fill 3014", "count detScattered"},
       1},
      // Gained 0.5 meV in target 2: a negative loss.
      {"scattered in target 2, right",
       0.2,
       e,
       1.5,
       0.0,
       false,
       true,
       {"fill 3008", "fill 3009", "fill 3012", "add rightTally " + s, "count detEnergyChanged",
        "fill 6003", "fill 6004", "fill 6007", "fill 6008", "add scatRightTally " + s, "fill 3020",
        "fill 8011", "fill 8012", "add lossRightTally " + std::to_string(e - 1.5),
        "count detAngleNonZero", "fill 3014", "count detScattered"},
       0},
  };
  for (const Case& c : cases) {
    HistogramStore store = detectorStore();
    DetectorHistograms h(store);
    std::vector<std::string> ops;
    BufferSink screen;
    DetectorHit hit;
    hit.detector = TrackState{c.x, 0.0, 0.0, 0.0, 0.0, c.e3};
    hit.e0 = e;
    hit.e1 = c.e1;
    hit.e3 = c.e3;
    hit.thetaXExit1 = c.thetaXExit1;
    hit.rotation = rot;
    hit.energyChanged1 = c.changed1;
    hit.energyChanged2 = hit.angleNonZero2 = c.scattered2;
    tallyDetector(hit, RecordingScore{ops}, h, screen);
    std::vector<std::string> expected = every;
    expected.insert(expected.end(), c.then.begin(), c.then.end());
    EXPECT_EQ(ops, expected) << c.what;
    EXPECT_EQ(int(screen.lines().size()), c.lines) << c.what;
  }
}

}  // namespace
}  // namespace ornaplex
