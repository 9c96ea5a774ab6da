#include "h5file/histogram_writer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string_view>

#include "h5file/histogram_labels.h"
#include "h5file/nexus_default.h"
#include "h5file/published_file.h"

namespace ornaplex {

namespace {

using h5::Handle;

// The content ratios from which the plotting script draws a scale logarithmically
// (LOG_SPAN_1D, LOG_SPAN_2D in tools/plot_run.py).
constexpr double kLogSpan1D = 1.0e3;
constexpr double kLogSpan2D = 1.0e2;

std::string groupName(int id) {
  return "h" + std::to_string(id);
}

std::vector<double> edgesOf(const Axis& a) {
  std::vector<double> e(static_cast<std::size_t>(a.bins) + 1);
  for (int k = 0; k <= a.bins; ++k) e[static_cast<std::size_t>(k)] = a.lowEdge(k);
  return e;
}

std::vector<double> centresOf(const Axis& a) {
  std::vector<double> c(static_cast<std::size_t>(a.bins));
  for (int k = 0; k < a.bins; ++k) {
    c[static_cast<std::size_t>(k)] = 0.5 * (a.lowEdge(k) + a.lowEdge(k + 1));
  }
  return c;
}

// An axis with what it is: "rotation (mrad)" as long_name, "mrad" as units.
void writeAxis(hid_t g, const std::string& name, const Axis& a, std::string_view quantity,
               std::string_view units, std::string_view index) {
  const auto n = static_cast<hsize_t>(a.bins);
  std::string longName(quantity);
  if (!units.empty()) longName += " (" + std::string(units) + ")";
  if (!longName.empty() && !index.empty()) longName += ", " + std::string(index);
  const h5::TextAttributes labels = {{"long_name", longName}, {"units", std::string(units)}};
  h5::writeDataset(g, name, {n}, centresOf(a).data(), false, labels);
  h5::writeDataset(g, name + "_edges", {n + 1}, edgesOf(a).data(), false, labels);
}

const char* countsName(bool weighted) {
  return weighted ? "weighted neutrons per bin (sum of weights)" : "neutrons per bin";
}

// The statistical error of each count: the square root of the count (unweighted fills), or of
// the sum of squared weights (squares, the same bins, when weighted).
std::vector<double> errorsOf(const double* counts, std::size_t n, const double* squares) {
  const double* spread = squares ? squares : counts;
  std::vector<double> errors(spread, spread + n);
  for (double& e : errors) e = std::sqrt(e);
  return errors;
}

std::string errorsName(bool weighted) {
  return weighted ? "statistical error of the counts (square root of the sum of squared weights)"
                  : "statistical error of the counts (square root)";
}

// The counts, labelled, and their statistical errors, so that a viewer draws error bars.
void writeCounts(hid_t g, const std::vector<hsize_t>& dims, const double* counts, std::size_t n,
                 const double* squares) {
  h5::writeDataset(g, "counts", dims, counts, true, {{"long_name", countsName(squares)}});
  h5::writeDataset(g, "errors", dims, errorsOf(counts, n, squares).data(), true,
                   {{"long_name", errorsName(squares)}});
}

// Whether the pictures of `ornaplex plot` (tools/plot_run.py) draw these in-range contents on a
// logarithmic scale: none negative and the largest over the smallest non-zero at least span;
// for a map also when it is sparse (under 5 % of its bins filled) and holds more than single
// counts. Viewers get the same scale as a hint. NaN and infinite contents count as empty.
bool plotUsesLogScale(const std::vector<double>& contents, double span, bool map) {
  double smallest = std::numeric_limits<double>::infinity(), largest = 0.0;
  std::size_t filled = 0;
  for (double c : contents) {
    if (!std::isfinite(c)) continue;
    if (c < 0.0) return false;
    if (c > 0.0) {
      ++filled;
      smallest = std::min(smallest, c);
      largest = std::max(largest, c);
    }
  }
  if (filled == 0) return false;
  if (largest / smallest >= span) return true;
  return map && double(filled) < 0.05 * double(contents.size()) && largest > 1.0;
}

// The scale hint NeXus viewers of the silx family read.
void writeLogScaleHint(hid_t g) {
  h5::writeAttribute(g, "SILX_style", std::string(R"({"signal_scale_type": "log"})"));
}

// A weighted histogram's sums over every slot (dims: the slots, out-of-range ones included):
// the squared weights, and both sums exactly as 128-bit integers in units of 2^-64, each an
// int64 pair (high word, low word), so that a file read back adds up to the same bits.
template <class H>
void writeWeightSums(hid_t g, const std::vector<hsize_t>& dims, const H& h,
                     const std::string& layout) {
  h5::writeDataset(g, "squares", dims, h.squares().data(), true,
                   {{"long_name", "sum of squared weights per slot, " + layout}});
  std::vector<hsize_t> pairs(dims.size() + 1, 2);  // dims, then 2 words
  std::copy(dims.begin(), dims.end(), pairs.begin());
  const std::string exact =
      " exactly, in units of 2^-64 (a 128-bit integer per slot: [..., 0] its high 64 bits, "
      "[..., 1] its low 64 bits as unsigned), " +
      layout;
  auto write = [&](const std::string& name, const std::vector<FixedSum>& sums,
                   const std::string& what) {
    std::vector<std::int64_t> words;
    words.reserve(2 * sums.size());
    for (FixedSum v : sums) {
      words.push_back(highWord(v));
      words.push_back(static_cast<std::int64_t>(lowWord(v)));
    }
    h5::writeDataset(g, name, pairs, words.data(), true, {{"long_name", what + exact}});
  };
  write("counts_exact", h.exactCounts(), "sum of weights per slot");
  write("squares_exact", h.exactSquares(), "sum of squared weights per slot");
}

void writeCommon(hid_t g, int id, const std::string& title, std::int64_t entries,
                 const std::string& signal) {
  h5::writeAttribute(g, "NX_class", std::string("NXdata"));
  h5::writeAttribute(g, "signal", signal);
  h5::writeAttributeInt32(g, "id", id);
  h5::writeAttribute(g, "title", title);
  h5::writeAttribute(g, "entries", entries);
  if (const HistogramLabels* l = labelsOf(id))
    h5::writeAttribute(g, "description", std::string(l->description));
}

constexpr HistogramLabels kNoLabels{0, "", "", "", "", ""};
const HistogramLabels& labelsOrNone(int id) {
  const HistogramLabels* l = labelsOf(id);
  return l ? *l : kNoLabels;
}

void write1D(hid_t hists, const Histogram1D& h) {
  Handle g = h5::createGroup(hists, groupName(h.id()), false);
  writeCommon(g.get(), h.id(), h.title(), h.entries(), "counts");
  h5::writeAttribute(g.get(), "axes", std::string("x"));
  h5::writeAttribute(g.get(), "underflow", h.underflow());
  h5::writeAttribute(g.get(), "overflow", h.overflow());
  const auto n = static_cast<hsize_t>(h.axis().bins);
  writeCounts(g.get(), {n}, h.slots().data() + 1, std::size_t(n),
              h.weighted() ? h.squares().data() + 1 : nullptr);
  if (plotUsesLogScale({h.slots().begin() + 1, h.slots().end() - 1}, kLogSpan1D, false))
    writeLogScaleHint(g.get());
  if (h.weighted()) writeWeightSums(g.get(), {n + 2}, h, "underflow, the bins, overflow");
  const HistogramLabels& l = labelsOrNone(h.id());
  writeAxis(g.get(), "x", h.axis(), l.x, l.xUnits, "");
  g.close("close group " + groupName(h.id()));
}

// A map's counts stay as [x bin][y bin], the layout scripts read. The signal a viewer draws
// is image, the same counts as [y bin][x bin]: viewers draw the last index across and the
// first up the page, so the map appears as `ornaplex plot` draws it, x across, y up.
void write2D(hid_t hists, const Histogram2D& h) {
  Handle g = h5::createGroup(hists, groupName(h.id()), false);
  writeCommon(g.get(), h.id(), h.title(), h.entries(), "image");
  h5::writeAttribute(g.get(), "axes", std::vector<std::string>{"y", "x"});
  h5::writeAttributeInt32(g.get(), "x_indices", 1);
  h5::writeAttributeInt32(g.get(), "y_indices", 0);
  const int nx = h.axisX().bins;
  const int ny = h.axisY().bins;
  const auto cells = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
  std::vector<double> counts, squares, image(cells), imageSquares(h.weighted() ? cells : 0);
  counts.reserve(cells);
  double flow[3][3] = {};
  for (int sx = 0; sx <= nx + 1; ++sx) {
    const int fx = sx == 0 ? 0 : (sx <= nx ? 1 : 2);
    for (int sy = 0; sy <= ny + 1; ++sy) {
      const int fy = sy == 0 ? 0 : (sy <= ny ? 1 : 2);
      flow[fx][fy] += h.slot(sx, sy);
      if (fx == 1 && fy == 1) {
        const std::size_t pixel = std::size_t(sy - 1) * std::size_t(nx) + std::size_t(sx - 1);
        counts.push_back(h.slot(sx, sy));
        image[pixel] = h.slot(sx, sy);
        if (h.weighted()) {
          squares.push_back(h.squares()[std::size_t(sx * (ny + 2) + sy)]);
          imageSquares[pixel] = squares.back();
        }
      }
    }
  }
  const auto hx = static_cast<hsize_t>(nx);
  const auto hy = static_cast<hsize_t>(ny);
  h5::writeDataset(g.get(), "counts", {hx, hy}, counts.data(), true,
                   {{"long_name", std::string(countsName(h.weighted())) +
                                      ", counts[i][j] is x bin i, y bin j"}});
  h5::writeDataset(g.get(), "image", {hy, hx}, image.data(), true,
                   {{"long_name", countsName(h.weighted())},
                    {"interpretation", "image"},
                    {"layout", "the counts as image[j][i]: y bin j, x bin i"}});
  h5::writeDataset(
      g.get(), "image_errors", {hy, hx},
      errorsOf(image.data(), cells, h.weighted() ? imageSquares.data() : nullptr).data(), true,
      {{"long_name", errorsName(h.weighted())}});
  if (plotUsesLogScale(counts, kLogSpan2D, true)) writeLogScaleHint(g.get());
  const HistogramLabels& l = labelsOrNone(h.id());
  writeAxis(g.get(), "x", h.axisX(), l.x, l.xUnits, "");
  writeAxis(g.get(), "y", h.axisY(), l.y, l.yUnits, "");
  h5::writeDataset(g.get(), "flow", {3, 3}, &flow[0][0], false);
  h5::writeDataset(g.get(), "slots", {hx + 2, hy + 2}, h.slots().data(), true);
  if (h.weighted()) writeWeightSums(g.get(), {hx + 2, hy + 2}, h, "laid out as slots");
  g.close("close group " + groupName(h.id()));
}

void writeAttributes(hid_t obj, const std::vector<Attribute>& attributes) {
  for (const Attribute& a : attributes) {
    std::visit([&](const auto& v) { h5::writeAttribute(obj, a.name, v); }, a.value);
  }
}

}  // namespace

void writeHistogramContents(hid_t file, const HistogramStore& store,
                            const std::vector<Attribute>& runAttributes,
                            const std::vector<SummaryValue>& summary,
                            const std::vector<Attribute>& rootAttributes) {
  Handle root(H5Gopen2(file, "/", H5P_DEFAULT), H5Gclose, "open the root group");
  writeAttributes(root.get(), rootAttributes);
  root.close("close the root group");
  Handle hists = h5::createGroup(file, "histograms", true);
  for (int id : store.ids()) {
    if (store.is2D(id)) {
      write2D(hists.get(), store.h2(id));
    } else {
      write1D(hists.get(), store.h1(id));
    }
  }
  hists.close("close group histograms");
  Handle run = h5::createGroup(file, "run", false);
  h5::writeAttribute(run.get(), "NX_class", std::string("NXentry"));
  writeAttributes(run.get(), runAttributes);
  if (!summary.empty()) {
    Handle s = h5::createGroup(run.get(), "summary", true);
    for (const SummaryValue& v : summary) {
      std::visit([&](auto x) { h5::writeScalarDataset(s.get(), v.name, x); }, v.value);
    }
    s.close("close group summary");
  }
  run.close("close group run");
  // A viewer opens the file on the detector rotation.
  if (store.has(kDefaultPlotId)) addNexusDefault(file);
}

std::string publishBuiltFile(const NewFileName& name, const std::string& what,
                             const std::function<void(hid_t)>& fill) {
  h5::silenceErrorPrinting();
  // The name is taken (or refused) before anything is built.
  StagedFile file(name, what);
  std::vector<unsigned char> image;
  auto failed = [&](const std::string& why) {
    return OutputError("cannot write the " + what + " " + file.intendedPath() + " (" + why +
                       ") check that the disk and memory are sound and try again");
  };
  try {
    Handle f = h5::createMemoryFile(file.intendedPath());
    fill(f.get());
    image = h5::closeToImage(f);
  } catch (const h5::Failure& e) {
    throw failed(e.what());
  } catch (const std::bad_alloc&) {
    throw failed("out of memory");
  }
  file.write(image);
  return file.publish();
}

std::string writeHistogramFile(const NewFileName& name, const HistogramStore& store,
                               const std::vector<Attribute>& runAttributes,
                               const std::vector<SummaryValue>& summary,
                               const std::vector<Attribute>& rootAttributes) {
  return publishBuiltFile(name, "histogram file", [&](hid_t f) {
    writeHistogramContents(f, store, runAttributes, summary, rootAttributes);
  });
}

std::string writeHistogramFile(const std::string& path, const HistogramStore& store,
                               const std::vector<Attribute>& runAttributes,
                               const std::vector<SummaryValue>& summary,
                               const std::vector<Attribute>& rootAttributes) {
  return writeHistogramFile(NewFileName::exactly(path), store, runAttributes, summary,
                            rootAttributes);
}

}  // namespace ornaplex
