// Forward differential cross section of liquid helium per unit volume: held below the table,
// interpolated inside it, extrapolated along the last interval above it.
#include "helium/dsg0.h"

#include "helium/helium_tables.h"
#include "helium/table_scan.h"

namespace ornaplex {
namespace {

using helium_tables::kForwardCrossSection_perCmSr;
using helium_tables::kForwardTemperature_K;

constexpr auto kSegments =
    table_scan::makeSegments(kForwardTemperature_K, kForwardCrossSection_perCmSr);

}  // namespace

void DSG0(double temperature_K, double& D_perCmSr) {
  const double lo = kForwardTemperature_K.front();
  const double hi = kForwardTemperature_K.back();
  if (temperature_K < lo) {
    D_perCmSr = kForwardCrossSection_perCmSr.front();
  } else if (temperature_K > hi) {
    D_perCmSr = kSegments.slope.back() * temperature_K + kSegments.intercept.back();
  } else if (temperature_K <= hi) {
    D_perCmSr = table_scan::valueInGrid(kForwardTemperature_K, kForwardCrossSection_perCmSr,
                                        kSegments, temperature_K);
  }
  // A temperature that is not a number matches nothing and leaves D as it was.
}

}  // namespace ornaplex
