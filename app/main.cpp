// ornaplex: Monte Carlo of slow neutrons down a spin-rotation beamline with two liquid-helium
// target cells.
#include "driver/command_line.h"

int main(int argc, char** argv) {
  return ornaplex::runCommandLine(argc, argv);
}
