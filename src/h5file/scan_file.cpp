#include "h5file/scan_file.h"

#include "h5file/h5_handle.h"
#include "h5file/histogram_writer.h"

namespace ornaplex {

namespace {

using h5::Handle;

void writeColumn(hid_t loc, const ScanColumn& c) {
  const h5::TextAttributes labels = {{"long_name", c.longName}, {"units", c.units}};
  if (c.numeric)
    h5::writeDataset(loc, c.name, {hsize_t(c.numbers.size())}, c.numbers.data(), false, labels);
  else
    h5::writeDataset(loc, c.name, c.names, labels);
}

void writeBracket(hid_t loc, const ScanBracket& b) {
  Handle g = h5::createGroup(loc, "bracket", true);
  h5::writeAttribute(g.get(), "NX_class", std::string("NXcollection"));
  const auto m = hsize_t(b.low.size());
  const std::pair<const char*, const std::vector<double>*> numbers[] = {
      {"low", &b.low},
      {"low_error", &b.lowError},
      {"high", &b.high},
      {"high_error", &b.highError},
      {"half_range", &b.halfRange},
      {"largest_pull", &b.largestPull},
      {"standard", &b.standard}};
  for (const auto& [name, data] : numbers)
    h5::writeDataset(g.get(), name, {m}, data->data(), false);
  h5::writeDataset(g.get(), "low_model", b.lowModel);
  h5::writeDataset(g.get(), "high_model", b.highModel);
  for (const ScanColumn& c : b.columns) writeColumn(g.get(), c);
  g.close("close group bracket");
}

void writeValue(hid_t file, const ScanTable& t, const ScanValue& v) {
  Handle g = h5::createGroup(file, v.key, true);
  h5::writeAttribute(g.get(), "NX_class", std::string("NXdata"));
  h5::writeAttribute(g.get(), "signal", std::string("value"));
  h5::writeAttribute(g.get(), "axes", t.columns.front());
  h5::writeAttribute(g.get(), "title", v.label);
  h5::writeAttribute(g.get(), "unit", v.unit);
  const auto n = hsize_t(v.value.size());
  h5::writeDataset(g.get(), "value", {n}, v.value.data(), false, {{"long_name", v.label}});
  if (v.error) h5::writeDataset(g.get(), "errors", {n}, v.error->data(), false);
  h5::writeDataset(g.get(), "point", {n}, v.point.data(), false);
  for (const ScanColumn& c : v.columns) writeColumn(g.get(), c);
  if (v.bracket) writeBracket(g.get(), *v.bracket);
  g.close("close group " + v.key);
}

}  // namespace

void writeScanFile(const std::string& path, const ScanTable& t) {
  publishBuiltFile(NewFileName::replacingAt(path), "scan table", [&](hid_t f) {
    Handle root(H5Gopen2(f, "/", H5P_DEFAULT), H5Gclose, "open the root group");
    std::string axes;
    for (const std::string& c : t.columns) axes += (axes.empty() ? "" : ",") + c;
    h5::writeAttribute(root.get(), "program", std::string("ornaplex"));
    h5::writeAttribute(root.get(), "ornaplex_scan", axes);
    // A viewer opens the scan on the scattered neutrons' share of the left-right difference.
    std::string shown = t.values.empty() ? "" : t.values.front().key;
    for (const ScanValue& v : t.values)
      if (v.key == "rot_diff_scat_share") shown = v.key;
    if (!shown.empty()) h5::writeAttribute(root.get(), "default", shown);
    root.close("close the root group");
    Handle run = h5::createGroup(f, "run", true);
    h5::writeAttribute(run.get(), "NX_class", std::string("NXcollection"));
    for (const Attribute& a : t.run.attributes)
      std::visit([&](const auto& x) { h5::writeAttribute(run.get(), a.name, x); }, a.value);
    run.close("close group run");
    for (const ScanValue& v : t.values) writeValue(f, t, v);
  });
}

}  // namespace ornaplex
