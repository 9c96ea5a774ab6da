// Typed errors. Each carries the exit status the program ends with, and a message that says
// what is wrong, why, and what to do ("<problem> (<why>) <what to do>").
#pragma once

#include <stdexcept>
#include <string>

namespace ornaplex {

class Error : public std::runtime_error {
 public:
  Error(const std::string& message, int exitCode) : std::runtime_error(message), code_(exitCode) {}
  int exitCode() const { return code_; }

 private:
  int code_;
};

// A bad command-line option or value: usage is printed, exit status 2.
class UsageError : public Error {
 public:
  explicit UsageError(const std::string& message) : Error(message, 2) {}
};

// An input file that is missing, unreadable or holds unusable values: exit status 1.
class InputError : public Error {
 public:
  explicit InputError(const std::string& message) : Error(message, 1) {}
};

// An output that cannot be written (log, histogram file, diagnostic file): exit status 1.
class OutputError : public Error {
 public:
  explicit OutputError(const std::string& message) : Error(message, 1) {}
};

// A helium table asked outside its temperature range ends the run: exit status 3, no output file.
class RunStopped : public Error {
 public:
  explicit RunStopped(const std::string& message) : Error(message, 3) {}
};

}  // namespace ornaplex
