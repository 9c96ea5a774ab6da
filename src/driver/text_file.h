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
  // Creates path; throws OutputError naming it when it exists or cannot be created.
  static TextFile createNew(const std::string& path, std::string_view what);
  TextFile(TextFile&& o) noexcept;
  TextFile& operator=(TextFile&&) = delete;
  ~TextFile() override;

  void line(std::string_view text) override;
  // Flushes and closes; throws OutputError on a write failure (a full disk, say).
  void close();
  const std::string& path() const { return path_; }

 private:
  TextFile(std::FILE* f, std::string path) : file_(f), path_(std::move(path)) {}
  std::FILE* file_ = nullptr;
  std::string path_;
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

}  // namespace ornaplex
