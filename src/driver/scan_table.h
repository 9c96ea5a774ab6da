// A scan's tables: scan.csv (one line per finished point: its settings, seed, file and every
// report value with its error), scan.h5 (h5file/scan_file.h), and when the model is scanned the
// spread of every value over the models at each combination of the other settings: the lowest
// and highest value with their errors and models, half the range and the largest pull from the
// standard model (scan-bracket.csv, scan.h5, and a short table on the screen).
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "h5file/histogram_file.h"
#include "results/report_numbers.h"

namespace ornaplex {

struct ScanPointRow {
  std::int64_t number = 0;
  std::vector<std::string> values;  // one per scanned setting, as typed
  std::vector<Attribute> settings;  // the point's fixed settings, as the table shows them
  std::int32_t seed = 0;
  std::string file;                                 // relative to the scan directory
  std::optional<std::vector<ReportNumber>> result;  // none until the point is finished
};

struct ScanTableInput {
  std::string dir;
  std::vector<std::string> columns;  // the scanned settings' attributes, typed order
  std::vector<Attribute> record;     // the scan's settings (scan_record.h)
  std::vector<ScanPointRow> points;
};

// Writes scan.csv and scan.h5 (and scan-bracket.csv when the model is scanned), each replacing
// the previous one whole; prints the bracket's short table on screen when every point is done.
void writeScanTables(const ScanTableInput& in, std::ostream& screen);

}  // namespace ornaplex
