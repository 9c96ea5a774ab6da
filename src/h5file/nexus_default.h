// The NeXus "default" chain of a histogram file, so that a NeXus viewer opens it on a plot:
// root @default = "run" -> /run (NXentry) @default = "detector_rotation" -> a soft link to
// /histograms/h3007, the rotation distribution at the detector (an NXdata group).
#pragma once

#include <hdf5.h>

namespace ornaplex {

// Id of the histogram a viewer shows first.
inline constexpr int kDefaultPlotId = 3007;
// Name of the link to it inside /run.
inline constexpr const char* kDefaultPlotLink = "detector_rotation";

// Adds the chain to an open histogram file (after its histograms and /run are written).
// Replaces any earlier default attributes and link, so calling it twice is harmless. Closes
// what it opens, checked. Throws h5::Failure when the file has no /run group or no
// /histograms/h<kDefaultPlotId>, or the library fails.
void addNexusDefault(hid_t file);

}  // namespace ornaplex
