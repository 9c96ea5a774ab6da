// A partial result file: the histograms and the per-block results of some of a run's blocks,
// which `ornaplex merge` adds up into the run's output file and report.
//
// Layout (a histogram file, see histogram_file.h, plus the blocks):
//   /histograms                 the histograms of the blocks held, as in the output file
//   /run                        partial = 1, interrupted = 0 or 1, and the run's description
//                               (seed, events, block_size, first_block, last_block, version,
//                               field_mG, temperature_K, start_time, input_<role>,
//                               input_<role>_sha256, inputs (the roles in order), warnings,
//                               booking_sha256 (a digest of the histogram bookings), ...)
//   /blocks                     one row per record, in block order
//     index                     int64 [n]: the record's first block
//     last                      int64 [n]: its last block; equal to index, except for the head
//                               of a run (a record from block 0 whose sums were added block by
//                               block in block order, exactly as the whole run adds them)
//     counters                  int64 [n, 13]: the run counters, in the order of kCounterFields
//     tally_sums                float64 [n, 8, 2]: S and Q of the eight tallies (kTallyFields)
//     tally_counts              int64 [n, 8]: N of the eight tallies
//     counter_weights           float64 [n, 13, 2]: W and WW of each counter (weighted runs only)
//     tally_weights             float64 [n, 8, 3]: W, WW and SW of each tally (weighted runs only)
//     pair_sums                 float64 [n, 9]: SS, SW, WS, WW of each tally pair
//                               (kTallyPairFields), then tar1Tar2EnergyChanged (mirror pairs only)
//     lines                     group: the lines the events printed, in event order
//       event                   int64 [m]: the event that printed the line
//       channel                 int8 [m]: 0 screen, 1 run log, 2 long-path file
//       block                   int64 [m]: index of the record holding the event
//       text                    variable-length UTF-8 [m]
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "h5file/histogram_file.h"
#include "histogram/histogram.h"
#include "target/tallies.h"  // the field counts only

namespace ornaplex {

inline constexpr int kPartialCounters = int(kCounterCount);
inline constexpr int kPartialTallies = int(kTallyCount);
inline constexpr int kPartialPairSums = 4 * int(kTallyPairCount) + 1;

// The results of one block, or of a run's head from block 0 through last.
struct PartialRecord {
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::array<std::int64_t, kPartialCounters> counters{};
  std::array<double, 2 * kPartialTallies> sums{};  // S, Q of tally 0, S, Q of tally 1, ...
  std::array<std::int64_t, kPartialTallies> counts{};
  // Weighted runs: W, WW of counter 0, W, WW of counter 1, ...; W, WW, SW of tally 0, ...
  std::array<double, 2 * kPartialCounters> counterWeights{};
  std::array<double, 3 * kPartialTallies> tallyWeights{};
  // Mirror-pair runs: the cross sums of each tally pair, then the cells' energy-changed one.
  std::array<double, kPartialPairSums> pairSums{};
};

enum class LineChannel : std::int8_t { Screen = 0, Log = 1, LongPath = 2 };

struct PartialLine {
  std::int64_t event = 0;
  LineChannel channel = LineChannel::Screen;
  std::int64_t block = 0;  // first block of the record the event belongs to
  std::string text;
};

struct PartialContents {
  HistogramStore store;
  std::vector<Attribute> run;  // /run attributes as read (or to write)
  std::vector<PartialRecord> records;
  std::vector<PartialLine> lines;
  // The records' weighted parts are written (counter_weights, tally_weights) and were read.
  bool weighted = false;
  // The records' cross sums of a run of mirror pairs are written (pair_sums) and were read.
  bool pairs = false;

  // The /run attribute of that name; nullptr when absent.
  const Attribute* attribute(const std::string& name) const;
};

// Writes a new partial file under name (histogram_file.h, writeHistogramFile: complete or not
// at all, never replacing an existing file) and returns the path written. Throws OutputError
// naming the file and the reason.
std::string writePartialFile(const NewFileName& name, const PartialContents& contents);
std::string writePartialFile(const std::string& path, const PartialContents& contents);

// Reads a partial file. Throws InputError naming the file when it is missing, not a partial
// file, or its blocks are unreadable or inconsistent (rows out of order or overlapping, a row
// spanning several blocks that does not start at block 0, lines of an unknown row).
PartialContents readPartialFile(const std::string& path);

}  // namespace ornaplex
