// Expected texts were taken from a Fortran list-directed writer and the same edit descriptors.
#include "common/fortran_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace ornaplex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ListLine, RecordLayoutAndSeparators) {
  EXPECT_EQ(ListLine().str(), "");
  EXPECT_EQ(ListLine().text("").str(), " ");
  EXPECT_EQ((ListLine() << "ranNo is " << 12345).str(), " ranNo is        12345");
  EXPECT_EQ((ListLine() << 7).str(), "           7");
  EXPECT_EQ((ListLine() << "tar1 in" << 42).str(), " tar1 in          42");
  // Character items in a row are joined; any other pair takes one blank between.
  EXPECT_EQ((ListLine() << "a"
                        << "b"
                        << "c")
                .str(),
            " abc");
  EXPECT_EQ((ListLine() << "a"
                        << ""
                        << "b")
                .str(),
            " ab");
  EXPECT_EQ((ListLine() << "" << 5).str(), "            5");
  EXPECT_EQ((ListLine() << 5 << "").str(), "           5 ");
  EXPECT_EQ((ListLine() << 1 << 2 << "x" << 3 << "y"
                        << "z" << 4.0f)
                .str(),
            "           1           2 x           3 yz   4.00000000    ");
  EXPECT_EQ((ListLine() << 1.0 << "tx").str(), "   1.0000000000000000      tx");
  EXPECT_EQ((ListLine() << 1.0f << "tx" << 1.0).str(),
            "   1.00000000     tx   1.0000000000000000     ");
  EXPECT_EQ((ListLine() << "k0:" << 1.2345 << "   kp:" << 2.5 << "   q:" << 0.75).str(),
            " k0:   1.2344999999999999         kp:   2.5000000000000000         q:  "
            "0.75000000000000000     ");
}

TEST(ListLine, Integers) {
  EXPECT_EQ((ListLine() << 2147483647 << (-2147483647 - 1)).str(), "  2147483647 -2147483648");
  EXPECT_EQ((ListLine() << 0 << -1).str(), "           0          -1");
  // Wide counters grow the field instead of overflowing it.
  EXPECT_EQ(ListLine().integer(123456789012345).integer(-123456789012345).str(),
            " 123456789012345 -123456789012345");
  EXPECT_EQ(ListLine().integer(std::numeric_limits<std::int64_t>::min()).str(),
            " -9223372036854775808");
}

TEST(ListLine, DoublePrecisionFixedForm) {
  EXPECT_EQ((ListLine() << 2.1 << 0.2 << 4.4).str(),
            "   2.1000000000000001       0.20000000000000001        4.4000000000000004     ");
  EXPECT_EQ((ListLine() << 0.0 << -0.0).str(),
            "   0.0000000000000000       -0.0000000000000000     ");
  EXPECT_EQ((ListLine() << 1234567.0 << 123.456).str(),
            "   1234567.0000000000        123.45600000000000     ");
  EXPECT_EQ((ListLine() << 1.0 / 3.0 << -1.0 / 3.0).str(),
            "  0.33333333333333331      -0.33333333333333331     ");
  // Largest magnitudes still in fixed form, and the smallest: [0.1, 1e17).
  EXPECT_EQ((ListLine() << 1e16 << 99999999999999984.0).str(),
            "   10000000000000000.        99999999999999984.     ");
  EXPECT_EQ((ListLine() << 0.1).str(), "  0.10000000000000001     ");
  // Ties of the decimal expansion go to even.
  EXPECT_EQ((ListLine() << 123456789012345.625).str(), "   123456789012345.62     ");
}

TEST(ListLine, DoublePrecisionExponentForm) {
  EXPECT_EQ((ListLine() << " ep < 0:" << -1.5e-3).str(), "  ep < 0:  -1.5000000000000000E-003");
  EXPECT_EQ((ListLine() << 1e17 << 1e20).str(),
            "   1.0000000000000000E+017   1.0000000000000000E+020");
  EXPECT_EQ((ListLine() << 0.09999999999999998).str(), "   9.9999999999999978E-002");
  EXPECT_EQ((ListLine() << std::numeric_limits<double>::max()).str(), "   1.7976931348623157E+308");
  const double denormMin = std::bit_cast<double>(std::uint64_t{1});
  EXPECT_EQ((ListLine() << denormMin << -denormMin).str(),
            "   4.9406564584124654E-324  -4.9406564584124654E-324");
}

TEST(ListLine, SinglePrecision) {
  EXPECT_EQ((ListLine() << 1.0f << 2.0f).str(), "   1.00000000       2.00000000    ");
  EXPECT_EQ((ListLine() << 0.0f << -0.0f).str(), "   0.00000000      -0.00000000    ");
  EXPECT_EQ((ListLine() << 0.53981817f << 12.5f << 123456.789f << -7.0f).str(),
            "  0.539818168       12.5000000       123456.789      -7.00000000    ");
  EXPECT_EQ((ListLine() << 1.0e-5f << 1e9f << 999999999.0f).str(),
            "   9.99999975E-06   1.00000000E+09   1.00000000E+09");
  EXPECT_EQ((ListLine() << 0.1f << std::numeric_limits<float>::max()).str(),
            "  0.100000001       3.40282347E+38");
  EXPECT_EQ((ListLine() << std::bit_cast<float>(std::uint32_t{1})).str(), "   1.40129846E-45");
  EXPECT_EQ((ListLine() << 1048576.125f << 1048576.375f).str(),
            "   1048576.12       1048576.38    ");
}

TEST(ListLine, NonFiniteFillTheWholeField) {
  EXPECT_EQ((ListLine() << kNaN << kInf << -kInf << "x").str(),
            "                       NaN                  Infinity                 -Infinity x");
  const float nanF = std::numeric_limits<float>::quiet_NaN();
  const float infF = std::numeric_limits<float>::infinity();
  EXPECT_EQ((ListLine() << nanF << infF << -infF << "x").str(),
            "              NaN         Infinity        -Infinity x");
}

TEST(FormatE11_4, Values) {
  EXPECT_EQ(formatE11_4(-1.5e-3), "-1.5000E-03");
  EXPECT_EQ(formatE11_4(0.0), " 0.0000E+00");
  EXPECT_EQ(formatE11_4(-0.0), "-0.0000E+00");
  // Rounding that carries into the exponent.
  EXPECT_EQ(formatE11_4(9.99996), " 1.0000E+01");
  EXPECT_EQ(formatE11_4(9.99994), " 9.9999E+00");
  // Exact ties go to even.
  EXPECT_EQ(formatE11_4(1.03125), " 1.0312E+00");
  EXPECT_EQ(formatE11_4(1.09375), " 1.0938E+00");
  // Three-digit exponents drop the letter.
  EXPECT_EQ(formatE11_4(1e100), " 1.0000+100");
  EXPECT_EQ(formatE11_4(-1e-100), "-1.0000-100");
  EXPECT_EQ(formatE11_4(1e300), " 1.0000+300");
  EXPECT_EQ(formatE11_4(kNaN), "        NaN");
  EXPECT_EQ(formatE11_4(kInf), "   Infinity");
  EXPECT_EQ(formatE11_4(-kInf), "  -Infinity");
}

TEST(FormatF9_4, Values) {
  EXPECT_EQ(formatF9_4(0.0), "   0.0000");
  EXPECT_EQ(formatF9_4(-0.0), "  -0.0000");
  EXPECT_EQ(formatF9_4(-1e-5), "  -0.0000");
  EXPECT_EQ(formatF9_4(0.5), "   0.5000");
  EXPECT_EQ(formatF9_4(0.00005), "   0.0001");
  EXPECT_EQ(formatF9_4(1.03125), "   1.0312");
  EXPECT_EQ(formatF9_4(1.09375), "   1.0938");
  EXPECT_EQ(formatF9_4(9999.99994), "9999.9999");
  EXPECT_EQ(formatF9_4(-999.9999), "-999.9999");
  // No room: the field is filled with asterisks.
  EXPECT_EQ(formatF9_4(-999.99995), "*********");
  EXPECT_EQ(formatF9_4(1e10), "*********");
  EXPECT_EQ(formatF9_4(kNaN), "      NaN");
  EXPECT_EQ(formatF9_4(kInf), " Infinity");
  EXPECT_EQ(formatF9_4(-kInf), "-Infinity");
}

TEST(FormatProgress, Values) {
  EXPECT_EQ(formatProgress(30000000), "    30000000  events");
  EXPECT_EQ(formatProgress(-5), "          -5  events");
  EXPECT_EQ(formatProgress(2147483647), "  2147483647  events");
  EXPECT_EQ(formatProgress(999999999999), "999999999999  events");
  // Too wide for twelve columns: written in full instead of asterisks.
  EXPECT_EQ(formatProgress(1234567890123), "1234567890123  events");
}

}  // namespace
}  // namespace ornaplex
