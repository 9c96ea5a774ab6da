// The back window of a neutron: from the q that turns it by pi minus the angle to the q that
// turns it straight back, both read off the momentum balance itself.
#include "transport/back_scatter_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/message_sink.h"
#include "transport/kinematics.h"
#include "transport/momentum_transfer.h"

namespace ornaplex {
namespace {

TEST(BackScatterTable, WindowRunsFromPiMinusTheAngleToStraightBack) {
  const double angle = 0.05;
  const BackScatterTable table(angle);
  NullSink sink;
  int windows = 0;
  for (double e : {1.5, 3.0, 5.11, 8.0, 20.0}) {
    const double k = waveNumberOf(e);
    const BackScatterTable::Window w = table.at(k);
    if (!(w.high_perA > w.low_perA)) continue;
    ++windows;
    const MomentumTransfer low = momentumTransfer(w.low_perA, e, k, sink);
    const MomentumTransfer high = momentumTransfer(w.high_perA, e, k, sink);
    // Interpolated between grid points: the ends sit close to, not exactly at, their angles.
    EXPECT_NEAR(low.cosAngle, -std::cos(angle), 2e-4) << e << " meV";
    EXPECT_NEAR(high.cosAngle, -1.0, 2e-4) << e << " meV";
    EXPECT_GT(w.low_perA, k) << "turned back, q exceeds k";
  }
  EXPECT_GE(windows, 3);
  EXPECT_FALSE(table.at(0.01).high_perA > 0.0);   // below the grid
  EXPECT_FALSE(table.at(100.0).high_perA > 0.0);  // above it
}

}  // namespace
}  // namespace ornaplex
