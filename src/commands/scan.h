// A scan: the run command given lists or ranges of scannable settings (driver/parameter_scan.h).
#pragma once

#include <atomic>
#include <ostream>
#include <vector>

#include "driver/parameter_scan.h"
#include "driver/run_options.h"

namespace ornaplex {

// Runs the scan of base over axes (in the order typed) and returns its exit status.
int runScanCommand(const RunOptions& base, const std::vector<ScanAxis>& axes, std::ostream& out,
                   const std::atomic<bool>* stop);

}  // namespace ornaplex
