#include "driver/block_scheduler.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace ornaplex {

namespace {

// An empty store of the same booking.
void clearCounts(HistogramStore& s) {
  for (int id : s.ids()) {
    if (s.is2D(id)) {
      std::fill(s.h2(id).slots().begin(), s.h2(id).slots().end(), 0.0);
      s.h2(id).setEntries(0);
    } else {
      std::fill(s.h1(id).slots().begin(), s.h1(id).slots().end(), 0.0);
      s.h1(id).setEntries(0);
    }
  }
}

}  // namespace

std::int64_t runBlocks(const BlockJob& job, HistogramStore& store,
                       const std::function<void(BlockResult&)>& consume,
                       const std::atomic<bool>* stop) {
  const std::int64_t total = job.range.count();
  if (total <= 0) return 0;
  const int workers = int(std::max<std::int64_t>(1, std::min<std::int64_t>(job.threads, total)));

  std::atomic<std::int64_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable ready;
  std::map<std::int64_t, BlockResult> done;  // finished blocks not yet consumed
  int running = workers;
  std::exception_ptr error;
  std::vector<HistogramStore> stores(workers, store);
  for (HistogramStore& s : stores) clearCounts(s);

  auto work = [&](int w) {
    try {
      DetectorHistograms histograms(stores[w]);
      for (;;) {
        if (failed.load() || (stop && stop->load())) break;
        const std::int64_t k = next.fetch_add(1);
        if (k >= total) break;
        BlockResult r = runBlock(job.plan, job.range.first + k, job.runSeed, job.tables,
                                 job.settings, histograms);
        std::lock_guard lock(mutex);
        done.emplace(k, std::move(r));
        ready.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!error) error = std::current_exception();
      failed = true;
    }
    std::lock_guard lock(mutex);
    --running;
    ready.notify_all();
  };

  std::vector<std::thread> pool;
  pool.reserve(workers);
  for (int w = 0; w < workers; ++w) pool.emplace_back(work, w);

  std::int64_t consumed = 0;
  try {
    for (;;) {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return done.count(consumed) || running == 0; });
      auto it = done.find(consumed);
      if (it == done.end()) break;  // every worker ended and the next block never ran
      BlockResult r = std::move(it->second);
      done.erase(it);
      lock.unlock();
      if (!failed.load()) consume(r);
      ++consumed;
    }
  } catch (...) {
    failed = true;
    for (std::thread& t : pool) t.join();
    throw;
  }
  for (std::thread& t : pool) t.join();
  if (error) std::rethrow_exception(error);
  for (const HistogramStore& s : stores) store.merge(s);
  return consumed;
}

}  // namespace ornaplex
