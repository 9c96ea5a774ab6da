// A thin RAII layer over the HDF5 C API: owned identifiers, failures as exceptions carrying the
// library's own reason, and the few attribute and dataset helpers the histogram files need.
#pragma once

#include <hdf5.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ornaplex::h5 {

// A failed HDF5 call: what was being done and the library's most specific reason.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Turns off the library's printing of its error stack to stderr (we report errors ourselves).
void silenceErrorPrinting();

// An owned identifier, closed with its closing function when the handle dies. Move only. The
// destructor cannot report a failed close: writers close every handle with close() on their
// way out, and leave the destructor to the paths that are already failing.
class Handle {
 public:
  using Closer = herr_t (*)(hid_t);
  Handle() = default;
  // Throws Failure naming `what` when id is negative (the call that made it failed).
  Handle(hid_t id, Closer closer, const std::string& what);
  Handle(Handle&& o) noexcept : id_(o.id_), closer_(o.closer_) { o.id_ = H5I_INVALID_HID; }
  Handle& operator=(Handle&& o) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  hid_t get() const { return id_; }
  // Closes now; throws Failure when closing fails (for a file, that is when data is flushed).
  void close(const std::string& what);
  void reset() noexcept;

 private:
  hid_t id_ = H5I_INVALID_HID;
  Closer closer_ = nullptr;
};

// Throws Failure naming `what` when status is negative.
void check(herr_t status, const std::string& what);

// Names of a group's links, in creation order when the group tracks it, else by name.
std::vector<std::string> linkNamesInOrder(hid_t group, const std::string& what);

// Attributes on a group or dataset. Strings are variable-length UTF-8.
void writeAttribute(hid_t obj, const std::string& name, const std::string& value);
void writeAttribute(hid_t obj, const std::string& name, const std::vector<std::string>& values);
void writeAttributeInt32(hid_t obj, const std::string& name, std::int32_t value);
void writeAttribute(hid_t obj, const std::string& name, std::int64_t value);
void writeAttribute(hid_t obj, const std::string& name, double value);
bool hasAttribute(hid_t obj, const std::string& name);
// Scalar string attribute, variable- or fixed-length; Failure when it is not a string.
std::string readStringAttribute(hid_t obj, const std::string& name);
// Scalar numeric attributes, converted by the library; Failure when not numeric.
std::int64_t readIntegerAttribute(hid_t obj, const std::string& name);
double readDoubleAttribute(hid_t obj, const std::string& name);

// Float64 datasets. gzip chunks and deflates the data; text attributes (long_name, units) are
// written on the dataset, empty values left out.
using TextAttributes = std::vector<std::pair<std::string, std::string>>;
void writeDataset(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                  const double* data, bool gzip, const TextAttributes& attributes = {});
// The same for int64 values (stored as 64-bit little-endian integers).
void writeDataset(hid_t loc, const std::string& name, const std::vector<hsize_t>& dims,
                  const std::int64_t* data, bool gzip, const TextAttributes& attributes = {});
// Variable-length UTF-8 strings, one per element of a 1-D dataset.
void writeDataset(hid_t loc, const std::string& name, const std::vector<std::string>& values,
                  const TextAttributes& attributes = {});
template <typename T>
void writeScalarDataset(hid_t loc, const std::string& name, T value);
bool hasLink(hid_t loc, const std::string& name);
// Reads any numeric dataset as float64; dims receives its shape.
std::vector<double> readDataset(hid_t loc, const std::string& name, std::vector<hsize_t>& dims);
// Reads an integer dataset as int64 (Failure for any other kind, which would not be exact).
std::vector<std::int64_t> readInt64Dataset(hid_t loc, const std::string& name,
                                           std::vector<hsize_t>& dims);

// A new HDF5 file built in memory by the library's core driver with no file behind it: the
// library never touches the disk; the finished image is written by the caller. name only
// identifies the file inside the library. Closing the file closes every object still open in it.
Handle createMemoryFile(const std::string& name);
// Flushes a memory file, copies out its bytes and closes it; every status is checked. Close
// every object of the file (checked) before. Equal contents give equal bytes.
std::vector<unsigned char> closeToImage(Handle& file);

// Property lists that keep no modification times, so equal contents give equal files.
Handle groupCreationList(bool trackOrder);
// A new group under loc; trackOrder keeps its links in creation order.
Handle createGroup(hid_t loc, const std::string& name, bool trackOrder);
Handle datasetCreationList();

}  // namespace ornaplex::h5
