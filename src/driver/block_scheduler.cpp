#include "driver/block_scheduler.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace ornaplex {

std::int64_t runBlocks(const BlockJob& job, HistogramStore& store,
                       const std::function<void(BlockResult&)>& consume,
                       const std::atomic<bool>* stop) {
  const std::int64_t total = job.range.count();
  if (total <= 0) return 0;
  const int workers = int(std::max<std::int64_t>(1, std::min<std::int64_t>(job.threads, total)));

  // How far the workers may run ahead of the consumer: enough to keep every worker busy while
  // one block is slow, few enough that the finished-but-unconsumed results stay small.
  const std::int64_t window = 4 * std::int64_t(workers);

  std::int64_t next = 0;  // the next block index to hand out (guarded by mutex)
  std::int64_t consumed = 0;
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable ready;             // a result arrived or a worker ended
  std::condition_variable advanced;          // the consumer took a result, or the run is ending
  std::map<std::int64_t, BlockResult> done;  // finished blocks not yet consumed
  int running = workers;
  std::exception_ptr error;
  std::vector<HistogramStore> stores(workers, store);
  for (HistogramStore& s : stores) s.clear();
  auto stopping = [&] { return failed.load() || (stop && stop->load()); };

  auto work = [&](int w) {
    try {
      DetectorHistograms histograms(stores[w]);
      for (;;) {
        std::int64_t k;
        {
          std::unique_lock lock(mutex);
          advanced.wait_for(lock, std::chrono::milliseconds(100),
                            [&] { return stopping() || next < consumed + window; });
          if (stopping() || next >= total) break;
          if (next >= consumed + window) continue;
          k = next++;
        }
        BlockResult r = runBlock(job.plan, job.range.block(k), job.runSeed, job.tables,
                                 job.settings, histograms, job.simd);
        // A weighted store's block ends here, so its sums are the block's alone whichever
        // worker ran it (histogram.h).
        stores[w].flushBlock();
        std::lock_guard lock(mutex);
        done.emplace(k, std::move(r));
        ready.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!error) error = std::current_exception();
      failed = true;
      advanced.notify_all();
    }
    std::lock_guard lock(mutex);
    --running;
    ready.notify_all();
  };

  std::vector<std::thread> pool;
  pool.reserve(workers);
  for (int w = 0; w < workers; ++w) pool.emplace_back(work, w);

  auto joinAll = [&] {
    {
      std::lock_guard lock(mutex);
      advanced.notify_all();
    }
    for (std::thread& t : pool) t.join();
  };
  try {
    for (;;) {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return done.count(consumed) || running == 0; });
      auto it = done.find(consumed);
      if (it == done.end()) break;  // every worker ended and the next block never ran
      BlockResult r = std::move(it->second);
      done.erase(it);
      lock.unlock();
      if (failed.load()) break;
      consume(r);
      lock.lock();
      ++consumed;
      advanced.notify_all();
    }
  } catch (...) {
    failed = true;
    joinAll();
    throw;
  }
  joinAll();
  if (error) std::rethrow_exception(error);
  for (const HistogramStore& s : stores) store.merge(s);
  return consumed;
}

}  // namespace ornaplex
