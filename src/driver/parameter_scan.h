// A parameter scan: the run options --temperature and --field take a list ("0.05,0.1,0.2") or a
// range ("0.8:2.4:5", five points with both ends), and several give their product. Each point is
// a full run in its own directory under --output-dir, with its own seed derived from the scan's,
// one after another (each on every core, or over the ranks under mpirun). The scan writes a
// table with one line per point: scan.csv, and scan.h5 with one NXdata per report value.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_options.h"

namespace ornaplex {

// One scanned option and its values, as texts the option reads.
struct ScanAxis {
  std::string option;  // "--temperature" or "--field"
  std::vector<std::string> values;
};

// The options that may be scanned.
inline constexpr std::string_view kScannedOptions[] = {"--temperature", "--field"};

// The values of a scanned option's text: empty for a single value; a list "a,b,c" or a range
// "lo:hi:n" (n >= 2 evenly spaced values, both ends included). Throws UsageError naming the
// option and the text for an empty item or a range that is not lo:hi:n.
std::optional<ScanAxis> scanAxisOf(std::string_view option, std::string_view text);

// The seed of point k of a scan with this seed: a fixed mix of both, 1..2147483647.
std::int32_t pointSeed(std::int32_t scanSeed, std::int64_t point);

// Runs every point not finished yet (a point whose directory holds its complete histogram file
// is read back, not run again) and writes the table. Returns 0, or kInterruptedExitCode when
// stop ended a point early: the finished points stay, the table holds them, and running the
// same command again completes the rest. base holds every other option; its seed, when given,
// is the scan's (else one is drawn from the clock and printed).
int runScan(const RunOptions& base, const std::vector<ScanAxis>& axes, std::ostream& screen,
            const std::atomic<bool>* stop);

}  // namespace ornaplex
