// ornaplex: Monte Carlo of slow neutrons down a spin-rotation beamline with two liquid-helium
// target cells.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "commands/command_line.h"

namespace {

// Standard output that keeps the reason of its first failed write, so that screen lines lost to
// a full disk or a closed pipe fail the program like any other output. Buffered; written out
// when the stream is flushed (every screen line is) and at the end.
class CheckedStandardOutput final : public std::streambuf {
 public:
  CheckedStandardOutput() { setp(buffer_, buffer_ + sizeof buffer_); }
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (!writeOut()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return writeOut() ? 0 : -1; }

 private:
  bool writeOut() {
    const char* p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    while (left > 0) {
      const ssize_t n = ::write(STDOUT_FILENO, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (error_ == 0) error_ = n < 0 ? errno : EIO;
        return false;
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    return error_ == 0;
  }

  char buffer_[1 << 16];
  int error_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  CheckedStandardOutput screen;
  std::streambuf* const original = std::cout.rdbuf(&screen);
  int status = ornaplex::runCommandLine(argc, argv);
  std::cout.flush();
  std::cout.rdbuf(original);
  // A run that already failed has said why in its one line; otherwise the lost screen output
  // fails the run.
  if (screen.error() != 0 && status == 0) {
    std::cerr << "ornaplex: cannot write the screen output to standard output ("
              << std::strerror(screen.error())
              << ") send it to a file on a disk with space, or to a terminal\n";
    status = 1;
  }
  return status;
}
