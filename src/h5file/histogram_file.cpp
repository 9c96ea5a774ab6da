#include "h5file/histogram_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <random>
#include <system_error>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/nexus_default.h"
#include "h5file/readable_file.h"

namespace ornaplex {

namespace {

using h5::Handle;

std::string groupName(int id) {
  return "h" + std::to_string(id);
}

// ---------------------------------------------------------------------------------------------

// Reading. Errors inside carry the reason; the callers turn them into InputError.
struct LayoutError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Axis readAxis(hid_t g, const std::string& name, hsize_t bins) {
  std::vector<hsize_t> dims;
  const std::vector<double> e = h5::readDataset(g, name + "_edges", dims);
  if (dims.size() != 1 || dims[0] != bins + 1) {
    throw LayoutError(name + "_edges does not hold bins + 1 = " + std::to_string(bins + 1) +
                      " edges");
  }
  for (hsize_t k = 0; k <= bins; ++k) {
    if (!std::isfinite(e[k]) || (k > 0 && !(e[k] > e[k - 1]))) {
      throw LayoutError(name + "_edges are not finite and increasing");
    }
  }
  const Axis a{static_cast<int>(bins), e.front(), e.back()};
  // Equal widths: every edge within 1e-4 of a bin width of where equal bins put it.
  for (hsize_t k = 1; k < bins; ++k) {
    if (std::fabs(e[k] - a.lowEdge(static_cast<int>(k))) > 1e-4 * a.width()) {
      throw LayoutError(name + "_edges are not equally spaced (edge " + std::to_string(k) + ")");
    }
  }
  return a;
}

std::string optionalTitle(hid_t g) {
  return h5::hasAttribute(g, "title") ? h5::readStringAttribute(g, "title") : std::string();
}

std::int64_t optionalEntries(hid_t g) {
  return h5::hasAttribute(g, "entries") ? h5::readIntegerAttribute(g, "entries") : 0;
}

void checkId(hid_t g, int id) {
  if (h5::hasAttribute(g, "id") && h5::readIntegerAttribute(g, "id") != id) {
    throw LayoutError("its id attribute says " + std::to_string(h5::readIntegerAttribute(g, "id")));
  }
}

Histogram1D read1D(hid_t g, int id, const std::vector<double>& counts, hsize_t n) {
  Histogram1D h(id, optionalTitle(g), readAxis(g, "x", n));
  std::vector<double> s(h.slots().size());
  std::copy(counts.begin(), counts.end(), s.begin() + 1);
  if (h5::hasAttribute(g, "underflow")) s.front() = h5::readDoubleAttribute(g, "underflow");
  if (h5::hasAttribute(g, "overflow")) s.back() = h5::readDoubleAttribute(g, "overflow");
  h.setContents(std::move(s), optionalEntries(g));
  return h;
}

Histogram2D read2D(hid_t g, int id, const std::vector<double>& counts, hsize_t nx, hsize_t ny) {
  Histogram2D h(id, optionalTitle(g), readAxis(g, "x", nx), readAxis(g, "y", ny));
  const hsize_t sy = ny + 2;
  std::vector<double> s(h.slots().size());
  std::vector<hsize_t> dims;
  if (h5::hasLink(g, "slots")) {
    s = h5::readDataset(g, "slots", dims);
    if (dims.size() != 2 || dims[0] != nx + 2 || dims[1] != ny + 2) {
      throw LayoutError("slots is not (nx + 2) x (ny + 2)");
    }
  } else {
    const std::vector<double> flow = h5::readDataset(g, "flow", dims);
    if (dims.size() != 2 || dims[0] != 3 || dims[1] != 3) throw LayoutError("flow is not 3x3");
    // Without the slots each strip's total goes to the strip's first slot.
    const hsize_t rx[3] = {0, 1, nx + 1};
    const hsize_t ry[3] = {0, 1, ny + 1};
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) {
        if (a != 1 || b != 1) s[rx[a] * sy + ry[b]] = flow[static_cast<std::size_t>(3 * a + b)];
      }
    }
  }
  for (hsize_t i = 0; i < nx; ++i) {
    for (hsize_t j = 0; j < ny; ++j) {
      const double c = counts[i * ny + j];
      double& slot = s[(i + 1) * sy + j + 1];
      if (!(slot == c || (std::isnan(slot) && std::isnan(c)))) {
        if (h5::hasLink(g, "slots")) throw LayoutError("slots and counts disagree");
        slot = c;
      }
    }
  }
  h.setContents(std::move(s), optionalEntries(g));
  return h;
}

std::string shapeText(const std::vector<hsize_t>& dims) {
  std::string text;
  for (hsize_t d : dims) text += (text.empty() ? "[" : ", ") + std::to_string(d);
  return text + "]";
}

// A weighted histogram's sums (histogram_writer.cpp): squares over every slot (slotDims) and,
// when present, both sums exactly; without them the exact sums are taken from the doubles. The
// first histogram decides whether the store is weighted; the others must agree.
template <class H>
void readWeightSums(hid_t g, H& h, const std::vector<hsize_t>& slotDims, HistogramStore& store) {
  const bool has = h5::hasLink(g, "squares");
  if (store.ids().empty() && has) store.enableWeights();
  if (has != store.weighted()) {
    throw LayoutError(has ? "it carries squares (weighted) and the histograms before it do not"
                          : "it has no squares and the histograms before it carry them (weighted)");
  }
  if (!has) return;
  h.enableWeights();
  std::vector<hsize_t> dims;
  std::vector<double> squares = h5::readDataset(g, "squares", dims);
  if (dims != slotDims) throw LayoutError("squares is not " + shapeText(slotDims));
  h.setSquares(std::move(squares));
  if (!h5::hasLink(g, "counts_exact")) {
    h.takeSlotsAsExact();
    return;
  }
  std::vector<hsize_t> pairs(slotDims.size() + 1, 2);  // slotDims, then 2 words
  std::copy(slotDims.begin(), slotDims.end(), pairs.begin());
  auto readExact = [&](const std::string& name) {
    const std::vector<std::int64_t> words = h5::readInt64Dataset(g, name, dims);
    if (dims != pairs) throw LayoutError(name + " is not " + shapeText(pairs));
    std::vector<FixedSum> sums(words.size() / 2);
    for (std::size_t k = 0; k < sums.size(); ++k) {
      sums[k] = fromWords(words[2 * k], static_cast<std::uint64_t>(words[2 * k + 1]));
    }
    return sums;
  };
  const std::vector<double> counts = h.slots();
  const std::vector<double> squaresRead = h.squares();
  h.setExactSums(readExact("counts_exact"), readExact("squares_exact"));
  if (h.slots() != counts || h.squares() != squaresRead) {
    throw LayoutError("the exact sums disagree with the counts or squares");
  }
}

std::optional<int> idFromName(const std::string& name) {
  if (name.size() < 2 || name[0] != 'h') return std::nullopt;
  try {
    std::size_t used = 0;
    const int id = std::stoi(name.substr(1), &used);
    if (used + 1 != name.size() || groupName(id) != name) return std::nullopt;
    return id;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

HistogramStore readHistogramFile(const std::string& path) {
  h5::silenceErrorPrinting();
  const std::string what = "the histogram file " + path;
  const Handle f = openHdf5ForReading(path, what);
  HistogramStore store;
  std::string current = "the histogram list";
  try {
    const Handle hists(H5Gopen2(f.get(), "histograms", H5P_DEFAULT), H5Gclose,
                       "open group /histograms");
    for (const std::string& name : h5::linkNamesInOrder(hists.get(), "list histograms")) {
      current = "/histograms/" + name;
      const std::optional<int> id = idFromName(name);
      if (!id) throw LayoutError("the name is not h<id>");
      const Handle g(H5Gopen2(hists.get(), name.c_str(), H5P_DEFAULT), H5Gclose, "open " + name);
      checkId(g.get(), *id);
      std::vector<hsize_t> dims;
      const std::vector<double> counts = h5::readDataset(g.get(), "counts", dims);
      if (dims.size() == 1 && dims[0] > 0) {
        Histogram1D h = read1D(g.get(), *id, counts, dims[0]);
        readWeightSums(g.get(), h, {dims[0] + 2}, store);
        store.add(std::move(h));
      } else if (dims.size() == 2 && dims[0] > 0 && dims[1] > 0) {
        Histogram2D h = read2D(g.get(), *id, counts, dims[0], dims[1]);
        readWeightSums(g.get(), h, {dims[0] + 2, dims[1] + 2}, store);
        store.add(std::move(h));
      } else {
        throw LayoutError("counts is neither 1-D nor 2-D");
      }
    }
  } catch (const InputError&) {
    throw;
  } catch (const std::exception& e) {
    throw InputError("cannot read " + current + " of " + path + " (" + e.what() +
                     ") give a histogram file written by ornaplex");
  }
  return store;
}

Histogram1D readInputHistogram(const std::string& path, int id, bool requirePositiveTotal) {
  h5::silenceErrorPrinting();
  const std::string what = "input histogram " + std::to_string(id) + " from " + path;
  const Handle f = openHdf5ForReading(path, what);
  const std::string where = "/histograms/" + groupName(id);
  std::optional<Histogram1D> h;
  try {
    if (!h5::hasLink(f.get(), "histograms") || !h5::hasLink(f.get(), where)) {
      throw InputError("cannot read " + what + " (the file holds no " + where +
                       ") give a file that holds histogram " + std::to_string(id));
    }
    const Handle g(H5Gopen2(f.get(), where.c_str(), H5P_DEFAULT), H5Gclose, "open " + where);
    checkId(g.get(), id);
    std::vector<hsize_t> dims;
    const std::vector<double> counts = h5::readDataset(g.get(), "counts", dims);
    if (dims.size() != 1 || dims[0] == 0) throw LayoutError("counts is not a 1-D list of bins");
    h.emplace(read1D(g.get(), id, counts, dims[0]));
  } catch (const InputError&) {
    throw;
  } catch (const std::exception& e) {
    throw InputError("cannot read " + what + " (" + e.what() +
                     ") give a 1-D histogram in the ornaplex layout");
  }
  double total = 0.0;
  for (int k = 0; k < h->axis().bins; ++k) {
    const double c = h->content(k);
    if (!std::isfinite(c) || c < 0.0) {
      char value[32];
      std::snprintf(value, sizeof value, "%g", c);
      throw InputError("cannot use " + what + " (bin " + std::to_string(k + 1) + " holds " + value +
                       "; contents must be finite and non-negative) correct the table");
    }
    total += c;
  }
  if (requirePositiveTotal && !(total > 0.0)) {
    throw InputError("cannot use " + what +
                     " (all its bins are empty; nothing can be drawn from it) give a histogram "
                     "with a positive total");
  }
  return std::move(*h);
}

}  // namespace ornaplex
