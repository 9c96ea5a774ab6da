#include "common/simd_level.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/errors.h"

namespace ornaplex {
namespace {

TEST(SimdLevel, NamesReadBackAndOthersAreRefused) {
  for (SimdLevel l : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx, SimdLevel::Avx512})
    EXPECT_EQ(parseSimdLevel(simdLevelName(l)), l);
  for (const char* other : {"", "AVX512", "avx2", "avx512 ", "neon"})
    EXPECT_FALSE(parseSimdLevel(other)) << other;
  EXPECT_TRUE(cpuSupports(SimdLevel::Scalar));
  EXPECT_TRUE(cpuSupports(widestSimdLevel()));
}

// Sets the variable for one test and puts it back.
class SimdVariable : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv(kSimdVariable)) saved_ = v;
  }
  void TearDown() override {
    if (saved_)
      setenv(kSimdVariable, saved_->c_str(), 1);
    else
      unsetenv(kSimdVariable);
  }
  std::optional<std::string> saved_;
};

TEST_F(SimdVariable, UnsetOrEmptyMeansTheWidestAndAValueIsChecked) {
  unsetenv(kSimdVariable);
  EXPECT_EQ(simdLevelFromEnvironment(), widestSimdLevel());
  setenv(kSimdVariable, "", 1);
  EXPECT_EQ(simdLevelFromEnvironment(), widestSimdLevel());
  setenv(kSimdVariable, "scalar", 1);
  EXPECT_EQ(simdLevelFromEnvironment(), SimdLevel::Scalar);
  setenv(kSimdVariable, "avx2", 1);
  try {
    simdLevelFromEnvironment();
    FAIL() << "avx2 taken";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find("ORNAPLEX_SIMD=avx2 refused"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("give scalar, sse2, avx or avx512"), std::string::npos);
  }
  if (!cpuSupports(SimdLevel::Avx512)) {
    setenv(kSimdVariable, "avx512", 1);
    EXPECT_THROW(simdLevelFromEnvironment(), UsageError);
  }
}

}  // namespace
}  // namespace ornaplex
