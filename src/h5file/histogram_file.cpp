#include "h5file/histogram_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

void writeAxis(hid_t g, const std::string& name, const Axis& a) {
  const auto n = static_cast<hsize_t>(a.bins);
  h5::writeDataset(g, name, {n}, centresOf(a).data(), false);
  h5::writeDataset(g, name + "_edges", {n + 1}, edgesOf(a).data(), false);
}

Handle createGroup(hid_t loc, const std::string& name, bool trackOrder) {
  const Handle gcpl = h5::groupCreationList(trackOrder);
  return Handle(H5Gcreate2(loc, name.c_str(), H5P_DEFAULT, gcpl.get(), H5P_DEFAULT), H5Gclose,
                "create group " + name);
}

void writeCommon(hid_t g, int id, const std::string& title, std::int64_t entries) {
  h5::writeAttribute(g, "NX_class", std::string("NXdata"));
  h5::writeAttribute(g, "signal", std::string("counts"));
  h5::writeAttributeInt32(g, "id", id);
  h5::writeAttribute(g, "title", title);
  h5::writeAttribute(g, "entries", entries);
}

void write1D(hid_t hists, const Histogram1D& h) {
  const Handle g = createGroup(hists, groupName(h.id()), false);
  writeCommon(g.get(), h.id(), h.title(), h.entries());
  h5::writeAttribute(g.get(), "axes", std::string("x"));
  h5::writeAttribute(g.get(), "underflow", h.underflow());
  h5::writeAttribute(g.get(), "overflow", h.overflow());
  const auto n = static_cast<hsize_t>(h.axis().bins);
  h5::writeDataset(g.get(), "counts", {n}, h.slots().data() + 1, true);
  writeAxis(g.get(), "x", h.axis());
}

void write2D(hid_t hists, const Histogram2D& h) {
  const Handle g = createGroup(hists, groupName(h.id()), false);
  writeCommon(g.get(), h.id(), h.title(), h.entries());
  h5::writeAttribute(g.get(), "axes", std::vector<std::string>{"x", "y"});
  const int nx = h.axisX().bins;
  const int ny = h.axisY().bins;
  std::vector<double> counts;
  counts.reserve(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  double flow[3][3] = {};
  for (int sx = 0; sx <= nx + 1; ++sx) {
    const int fx = sx == 0 ? 0 : (sx <= nx ? 1 : 2);
    for (int sy = 0; sy <= ny + 1; ++sy) {
      const int fy = sy == 0 ? 0 : (sy <= ny ? 1 : 2);
      flow[fx][fy] += h.slot(sx, sy);
      if (fx == 1 && fy == 1) counts.push_back(h.slot(sx, sy));
    }
  }
  const auto hx = static_cast<hsize_t>(nx);
  const auto hy = static_cast<hsize_t>(ny);
  h5::writeDataset(g.get(), "counts", {hx, hy}, counts.data(), true);
  writeAxis(g.get(), "x", h.axisX());
  writeAxis(g.get(), "y", h.axisY());
  h5::writeDataset(g.get(), "flow", {3, 3}, &flow[0][0], false);
  h5::writeDataset(g.get(), "slots", {hx + 2, hy + 2}, h.slots().data(), true);
}

void writeAttributes(hid_t obj, const std::vector<Attribute>& attributes) {
  for (const Attribute& a : attributes) {
    std::visit([&](const auto& v) { h5::writeAttribute(obj, a.name, v); }, a.value);
  }
}

void writeContents(const std::string& file, const HistogramStore& store,
                   const std::vector<Attribute>& runAttributes,
                   const std::vector<SummaryValue>& summary,
                   const std::vector<Attribute>& rootAttributes) {
  Handle f(H5Fcreate(file.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT), H5Fclose,
           "create the file");
  {
    const Handle root(H5Gopen2(f.get(), "/", H5P_DEFAULT), H5Gclose, "open the root group");
    writeAttributes(root.get(), rootAttributes);
    const Handle hists = createGroup(f.get(), "histograms", true);
    for (int id : store.ids()) {
      if (store.is2D(id)) {
        write2D(hists.get(), store.h2(id));
      } else {
        write1D(hists.get(), store.h1(id));
      }
    }
    const Handle run = createGroup(f.get(), "run", false);
    h5::writeAttribute(run.get(), "NX_class", std::string("NXentry"));
    writeAttributes(run.get(), runAttributes);
    if (!summary.empty()) {
      const Handle s = createGroup(run.get(), "summary", true);
      for (const SummaryValue& v : summary) {
        std::visit([&](auto x) { h5::writeScalarDataset(s.get(), v.name, x); }, v.value);
      }
    }
  }
  f.close("write the file to disk");
}

// A temporary file next to the target, removed unless published.
class TemporaryFile {
 public:
  // Created with O_EXCL under a random name, with the permissions the umask gives new files.
  explicit TemporaryFile(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path t(target);
    fs::path dir = t.parent_path();
    if (dir.empty()) dir = ".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
      const std::string name = (dir / ("." + t.filename().string() + ".tmp-" + suffix)).string();
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        ::close(fd);
        name_ = name;
        return;
      }
      if (errno != EEXIST) break;
    }
    throw std::system_error(errno, std::generic_category(),
                            "cannot create a file in " + dir.string());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  const std::string& name() const { return name_; }
  void released() { name_.clear(); }

 private:
  std::string name_;
};

void syncFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) {
    const int e = errno;
    if (fd >= 0) ::close(fd);
    throw std::system_error(e, std::generic_category(), "cannot flush the file to disk");
  }
  ::close(fd);
}

// Gives the temporary file its final name without ever replacing an existing file.
void publish(TemporaryFile& tmp, const std::string& target) {
  if (::renameat2(AT_FDCWD, tmp.name().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    tmp.released();
    return;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    throw std::system_error(errno, std::generic_category(), "cannot give the file its name");
  }
  // A file system without the no-replace rename: a hard link fails if the target exists.
  if (::link(tmp.name().c_str(), target.c_str()) == 0) return;  // tmp is removed by its guard
  throw std::system_error(errno, std::generic_category(), "cannot give the file its name");
}

OutputError writeError(
    const std::string& path, const std::string& why,
    const std::string& todo = "check the directory exists, is writable and has space") {
  return OutputError("cannot write the histogram file " + path + " (" + why + ") " + todo);
}

constexpr const char* kExists = "a file of that name exists and is never overwritten";
constexpr const char* kExistsTodo = "move the old file away or choose another name";

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
  std::copy(counts.begin(), counts.end(), h.slots().begin() + 1);
  if (h5::hasAttribute(g, "underflow")) h.slots().front() = h5::readDoubleAttribute(g, "underflow");
  if (h5::hasAttribute(g, "overflow")) h.slots().back() = h5::readDoubleAttribute(g, "overflow");
  h.setEntries(optionalEntries(g));
  return h;
}

Histogram2D read2D(hid_t g, int id, const std::vector<double>& counts, hsize_t nx, hsize_t ny) {
  Histogram2D h(id, optionalTitle(g), readAxis(g, "x", nx), readAxis(g, "y", ny));
  const hsize_t sy = ny + 2;
  std::vector<double>& s = h.slots();
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
  h.setEntries(optionalEntries(g));
  return h;
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

void writeHistogramFile(const std::string& path, const HistogramStore& store,
                        const std::vector<Attribute>& runAttributes,
                        const std::vector<SummaryValue>& summary,
                        const std::vector<Attribute>& rootAttributes) {
  h5::silenceErrorPrinting();
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    throw writeError(path, kExists, kExistsTodo);
  }
  try {
    TemporaryFile tmp(path);
    writeContents(tmp.name(), store, runAttributes, summary, rootAttributes);
    // A viewer opens the file on the detector rotation; written before the file is published.
    if (store.has(kDefaultPlotId)) addNexusDefault(tmp.name());
    syncFile(tmp.name());
    publish(tmp, path);
  } catch (const std::system_error& e) {
    if (e.code().value() == EEXIST) {
      throw writeError(path, kExists, kExistsTodo);
    }
    throw writeError(path, e.what());
  } catch (const h5::Failure& e) {
    throw writeError(path, e.what());
  } catch (const std::bad_alloc&) {
    throw writeError(path, "out of memory");
  }
}

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
        store.add(read1D(g.get(), *id, counts, dims[0]));
      } else if (dims.size() == 2 && dims[0] > 0 && dims[1] > 0) {
        store.add(read2D(g.get(), *id, counts, dims[0], dims[1]));
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

std::string freeOutputName(const std::string& dir, const std::string& base,
                           const std::string& ext) {
  const std::filesystem::path d(dir.empty() ? "." : dir);
  auto taken = [&](const std::string& name) {
    struct stat st;
    return ::lstat((d / name).c_str(), &st) == 0 || errno != ENOENT;
  };
  if (!taken(base + ext)) return base + ext;
  for (long k = 1; k < 1000000; ++k) {
    const std::string name = base + "-" + std::to_string(k) + ext;
    if (!taken(name)) return name;
  }
  throw OutputError("cannot find a free name for " + base + ext + " in " + d.string() +
                    " (a million names are taken) clean up the directory");
}

}  // namespace ornaplex
