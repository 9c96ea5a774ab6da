// A whole run: set-up, the event loop over blocks, the report and the output files.
#pragma once

#include <atomic>
#include <iosfwd>

#include "driver/run_options.h"

namespace ornaplex {

// Runs the simulation the options ask for, writing the screen lines to screen. Returns the
// exit status (0 on success, non-zero when the run was interrupted). Throws ornaplex::Error
// for a refused input or a failed output. stop, when set, ends the run after the blocks in
// flight.
int runSimulation(const RunOptions& options, std::ostream& screen,
                  const std::atomic<bool>* stop = nullptr);

}  // namespace ornaplex
