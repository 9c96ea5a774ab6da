// The table of a parameter scan as an HDF5 file (scan.h5): one NXdata per report value against
// the scanned settings, so viewers plot each value and `ornaplex plot` draws the scan's page.
//
//   /          program="ornaplex", ornaplex_scan="<col>,<col>,..." (the scanned settings in the
//              order typed; the first is the x axis), default=<a value's group>
//   /run       NX_class="NXcollection"; the scan's settings as a run file's /run names them (a
//              scanned one holds its values joined by commas), points (int64)
//   /<key>     NXdata per report value: signal="value", axes=<first column>, title, unit
//     value, errors (when the value has one)   float64 [n], the finished points in order
//     point                                    int64 [n]
//     <col>    [n] per scanned setting (float64, int64 or strings), long_name and units
//     bracket  (when the model is scanned) NXcollection: the spread over the models at each
//              combination of the other columns (m rows): low, low_error, high, high_error,
//              half_range, largest_pull, standard (float64 [m]), low_model, high_model
//              (strings [m]) and <col> [m] for each other column
#pragma once

#include <string>

#include "h5file/scan_table_reader.h"

namespace ornaplex {

// Writes the table to path (the layout above, read back by readScanTable), replacing the previous
// table at once (published_file.h). table.run's attributes go to /run. Throws OutputError naming
// the file and the reason.
void writeScanFile(const std::string& path, const ScanTable& table);

}  // namespace ornaplex
