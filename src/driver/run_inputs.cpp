#include "driver/run_inputs.h"

#include <sys/stat.h>

#include <cmath>

#include "common/errors.h"
#include "driver/text_file.h"
#include "h5file/histogram_file.h"
#include "h5file/readable_file.h"
#include "h5file/sha256.h"

namespace ornaplex {

namespace {

// Anything by that name, a link that leads nowhere included: such a name is the user's choice and
// is read (and refused with its reason), never passed over for the shipped file.
bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string locateInput(const std::string& name, const std::string& dataDir) {
  if (exists(name) || dataDir.empty()) return name;
  return joinPath(dataDir, name);
}

RunInputs loadRunInputs(const std::string& dataDir) {
  RunInputs in;
  const std::string lam = locateInput("lam.h5", dataDir);
  in.wavelength = readInputHistogram(lam, 100);
  in.files.push_back({"lam", lam, sha256File(lam)});

  const std::string gradx = locateInput("gradx.h5", dataDir);
  if (exists(gradx)) {
    const std::string reason = unreadableReason(gradx);
    if (!reason.empty())
      throw InputError("cannot read the field-gradient histograms from " + gradx + " (" + reason +
                       ") fix or remove " + gradx);
    try {
      in.gradient151 = readInputHistogram(gradx, 151, false);
      in.gradient152 = readInputHistogram(gradx, 152, false);
      in.files.push_back({"gradx", gradx, sha256File(gradx)});
    } catch (const InputError& e) {
      in.warnings.push_back(std::string("warning: ") + e.what() +
                            " (the field-gradient histograms are only loaded) the run goes on");
    }
  } else {
    in.warnings.push_back("warning: " + gradx +
                          " not found (the field-gradient histograms are only loaded) the run "
                          "goes on");
  }

  const std::string sq = locateInput("sq.h5", dataDir);
  in.structureFactor = readInputHistogram(sq, 301);
  // The source finds the usable S(q) bins from 2k in bins of 0.04 1/Angstrom from 0 up to 3.6.
  const Axis& a = in.structureFactor->axis();
  if (a.low != 0.0 || std::fabs(a.width() - 0.04) > 1e-6 || a.bins < 90)
    throw InputError(sq + " histogram 301: S(q) binned " + std::to_string(a.bins) + " bins on [" +
                     std::to_string(a.low) + ", " + std::to_string(a.high) +
                     "] (the source needs at least 90 bins of 0.04 1/Angstrom from q = 0) "
                     "rebin the table");
  in.files.push_back({"sq", sq, sha256File(sq)});
  return in;
}

}  // namespace ornaplex
