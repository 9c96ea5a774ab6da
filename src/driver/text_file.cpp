#include "driver/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/errors.h"
#include "h5file/published_file.h"

namespace ornaplex {

std::string filesWrittenLine(const std::string& histogramFile, const std::string& logFile,
                             const LazyTextFile& longPath) {
  std::string line = "   Files written: " + histogramFile + " (histograms), " + logFile + " (log)";
  if (longPath.created()) line += ", " + longPath.path() + " (paths over 500 cm)";
  return line;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

namespace {

// Opens path new for writing; -1 with errno set when it cannot.
int openNew(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

[[noreturn]] void refuseCreate(const std::string& path, std::string_view what, int err) {
  if (err == EEXIST)
    throw OutputError(std::string(what) + " " + path +
                      " already exists (a run never overwrites a file) move it away, or start "
                      "the run in another --output-dir");
  throw OutputError("cannot create " + std::string(what) + " " + path + " (" + std::strerror(err) +
                    ") " + whatToDoAbout(err));
}

}  // namespace

TextFile TextFile::opened(int fd, const std::string& path, std::string_view what) {
  std::FILE* f = ::fdopen(fd, "w");
  if (!f) {
    const int err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    throw OutputError("cannot open " + std::string(what) + " " + path + " (" + std::strerror(err) +
                      ") " + whatToDoAbout(err));
  }
  return TextFile(f, path, std::string(what));
}

TextFile TextFile::createNew(const std::string& path, std::string_view what) {
  const int fd = openNew(path);
  if (fd < 0) refuseCreate(path, what, errno);
  return opened(fd, path, what);
}

TextFile TextFile::createFirstFree(const std::string& dir, const std::string& base,
                                   const std::string& ext, std::string_view what) {
  constexpr long kMostTried = 1000000;
  for (long k = 0; k < kMostTried; ++k) {
    const std::string path =
        joinPath(dir, k == 0 ? base + ext : base + "-" + std::to_string(k) + ext);
    const int fd = openNew(path);
    if (fd >= 0) return opened(fd, path, what);
    if (errno != EEXIST) refuseCreate(path, what, errno);
  }
  throw OutputError("cannot find a free name for the " + std::string(what) + " " +
                    joinPath(dir, base + ext) + " (a million names are taken) clean up " +
                    (dir.empty() ? std::string(".") : dir));
}

TextFile::TextFile(TextFile&& o) noexcept
    : file_(o.file_), path_(std::move(o.path_)), what_(std::move(o.what_)), error_(o.error_) {
  o.file_ = nullptr;
}

TextFile::~TextFile() {
  if (file_) std::fclose(file_);
}

void TextFile::line(std::string_view text) {
  if (!file_) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() ||
      std::fputc('\n', file_) == EOF) {
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
  }
}

void TextFile::fail(int error) {
  throw OutputError("cannot write the " + what_ + " " + path_ + " (" + std::strerror(error) + ") " +
                    whatToDoAbout(error));
}

void TextFile::flush() {
  if (!file_) return;
  if (std::fflush(file_) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
  if (error_ != 0) fail(error_);
}

void TextFile::close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fflush(f) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
  if (std::fclose(f) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
  if (error_ != 0) fail(error_);
}

void TextFile::discard() noexcept {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!path_.empty()) ::unlink(path_.c_str());
}

void LazyTextFile::line(std::string_view text) {
  if (!file_) {
    file_ = std::make_unique<TextFile>(
        TextFile::createFirstFree(directory_, baseName_, "", "diagnostic file"));
  }
  file_->line(text);
}

void LazyTextFile::close() {
  if (file_) file_->close();
}

std::string LazyTextFile::path() const {
  return file_ ? file_->path() : std::string();
}

}  // namespace ornaplex
