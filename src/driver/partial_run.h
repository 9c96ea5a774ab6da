// Partial results: the per-block results of some of a run's blocks, as a partial file holds
// them, and back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/block_runner.h"
#include "driver/run_report.h"
#include "h5file/partial_file.h"

namespace ornaplex {

// Collects the results of a range of blocks, in block order. Results from block 0 on are
// added into one head record as the whole run adds them (so an interrupted run of any length
// keeps one record); results of a range starting later are kept one record per block.
class PartialCollector {
 public:
  void add(const BlockResult& r);
  // The partial file's contents: the run's description, the blocks asked for, whether the run
  // was interrupted, the histograms of the blocks collected.
  PartialContents contents(const RunDescription& run, std::int64_t firstAsked,
                           std::int64_t lastAsked, bool interrupted,
                           const HistogramStore& store) const;
  std::int64_t blocks() const { return blocks_; }

 private:
  std::vector<PartialRecord> records_;
  std::vector<PartialLine> lines_;
  std::int64_t blocks_ = 0;
};

PartialRecord recordOf(const BlockResult& r);
// A record and its lines (in event order) as a result to report.
BlockResult resultOf(const PartialRecord& record, const std::vector<PartialLine>& lines);

// The run description a partial file holds; throws InputError naming the file and the
// attribute when one is missing or of the wrong kind.
RunDescription describedRun(const PartialContents& c, const std::string& path);

// A digest of the store's booking: ids, kinds, titles and binnings in booking order.
std::string bookingDigest(const HistogramStore& store);

// Name of the partial file of blocks first..last: h<seed>-b<first>-<last>.h5 (first free).
std::string partialFileBase(std::int32_t seed, std::int64_t first, std::int64_t last);

}  // namespace ornaplex
