#include "driver/command_line.h"

#include <iostream>

namespace ornaplex {

int runCommandLine(int, char**) {
  std::cerr << "ornaplex: not built yet\n";
  return 1;
}

}  // namespace ornaplex
