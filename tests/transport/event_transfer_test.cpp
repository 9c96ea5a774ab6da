#include "transport/event_transfer.h"

#include <gtest/gtest.h>

#include "common/message_sink.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

constexpr double kE = 5.112742;  // meV, 4 Angstrom

// A working with a marker no real q gives, to see whether it is handed back or redone.
MomentumTransfer marked(double energy, bool mayHaveWritten) {
  MomentumTransfer t;
  t.q = 1.9;
  t.energy = energy;
  t.omega = -123.0;
  t.mayHaveWritten = mayHaveWritten;
  return t;
}

TEST(EventTransfer, TheWorkingKeptIsHandedBackOnlyForItsEnergyAndWithoutLines) {
  NullSink quiet;
  const double redone = momentumTransfer(1.9, kE, waveNumberOf(kE), quiet).omega;
  EXPECT_EQ(EventTransfer(marked(kE, false)).at(kE, quiet).omega, -123.0);
  EXPECT_EQ(EventTransfer(marked(kE, true)).at(kE, quiet).omega, redone);
  EXPECT_EQ(EventTransfer(marked(2.0 * kE, false)).at(kE, quiet).omega, redone);
  EXPECT_EQ(EventTransfer(1.9).at(kE, quiet).omega, redone);
  EXPECT_EQ(EventTransfer(marked(kE, false)).q(), 1.9);
}

TEST(EventTransfer, QAloneIsWorkedOutAtEveryEnergyAskedFor) {
  NullSink quiet;
  const EventTransfer q(1.9);
  for (double energy : {0.0, kE, 20.0}) {
    const MomentumTransfer expected = momentumTransfer(1.9, energy, waveNumberOf(energy), quiet);
    const MomentumTransfer got = q.at(energy, quiet);
    EXPECT_EQ(got.energy, energy);
    EXPECT_EQ(got.energyFinal, expected.energyFinal) << energy;
    EXPECT_EQ(got.cosAngle, expected.cosAngle) << energy;
  }
}

}  // namespace
}  // namespace ornaplex
