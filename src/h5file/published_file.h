// Publishing a finished file: its bytes go to a temporary file next to it (every write checked,
// then fsync), the temporary file gets its final name without ever replacing an existing file,
// and the directory is synced so the name survives a crash. Every writer of the program's
// output files goes through here, so a file either appears complete or not at all, and a
// failure is reported with the operating system's own reason.
#pragma once

#include <string>
#include <vector>

namespace ornaplex {

// The name a new file is published under: exactly one path, or (numbered) the first free of
// dir/base+ext, dir/base-1+ext, dir/base-2+ext, ... at the moment the file is published.
struct NewFileName {
  std::string dir;  // "." or empty for the working directory
  std::string base;
  std::string ext;
  bool numbered = false;
  // The file replaces one of the same name at once (a table rebuilt whole): readers see the old
  // file or the new one, never a mixture.
  bool replacing = false;

  static NewFileName exactly(const std::string& path);
  static NewFileName replacingAt(const std::string& path);
  static NewFileName firstFree(std::string dir, std::string base, std::string ext);
  // dir/base+ext when k is 0, else dir/base-k+ext.
  std::string candidate(long k) const;
};

// Bytes on their way to a new file. The temporary file is created on construction and removed
// by the destructor unless the file was published or kept (results that could not be given a
// name are kept, and the error names the temporary file).
class StagedFile {
 public:
  // what: how messages call the file ("histogram file"). Throws OutputError when the name is
  // taken (exact names only) or the temporary file cannot be created.
  StagedFile(NewFileName name, std::string what);
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile();

  // Writes all the bytes and syncs them to the disk. Throws OutputError (and removes the
  // temporary file) on any failure.
  void write(const std::vector<unsigned char>& bytes);
  // Gives the written file its name and syncs the directory; returns the path published.
  // Throws OutputError naming the file and the reason; when no name could be given, the
  // temporary file is kept and the message names it.
  std::string publish();

  const std::string& temporaryPath() const { return temporary_; }
  // The path the file is meant to get (the first free name when it was staged).
  const std::string& intendedPath() const { return intended_; }

 private:
  [[noreturn]] void fail(const std::string& path, int error);

  NewFileName name_;
  std::string what_;
  std::string intended_;
  std::string temporary_;
  int fd_ = -1;
  bool written_ = false;
  bool keep_ = false;
};

// Writes bytes to a new file under name (StagedFile: write, then publish). Returns the path.
std::string publishNewFile(const NewFileName& name, const std::string& what,
                           const std::vector<unsigned char>& bytes);

// The first free file name in dir: base + ext, else base + "-<k>" + ext with the smallest
// k >= 1. Returns the name only (without dir). A name is taken when anything exists there.
std::string freeOutputName(const std::string& dir, const std::string& base, const std::string& ext);

// What to do about a failed write with this errno, for the end of a message.
std::string whatToDoAbout(int error);

}  // namespace ornaplex
