// A text file that is created new and never overwrites an existing file: the run log and the
// long-path diagnostic file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/message_sink.h"

namespace ornaplex {

class TextFile final : public MessageSink {
 public:
  // Creates path; throws OutputError naming it when it exists or cannot be created. what names
  // the file in messages ("run log").
  static TextFile createNew(const std::string& path, std::string_view what);
  // Creates the first free one of dir/base+ext, dir/base-1+ext, dir/base-2+ext, ... (each tried
  // with an exclusive create, so two runs never share one); throws OutputError as createNew.
  static TextFile createFirstFree(const std::string& dir, const std::string& base,
                                  const std::string& ext, std::string_view what);
  TextFile(TextFile&& o) noexcept;
  TextFile& operator=(TextFile&&) = delete;
  ~TextFile() override;

  // Buffered; a failed write is kept and reported by flush or close.
  void line(std::string_view text) override;
  // Writes the buffered lines out now (so they survive the program being killed); throws
  // OutputError naming the file and the reason (a full disk, say).
  void flush();
  // Flushes and closes; throws OutputError like flush.
  void close();
  // Closes without reporting and removes the file (the log of a run that failed early).
  void discard() noexcept;
  const std::string& path() const { return path_; }

 private:
  TextFile(std::FILE* f, std::string path, std::string what)
      : file_(f), path_(std::move(path)), what_(std::move(what)) {}
  [[noreturn]] void fail(int error);
  // The file of an open descriptor; closes it and removes path when that fails.
  static TextFile opened(int fd, const std::string& path, std::string_view what);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string what_;
  int error_ = 0;  // errno of the first failed write
};

// A diagnostic file created only when its first line arrives, under the first free name of
// base, base-1, base-2, ... in the directory.
class LazyTextFile final : public MessageSink {
 public:
  LazyTextFile(std::string directory, std::string baseName)
      : directory_(std::move(directory)), baseName_(std::move(baseName)) {}
  void line(std::string_view text) override;
  void close();
  bool created() const { return file_ != nullptr; }
  std::string path() const;

 private:
  std::string directory_, baseName_;
  std::unique_ptr<TextFile> file_;
};

// dir/name, or name when dir is "." or empty.
std::string joinPath(const std::string& dir, const std::string& name);

// The screen's last line of a run or merge: every file it wrote, with its directory.
std::string filesWrittenLine(const std::string& histogramFile, const std::string& logFile,
                             const LazyTextFile& longPath);

}  // namespace ornaplex
