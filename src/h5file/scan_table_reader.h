// Reading a scan's table (scan.h5): the scan's settings, its columns and one list of values per
// report value.
//
// Layout read:
//   /            program "ornaplex", ornaplex_scan "<col1>,<col2>,..." (the scanned columns in
//                the order typed; the first is the x axis), default (a value's group)
//   /run         the scan's settings as a run file's /run attributes; a scanned setting holds
//                its values joined by commas; points (int64), the points of the scan
//   /<key>       NXdata per report value, title (its label), unit:
//     value      float64 [n], one per finished point; errors float64 [n] when it has one
//     point      int64 [n]
//     <col>      [n] per scanned column (numbers or strings), with long_name and units
//     bracket    group, when the model is scanned: the spread over the models at each
//                combination of the other columns (m rows): low, low_error, high, high_error,
//                half_range, largest_pull, standard float64 [m]; low_model, high_model strings
//                [m]; <col> [m] for each other scanned column
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "h5file/run_reader.h"

namespace ornaplex {

// One column's values: numbers (text empty) or names (numbers empty).
struct ScanColumn {
  std::string name;      // "temperature_K"
  std::string longName;  // "temperature (K)"; the name when the file gives none
  std::string units;
  bool numeric = true;
  std::vector<double> numbers;
  std::vector<std::string> names;
  std::size_t size() const { return numeric ? numbers.size() : names.size(); }
};

// The spread over the models of one value, one row per combination of the other columns.
struct ScanBracket {
  std::vector<ScanColumn> columns;  // the scanned columns besides the model, as the file has them
  std::vector<double> low, lowError, high, highError, halfRange, largestPull, standard;
  std::vector<std::string> lowModel, highModel;
};

struct ScanValue {
  std::string key;    // the group's name, a report value's key ("rot_left")
  std::string label;  // its title
  std::string unit;
  std::vector<std::int64_t> point;
  std::vector<double> value;
  std::optional<std::vector<double>> error;
  std::vector<ScanColumn> columns;  // in the order of ScanTable::columns
  std::optional<ScanBracket> bracket;
};

struct ScanTable {
  std::vector<std::string> columns;  // the scanned columns, x first
  StoredRun run;  // /run's attributes (none in tables written before the scan recorded them)
  std::vector<ScanValue> values;  // in the file's order of the groups
};

// Whether path is an HDF5 file whose root names a scan (ornaplex_scan); false for anything
// that cannot be opened.
bool isScanTable(const std::string& path);

// Reads the whole table. Throws InputError naming the file, the dataset and what is wrong
// (a length that differs from the value's, a missing column, a file of another program).
ScanTable readScanTable(const std::string& path);

// The value of key, or nullptr.
const ScanValue* findScanValue(const ScanTable& table, const std::string& key);

}  // namespace ornaplex
