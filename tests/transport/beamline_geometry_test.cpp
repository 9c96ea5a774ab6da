#include "transport/beamline_geometry.h"

#include <gtest/gtest.h>

namespace ornaplex {
namespace {

TEST(BeamlineGeometry, TheTwoCellHalvesAreMirrorImagesOfOneHeight) {
  EXPECT_EQ(LEFT_CELL.xMin, -RIGHT_CELL.xMax);
  EXPECT_EQ(LEFT_CELL.xMax, -RIGHT_CELL.xMin);
  EXPECT_LT(LEFT_CELL.xMax, 0.0);  // a septum between them
  for (const Aperture& cell : {LEFT_CELL, RIGHT_CELL}) {
    EXPECT_EQ(cell.yMin, -CELL_HALF_HEIGHT_cm);
    EXPECT_EQ(cell.yMax, CELL_HALF_HEIGHT_cm);
  }
}

TEST(BeamlineGeometry, ApertureBoundsAreInclusive) {
  EXPECT_TRUE(RIGHT_CELL.contains(RIGHT_CELL.xMin, RIGHT_CELL.yMax));
  EXPECT_TRUE(LEFT_CELL.contains(LEFT_CELL.xMin, LEFT_CELL.yMin));
  EXPECT_FALSE(RIGHT_CELL.contains(0.0, 0.0));
  EXPECT_FALSE(LEFT_CELL.contains(-1.0, 2.5000001));
}

TEST(BeamlineGeometry, SourceToDetectorIsTheBeamlineTheReportQuotes) {
  // The run report speaks of a beamline of about 477 cm.
  const double total = GUIDE_LENGTH_cm + INCOIL_LENGTH_cm + GAP1_LENGTH_cm + TARGET_LENGTH_cm +
                       GAP2_LENGTH_cm + TARGET_LENGTH_cm + GAP3_LENGTH_cm + OUTCOIL_LENGTH_cm +
                       GAP4_LENGTH_cm + SM_LENGTH_cm;
  EXPECT_NEAR(total, 477.0, 0.5);
}

}  // namespace
}  // namespace ornaplex
