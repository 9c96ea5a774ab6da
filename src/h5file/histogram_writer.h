// The writing half of the histogram file (layout in histogram_file.h): the contents go into an
// HDF5 file the caller opened, so another writer (the partial file) can add its own groups to
// the same file before it is published.
#pragma once

#include <vector>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/histogram_file.h"

namespace ornaplex {

// Writes every histogram of store, /run with its attributes and summary, the root's attributes
// and (when store holds the detector rotation) the NeXus default chain into file. Every object
// it opens is closed, checked. Throws h5::Failure naming what failed.
void writeHistogramContents(hid_t file, const HistogramStore& store,
                            const std::vector<Attribute>& runAttributes,
                            const std::vector<SummaryValue>& summary,
                            const std::vector<Attribute>& rootAttributes);

// The error for a histogram-file writer that failed inside the library: names the file, the
// reason and what to do.
OutputError libraryWriteError(const std::string& what, const std::string& path,
                              const std::string& why);

}  // namespace ornaplex
