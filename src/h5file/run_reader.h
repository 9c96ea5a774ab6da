// Reading back a histogram file's run description: the /run attributes and /run/summary.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "h5file/histogram_file.h"

namespace ornaplex {

// The run group of a written file, as read back.
struct StoredRun {
  std::vector<Attribute> attributes;  // /run attributes except NX_class and default, by name
  std::vector<SummaryValue> summary;  // /run/summary datasets, in the order they were written
};

// Reads /run of a histogram file. Attributes that are neither a scalar string nor a scalar
// number are skipped. Throws InputError naming the file on a missing file, a file that is not
// HDF5, a missing /run group, or a summary entry that is not a numeric scalar.
StoredRun readStoredRun(const std::string& path);

// Looks a value up by name.
std::optional<Attribute> findAttribute(const StoredRun& run, const std::string& name);
std::optional<SummaryValue> findSummary(const StoredRun& run, const std::string& name);

}  // namespace ornaplex
