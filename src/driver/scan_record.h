// The record a scan directory keeps of its scan (scan-settings.txt): every identity setting of
// the scan (a scanned one as its values joined by commas), the scanned settings in the order
// typed, the inputs' SHA-256 and the program version, one "name = value" line each. The same
// command again matches it; any other is refused naming the first setting that differs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/parameter_scan.h"
#include "driver/run_inputs.h"
#include "h5file/histogram_file.h"

namespace ornaplex {

// The record of a scan of base over axes with this seed and these inputs: text values only.
std::vector<Attribute> scanRecord(const RunOptions& base, const std::vector<ScanAxis>& axes,
                                  std::int32_t seed, const std::vector<InputFile>& inputs);

// The record dir holds; none when it has none. Throws InputError naming the file when it cannot
// be read or a line is not "name = value".
std::optional<std::vector<Attribute>> readScanRecord(const std::string& dir);

// Writes the record into dir (complete or not at all, never over another).
void writeScanRecord(const std::string& dir, const std::vector<Attribute>& record,
                     const std::string& command);

// Refuses (UsageError) a scan whose record differs from the one dir holds, naming the first
// setting that differs with both values.
void refuseOtherScan(const std::string& dir, const std::vector<Attribute>& held,
                     const std::vector<Attribute>& asked);

// The value of name in a record; empty when absent.
std::string recordValue(const std::vector<Attribute>& record, const std::string& name);

}  // namespace ornaplex
