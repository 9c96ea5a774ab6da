// The program's command line: parses the options, runs the requested command and turns every
// error into its message and exit status.
#pragma once

namespace ornaplex {

int runCommandLine(int argc, char** argv);

}  // namespace ornaplex
