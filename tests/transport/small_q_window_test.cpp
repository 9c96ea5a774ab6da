// The small-q window's weights stand in for the source's own draw of q: over many events, the
// mean weight of a window draw equals the probability that the source's q falls in the window,
// whatever the rejections of the draw (the event's tries carry their inverse probability).
#include "transport/small_q_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/message_sink.h"
#include "random/ranlux.h"
#include "transport/kinematics.h"
#include "transport/momentum_transfer.h"

namespace ornaplex {
namespace {

// S(q) on the run's grid (90 bins of 0.04 1/Angstrom) with a slope, so that bins differ.
StructureFactorDraw slopedS() {
  Histogram1D h(301, "", {90, 0.0, 3.6});
  for (int i = 0; i < 90; ++i) h.setSlot(std::size_t(i) + 1, 1.0 + 0.05 * i);
  return StructureFactorDraw(h);
}

SourceSample sourceAt(double lambda_A) {
  SourceSample s;
  s.outcome = SourceSample::Outcome::Accepted;
  s.lambda = lambda_A;
  s.energy = energyOfWavelength(lambda_A);
  return s;
}

struct Comparison {
  double analog, analogError, weighted, weightedError, meanTries;
};

// The share of the source's q below the window's end, and the window's estimate of it.
Comparison compare(const StructureFactorDraw& sq, double lambda_A, double acceptance_rad,
                   const ScatteringModel& model, int events) {
  Ranlux rng(4711);
  NullSink sink;
  double inWindow = 0.0, w = 0.0, ww = 0.0, tries = 0.0;
  for (int i = 0; i < events; ++i) {
    SourceSample s = sourceAt(lambda_A);
    drawMomentumTransfer(sq, s, rng, sink, model);
    EXPECT_EQ(s.outcome, SourceSample::Outcome::Accepted);
    const SmallQWindow window = smallQWindow(sq, s, acceptance_rad, model);
    if (s.transfer.q < window.qMax_perA) inWindow += 1.0;
    const double q = window.qMax_perA * double(rng.next());
    const MomentumTransfer t = momentumTransfer(q, s.energy, s.k, sink);
    const bool kept = t.energyFinal > 0.0 && std::abs(t.cosAngle) <= 1.0;
    const double weight = kept ? window.weightAt(q) : 0.0;
    w += weight;
    ww += weight * weight;
    tries += double(s.qTries);
  }
  const double n = events;
  const double p = inWindow / n;
  return {p, std::sqrt(p * (1 - p) / n), w / n, std::sqrt((ww / n - (w / n) * (w / n)) / n),
          tries / n};
}

TEST(SmallQWindow, MeanWeightIsTheShareOfTheSourceDrawInTheWindow) {
  const StructureFactorDraw sq = slopedS();
  // Fast neutrons keep every try; slow ones lose tries to the dispersion, in the window too (a
  // window to 1.2 1/Angstrom reaches past the phonons that a 0.8 meV neutron cannot excite).
  struct Case {
    double lambda_A, acceptance_rad;
    ScatteringModel model;
  };
  for (const Case c :
       {Case{4.0, 0.02, {}}, Case{10.0, 1.2 / waveNumberOf(energyOfWavelength(10.0)), {}},
        Case{10.0, 0.6, {.jacobian = true}}}) {
    const Comparison r = compare(sq, c.lambda_A, c.acceptance_rad, c.model, 200000);
    if (c.lambda_A == 10.0) {
      EXPECT_GT(r.meanTries, 1.05) << "the case must have rejections";
    }
    EXPECT_GT(r.analog, 0.0);
    EXPECT_LE(std::fabs(r.weighted - r.analog), 4.0 * std::hypot(r.analogError, r.weightedError))
        << "lambda " << c.lambda_A << " A: source " << r.analog << " +- " << r.analogError
        << ", window " << r.weighted << " +- " << r.weightedError;
  }
}

TEST(SmallQWindow, EndsAtTheBinsTheEnergyCanUseAndWeighsNothingOutside) {
  const StructureFactorDraw sq = slopedS();
  NullSink sink;
  Ranlux rng(5);
  SourceSample s = sourceAt(4.0);
  drawMomentumTransfer(sq, s, rng, sink);
  const SmallQWindow wide = smallQWindow(sq, s, 10.0, {});
  EXPECT_DOUBLE_EQ(wide.qMax_perA, sq.axis().lowEdge(std::min(s.nq, 90)));
  EXPECT_EQ(wide.weightAt(-0.01), 0.0);
  EXPECT_EQ(wide.weightAt(wide.qMax_perA), 0.0);
  EXPECT_GT(wide.weightAt(0.5 * wide.qMax_perA), 0.0);
  EXPECT_EQ(smallQWindow(sq, s, 0.0, {}).qMax_perA, 0.0);
}

// The same for the back window: the mean weight of a draw there is the share of the source's q
// that falls in it (a wide angle, so that enough of the source's q do).
TEST(SmallQWindow, MeanBackWeightIsTheShareOfTheSourceDrawTurnedBack) {
  const StructureFactorDraw sq = slopedS();
  const BackScatterTable table(0.4);
  NullSink sink;
  for (double lambda : {4.0, 5.0}) {
    Ranlux rng(17);
    const int events = 200000;
    double inWindow = 0.0, w = 0.0, ww = 0.0;
    for (int i = 0; i < events; ++i) {
      SourceSample s = sourceAt(lambda);
      drawMomentumTransfer(sq, s, rng, sink);
      const SmallQWindow window = smallQWindow(sq, s, 0.02, {}, &table);
      ASSERT_GT(window.backHigh_perA, window.backLow_perA);
      if (s.transfer.q >= window.backLow_perA && s.transfer.q < window.backHigh_perA)
        inWindow += 1.0;
      const double q =
          window.backLow_perA + (window.backHigh_perA - window.backLow_perA) * double(rng.next());
      const MomentumTransfer t = momentumTransfer(q, s.energy, s.k, sink);
      const double weight =
          t.energyFinal > 0.0 && std::abs(t.cosAngle) <= 1.0 ? window.backWeightAt(q) : 0.0;
      w += weight;
      ww += weight * weight;
    }
    const double p = inWindow / events, mean = w / events;
    const double sigma = std::hypot(std::sqrt(p * (1 - p) / events),
                                    std::sqrt((ww / events - mean * mean) / events));
    EXPECT_GT(inWindow, 100.0);
    EXPECT_NEAR(mean, p, 4.0 * sigma) << lambda << " A";
  }
}

}  // namespace
}  // namespace ornaplex
