// The momentum transfers a weighted run draws apart for the helium cells of fast neutrons: q
// uniform below acceptance * k, the transfers whose scattering angle (about q / k) a neutron
// can still carry to the detector; and q uniform in the back window, where it is turned back by
// nearly pi (back_scatter_table.h). A draw in a window stands for the event's own draw of q
// restricted to that window, so it carries the ratio of the two densities: the structure factor's
// density over the open bins (times the jacobian's keep probability), times the window's width,
// times the event's number of tries, which estimates without bias the inverse of the probability
// that one try is kept (the tries until the first kept one are geometric).
#pragma once

#include <optional>

#include "transport/back_scatter_table.h"
#include "transport/scattering_model.h"
#include "transport/source.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex {

struct SmallQWindow {
  double qMax_perA = 0.0;                          // the window is [0, qMax); none when 0
  double backLow_perA = 0.0, backHigh_perA = 0.0;  // the back window [low, high); none: empty
  // Whether q lies in either window (the event's own q scatters only outside them).
  bool holds(double q_perA) const {
    return q_perA < qMax_perA || (q_perA >= backLow_perA && q_perA < backHigh_perA);
  }
  // A draw at q in the small-q window, or in the back window, weighs weightAt(q) or
  // backWeightAt(q) before the cell's scattering probability.
  double weightAt(double q_perA) const;
  double backWeightAt(double q_perA) const;

  const StructureFactorDraw* structureFactor = nullptr;
  StructureFactorDraw::OpenBins open;
  double tries = 0.0;      // the event's q tries (the source's draw)
  double qTop_perA = 0.0;  // with the jacobian: a try at q is kept with probability q / qTop
};

// The windows of an event whose q the source drew (outcome Accepted): acceptance_rad times the
// wave number, cut at the end of the bins the energy can use (none when that is empty); the back
// window from back (none without), cut there too.
SmallQWindow smallQWindow(const StructureFactorDraw& structureFactor, const SourceSample& source,
                          double acceptance_rad, const ScatteringModel& model,
                          const BackScatterTable* back = nullptr);
// The same from the source's draw for the event's energy (its open bins worked out already).
SmallQWindow smallQWindow(const TransferDraw& draw, const SourceSample& source,
                          double acceptance_rad, const BackScatterTable* back = nullptr);

}  // namespace ornaplex
