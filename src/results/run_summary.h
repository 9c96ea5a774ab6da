// The run's counters and tallies as the named scalars of a histogram file's /run/summary, and
// back. One table names every value, so the writer and the readers agree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "h5file/histogram_file.h"
#include "h5file/partial_file.h"
#include "target/tallies.h"

namespace ornaplex {

// Counters by their field name (tar1In, ...); each tally as <name>_S, <name>_Q, <name>_N, in the
// order of kCounterFields and kTallyFields. A weighted run's summary then adds the weighted
// parts: each counter's <name>_W, <name>_WW, then each tally's <name>_W, <name>_WW, <name>_SW.
// A run of mirror pairs (weighted or not) adds the weighted parts and then its cross sums: each
// tally pair's <name>_SS, <name>_SW, <name>_WS, <name>_WW (kTallyPairFields) and
// tar1Tar2EnergyChanged_WW.
std::vector<SummaryValue> summaryValues(const Counters& c, const Tallies& t, bool weighted,
                                        bool pairs = false);

struct RunTotals {
  Counters counters;
  Tallies tallies;
  bool weighted = false;  // the weighted parts were read (they are zero otherwise)
  bool pairs = false;     // the cross sums of a run of mirror pairs were read
};

// Rebuilds the counters and tallies. Returns nothing when the list holds none of the names
// (a file written without a summary); throws InputError naming the value when only some are
// there or one has the wrong kind (a count that is not an integer). Unknown names are ignored.
// The weighted parts are read when the summary holds any of them, and then must all be there;
// so are the cross sums of a run of mirror pairs.
std::optional<RunTotals> totalsFromSummary(const std::vector<SummaryValue>& summary);

// The same values as a partial file's record columns (in the summary's order), weighted parts
// and cross sums included, and back. Whether the file holds them is PartialContents::weighted
// and ::pairs: totalsOfRecord leaves RunTotals::weighted and ::pairs false.
PartialRecord recordOfTotals(std::int64_t first, std::int64_t last, const Counters& c,
                             const Tallies& t);
RunTotals totalsOfRecord(const PartialRecord& record);

}  // namespace ornaplex
