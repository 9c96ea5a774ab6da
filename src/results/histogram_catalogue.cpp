#include "results/histogram_catalogue.h"

#include <string>

namespace ornaplex {

void bookCatalogue(HistogramStore& store) {
  for (const HistogramBooking& b : kHistogramCatalogue) {
    if (b.kind == HistogramKind::k1D) {
      store.book1(b.id, std::string(b.title), b.xbins, b.xlow, b.xhigh);
    } else {
      store.book2(b.id, std::string(b.title), b.xbins, b.xlow, b.xhigh, b.ybins, b.ylow, b.yhigh);
    }
  }
}

}  // namespace ornaplex
