// Small-angle cross section of liquid helium per atom: 4 pi D(T) / (1 + xi(T)^2 q^2) / n(T).
#include "helium/intq.h"

#include "helium/dsg0.h"
#include "helium/heden.h"
#include "helium/helium_tables.h"

namespace ornaplex {
namespace {

// Correlation length xi(T) = (c0 + c1 T - c2 T^2 + c3 T^3) / sqrt(3), Angstrom, T in K.
constexpr double kXiC0_A = double(-4.7092f);
constexpr double kXiC1_APerK = double(7.1047f);
constexpr double kXiC2_APerK2 = double(1.9944f);
constexpr double kXiC3_APerK3 = double(0.21769f);
constexpr double kSqrt3 = double(1.7320508f);
// 4 pi as the cross section uses it.
constexpr double kFourPi = 12.56636;
// Avogadro's number in units of 10^24, and the molar mass of helium-4 (g): n = rho * N_A / M
// in atoms per barn cm.
constexpr double kAvogadro_per1e24 = 0.6022;
constexpr double kMolarMass_g = 4.0;

// The factors at T, the density's lines (outside its table) going to sink.
SmallAngleFactors factorsAt(double T, MessageSink& sink) {
  SmallAngleFactors f;
  f.xi_A =
      (kXiC0_A + kXiC1_APerK * T - kXiC2_APerK2 * (T * T) + kXiC3_APerK3 * (T * T * T)) / kSqrt3;
  double D_perCmSr = 0.0;
  DSG0(T, D_perCmSr);
  f.fourPiD_perCmSr = D_perCmSr * kFourPi;
  // Outside 0.2 to 4.4 K the density is not found and stays 0, so sigma comes out infinite;
  // the run refuses such target temperatures before it starts.
  double rho_gPerCm3 = 0.0;
  HEDEN(T, rho_gPerCm3, sink);
  f.n_perBarnCm = rho_gPerCm3 * kAvogadro_per1e24 / kMolarMass_g;
  return f;
}

}  // namespace

void INTQ(double temperature_K, double /*k_perA*/, double q_perA, double /*spare*/,
          double& sigma_barn, MessageSink& sink) {
  sigma_barn = smallAngleCrossSection(factorsAt(temperature_K, sink), q_perA);
}

std::optional<SmallAngleFactors> smallAngleFactors(double temperature_K) {
  const auto& grid = helium_tables::kDensityTemperature_K;
  if (!(grid.front() <= temperature_K && temperature_K <= grid.back())) return std::nullopt;
  NullSink quiet;  // inside the table the density writes nothing
  return factorsAt(temperature_K, quiet);
}

}  // namespace ornaplex
