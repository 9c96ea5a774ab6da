#include "transport/small_q_window.h"

#include <algorithm>

namespace ornaplex {

double SmallQWindow::weightAt(double q) const {
  if (!(q >= 0.0 && q < qMax_perA)) return 0.0;
  const double kept = qTop_perA > 0.0 ? std::min(q / qTop_perA, 1.0) : 1.0;
  return tries * qMax_perA * structureFactor->density(open, q) * kept;
}

SmallQWindow smallQWindow(const StructureFactorDraw& structureFactor, const SourceSample& source,
                          double acceptance_rad, const ScatteringModel& model) {
  SmallQWindow w;
  const int bins = std::min(source.nq, structureFactor.axis().bins);
  const std::optional<StructureFactorDraw::OpenBins> open =
      structureFactor.open(bins, source.energy);
  if (!open || !(acceptance_rad > 0.0)) return w;
  const double qEnd = structureFactor.axis().lowEdge(bins);
  w.qMax_perA = std::min(acceptance_rad * source.k, qEnd);
  w.structureFactor = &structureFactor;
  w.open = *open;
  w.tries = double(source.qTries);
  w.qTop_perA = model.jacobian ? qEnd : 0.0;
  return w;
}

}  // namespace ornaplex
