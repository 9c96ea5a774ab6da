// Spreading a run's blocks over the ranks of an MPI job. Rank r runs every size-th block of the
// range starting at its r-th block (with its own worker threads) and sends each result to
// rank 0 as it is done; rank 0 hands every result to its consumer in block order and receives
// the sum of every rank's histograms. Rank 0 alone writes files and the screen.
//
// MPI is started only when the program runs under an MPI launcher (Open MPI's mpirun sets
// OMPI_COMM_WORLD_SIZE; PMIx launchers set PMIX_RANK); a plain start runs as one process, and
// a build without MPI always does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "driver/block_scheduler.h"

namespace ornaplex {

// Starts MPI when launched by an MPI launcher; call once, first thing in main.
void startRanks(int& argc, char**& argv);
// Ends MPI (after a normal end on every rank).
void finishRanks();
// True when running as one of several (or one) MPI ranks.
bool ranksActive();
int rankIndex();  // 0 without MPI
int rankCount();  // 1 without MPI

// Ends the whole job from this rank: prints "ornaplex: rank R: message" to standard error and
// aborts every rank with the exit status. Without MPI it only returns.
void abortRanks(const std::string& message, int exitCode);

// Rank 0's value of v on every rank.
std::int64_t broadcastFromRoot(std::int64_t v);
std::string broadcastFromRoot(const std::string& v);

// Runs the job's range over the ranks (job.range.stride must be 1). On rank 0, consume gets
// every block's result in block order and store the sum of all ranks' histograms; returns the
// number of blocks consumed there. On the other ranks consume is never called, store holds
// their own histograms only, and the return value is their own block count. Without MPI this
// is runBlocks.
std::int64_t runBlocksOnRanks(const BlockJob& job, HistogramStore& store,
                              const std::function<void(BlockResult&)>& consume,
                              const std::atomic<bool>* stop);

// A block result as bytes and back (the message between ranks).
std::string serializeResult(const BlockResult& r);
BlockResult deserializeResult(const std::string& bytes);

}  // namespace ornaplex
