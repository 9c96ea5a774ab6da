#include "h5file/h5_handle.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

namespace ornaplex::h5 {

namespace {

herr_t collectDescription(unsigned n, const H5E_error2_t* err, void* data) {
  // Walking upward, entry 0 is the most specific (deepest) reason.
  if (n == 0 && err->desc != nullptr) *static_cast<std::string*>(data) = err->desc;
  return 0;
}

[[noreturn]] void fail(const std::string& what) {
  std::string reason;
  H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, collectDescription, &reason);
  H5Eclear2(H5E_DEFAULT);
  throw Failure(reason.empty() ? what : what + ": " + reason);
}

Handle stringType() {
  Handle t(H5Tcopy(H5T_C_S1), H5Tclose, "string type");
  check(H5Tset_size(t.get(), H5T_VARIABLE), "string type");
  check(H5Tset_cset(t.get(), H5T_CSET_UTF8), "string type");
  return t;
}

Handle scalarSpace() {
  return Handle(H5Screate(H5S_SCALAR), H5Sclose, "scalar dataspace");
}

void writeScalarAttribute(hid_t obj, const std::string& name, hid_t fileType, hid_t memType,
                          const void* value) {
  Handle space = scalarSpace();
  Handle a(H5Acreate2(obj, name.c_str(), fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose,
           "create attribute " + name);
  check(H5Awrite(a.get(), memType, value), "write attribute " + name);
  a.close("close attribute " + name);
  space.close("close attribute " + name);
}

Handle openScalarAttribute(hid_t obj, const std::string& name) {
  Handle a(H5Aopen(obj, name.c_str(), H5P_DEFAULT), H5Aclose, "open attribute " + name);
  const Handle space(H5Aget_space(a.get()), H5Sclose, "attribute " + name);
  if (H5Sget_simple_extent_npoints(space.get()) != 1) {
    throw Failure("attribute " + name + " is not a single value");
  }
  return a;
}

}  // namespace

void silenceErrorPrinting() {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

Handle::Handle(hid_t id, Closer closer, const std::string& what) : id_(id), closer_(closer) {
  if (id_ < 0) fail(what);
}

Handle& Handle::operator=(Handle&& o) noexcept {
  if (this != &o) {
    reset();
    id_ = o.id_;
    closer_ = o.closer_;
    o.id_ = H5I_INVALID_HID;
  }
  return *this;
}

void Handle::reset() noexcept {
  if (id_ >= 0 && closer_ != nullptr) closer_(id_);
  id_ = H5I_INVALID_HID;
}

void Handle::close(const std::string& what) {
  const hid_t id = id_;
  id_ = H5I_INVALID_HID;
  if (id >= 0 && closer_ != nullptr) check(closer_(id), what);
}

void check(herr_t status, const std::string& what) {
  if (status < 0) fail(what);
}

void writeAttribute(hid_t obj, const std::string& name, const std::string& value) {
  Handle type = stringType();
  const char* p = value.c_str();
  writeScalarAttribute(obj, name, type.get(), type.get(), &p);
  type.close("close attribute " + name);
}

void writeAttribute(hid_t obj, const std::string& name, const std::vector<std::string>& values) {
  Handle type = stringType();
  std::vector<const char*> p;
  for (const std::string& v : values) p.push_back(v.c_str());
  const hsize_t n = p.size();
  Handle space(H5Screate_simple(1, &n, nullptr), H5Sclose, "attribute " + name);
  Handle a(H5Acreate2(obj, name.c_str(), type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT),
           H5Aclose, "create attribute " + name);
  check(H5Awrite(a.get(), type.get(), p.data()), "write attribute " + name);
  a.close("close attribute " + name);
  space.close("close attribute " + name);
  type.close("close attribute " + name);
}

void writeAttributeInt32(hid_t obj, const std::string& name, std::int32_t value) {
  writeScalarAttribute(obj, name, H5T_STD_I32LE, H5T_NATIVE_INT32, &value);
}

void writeAttribute(hid_t obj, const std::string& name, std::int64_t value) {
  writeScalarAttribute(obj, name, H5T_STD_I64LE, H5T_NATIVE_INT64, &value);
}

void writeAttribute(hid_t obj, const std::string& name, double value) {
  writeScalarAttribute(obj, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &value);
}

bool hasAttribute(hid_t obj, const std::string& name) {
  const htri_t r = H5Aexists(obj, name.c_str());
  if (r < 0) fail("look for attribute " + name);
  return r > 0;
}

std::string readStringAttribute(hid_t obj, const std::string& name) {
  const Handle a = openScalarAttribute(obj, name);
  const Handle type(H5Aget_type(a.get()), H5Tclose, "attribute " + name);
  if (H5Tget_class(type.get()) != H5T_STRING) throw Failure("attribute " + name + " is not text");
  const htri_t variable = H5Tis_variable_str(type.get());
  if (variable < 0) fail("attribute " + name);
  // Read in the file's own character set and padding; only the storage form is chosen here.
  const Handle mem(H5Tcopy(type.get()), H5Tclose, "attribute " + name);
  if (variable > 0) {
    char* p = nullptr;
    check(H5Aread(a.get(), mem.get(), &p), "read attribute " + name);
    std::string s = p != nullptr ? p : "";
    H5free_memory(p);
    return s;
  }
  const std::size_t size = H5Tget_size(type.get());
  std::string s(size, '\0');
  check(H5Aread(a.get(), mem.get(), s.data()), "read attribute " + name);
  const H5T_str_t pad = H5Tget_strpad(type.get());
  if (pad == H5T_STR_NULLTERM || pad == H5T_STR_NULLPAD) {
    s.resize(std::min(s.size(), s.find('\0')));
  } else if (pad == H5T_STR_SPACEPAD) {
    s.erase(s.find_last_not_of(' ') + 1);
  }
  return s;
}

std::int64_t readIntegerAttribute(hid_t obj, const std::string& name) {
  const Handle a = openScalarAttribute(obj, name);
  const Handle type(H5Aget_type(a.get()), H5Tclose, "attribute " + name);
  if (H5Tget_class(type.get()) != H5T_INTEGER) {
    throw Failure("attribute " + name + " is not an integer");
  }
  std::int64_t v = 0;
  check(H5Aread(a.get(), H5T_NATIVE_INT64, &v), "read attribute " + name);
  return v;
}

double readDoubleAttribute(hid_t obj, const std::string& name) {
  const Handle a = openScalarAttribute(obj, name);
  const Handle type(H5Aget_type(a.get()), H5Tclose, "attribute " + name);
  const H5T_class_t c = H5Tget_class(type.get());
  if (c != H5T_FLOAT && c != H5T_INTEGER) throw Failure("attribute " + name + " is not a number");
  double v = 0.0;
  check(H5Aread(a.get(), H5T_NATIVE_DOUBLE, &v), "read attribute " + name);
  return v;
}

Handle createMemoryFile(const std::string& name) {
  Handle fapl(H5Pcreate(H5P_FILE_ACCESS), H5Pclose, "file access properties");
  // Grown 1 MiB at a time; the histogram files are a few MiB.
  check(H5Pset_fapl_core(fapl.get(), std::size_t{1} << 20, false), "file access properties");
  check(H5Pset_fclose_degree(fapl.get(), H5F_CLOSE_STRONG), "file access properties");
  // The library first tries to open an existing file of that name from the disk; a path below
  // a device file never exists, so the file is always made new in memory.
  const std::string inMemory = "/dev/null/ornaplex-in-memory/" + name;
  Handle f(H5Fcreate(inMemory.c_str(), H5F_ACC_EXCL, H5P_DEFAULT, fapl.get()), H5Fclose,
           "create the file in memory");
  fapl.close("file access properties");
  return f;
}

std::vector<unsigned char> closeToImage(Handle& file) {
  // The flush writes everything (chunk caches, metadata) into the image and gives the space
  // the library had set aside but not used back, so the image ends where the data ends.
  check(H5Fflush(file.get(), H5F_SCOPE_GLOBAL), "flush the file");
  const ssize_t size = H5Fget_file_image(file.get(), nullptr, 0);
  if (size < 0) fail("size the file image");
  std::vector<unsigned char> image(static_cast<std::size_t>(size));
  if (H5Fget_file_image(file.get(), image.data(), image.size()) != size)
    fail("copy the file image");
  file.close("close the file");
  return image;
}

Handle groupCreationList(bool trackOrder) {
  Handle p(H5Pcreate(H5P_GROUP_CREATE), H5Pclose, "group properties");
  check(H5Pset_obj_track_times(p.get(), false), "group properties");
  if (trackOrder) {
    check(H5Pset_link_creation_order(p.get(), H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED),
          "group properties");
  }
  return p;
}

Handle createGroup(hid_t loc, const std::string& name, bool trackOrder) {
  Handle gcpl = groupCreationList(trackOrder);
  Handle g(H5Gcreate2(loc, name.c_str(), H5P_DEFAULT, gcpl.get(), H5P_DEFAULT), H5Gclose,
           "create group " + name);
  gcpl.close("create group " + name);
  return g;
}

Handle datasetCreationList() {
  Handle p(H5Pcreate(H5P_DATASET_CREATE), H5Pclose, "dataset properties");
  check(H5Pset_obj_track_times(p.get(), false), "dataset properties");
  return p;
}

namespace {

void writeTypedDataset(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                       hid_t fileType, hid_t memType, const void* data, bool gzip,
                       const TextAttributes& attributes) {
  Handle space(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), H5Sclose,
               "dataspace of " + name);
  Handle dcpl = datasetCreationList();
  if (gzip) {
    // Chunks of at most 64 Ki values, whole rows for 2-D.
    constexpr hsize_t kChunkValues = 65536;
    std::vector<hsize_t> chunk = dims;
    hsize_t rest = 1;
    for (std::size_t k = 1; k < chunk.size(); ++k) rest *= chunk[k];
    chunk[0] = std::clamp<hsize_t>(kChunkValues / std::max<hsize_t>(rest, 1), 1, chunk[0]);
    check(H5Pset_chunk(dcpl.get(), static_cast<int>(chunk.size()), chunk.data()),
          "chunks of " + name);
    check(H5Pset_deflate(dcpl.get(), 6), "compression of " + name);
  }
  Handle d(
      H5Dcreate2(loc, name.c_str(), fileType, space.get(), H5P_DEFAULT, dcpl.get(), H5P_DEFAULT),
      H5Dclose, "create dataset " + name);
  check(H5Dwrite(d.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data), "write dataset " + name);
  for (const auto& [key, value] : attributes)
    if (!value.empty()) writeAttribute(d.get(), key, value);
  // Closing a chunked dataset compresses and writes its cached chunks.
  d.close("close dataset " + name);
  dcpl.close("close dataset " + name);
  space.close("close dataset " + name);
}

}  // namespace

void writeDataset(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                  const double* data, bool gzip, const TextAttributes& attributes) {
  writeTypedDataset(loc, name, dims, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, data, gzip, attributes);
}

void writeDataset(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                  const std::int64_t* data, bool gzip, const TextAttributes& attributes) {
  writeTypedDataset(loc, name, dims, H5T_STD_I64LE, H5T_NATIVE_INT64, data, gzip, attributes);
}

void writeDataset(hid_t loc, const std::string& name, const std::vector<std::string>& values,
                  const TextAttributes& attributes) {
  std::vector<const char*> pointers;
  for (const std::string& v : values) pointers.push_back(v.c_str());
  Handle type = stringType();
  writeTypedDataset(loc, name, {hsize_t(values.size())}, type.get(), type.get(), pointers.data(),
                    false, attributes);
  type.close("close the string type");
}

template <typename T>
void writeScalarDataset(hid_t loc, const std::string& name, T value) {
  static_assert(std::is_same_v<T, double> || std::is_same_v<T, std::int64_t>);
  const hid_t fileType = std::is_same_v<T, double> ? H5T_IEEE_F64LE : H5T_STD_I64LE;
  const hid_t memType = std::is_same_v<T, double> ? H5T_NATIVE_DOUBLE : H5T_NATIVE_INT64;
  Handle space = scalarSpace();
  Handle dcpl = datasetCreationList();
  Handle d(
      H5Dcreate2(loc, name.c_str(), fileType, space.get(), H5P_DEFAULT, dcpl.get(), H5P_DEFAULT),
      H5Dclose, "create dataset " + name);
  check(H5Dwrite(d.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value), "write dataset " + name);
  d.close("close dataset " + name);
  dcpl.close("close dataset " + name);
  space.close("close dataset " + name);
}
template void writeScalarDataset<double>(hid_t, const std::string&, double);
template void writeScalarDataset<std::int64_t>(hid_t, const std::string&, std::int64_t);

bool hasLink(hid_t loc, const std::string& name) {
  const htri_t r = H5Lexists(loc, name.c_str(), H5P_DEFAULT);
  if (r < 0) fail("look for " + name);
  return r > 0;
}

namespace {

// Reads an integer dataset (or a floating one too, with floatsToo) converted to memType.
template <typename T>
std::vector<T> readTypedDataset(hid_t loc, const std::string& name, std::vector<hsize_t>& dims,
                                hid_t memType, bool floatsToo) {
  const Handle d(H5Dopen2(loc, name.c_str(), H5P_DEFAULT), H5Dclose, "open dataset " + name);
  const Handle type(H5Dget_type(d.get()), H5Tclose, "dataset " + name);
  const H5T_class_t c = H5Tget_class(type.get());
  if (c != H5T_INTEGER && !(floatsToo && c == H5T_FLOAT)) {
    throw Failure("dataset " + name + (floatsToo ? " is not numeric" : " is not of integers"));
  }
  const Handle space(H5Dget_space(d.get()), H5Sclose, "dataset " + name);
  const int rank = H5Sget_simple_extent_ndims(space.get());
  if (rank < 0) fail("dataset " + name);
  dims.assign(static_cast<std::size_t>(rank), 0);
  if (rank > 0) H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
  hsize_t n = 1;
  for (hsize_t v : dims) n *= v;
  std::vector<T> values(n);
  if (n > 0) {
    check(H5Dread(d.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()),
          "read dataset " + name);
  }
  return values;
}

}  // namespace

std::vector<double> readDataset(hid_t loc, const std::string& name, std::vector<hsize_t>& dims) {
  return readTypedDataset<double>(loc, name, dims, H5T_NATIVE_DOUBLE, true);
}

std::vector<std::int64_t> readInt64Dataset(hid_t loc, const std::string& name,
                                           std::vector<hsize_t>& dims) {
  return readTypedDataset<std::int64_t>(loc, name, dims, H5T_NATIVE_INT64, false);
}

namespace {

herr_t collectLinkName(hid_t, const char* name, const H5L_info_t*, void* data) {
  static_cast<std::vector<std::string>*>(data)->push_back(name);
  return 0;
}

}  // namespace

std::vector<std::string> linkNamesInOrder(hid_t group, const std::string& what) {
  const Handle gcpl(H5Gget_create_plist(group), H5Pclose, "group properties");
  unsigned flags = 0;
  check(H5Pget_link_creation_order(gcpl.get(), &flags), "group properties");
  const H5_index_t index = (flags & H5P_CRT_ORDER_TRACKED) ? H5_INDEX_CRT_ORDER : H5_INDEX_NAME;
  std::vector<std::string> names;
  hsize_t idx = 0;
  check(H5Literate(group, index, H5_ITER_INC, &idx, collectLinkName, &names), what);
  return names;
}

}  // namespace ornaplex::h5
