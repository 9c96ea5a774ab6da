// A whole run: set-up, the event loop over blocks, the report and the output files.
#pragma once

#include <atomic>
#include <iosfwd>

#include "driver/run_options.h"

namespace ornaplex {

// The exit status of a run stopped by SIGINT or SIGTERM (after writing its partial file).
inline constexpr int kInterruptedExitCode = 130;

// Runs the simulation the options ask for, writing the screen lines to screen: the whole run
// (output file, log and report), or with --blocks only those blocks (a partial file, no log).
// Returns the exit status (0 on success, kInterruptedExitCode when stop ended the run early:
// the blocks completed are then written to a partial file). Throws ornaplex::Error for a
// refused input or a failed output. stop, when set, ends the run after the blocks in flight.
// Under MPI every rank calls this; rank 0 alone writes.
int runSimulation(const RunOptions& options, std::ostream& screen,
                  const std::atomic<bool>* stop = nullptr);

}  // namespace ornaplex
