// The shipped input histograms agree with the tables they were made from.
#include <gtest/gtest.h>

#include <string>

#include "h5file/csv_histogram.h"
#include "h5file/histogram_file.h"

namespace ornaplex {
namespace {

const std::string kData = std::string(ORNAPLEX_SOURCE_DIR) + "/data/";

void expectSameBins(const Histogram1D& file, const Histogram1D& table) {
  ASSERT_EQ(file.axis().bins, table.axis().bins);
  EXPECT_EQ(file.axis().low, table.axis().low);
  EXPECT_EQ(file.axis().high, table.axis().high);
  for (int k = 0; k < table.axis().bins; ++k) {
    ASSERT_EQ(file.content(k), table.content(k)) << "bin " << k;
  }
  EXPECT_EQ(file.underflow(), 0.0);
  EXPECT_EQ(file.overflow(), 0.0);
}

TEST(ShippedDataTest, WavelengthSpectrum) {
  const Histogram1D h = readInputHistogram(kData + "lam.h5", 100);
  expectSameBins(h, readCsvHistogram(kData + "wavelength_spectrum.csv", 100, ""));
  EXPECT_EQ(h.axis().bins, 200);
  EXPECT_EQ(h.axis().high, 20.0);
  EXPECT_NEAR(h.axis().lowEdge(4), 0.4, 1e-15);
  EXPECT_EQ(h.content(3), 0.0);  // nothing below 0.4 Angstrom
  EXPECT_GT(h.content(4), 0.0);
}

TEST(ShippedDataTest, StructureFactor) {
  const Histogram1D h = readInputHistogram(kData + "sq.h5", 301);
  expectSameBins(h, readCsvHistogram(kData + "structure_factor_he4_2p1K.csv", 301, ""));
  EXPECT_EQ(h.axis().bins, 100);
  EXPECT_EQ(h.axis().high, 4.0);
  EXPECT_NEAR(h.axis().lowEdge(90), 3.6, 1e-15);
}

TEST(ShippedDataTest, FieldGradientsAreZero) {
  for (int id : {151, 152}) {
    const Histogram1D h = readInputHistogram(kData + "gradx.h5", id, false);
    EXPECT_EQ(h.axis().bins, 100);
    EXPECT_EQ(h.axis().low, 0.0);
    EXPECT_EQ(h.axis().high, 500.0);
    for (double c : h.slots()) ASSERT_EQ(c, 0.0);
    EXPECT_NE(h.title().find("gradient"), std::string::npos);
  }
}

}  // namespace
}  // namespace ornaplex
