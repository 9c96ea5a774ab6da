// A live progress bar on standard error for a person watching a terminal: events done of the
// total, percentage, events per second, elapsed and remaining time. Redrawn at most four times
// a second by its own thread, erased when the run ends and around every screen line.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "common/message_sink.h"

namespace ornaplex {

class ProgressBar {
 public:
  // Draws only when enabled (the caller checks that standard error is a terminal).
  ProgressBar(std::int64_t totalEvents, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void addEvents(std::int64_t n) { done_.fetch_add(n, std::memory_order_relaxed); }
  // Stops redrawing and erases the bar.
  void stop();
  // Runs write with the bar erased, so a line on a shared terminal does not mix with it.
  template <class F>
  void cleared(F&& write) {
    std::lock_guard lock(mutex_);
    erase();
    write();
  }

  // The bar's text for the given state (without the carriage return).
  static std::string text(std::int64_t done, std::int64_t total, double seconds);

 private:
  void erase();
  void loop();

  std::int64_t total_;
  bool enabled_;
  std::atomic<std::int64_t> done_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::thread thread_;
};

// Screen lines to a stream, flushed line by line, with the progress bar erased around them.
class ScreenSink final : public MessageSink {
 public:
  ScreenSink(std::ostream& out, ProgressBar& bar) : out_(out), bar_(bar) {}
  void line(std::string_view text) override {
    bar_.cleared([&] { out_ << text << '\n' << std::flush; });
  }

 private:
  std::ostream& out_;
  ProgressBar& bar_;
};

}  // namespace ornaplex
