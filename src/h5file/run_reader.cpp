#include "h5file/run_reader.h"

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/readable_file.h"

namespace ornaplex {

namespace {

using h5::Handle;

herr_t collectName(hid_t, const char* name, const H5A_info_t*, void* data) {
  static_cast<std::vector<std::string>*>(data)->push_back(name);
  return 0;
}

std::vector<std::string> attributeNames(hid_t obj) {
  std::vector<std::string> names;
  hsize_t idx = 0;
  h5::check(H5Aiterate2(obj, H5_INDEX_NAME, H5_ITER_INC, &idx, collectName, &names),
            "list the run attributes");
  return names;
}

// A scalar attribute's value, or nothing when it is not a scalar string or number.
std::optional<Attribute> readAttribute(hid_t obj, const std::string& name) {
  const Handle a(H5Aopen(obj, name.c_str(), H5P_DEFAULT), H5Aclose, "open attribute " + name);
  const Handle space(H5Aget_space(a.get()), H5Sclose, "attribute " + name);
  if (H5Sget_simple_extent_type(space.get()) != H5S_SCALAR) return std::nullopt;
  const Handle type(H5Aget_type(a.get()), H5Tclose, "attribute " + name);
  switch (H5Tget_class(type.get())) {
    case H5T_STRING:
      return Attribute{name, h5::readStringAttribute(obj, name)};
    case H5T_INTEGER:
      return Attribute{name, h5::readIntegerAttribute(obj, name)};
    case H5T_FLOAT:
      return Attribute{name, h5::readDoubleAttribute(obj, name)};
    default:
      return std::nullopt;
  }
}

SummaryValue readSummaryValue(hid_t group, const std::string& name) {
  const Handle d(H5Dopen2(group, name.c_str(), H5P_DEFAULT), H5Dclose, "open " + name);
  const Handle space(H5Dget_space(d.get()), H5Sclose, "dataset " + name);
  if (H5Sget_simple_extent_type(space.get()) != H5S_SCALAR)
    throw h5::Failure("summary value " + name + " is not a scalar");
  const Handle type(H5Dget_type(d.get()), H5Tclose, "dataset " + name);
  switch (H5Tget_class(type.get())) {
    case H5T_INTEGER: {
      std::int64_t v = 0;
      h5::check(H5Dread(d.get(), H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, &v),
                "read " + name);
      return {name, v};
    }
    case H5T_FLOAT: {
      double v = 0.0;
      h5::check(H5Dread(d.get(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &v),
                "read " + name);
      return {name, v};
    }
    default:
      throw h5::Failure("summary value " + name + " is not a number");
  }
}

}  // namespace

StoredRun readStoredRun(const std::string& path) {
  h5::silenceErrorPrinting();
  const Handle f = openHdf5ForReading(path, "the histogram file " + path);
  StoredRun run;
  try {
    if (!h5::hasLink(f.get(), "run")) throw h5::Failure("the file has no /run group");
    const Handle g(H5Gopen2(f.get(), "run", H5P_DEFAULT), H5Gclose, "open /run");
    for (const std::string& name : attributeNames(g.get())) {
      if (name == "NX_class" || name == "default") continue;
      if (std::optional<Attribute> a = readAttribute(g.get(), name)) {
        run.attributes.push_back(std::move(*a));
      }
    }
    if (h5::hasLink(g.get(), "summary")) {
      const Handle s(H5Gopen2(g.get(), "summary", H5P_DEFAULT), H5Gclose, "open /run/summary");
      for (const std::string& name : h5::linkNamesInOrder(s.get(), "list the summary")) {
        run.summary.push_back(readSummaryValue(s.get(), name));
      }
    }
  } catch (const std::exception& e) {
    throw InputError("cannot read the run description of " + path + " (" + e.what() +
                     ") give a histogram file written by ornaplex");
  }
  return run;
}

std::optional<Attribute> findAttribute(const StoredRun& run, const std::string& name) {
  for (const Attribute& a : run.attributes) {
    if (a.name == name) return a;
  }
  return std::nullopt;
}

std::optional<SummaryValue> findSummary(const StoredRun& run, const std::string& name) {
  for (const SummaryValue& v : run.summary) {
    if (v.name == name) return v;
  }
  return std::nullopt;
}

}  // namespace ornaplex
