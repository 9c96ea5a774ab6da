// Where physics routines send the screen lines they print. The caller decides where the
// lines go: straight to standard output, or into a per-block buffer that a parallel run
// writes out in event order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ornaplex {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // One complete line, without its newline.
  virtual void line(std::string_view text) = 0;
};

// Keeps the lines in order, for a caller that writes them later.
class BufferSink final : public MessageSink {
 public:
  void line(std::string_view text) override { lines_.emplace_back(text); }
  const std::vector<std::string>& lines() const { return lines_; }
  void clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

// Drops every line (benchmarks, tests that do not look at messages).
class NullSink final : public MessageSink {
 public:
  void line(std::string_view) override {}
};

}  // namespace ornaplex
