#include "transport/small_q_window.h"

#include <algorithm>

namespace ornaplex {

namespace {

// The source's density of kept q at q (per 1/Angstrom) times its tries.
double sourceDensity(const SmallQWindow& w, double q) {
  const double kept = w.qTop_perA > 0.0 ? std::min(q / w.qTop_perA, 1.0) : 1.0;
  return w.tries * w.structureFactor->density(w.open, q) * kept;
}

}  // namespace

double SmallQWindow::weightAt(double q) const {
  if (!(q >= 0.0 && q < qMax_perA)) return 0.0;
  return qMax_perA * sourceDensity(*this, q);
}

double SmallQWindow::backWeightAt(double q) const {
  if (!(q >= backLow_perA && q < backHigh_perA)) return 0.0;
  return (backHigh_perA - backLow_perA) * sourceDensity(*this, q);
}

SmallQWindow smallQWindow(const StructureFactorDraw& structureFactor, const SourceSample& source,
                          double acceptance_rad, const ScatteringModel& model,
                          const BackScatterTable* back) {
  const std::optional<TransferDraw> draw = transferDraw(structureFactor, source.energy, model);
  return draw ? smallQWindow(*draw, source, acceptance_rad, back) : SmallQWindow{};
}

SmallQWindow smallQWindow(const TransferDraw& draw, const SourceSample& source,
                          double acceptance_rad, const BackScatterTable* back) {
  SmallQWindow w;
  if (!(acceptance_rad > 0.0)) return w;
  const StructureFactorDraw& structureFactor = *draw.structureFactor;
  const double qEnd = structureFactor.axis().lowEdge(draw.open.n);
  w.qMax_perA = std::min(acceptance_rad * source.k, qEnd);
  w.structureFactor = &structureFactor;
  w.open = draw.open;
  w.tries = double(source.qTries);
  w.qTop_perA = draw.qTop_perA;
  if (back) {
    const BackScatterTable::Window b = back->at(source.k);
    w.backLow_perA = std::max(b.low_perA, w.qMax_perA);
    w.backHigh_perA = std::min(b.high_perA, qEnd);
    if (!(w.backHigh_perA > w.backLow_perA)) w.backLow_perA = w.backHigh_perA = 0.0;
  }
  return w;
}

}  // namespace ornaplex
