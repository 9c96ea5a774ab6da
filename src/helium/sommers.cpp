// Measured total cross section of liquid helium: the row of the temperature band, interpolated
// linearly in energy.
#include "helium/sommers.h"

#include <cstddef>
#include <string>

#include "common/fortran_format.h"
#include "helium/helium_tables.h"
#include "helium/table_scan.h"

namespace ornaplex {
namespace {

using helium_tables::kSommersBandUpper_K;
using helium_tables::kSommersCrossSection_barn;
using helium_tables::kSommersEnergy_meV;

using Segments18 = table_scan::Segments<18>;
constexpr std::array<Segments18, 6> makeBandSegments() {
  std::array<Segments18, 6> s{};
  for (std::size_t b = 0; b < s.size(); ++b) {
    s[b] = table_scan::makeSegments(kSommersEnergy_meV, kSommersCrossSection_barn[b]);
  }
  return s;
}
constexpr std::array<Segments18, 6> kBandSegments = makeBandSegments();
// The energy scan tries each of the 17 intervals and complains at every one of them.
constexpr int kSteps = static_cast<int>(kSommersEnergy_meV.size()) - 1;

// Band A ... F (0 ... 5) of a temperature; a temperature that is not a number falls in F.
inline std::size_t bandOf(double temperature_K) {
  std::size_t band = 0;
  while (band < kSommersBandUpper_K.size() && !(temperature_K <= kSommersBandUpper_K[band])) {
    ++band;
  }
  return band;
}

[[gnu::cold, gnu::noinline]] void reportBelowGrid(double energy_meV, MessageSink& sink) {
  const std::string values = ListLine()
                                 .real8(energy_meV)
                                 .real8(kSommersEnergy_meV.front())
                                 .real8(kSommersEnergy_meV.back())
                                 .str();
  const std::string dots = ListLine().text("...").str();
  for (int step = 1; step <= kSteps; ++step) {
    sink.line(values);
    sink.line(dots);
    sink.line(ListLine().integer(step).text(" The value is out of range ... sommers"));
  }
}

}  // namespace

void SOMMERS(double temperature_K, double energy_meV, double& sigma_barn, MessageSink& sink) {
  const std::size_t band = bandOf(temperature_K);
  const auto& row = kSommersCrossSection_barn[band];
  const double lo = kSommersEnergy_meV.front();
  const double hi = kSommersEnergy_meV.back();
  if (energy_meV < lo) {
    reportBelowGrid(energy_meV, sink);
    sigma_barn = row.front();
  } else if (energy_meV > hi) {
    sigma_barn = row.back();  // no error above the grid
  } else if (energy_meV <= hi) {
    sigma_barn = table_scan::valueInGrid(kSommersEnergy_meV, row, kBandSegments[band], energy_meV);
  }
  // An energy that is not a number matches nothing and leaves sigma as it was.
}

}  // namespace ornaplex
