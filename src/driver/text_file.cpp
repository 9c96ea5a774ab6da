#include "driver/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/errors.h"

namespace ornaplex {

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

TextFile TextFile::createNew(const std::string& path, std::string_view what) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    if (err == EEXIST)
      throw OutputError(std::string(what) + " " + path +
                        " already exists (a run never overwrites a file) move it away, or start "
                        "the run in another minute or another --output-dir");
    throw OutputError("cannot create " + std::string(what) + " " + path + " (" +
                      std::strerror(err) + ") check that the directory exists and is writable");
  }
  std::FILE* f = ::fdopen(fd, "w");
  if (!f) {
    ::close(fd);
    throw OutputError("cannot open " + path + " (" + std::strerror(errno) + ")");
  }
  return TextFile(f, path);
}

TextFile::TextFile(TextFile&& o) noexcept : file_(o.file_), path_(std::move(o.path_)) {
  o.file_ = nullptr;
}

TextFile::~TextFile() {
  if (file_) std::fclose(file_);
}

void TextFile::line(std::string_view text) {
  if (!file_) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fputc('\n', file_);
}

void TextFile::close() {
  if (!file_) return;
  const bool bad = std::ferror(file_) != 0;
  const bool closeFailed = std::fclose(file_) != 0;
  file_ = nullptr;
  if (bad || closeFailed)
    throw OutputError("writing " + path_ + " failed (" + std::strerror(errno) +
                      ") check the free space of its disk");
}

void LazyTextFile::line(std::string_view text) {
  if (!file_) {
    for (int k = 0;; ++k) {
      const std::string name = k == 0 ? baseName_ : baseName_ + "-" + std::to_string(k);
      const std::string path = joinPath(directory_, name);
      struct stat st;
      if (::stat(path.c_str(), &st) == 0) continue;
      file_ = std::make_unique<TextFile>(TextFile::createNew(path, "diagnostic file"));
      break;
    }
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
