// Mirror symmetry of the stages in x: the image of a track (x and the x angle negated) comes out
// as the image of the track's exit, bit for bit, whether it flew straight, reflected once or
// twice, was stopped at an entrance, a wall or the septum.
#include <gtest/gtest.h>

#include <string>

#include "mirror_expectations.h"
#include "transport/beamline_geometry.h"
#include "transport/empty.h"
#include "transport/guide.h"
#include "transport/incoil.h"
#include "transport/outcoil.h"
#include "transport/reflect_axis.h"
#include "transport/sm.h"

namespace ornaplex {
namespace {

using testing::isMirrorOf;
using testing::mirrorInput;

constexpr Aperture kMirrorOf(const Aperture& a) {
  return {-a.xMax, -a.xMin, a.yMin, a.yMax};
}

struct StageCase {
  const char* name;
  // Runs the stage on a track (image false) or on its mirror image (image true): a stage with
  // an aperture on one side takes the mirrored aperture for the image.
  void (*run)(const Track& in, Track& out, bool image);
  double halfWidth;  // cm, of the entry positions drawn
  double maxAngle;   // rad, of the entry angles drawn
  bool reflects;     // the walls reflect in x
  bool shifts;       // some tracks leave at the entry angle off the straight image: a second
                     // reflection, or the output coil's shift past the septum
};

const StageCase kStages[] = {
    {"Guide",
     [](const Track& in, Track& out, bool) {
       GUIDE(GUIDE_LENGTH_cm, GUIDE_CRITICAL_COEFFICIENT, in, out);
     },
     3.0, 0.03, true, false},
    // Long enough for a second reflection off the opposite wall.
    {"LongGuide",
     [](const Track& in, Track& out, bool) { GUIDE(600.0, GUIDE_CRITICAL_COEFFICIENT, in, out); },
     3.0, 0.03, true, true},
    {"InputCoil",
     [](const Track& in, Track& out, bool) { INCOIL(GUIDE_CRITICAL_COEFFICIENT, in, out); }, 3.0,
     0.03, true, false},
    {"NarrowChannel",
     [](const Track& in, Track& out, bool) { reflectingChannel(0.5, 0.7, 300.0, 0.02, in, out); },
     0.8, 0.02, true, true},
    {"EmptyHalfOfACell",
     [](const Track& in, Track& out, bool image) {
       EMPTY(in, image ? kMirrorOf(RIGHT_CELL) : RIGHT_CELL, TARGET_LENGTH_cm, out);
     },
     3.2, 0.05, false, false},
    {"OutputCoil",
     [](const Track& in, Track& out, bool) { OUTCOIL(GUIDE_CRITICAL_COEFFICIENT, in, out); }, 3.2,
     0.03, true, true},
    {"Analyser", [](const Track& in, Track& out, bool) { SM(in, out); }, 3.0, 0.1, true, false},
};

class StageMirror : public ::testing::TestWithParam<StageCase> {};

TEST_P(StageMirror, ImageOfATrackLeavesAsTheImageOfItsExit) {
  const StageCase& stage = GetParam();
  testing::RandomTracks tracks(20);
  int reflected = 0, straight = 0, stopped = 0, shifted = 0;
  for (int i = 0; i < 20000; ++i) {
    const Track in = tracks.next(stage.halfWidth, stage.maxAngle);
    Track out, image;
    stage.run(in, out, false);
    stage.run(mirrorInput(in), image, true);
    ASSERT_TRUE(isMirrorOf(image, out)) << stage.name << " track " << i;
    if (isLost(out.x))
      ++stopped;
    else if (out.thetaX != in.thetaX)
      ++reflected;
    else if (out.x != in.x + in.tangents.x * (out.z - in.z))
      ++shifted;
    else
      ++straight;
  }
  // Every way through the stage was tried.
  EXPECT_GT(straight, 100) << stage.name;
  EXPECT_GT(stopped, 100) << stage.name;
  if (stage.reflects) {
    EXPECT_GT(reflected, 100) << stage.name;
  }
  if (stage.shifts) {
    EXPECT_GT(shifted, 10) << stage.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Stages, StageMirror, ::testing::ValuesIn(kStages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ornaplex
