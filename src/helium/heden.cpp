// Mass density of liquid helium-4 by linear interpolation in temperature.
#include "helium/heden.h"

#include <string>

#include "common/fortran_format.h"
#include "helium/helium_tables.h"
#include "helium/table_scan.h"

namespace ornaplex {
namespace {

using helium_tables::kDensity_gPerCm3;
using helium_tables::kDensityTemperature_K;

constexpr auto kSegments = table_scan::makeSegments(kDensityTemperature_K, kDensity_gPerCm3);
// The interval scan tries each of the 33 intervals and complains at every one of them.
constexpr int kSteps = static_cast<int>(kDensityTemperature_K.size()) - 1;

[[gnu::cold, gnu::noinline]] void reportOutOfRange(double temperature_K, MessageSink& sink) {
  const std::string values = ListLine()
                                 .real8(temperature_K)
                                 .real8(kDensityTemperature_K.front())
                                 .real8(kDensityTemperature_K.back())
                                 .str();
  const std::string text = ListLine().text("The value is out of range ... heden code").str();
  for (int step = 1; step <= kSteps; ++step) {
    sink.line(values);
    sink.line(text);
  }
}

}  // namespace

void HEDEN(double temperature_K, double& density_gPerCm3, MessageSink& sink) {
  const double lo = kDensityTemperature_K.front();
  const double hi = kDensityTemperature_K.back();
  if (temperature_K < lo || temperature_K > hi) {
    reportOutOfRange(temperature_K, sink);  // the density keeps its value
    return;
  }
  if (!(temperature_K <= hi)) return;  // not a number: matches no interval, nothing written
  density_gPerCm3 =
      table_scan::valueInGrid(kDensityTemperature_K, kDensity_gPerCm3, kSegments, temperature_K);
}

}  // namespace ornaplex
