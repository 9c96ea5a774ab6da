// The writing half of the histogram file (layout in histogram_file.h): the contents go into an
// HDF5 file the caller opened, so another writer (the partial file) can add its own groups to
// the same file before it is published.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/histogram_file.h"
#include "h5file/published_file.h"

namespace ornaplex {

// Writes every histogram of store, /run with its attributes and summary, the root's attributes
// and (when store holds the detector rotation) the NeXus default chain into file. Beside the
// layout of histogram_file.h, a 2-D map's NXdata signal is image, its counts as [y bin][x bin]
// with image_errors (no errors), axes ["y", "x"], so that viewers draw it x across as the
// plots do; a histogram the plots draw on a log scale carries the viewers' hint SILX_style. Every
// object it opens is closed, checked. Throws h5::Failure naming what failed.
void writeHistogramContents(hid_t file, const HistogramStore& store,
                            const std::vector<Attribute>& runAttributes,
                            const std::vector<SummaryValue>& summary,
                            const std::vector<Attribute>& rootAttributes);

// Builds a new file in memory with fill(file) and publishes it under name (published_file.h):
// complete or not at all. what names the file in messages ("partial file"). Returns the path
// published; throws OutputError naming the file and the reason.
std::string publishBuiltFile(const NewFileName& name, const std::string& what,
                             const std::function<void(hid_t)>& fill);

}  // namespace ornaplex
