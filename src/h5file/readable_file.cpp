#include "h5file/readable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/errors.h"

namespace ornaplex {

namespace {

std::string linkTarget(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
  return ec ? std::string("?") : target.string();
}

}  // namespace

std::string unreadableReason(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return path + ": " + std::strerror(errno);
  if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0)
    return path + " is a link to " + linkTarget(path) +
           ", which cannot be opened: " + std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return path + " is a directory";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return path + ": " + std::strerror(errno);
  ::close(fd);
  return {};
}

h5::Handle openHdf5ForReading(const std::string& path, const std::string& what) {
  h5::silenceErrorPrinting();
  const std::string reason = unreadableReason(path);
  if (!reason.empty()) {
    const bool missing = reason == path + ": " + std::strerror(ENOENT);
    throw InputError("cannot read " + what + " (" + reason + ") " +
                     (missing ? "check the file name and the working directory"
                              : "check the file, its links and its permissions"));
  }
  // The file is there and readable: what is left is its content.
  if (H5Fis_hdf5(path.c_str()) <= 0) {
    H5Eclear2(H5E_DEFAULT);
    throw InputError("cannot read " + what + " (" + path +
                     " is not an HDF5 file) give a histogram file written by ornaplex");
  }
  try {
    return h5::Handle(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open " + path);
  } catch (const h5::Failure&) {
    // The library's own reason names its internal addresses; the user needs only this.
    throw InputError("cannot read " + what + " (" + path +
                     " is a truncated or damaged HDF5 file) write the file again or give "
                     "another one");
  }
}

}  // namespace ornaplex
