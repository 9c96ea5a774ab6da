#include "commands/scan.h"

namespace ornaplex {

int runScanCommand(const RunOptions& base, const std::vector<ScanAxis>& axes, std::ostream& out,
                   const std::atomic<bool>* stop) {
  return runScan(base, axes, out, stop);
}

}  // namespace ornaplex
