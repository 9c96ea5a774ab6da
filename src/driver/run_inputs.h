// The run's input histograms: the wavelength spectrum (id 100, lam.h5), the two field-gradient
// histograms (ids 151 and 152, gradx.h5, loaded only) and S(q) (id 301, sq.h5). Each file is
// read from the current directory, and from the data directory when it is not there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "histogram/histogram.h"

namespace ornaplex {

struct InputFile {
  std::string role;  // "lam", "gradx", "sq"
  std::string path;  // as read
  std::string sha256;
};

struct RunInputs {
  std::optional<Histogram1D> wavelength;       // 100
  std::optional<Histogram1D> gradient151;      // loaded only
  std::optional<Histogram1D> gradient152;      // loaded only
  std::optional<Histogram1D> structureFactor;  // 301
  std::vector<InputFile> files;
  std::vector<std::string> warnings;  // absent optional inputs
};

// Loads and checks every input; throws InputError naming the file and the id when a sampled
// input is missing or unusable.
RunInputs loadRunInputs(const std::string& dataDir);

// Where an input file is read from: ./name when anything of that name is there (a broken link
// too, which is then refused with its reason), else dataDir/name.
std::string locateInput(const std::string& name, const std::string& dataDir);

}  // namespace ornaplex
