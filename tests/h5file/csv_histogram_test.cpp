#include "h5file/csv_histogram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "common/errors.h"
#include "h5file/histogram_file.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::string writeTable(const testing::TempDir& dir, const std::string& name,
                       const std::string& text) {
  const std::string path = dir / name;
  std::ofstream(path) << text;
  return path;
}

TEST(CsvHistogramTest, ReadsRowsAfterTheHeader) {
  testing::TempDir dir;
  const std::string path =
      writeTable(dir, "t.csv",
                 "# S(q) at 2.1 K\nlow,high,S\r\n0.00,0.04,0.0788\r\n0.04, 0.08 "
                 ",0.0803\r\n\r\n # measured\n0.08,0.12,0\r\n");
  const Histogram1D h = readCsvHistogram(path, 301, "S(q)");
  EXPECT_EQ(h.id(), 301);
  EXPECT_EQ(h.title(), "S(q)");
  EXPECT_EQ(h.axis().bins, 3);
  EXPECT_EQ(h.axis().low, 0.0);
  EXPECT_EQ(h.axis().high, static_cast<double>(0.12f));  // booked in single precision
  EXPECT_EQ(h.content(0), 0.0788);
  EXPECT_EQ(h.content(1), 0.0803);
  EXPECT_EQ(h.content(2), 0.0);
}

TEST(CsvHistogramTest, RefusesBadTablesNamingFileLineAndValue) {
  testing::TempDir dir;
  struct Case {
    std::string text, line, detail;
  };
  const Case cases[] = {
      {"0,1,5\n1,2,5\n", "line 1", "header"},
      {"a,b,c\n0,1,5\n1,2,x\n", "line 3", "1,2,x"},
      {"a,b,c\n0,1,5\n1,2\n", "line 3", "1,2"},
      {"a,b,c\n0,1,5\n1,2,3,4\n", "line 3", "1,2,3,4"},
      {"a,b,c\n0,1,5\n1,2.5,5\n", "line 3", "width 1.5"},
      {"a,b,c\n0,1,5\n1.5,2.5,5\n", "line 3", "low edge 1.5"},
      {"a,b,c\n0,1,5\n1,2,-0.5\n", "line 3", "content -0.5"},
      {"a,b,c\n0,1,nan\n", "line 2", "content nan"},
      {"a,b,c\n0,1,inf\n", "line 2", "content inf"},
      {"a,b,c\n1,0,1\n", "line 2", "low < high"},
  };
  int k = 0;
  for (const Case& c : cases) {
    const std::string path = writeTable(dir, "bad" + std::to_string(k++) + ".csv", c.text);
    EXPECT_THAT(
        [&] { readCsvHistogram(path, 1, ""); },
        ThrowsMessage<InputError>(AllOf(HasSubstr(path), HasSubstr(c.line), HasSubstr(c.detail))))
        << c.text;
  }
  EXPECT_THAT([&] { readCsvHistogram(writeTable(dir, "empty.csv", "a,b,c\n"), 1, ""); },
              ThrowsMessage<InputError>(HasSubstr("no bins")));
  EXPECT_THROW(readCsvHistogram(dir / "absent.csv", 1, ""), InputError);
}

TEST(CsvHistogramTest, ConvertsSeveralTablesIntoOneFile) {
  testing::TempDir dir;
  const std::string a = writeTable(dir, "a.csv", "l,h,c\n0,1,1\n1,2,3\n");
  const std::string b = writeTable(dir, "b.csv", "l,h,c\n-1,0,2\n");
  const std::string out = dir / "two.h5";
  convertCsvsToHistogramFile({{a, 151, "first"}, {b, 152, "second"}}, out);
  const HistogramStore s = readHistogramFile(out);
  EXPECT_EQ(s.ids(), (std::vector<int>{151, 152}));
  EXPECT_EQ(s.h1(151).content(1), 3.0);
  EXPECT_EQ(s.h1(152).axis().low, -1.0);
  EXPECT_THROW(convertCsvToHistogramFile(a, out, 1, "again"), OutputError);
  EXPECT_THROW(convertCsvsToHistogramFile({{a, 1, "x"}, {b, 1, "y"}}, dir / "dup.h5"), InputError);
  EXPECT_EQ(dir.fileCount(), 3u);
}

}  // namespace
}  // namespace ornaplex
