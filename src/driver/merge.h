// `ornaplex merge OUT IN...`: adds partial files that together cover every block of a run into
// the run's output file, and writes the run's report as the whole run would have written it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ornaplex {

// The run log of a merge: OUT without its ".h5" ending, plus ".o" (h123.h5 -> h123.o).
std::string mergeLogName(const std::string& outPath);

// Refuses (InputError) inputs that disagree on the program version, seed, event count, block
// size, field, temperature, inputs, histogram booking or stream scheme (a file with none only
// merges with others without one), that overlap, or that leave blocks out; and (OutputError) an
// OUT or a log that already exists. Writes the screen lines to screen, the log next to OUT,
// long-path lines to fort.18 in OUT's directory. Returns 0.
int runMerge(const std::string& outPath, const std::vector<std::string>& inputs,
             std::ostream& screen);

}  // namespace ornaplex
