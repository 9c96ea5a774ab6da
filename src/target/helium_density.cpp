#include "target/helium_density.h"

#include "helium/heden.h"
#include "helium/helium_tables.h"
#include "helium/nden.h"

namespace ornaplex {

namespace {
// Atoms per barn cm for one g/cm^3 of helium-4: Avogadro's number in 1e24 over 4 g/mol.
constexpr double kAvogadro_1e24PerMol = 0.6022;
constexpr double kHeliumMolarMass_gPerMol = 4.0;
}  // namespace

HeliumDensity heliumDensity(double temperature_K, const ScatteringModel& model, MessageSink& sink) {
  double rho = 0.0;
  HEDEN(temperature_K, rho, sink);
  HeliumDensity d;
  d.number_perBarnCm = rho * kAvogadro_1e24PerMol / kHeliumMolarMass_gPerMol;
  NDEN(temperature_K, d.ratio, sink);
  if (model.densityOnce) d.ratio = 1.0;  // n alone: the density counted once
  return d;
}

RunHelium runHelium(double temperature_K, const ScatteringModel& model) {
  RunHelium h;
  h.temperature_K = temperature_K;
  // Both tables share this grid; inside it neither look-up writes a line.
  const auto& grid = helium_tables::kDensityTemperature_K;
  if (grid.front() <= temperature_K && temperature_K <= grid.back()) {
    NullSink quiet;
    h.density = heliumDensity(temperature_K, model, quiet);
  }
  h.smallAngle = smallAngleFactors(temperature_K);
  return h;
}

}  // namespace ornaplex
