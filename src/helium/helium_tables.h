// Tables of liquid helium-4 that the helium routines interpolate. Grid points and values are
// single-precision numbers widened to double (they enter the arithmetic exactly as such), except
// the forward cross sections, which are double precision as measured.
#pragma once

#include <array>
#include <cstddef>

namespace ornaplex::helium_tables {

// Temperature grid of the two density tables, K (0.1 K steps to 2.6 K, 0.2 K above).
inline constexpr std::array<double, 34> kDensityTemperature_K = {
    double(0.2f), double(0.3f), double(0.4f), double(0.5f), double(0.6f), double(0.7f),
    double(0.8f), double(0.9f), double(1.0f), double(1.1f), double(1.2f), double(1.3f),
    double(1.4f), double(1.5f), double(1.6f), double(1.7f), double(1.8f), double(1.9f),
    double(2.0f), double(2.1f), double(2.2f), double(2.3f), double(2.4f), double(2.5f),
    double(2.6f), double(2.8f), double(3.0f), double(3.2f), double(3.4f), double(3.6f),
    double(3.8f), double(4.0f), double(4.2f), double(4.4f)};

// Mass density of liquid helium-4 at those temperatures, g/cm^3. Agrees to 0.1 % with
// R. J. Donnelly and C. F. Barenghi, J. Phys. Chem. Ref. Data 27, 1217 (1998).
inline constexpr std::array<double, 34> kDensity_gPerCm3 = {
    double(0.145f),  double(0.145f),  double(0.145f),  double(0.145f),  double(0.145f),
    double(0.145f),  double(0.145f),  double(0.145f),  double(0.145f),  double(0.145f),
    double(0.145f),  double(0.145f),  double(0.145f),  double(0.1451f), double(0.1451f),
    double(0.1452f), double(0.1453f), double(0.1454f), double(0.1456f), double(0.1458f),
    double(0.1460f), double(0.1457f), double(0.1453f), double(0.1448f), double(0.1442f),
    double(0.1429f), double(0.1412f), double(0.1392f), double(0.1369f), double(0.1343f),
    double(0.1315f), double(0.1284f), double(0.1251f), double(0.1216f)};

// The same density divided by its maximum 0.146 g/cm^3 (dimensionless, a table of its own).
inline constexpr std::array<double, 34> kDensityRatio = {
    double(0.9931507f), double(0.9931507f), double(0.9931507f), double(0.9931507f),
    double(0.9931507f), double(0.9931507f), double(0.9931507f), double(0.9931507f),
    double(0.9931507f), double(0.9931507f), double(0.9931507f), double(0.9931507f),
    double(0.9931507f), double(0.9938356f), double(0.9938356f), double(0.9945205f),
    double(0.9952055f), double(0.9958904f), double(0.9972603f), double(0.9986301f),
    double(1.0f),       double(0.9979452f), double(0.9952055f), double(0.9917809f),
    double(0.9876713f), double(0.9787672f), double(0.9671233f), double(0.9534247f),
    double(0.9376712f), double(0.9198630f), double(0.9006850f), double(0.8794520f),
    double(0.8568493f), double(0.8328767f)};

// Energy grid of the measured cross sections, meV: 81.80388/lambda^2 for lambda = 17 ... 1
// Angstrom, then 100 meV.
inline constexpr std::array<double, 18> kSommersEnergy_meV = {
    double(0.2830584f), double(0.3195464f), double(0.3635728f), double(0.4173667f),
    double(0.4840467f), double(0.5680825f), double(0.6760652f), double(0.8180388f),
    double(1.009925f),  double(1.278186f),  double(1.669467f),  double(2.272330f),
    double(3.272155f),  double(5.112742f),  double(9.089320f),  double(20.45097f),
    double(81.80388f),  double(100.0f)};

// Measured total cross section, barn/atom, one row per temperature band A ... F: neutron
// transmission data of liquid helium of the kind reported in Phys. Rev. 97, 855 (1955).
inline constexpr std::array<std::array<double, 18>, 6> kSommersCrossSection_barn = {{
    // A: T <= 1.5 K
    {double(0.009f), double(0.009f), double(0.009f), double(0.009f), double(0.009f), double(0.010f),
     double(0.011f), double(0.014f), double(0.025f), double(0.056f), double(0.123f), double(0.235f),
     double(0.440f), double(0.5688f), double(0.6458f), double(0.700f), double(0.7411f),
     double(0.76f)},
    // B: 1.5 < T <= 2.17 K
    {double(0.026f), double(0.026f), double(0.026f), double(0.025f), double(0.021f), double(0.015f),
     double(0.011f), double(0.013f), double(0.030f), double(0.063f), double(0.137f), double(0.252f),
     double(0.476f), double(0.5707f), double(0.6496f), double(0.6984f), double(0.7401f),
     double(0.76f)},
    // C: 2.17 < T <= 3.5 K
    {double(0.047f), double(0.047f), double(0.047f), double(0.049f), double(0.051f), double(0.053f),
     double(0.054f), double(0.058f), double(0.072f), double(0.106f), double(0.185f), double(0.315f),
     double(0.478f), double(0.615f), double(0.677f), double(0.715f), double(0.743f), double(0.76f)},
    // D: 3.5 < T <= 4.1 K
    {double(0.138f), double(0.134f), double(0.130f), double(0.126f), double(0.122f), double(0.120f),
     double(0.116f), double(0.120f), double(0.129f), double(0.154f), double(0.217f), double(0.336f),
     double(0.537f), double(0.615f), double(0.667f), double(0.7085f), double(0.7378f),
     double(0.76f)},
    // E: 4.1 < T <= 4.4 K
    {double(0.175f), double(0.175f), double(0.164f), double(0.155f), double(0.150f), double(0.148f),
     double(0.152f), double(0.162f), double(0.182f), double(0.217f), double(0.336f), double(0.467f),
     double(0.575f), double(0.6397f), double(0.6855f), double(0.7188f), double(0.7408f),
     double(0.76f)},
    // F: T > 4.4 K
    {double(0.265f), double(0.265f), double(0.243f), double(0.222f), double(0.203f), double(0.191f),
     double(0.184f), double(0.180f), double(0.186f), double(0.221f), double(0.283f), double(0.405f),
     double(0.562f), double(0.604f), double(0.666f), double(0.710f), double(0.7409f),
     double(0.76f)},
}};

// Upper temperature bounds of the bands A ... E, K (each bound inside its band).
inline constexpr std::array<double, 5> kSommersBandUpper_K = {1.5, 2.17, 3.5, 4.1, 4.4};

// Momentum-transfer grid of the excitation dispersion, 1/Angstrom (0.0 to 3.6 in 0.1 steps).
inline constexpr std::array<double, 37> kDispersionQ_perA = {
    double(0.0f), double(0.1f), double(0.2f), double(0.3f), double(0.4f), double(0.5f),
    double(0.6f), double(0.7f), double(0.8f), double(0.9f), double(1.0f), double(1.1f),
    double(1.2f), double(1.3f), double(1.4f), double(1.5f), double(1.6f), double(1.7f),
    double(1.8f), double(1.9f), double(2.0f), double(2.1f), double(2.2f), double(2.3f),
    double(2.4f), double(2.5f), double(2.6f), double(2.7f), double(2.8f), double(2.9f),
    double(3.0f), double(3.1f), double(3.2f), double(3.3f), double(3.4f), double(3.5f),
    double(3.6f)};

// Phonon-roton excitation frequency omega(q), 1/ps (maxon at 1.1, roton minimum at 1.9). Agrees
// to about 1 % with the low-temperature He II dispersion of R. J. Donnelly, J. A. Donnelly and
// R. N. Hills, J. Low Temp. Phys. 44, 471 (1981).
inline constexpr std::array<double, 37> kDispersionOmega_perPs = {
    double(0.0f),      double(0.235735f), double(0.484567f), double(0.739947f), double(0.969134f),
    double(1.198321f), double(1.407863f), double(1.538827f), double(1.656695f), double(1.722177f),
    double(1.774562f), double(1.807303f), double(1.800755f), double(1.768014f), double(1.695984f),
    double(1.597761f), double(1.466797f), double(1.342381f), double(1.211417f), double(1.139387f),
    double(1.172128f), double(1.309640f), double(1.525730f), double(1.774562f), double(2.029942f),
    double(2.154358f), double(2.226388f), double(2.265677f), double(2.291870f), double(2.318063f),
    double(2.337707f), double(2.357352f), double(2.376997f), double(2.396641f), double(2.403189f),
    double(2.409738f), double(2.416286f)};

// Temperature grid of the forward cross section, K (1.6 to 4.0 in 0.2 steps).
inline constexpr std::array<double, 13> kForwardTemperature_K = {
    double(1.6f), double(1.8f), double(2.0f), double(2.2f), double(2.4f),
    double(2.6f), double(2.8f), double(3.0f), double(3.2f), double(3.4f),
    double(3.6f), double(3.8f), double(4.0f)};

// Forward (q -> 0) differential scattering cross section per unit volume, 1/(cm sr).
inline constexpr std::array<double, 13> kForwardCrossSection_perCmSr = {
    0.0001433225, 0.0001622665, 0.0001820104, 0.0002010544, 0.000224013,  0.000247057, 0.0002730156,
    0.0002990743, 0.0003382476, 0.0003928795, 0.0004820847, 0.0006123778, 0.0007687297};

}  // namespace ornaplex::helium_tables
