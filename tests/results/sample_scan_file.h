// Small scan tables in the layout of a scan's scan.h5, made by tests/python/make_scan_file.py.
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ornaplex::testing {

// kind: "temperature" (temperature_K by field_mG, 5 of 6 points finished, analog), "model"
// (scattering_model by field_mG, weighted, with the spread over the models), "model-only",
// "temperature-model", or "old" (a table from before scans recorded their settings).
inline void writeSampleScanFile(const std::string& path, const std::string& kind) {
  const std::string cmd = "/usr/bin/python3 " + std::string(ORNAPLEX_SOURCE_DIR) +
                          "/tests/python/make_scan_file.py '" + path + "' " + kind;
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace ornaplex::testing
