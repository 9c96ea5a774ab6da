#include "h5file/scan_table_reader.h"

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/readable_file.h"

namespace ornaplex {

namespace {

using h5::Handle;

struct LayoutError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<std::string> splitAtCommas(const std::string& s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= s.size()) {
    const std::size_t comma = std::min(s.find(',', start), s.size());
    if (comma > start) out.push_back(s.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

std::string optionalText(hid_t obj, const std::string& name, const std::string& otherwise) {
  return h5::hasAttribute(obj, name) ? h5::readStringAttribute(obj, name) : otherwise;
}

// A 1-D dataset of strings, variable- or fixed-length, as h5py and the library write them.
std::vector<std::string> readStrings(hid_t loc, const std::string& name) {
  const Handle d(H5Dopen2(loc, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  const Handle type(H5Dget_type(d.get()), H5Tclose, "dataset " + name);
  if (H5Tget_class(type.get()) != H5T_STRING) throw LayoutError(name + " is not text");
  const Handle space(H5Dget_space(d.get()), H5Sclose, "dataset " + name);
  if (H5Sget_simple_extent_ndims(space.get()) != 1) throw LayoutError(name + " is not a list");
  hsize_t n = 0;
  H5Sget_simple_extent_dims(space.get(), &n, nullptr);
  std::vector<std::string> out;
  if (n == 0) return out;
  const Handle mem(H5Tcopy(type.get()), H5Tclose, "dataset " + name);
  if (H5Tis_variable_str(type.get()) > 0) {
    std::vector<char*> p(n, nullptr);
    h5::check(H5Dread(d.get(), mem.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, p.data()),
              "read dataset " + name);
    for (char* s : p) out.emplace_back(s != nullptr ? s : "");
    H5Dvlen_reclaim(mem.get(), space.get(), H5P_DEFAULT, p.data());
    return out;
  }
  const std::size_t size = H5Tget_size(type.get());
  std::string buffer(size * n, '\0');
  h5::check(H5Dread(d.get(), mem.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, buffer.data()),
            "read dataset " + name);
  for (hsize_t k = 0; k < n; ++k) {
    std::string s = buffer.substr(k * size, size);
    s.resize(std::min(s.size(), s.find('\0')));
    s.erase(s.find_last_not_of(' ') + 1);
    out.push_back(s);
  }
  return out;
}

bool isTextDataset(hid_t loc, const std::string& name) {
  const Handle d(H5Dopen2(loc, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  const Handle type(H5Dget_type(d.get()), H5Tclose, "dataset " + name);
  return H5Tget_class(type.get()) == H5T_STRING;
}

std::vector<double> readList(hid_t loc, const std::string& name, std::size_t n) {
  std::vector<hsize_t> dims;
  std::vector<double> v = h5::readDataset(loc, name, dims);
  if (dims.size() != 1 || dims[0] != n)
    throw LayoutError(name + " does not hold " + std::to_string(n) + " numbers");
  return v;
}

ScanColumn readColumn(hid_t g, const std::string& name, std::size_t n) {
  if (!h5::hasLink(g, name)) throw LayoutError("the column " + name + " is missing");
  ScanColumn c;
  c.name = name;
  const Handle d(H5Dopen2(g, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  c.longName = optionalText(d.get(), "long_name", name);
  c.units = optionalText(d.get(), "units", "");
  c.numeric = !isTextDataset(g, name);
  if (c.numeric) {
    c.numbers = readList(g, name, n);
  } else {
    c.names = readStrings(g, name);
    if (c.names.size() != n)
      throw LayoutError(name + " does not hold " + std::to_string(n) + " names");
  }
  return c;
}

ScanBracket readBracket(hid_t g, const std::vector<std::string>& columns) {
  const Handle b(H5Gopen2(g, "bracket", H5P_DEFAULT), H5Gclose, "open bracket");
  ScanBracket r;
  std::vector<hsize_t> dims;
  r.low = h5::readDataset(b.get(), "low", dims);
  if (dims.size() != 1) throw LayoutError("bracket/low is not a list");
  const std::size_t m = r.low.size();
  r.lowError = readList(b.get(), "low_error", m);
  r.high = readList(b.get(), "high", m);
  r.highError = readList(b.get(), "high_error", m);
  r.halfRange = readList(b.get(), "half_range", m);
  r.largestPull = readList(b.get(), "largest_pull", m);
  r.standard = readList(b.get(), "standard", m);
  r.lowModel = readStrings(b.get(), "low_model");
  r.highModel = readStrings(b.get(), "high_model");
  if (r.lowModel.size() != m || r.highModel.size() != m)
    throw LayoutError("bracket/low_model or high_model does not hold " + std::to_string(m) +
                      " names");
  for (const std::string& c : columns) {
    if (c != "scattering_model") r.columns.push_back(readColumn(b.get(), c, m));
  }
  return r;
}

ScanValue readValue(hid_t f, const std::string& key, const std::vector<std::string>& columns) {
  const Handle g(H5Gopen2(f, key.c_str(), H5P_DEFAULT), H5Gclose, "open " + key);
  ScanValue v;
  v.key = key;
  v.label = optionalText(g.get(), "title", key);
  v.unit = optionalText(g.get(), "unit", "");
  std::vector<hsize_t> dims;
  v.value = h5::readDataset(g.get(), "value", dims);
  if (dims.size() != 1) throw LayoutError("value is not a list");
  const std::size_t n = v.value.size();
  if (h5::hasLink(g.get(), "errors")) v.error = readList(g.get(), "errors", n);
  // Tables written before the scan recorded its settings hold the points as float64.
  for (double p : readList(g.get(), "point", n)) v.point.push_back(std::llround(p));
  for (const std::string& c : columns) v.columns.push_back(readColumn(g.get(), c, n));
  if (h5::hasLink(g.get(), "bracket")) v.bracket = readBracket(g.get(), columns);
  return v;
}

bool isValueGroup(hid_t f, const std::string& name) {
  H5O_info_t info;
  h5::check(H5Oget_info_by_name2(f, name.c_str(), &info, H5O_INFO_BASIC, H5P_DEFAULT),
            "look at " + name);
  if (info.type != H5O_TYPE_GROUP) return false;
  const Handle g(H5Gopen2(f, name.c_str(), H5P_DEFAULT), H5Gclose, "open " + name);
  return optionalText(g.get(), "NX_class", "") == "NXdata";
}

}  // namespace

bool isScanTable(const std::string& path) {
  if (!unreadableReason(path).empty()) return false;
  h5::silenceErrorPrinting();
  try {
    const Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open " + path);
    const Handle root(H5Gopen2(f.get(), "/", H5P_DEFAULT), H5Gclose, "open the root group");
    return h5::hasAttribute(root.get(), "ornaplex_scan");
  } catch (const h5::Failure&) {
    return false;
  }
}

ScanTable readScanTable(const std::string& path) {
  h5::silenceErrorPrinting();
  const Handle f = openHdf5ForReading(path, "the scan table " + path);
  ScanTable t;
  std::string current = "the root group";
  try {
    const Handle root(H5Gopen2(f.get(), "/", H5P_DEFAULT), H5Gclose, "open the root group");
    if (optionalText(root.get(), "program", "") != "ornaplex")
      throw LayoutError("its root does not name ornaplex as the program");
    t.columns = splitAtCommas(optionalText(root.get(), "ornaplex_scan", ""));
    if (t.columns.empty()) throw LayoutError("its ornaplex_scan attribute names no column");
    for (const std::string& name : h5::linkNamesInOrder(root.get(), "list the values")) {
      current = "/" + name;
      if (name != "run" && isValueGroup(f.get(), name))
        t.values.push_back(readValue(f.get(), name, t.columns));
    }
  } catch (const std::exception& e) {
    throw InputError("cannot read " + current + " of the scan table " + path + " (" + e.what() +
                     ") give a scan.h5 written by an ornaplex scan");
  }
  if (t.values.empty())
    throw InputError("cannot read the scan table " + path +
                     " (it holds no report value) give a scan.h5 written by an ornaplex scan");
  // Tables written before the scan recorded its settings have no /run.
  if (h5::hasLink(f.get(), "run")) t.run = readStoredRun(path);
  return t;
}

const ScanValue* findScanValue(const ScanTable& table, const std::string& key) {
  for (const ScanValue& v : table.values) {
    if (v.key == key) return &v;
  }
  return nullptr;
}

}  // namespace ornaplex
