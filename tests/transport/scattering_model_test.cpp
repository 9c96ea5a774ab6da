#include "transport/scattering_model.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace ornaplex {
namespace {

TEST(ScatteringModelName, EveryCombinationReadsBackFromItsName) {
  for (int bits = 0; bits < 8; ++bits) {
    ScatteringModel m;
    m.jacobian = bits & 1;
    m.measuredCrossSection = bits & 2;
    m.densityOnce = bits & 4;
    EXPECT_EQ(parseScatteringModel(m.name()), m) << m.name();
    EXPECT_EQ(m.standard(), bits == 0);
  }
  EXPECT_EQ(ScatteringModel{}.name(), "standard");
  // Any order is read; the name is written in one order.
  const ScatteringModel m = parseScatteringModel("density-once+jacobian");
  EXPECT_EQ(m.name(), "jacobian+density-once");
}

TEST(ScatteringModelName, UnknownRepeatedOrEmptyPartsAreRefused) {
  for (const char* bad :
       {"", "exact", "Jacobian", "jacobian+", "+jacobian", "jacobian++density-once",
        "jacobian+jacobian", "standard+jacobian", "measured sigma"})
    EXPECT_THROW(parseScatteringModel(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace ornaplex
