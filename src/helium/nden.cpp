// Density of liquid helium-4 over its maximum, by linear interpolation in temperature.
#include "helium/nden.h"

#include <cstdio>
#include <string>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "helium/helium_tables.h"
#include "helium/table_scan.h"

namespace ornaplex {
namespace {

using helium_tables::kDensityRatio;
using helium_tables::kDensityTemperature_K;

constexpr auto kSegments = table_scan::makeSegments(kDensityTemperature_K, kDensityRatio);

[[noreturn, gnu::cold, gnu::noinline]] void stopOutOfRange(double temperature_K,
                                                           MessageSink& sink) {
  const double lo = kDensityTemperature_K.front();
  const double hi = kDensityTemperature_K.back();
  sink.line(ListLine().real8(temperature_K).real8(lo).real8(hi));
  sink.line(ListLine().text("The value is out of range ... nden code"));
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "helium temperature %.9g K is outside the density table (it covers 0.2 to 4.4 K); "
                "set the target temperature within that range",
                temperature_K);
  throw RunStopped(buf);
}

}  // namespace

void NDEN(double temperature_K, double& ratio, MessageSink& sink) {
  const double lo = kDensityTemperature_K.front();
  const double hi = kDensityTemperature_K.back();
  if (temperature_K < lo || temperature_K > hi) stopOutOfRange(temperature_K, sink);
  if (!(temperature_K <= hi)) return;  // not a number: matches no interval, nothing written
  ratio = table_scan::valueInGrid(kDensityTemperature_K, kDensityRatio, kSegments, temperature_K);
}

}  // namespace ornaplex
