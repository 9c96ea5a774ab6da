// Numbers as text for files and logs.
#pragma once

#include <charconv>
#include <string>

namespace ornaplex {

// The shortest decimal text that reads back as the same double.
inline std::string shortestText(double v) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

}  // namespace ornaplex
