// Input histograms made from text tables: one row per bin, "low edge, high edge, content",
// after one header line naming the columns. Lines starting with # are comments.
#pragma once

#include <string>
#include <vector>

#include "histogram/histogram.h"

namespace ornaplex {

// Reads a table into a 1-D histogram booked with its first low and last high edge as
// single-precision values. Rows must be contiguous, of equal width (to 1e-9 relative) and hold
// finite, non-negative contents. InputError names the file, the line and the value.
Histogram1D readCsvHistogram(const std::string& csvPath, int id, const std::string& title);

struct CsvTable {
  std::string csvPath;
  int id;
  std::string title;
};

// Writes the tables' histograms into one new histogram file (writeHistogramFile rules: never
// overwrites, all or nothing). /run records the program and the tables' names and SHA-256.
void convertCsvsToHistogramFile(const std::vector<CsvTable>& tables, const std::string& h5Path);

// The same for a single table.
void convertCsvToHistogramFile(const std::string& csvPath, const std::string& h5Path, int id,
                               const std::string& title);

}  // namespace ornaplex
