// The NeXus "default" chain of a histogram file, so that a NeXus viewer opens it on a plot:
// root @default = "run" -> /run (NXentry) @default = "detector_rotation" -> a soft link to
// /histograms/h3007, the rotation distribution at the detector (an NXdata group).
#pragma once

#include <string>

namespace ornaplex {

// Id of the histogram a viewer shows first.
inline constexpr int kDefaultPlotId = 3007;
// Name of the link to it inside /run.
inline constexpr const char* kDefaultPlotLink = "detector_rotation";

// Adds the chain to an existing histogram file (after writeHistogramFile). Replaces any
// earlier default attributes and link, so calling it twice is harmless. Throws OutputError
// naming the file when it cannot be opened for writing or has no /run group or no
// /histograms/h<kDefaultPlotId>.
void addNexusDefault(const std::string& path);

}  // namespace ornaplex
