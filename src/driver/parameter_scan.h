// A parameter scan: every scannable run setting (run_settings.h: the temperature, the field, the
// model, the bias angle and splits) takes a list ("0.05,0.1,0.2"; "standard,jacobian") and the
// numbers a range ("0.8:2.4:5", five points with both ends, in the decimals typed); several give
// their product, the first typed varying slowest. Each point is a full run in its own directory
// under --output-dir, with its own seed derived from the scan's, one after another (each on every
// core, or over the ranks under mpirun). The directory records the scan's settings
// (scan-settings.txt): the same command again completes the scan, resuming an interrupted point
// from its finished blocks, and any other command is refused before anything changes. The scan
// writes its table (scan.csv, scan.h5) and, when the model is scanned, the spread of every value
// over the models (scan-bracket.csv, and in scan.h5).
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
  std::string option;  // "--temperature"
  std::vector<std::string> values;
};

// The values of a scannable option's text: none for a single value; a list "a,b,c" or, for a
// number, a range "lo:hi:n" (n >= 2 values in equal steps, both ends included, in the decimals
// typed). Throws UsageError naming the option and the text as typed for an empty item or a range
// that is not lo:hi:n.
std::optional<ScanAxis> scanAxisOf(std::string_view option, std::string_view text);

// The seed of point k of a scan with this seed: a fixed mix of both, 1..2147483647.
std::int32_t pointSeed(std::int32_t scanSeed, std::int64_t point);

// The name of the file in a scan directory that records the scan's settings.
inline constexpr const char* kScanRecordName = "scan-settings.txt";

// Runs every point not finished yet and writes the tables. Returns 0, or kInterruptedExitCode
// when stop ended the scan early: the finished points stay, the tables hold them, and running the
// same command again completes the rest. base holds every other option; its seed, when given, is
// the scan's (else the directory's scan seed, or one drawn from the clock, and printed). Throws
// UsageError (another scan's directory) or InputError (a point file of another run) before
// anything is written.
int runScan(const RunOptions& base, const std::vector<ScanAxis>& axes, std::ostream& screen,
            const std::atomic<bool>* stop);

}  // namespace ornaplex
