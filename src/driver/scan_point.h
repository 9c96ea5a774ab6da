// A scan point's directory: its finished file, the partial files of an interrupted run of it,
// and files that cannot be read. Each file is checked against the point's settings before it is
// used: one of another run refuses the scan, a damaged one is set aside and the point run again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "h5file/histogram_file.h"

namespace ornaplex {

struct PointFiles {
  bool finished = false;              // dir/h<seed>.h5 holds the point's run
  std::vector<std::string> partials;  // partial files holding blocks 0 to nextBlock - 1, in order
  std::int64_t nextBlock = 0;         // the first block none of them holds
  std::vector<std::string> empty;     // partial files of an interrupted run with no block
  std::vector<std::string> damaged;   // files of the point that cannot be read, with the reasons
  std::vector<std::string> reasons;
};

// Looks at dir for the point of this seed whose run is described by expected (/run attributes;
// its identity settings are compared). Reads only. Throws InputError naming the file and the
// first setting that differs when a file there holds another run.
PointFiles examinePoint(const std::string& dir, std::int32_t seed,
                        const std::vector<Attribute>& expected);

// Moves path aside as path.damaged (or .damaged-1, ...), never deleting it; returns the new name.
std::string setAside(const std::string& path);

// Moves files into dir/superseded (created when needed) without replacing any file there;
// returns the folder.
std::string moveSuperseded(const std::string& dir, const std::vector<std::string>& files);

// The files a point's interrupted run left that a finished point no longer needs: its run logs
// (ornaplex-*.o) and long-path files (fort.18*).
std::vector<std::string> interruptedLeftovers(const std::string& dir);

}  // namespace ornaplex
