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
std::vector<SummaryValue> summaryValues(const Counters& c, const Tallies& t, bool weighted);

struct RunTotals {
  Counters counters;
  Tallies tallies;
  bool weighted = false;  // the weighted parts were read (they are zero otherwise)
};

// Rebuilds the counters and tallies. Returns nothing when the list holds none of the names
// (a file written without a summary); throws InputError naming the value when only some are
// there or one has the wrong kind (a count that is not an integer). Unknown names are ignored.
// The weighted parts are read when the summary holds any of them, and then must all be there.
std::optional<RunTotals> totalsFromSummary(const std::vector<SummaryValue>& summary);

// The same values as a partial file's record columns (in the summary's order), weighted parts
// included, and back. Whether the file holds the weighted parts is PartialContents::weighted:
// totalsOfRecord leaves RunTotals::weighted false.
PartialRecord recordOfTotals(std::int64_t first, std::int64_t last, const Counters& c,
                             const Tallies& t);
RunTotals totalsOfRecord(const PartialRecord& record);

}  // namespace ornaplex
