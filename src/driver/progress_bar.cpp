#include "driver/progress_bar.h"

#include <cstdio>

namespace ornaplex {

namespace {

std::string clock(double seconds) {
  if (!(seconds >= 0.0) || seconds > 359999.0) return "--:--:--";
  const long s = long(seconds + 0.5);
  char out[64];
  std::snprintf(out, sizeof out, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return out;
}

}  // namespace

ProgressBar::ProgressBar(std::int64_t totalEvents, bool enabled)
    : total_(totalEvents), enabled_(enabled), start_(std::chrono::steady_clock::now()) {
  if (enabled_) thread_ = std::thread([this] { loop(); });
}

ProgressBar::~ProgressBar() {
  stop();
}

std::string ProgressBar::text(std::int64_t done, std::int64_t total, double seconds) {
  const double fraction = total > 0 ? double(done) / double(total) : 1.0;
  const double rate = seconds > 0.0 ? double(done) / seconds : 0.0;
  const double left = rate > 0.0 ? double(total - done) / rate : -1.0;
  constexpr int kWidth = 20;
  const int filled = int(fraction * kWidth);
  std::string bar = "[" + std::string(std::size_t(filled), '#') +
                    std::string(std::size_t(kWidth - filled), ' ') + "]";
  char out[160];
  std::snprintf(out, sizeof out, "%s %lld / %lld events %5.1f%% %.0f ev/s elapsed %s left %s",
                bar.c_str(), static_cast<long long>(done), static_cast<long long>(total),
                100.0 * fraction, rate, clock(seconds).c_str(), clock(left).c_str());
  return out;
}

void ProgressBar::erase() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

void ProgressBar::loop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, std::chrono::milliseconds(250));
    if (stopping_) break;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "\r%s\033[K", text(done_.load(), total_, seconds).c_str());
    std::fflush(stderr);
    drawn_ = true;
  }
}

void ProgressBar::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    erase();
  }
  wake_.notify_all();
  thread_.join();
}

}  // namespace ornaplex
