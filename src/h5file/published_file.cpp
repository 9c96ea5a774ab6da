#include "h5file/published_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "common/errors.h"

namespace ornaplex {

namespace {

std::string directoryOf(const std::string& path) {
  const std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

std::string inDirectory(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Anything there, even a dangling link, takes the name. A path that cannot be looked at (its
// directory is missing or unreadable) counts as free: creating the file then fails with the
// reason.
bool taken(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 || errno == EOVERFLOW;
}

// rename(2) that fails with EEXIST instead of replacing an existing file. File systems without
// the no-replace rename get a hard link (which never replaces either) and an unlink.
int renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  // Both names now hold the complete file; a temporary name left behind costs nothing.
  ::unlink(from.c_str());
  return 0;
}

// Syncs a directory so that a name just given in it survives a crash. File systems that cannot
// sync a directory (EINVAL) keep their names another way.
int syncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  return error;
}

}  // namespace

NewFileName NewFileName::exactly(const std::string& path) {
  const std::filesystem::path p(path);
  return NewFileName{p.parent_path().string(), p.filename().string(), "", false};
}

NewFileName NewFileName::replacingAt(const std::string& path) {
  NewFileName name = exactly(path);
  name.replacing = true;
  return name;
}

NewFileName NewFileName::firstFree(std::string dir, std::string base, std::string ext) {
  return NewFileName{std::move(dir), std::move(base), std::move(ext), true};
}

std::string NewFileName::candidate(long k) const {
  return inDirectory(dir, k == 0 ? base + ext : base + "-" + std::to_string(k) + ext);
}

std::string whatToDoAbout(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "free some space on its disk and try again";
    case EACCES:
    case EPERM:
    case EROFS:
      return "check that its directory is writable";
    case ENOENT:
    case ENOTDIR:
      return "check that its directory exists";
    default:
      return "check that its directory exists, is writable and has space";
  }
}

StagedFile::StagedFile(NewFileName name, std::string what)
    : name_(std::move(name)), what_(std::move(what)) {
  if (name_.numbered) {
    intended_ = inDirectory(name_.dir, freeOutputName(name_.dir, name_.base, name_.ext));
  } else {
    intended_ = name_.candidate(0);
    if (!name_.replacing && taken(intended_))
      throw OutputError("cannot write the " + what_ + " " + intended_ +
                        " (a file of that name exists and is never overwritten) move the old "
                        "file away or choose another name");
  }
  // A random hidden name next to the target, created exclusively, with the permissions the
  // umask gives new files.
  const std::string dir = directoryOf(intended_);
  const std::string file = std::filesystem::path(intended_).filename().string();
  std::random_device random;
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    const std::string tmp = inDirectory(dir, "." + file + ".tmp-" + suffix);
    fd_ = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temporary_ = tmp;
      return;
    }
    error = errno;
  }
  throw OutputError("cannot write the " + what_ + " " + intended_ + " (cannot create a file in " +
                    dir + ": " + std::strerror(error) + ") " + whatToDoAbout(error));
}

StagedFile::~StagedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty() && !keep_) ::unlink(temporary_.c_str());
}

void StagedFile::fail(const std::string& path, int error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  throw OutputError("cannot write the " + what_ + " " + path + " (" + std::strerror(error) + ") " +
                    whatToDoAbout(error));
}

void StagedFile::write(const std::vector<unsigned char>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(intended_, errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd_) != 0) fail(intended_, errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) fail(intended_, errno);
  written_ = true;
}

std::string StagedFile::publish() {
  if (!written_) throw std::logic_error("StagedFile::publish before write");
  std::string target = name_.candidate(0);
  int error = 0;
  for (long k = 0; k < 1000000; ++k) {
    target = name_.candidate(k);
    if ((name_.replacing ? ::rename(temporary_.c_str(), target.c_str())
                         : renameNoReplace(temporary_, target)) == 0) {
      temporary_.clear();
      error = syncDirectory(directoryOf(target));
      if (error != 0)
        throw OutputError("the " + what_ + " " + target +
                          " was written but its directory could not be synced to the disk (" +
                          std::strerror(error) + ") check the disk; a crash now may lose it");
      return target;
    }
    error = errno;
    if (error != EEXIST || !name_.numbered) break;
  }
  // Finished results are never thrown away: the temporary file stays and the message names it.
  keep_ = true;
  const std::string why = error == EEXIST
                              ? "a file of that name appeared while it was written"
                              : std::string("cannot give it its name: ") + std::strerror(error);
  throw OutputError("cannot publish the " + what_ + " " + target + " (" + why +
                    ") its contents are kept in " + temporary_ + "; rename that file yourself");
}

std::string publishNewFile(const NewFileName& name, const std::string& what,
                           const std::vector<unsigned char>& bytes) {
  StagedFile file(name, what);
  file.write(bytes);
  return file.publish();
}

std::string freeOutputName(const std::string& dir, const std::string& base,
                           const std::string& ext) {
  const std::string d = dir.empty() ? "." : dir;
  if (!taken(inDirectory(d, base + ext))) return base + ext;
  for (long k = 1; k < 1000000; ++k) {
    const std::string name = base + "-" + std::to_string(k) + ext;
    if (!taken(inDirectory(d, name))) return name;
  }
  throw OutputError("cannot find a free name for " + base + ext + " in " + d +
                    " (a million names are taken) clean up the directory");
}

}  // namespace ornaplex
