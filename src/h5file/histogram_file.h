// The histogram file: every histogram of a store plus the run's description, in HDF5.
//
// Layout (read by other programs; keep it stable):
//   /histograms                 histograms in booking order (link creation order is tracked)
//     h<ID>                     group: NX_class "NXdata", signal "counts", axes "x" (1-D) or
//                               ["x", "y"] (2-D), id (int32), title (exact text), entries (int64)
//       counts                  float64 [nx] or [nx, ny], in-range bins only, gzip
//       x, x_edges              bin centres [nx] and edges [nx + 1]; 2-D also y, y_edges
//       1-D: group attributes underflow, overflow (float64)
//       2-D: flow               float64 3x3: x under/in/over by y under/in/over; the centre is
//                               the in-range total
//       2-D: slots              float64 [nx + 2, ny + 2], every slot including the out-of-range
//                               strips, gzip (the flow table sums the strips; this keeps them)
//     weighted histograms only (every fill with a weight; slots hold sums of weights):
//       counts                  the sums of weights; errors the square root of squares
//       squares                 float64 [nx + 2] (underflow, bins, overflow) or [nx + 2, ny + 2]
//                               (as slots): the sums of squared weights, gzip
//       counts_exact,           int64 [nx + 2, 2] or [nx + 2, ny + 2, 2]: the sums of weights
//       squares_exact           and of squared weights as exact 128-bit integers in units of
//                               2^-64 per slot, high word then low word (as unsigned), gzip;
//                               read back, the store adds up to the same bits as the run's
//   /run                        NX_class "NXentry" and the caller's attributes
//     summary                   the caller's scalar datasets (int64, float64)
// Strings are variable-length UTF-8. The root may carry the caller's attributes ("default").
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "h5file/published_file.h"
#include "histogram/histogram.h"

namespace ornaplex {

// A named attribute value for /run or the file root.
struct Attribute {
  std::string name;
  std::variant<std::string, std::int64_t, double> value;
};

// A named scalar written as a dataset under /run/summary.
struct SummaryValue {
  std::string name;
  std::variant<std::int64_t, double> value;
};

// Writes store to a new file under name and returns the path written. The file appears
// complete or not at all (published_file.h): built in memory, written to a temporary file in
// the same directory and then given its name, never replacing an existing file; a numbered name
// takes the next free number when its name is taken meanwhile. Throws OutputError naming the
// file and the reason.
std::string writeHistogramFile(const NewFileName& name, const HistogramStore& store,
                               const std::vector<Attribute>& runAttributes = {},
                               const std::vector<SummaryValue>& summary = {},
                               const std::vector<Attribute>& rootAttributes = {});
// The same at exactly path.
std::string writeHistogramFile(const std::string& path, const HistogramStore& store,
                               const std::vector<Attribute>& runAttributes = {},
                               const std::vector<SummaryValue>& summary = {},
                               const std::vector<Attribute>& rootAttributes = {});

// Reads every histogram of a file into a store, in booking order. A 2-D histogram without
// the slots dataset gets each out-of-range strip's total in the strip's first slot. A file of
// weighted histograms (with squares) gives a weighted store with its exact sums. Throws
// InputError naming the file (and the id) on a missing file or a layout it cannot read.
HistogramStore readHistogramFile(const std::string& path);

// Reads one input histogram (/histograms/h<id>, 1-D). Only counts and x_edges are required;
// title, entries, underflow and overflow are read when present. Refuses (InputError naming
// the file and the id) a missing file or id, a layout it cannot read, unequal bins, and a
// negative, NaN or infinite content; also a zero total unless requirePositiveTotal is false
// (histograms that are loaded but never sampled).
Histogram1D readInputHistogram(const std::string& path, int id, bool requirePositiveTotal = true);

}  // namespace ornaplex
