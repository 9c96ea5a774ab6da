#include "driver/mpi_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#ifdef ORNAPLEX_HAVE_MPI
#include <mpi.h>
#endif

namespace ornaplex {

namespace {

bool g_active = false;
int g_rank = 0;
int g_size = 1;

// Values travel as their bytes: the ranks run one build on one kind of machine. Counters and
// Tallies qualify (tallies.h: trivially copyable, no padding), weighted parts included.
template <class T>
void put(std::string& out, const T& v) {
  static_assert(std::is_trivially_copyable_v<T>);
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
T take(const std::string& in, std::size_t& at) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (at + sizeof(T) > in.size()) throw std::runtime_error("a block message is cut short");
  T v;
  std::memcpy(&v, in.data() + at, sizeof v);
  at += sizeof v;
  return v;
}

void putLines(std::string& out, const std::vector<EventLine>& lines) {
  put(out, std::uint64_t(lines.size()));
  for (const EventLine& l : lines) {
    put(out, l.event);
    put(out, std::uint64_t(l.text.size()));
    out += l.text;
  }
}

std::vector<EventLine> takeLines(const std::string& in, std::size_t& at) {
  const auto n = take<std::uint64_t>(in, at);
  std::vector<EventLine> lines;
  for (std::uint64_t i = 0; i < n; ++i) {
    const auto event = take<std::int64_t>(in, at);
    const auto size = take<std::uint64_t>(in, at);
    if (at + size > in.size()) throw std::runtime_error("a block message is cut short");
    lines.push_back({event, in.substr(at, size)});
    at += size;
  }
  return lines;
}

#ifdef ORNAPLEX_HAVE_MPI
constexpr int kResultTag = 1;

bool launchedByMpi() {
  return std::getenv("OMPI_COMM_WORLD_SIZE") != nullptr || std::getenv("PMIX_RANK") != nullptr ||
         std::getenv("PMI_RANK") != nullptr;
}

// Adds 128-bit exact sums (each two int64 words) element by element: integer additions, so
// every order of reduction gives the same bits. The buffers need not be aligned for __int128.
// Sums stay far inside the 128 bits (the flushes refuse values beyond 2^62), and wrap-around
// arithmetic keeps this function free of undefined behaviour anyway.
void addExactSums(void* in, void* inout, int* len, MPI_Datatype*) {
  const auto* a = static_cast<const unsigned char*>(in);
  auto* b = static_cast<unsigned char*>(inout);
  for (int i = 0; i < *len; ++i, a += sizeof(FixedSum), b += sizeof(FixedSum)) {
    unsigned __int128 x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    y += x;
    std::memcpy(b, &y, sizeof y);
  }
}

// Rank 0 gets every rank's sums in v; the others keep theirs.
void reduceExactSums(std::vector<FixedSum>& v, MPI_Datatype type, MPI_Op op) {
  if (g_rank == 0)
    MPI_Reduce(MPI_IN_PLACE, v.data(), int(v.size()), type, op, 0, MPI_COMM_WORLD);
  else
    MPI_Reduce(v.data(), nullptr, int(v.size()), type, op, 0, MPI_COMM_WORLD);
}

template <class H>
void reduceHistogram(H& h, MPI_Datatype exactType, MPI_Op exactOp) {
  std::int64_t entries = h.entries();
  if (g_rank == 0)
    MPI_Reduce(MPI_IN_PLACE, &entries, 1, MPI_INT64_T, MPI_SUM, 0, MPI_COMM_WORLD);
  else
    MPI_Reduce(&entries, nullptr, 1, MPI_INT64_T, MPI_SUM, 0, MPI_COMM_WORLD);
  if (h.weighted()) {
    // The exact sums, not the doubles shown from them: the total is then the same bits as
    // the one a single process adds (histogram.h).
    std::vector<FixedSum> counts = h.exactCounts();
    std::vector<FixedSum> squares = h.exactSquares();
    reduceExactSums(counts, exactType, exactOp);
    reduceExactSums(squares, exactType, exactOp);
    if (g_rank == 0) {
      h.setExactSums(std::move(counts), std::move(squares));
      h.setContents(h.slots(), entries);  // the slots shown from the sums, with the entries
    }
  } else {
    // Counts are whole numbers far below 2^53, so the sum is exact in any order.
    std::vector<double> slots = h.slots();
    if (g_rank == 0)
      MPI_Reduce(MPI_IN_PLACE, slots.data(), int(slots.size()), MPI_DOUBLE, MPI_SUM, 0,
                 MPI_COMM_WORLD);
    else
      MPI_Reduce(slots.data(), nullptr, int(slots.size()), MPI_DOUBLE, MPI_SUM, 0, MPI_COMM_WORLD);
    if (g_rank == 0) h.setContents(std::move(slots), entries);
  }
}

void reduceHistograms(HistogramStore& store) {
  MPI_Datatype exactType = MPI_DATATYPE_NULL;
  MPI_Op exactOp = MPI_OP_NULL;
  if (store.weighted()) {
    MPI_Type_contiguous(int(sizeof(FixedSum)), MPI_BYTE, &exactType);
    MPI_Type_commit(&exactType);
    MPI_Op_create(addExactSums, 1, &exactOp);
  }
  for (int id : store.ids()) {
    if (store.is2D(id))
      reduceHistogram(store.h2(id), exactType, exactOp);
    else
      reduceHistogram(store.h1(id), exactType, exactOp);
  }
  if (store.weighted()) {
    MPI_Op_free(&exactOp);
    MPI_Type_free(&exactType);
  }
}

BlockResult receiveFrom(int source) {
  MPI_Status status;
  MPI_Probe(source, kResultTag, MPI_COMM_WORLD, &status);
  int size = 0;
  MPI_Get_count(&status, MPI_CHAR, &size);
  std::string bytes(std::size_t(size), '\0');
  MPI_Recv(bytes.data(), size, MPI_CHAR, source, kResultTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
  return deserializeResult(bytes);
}
#endif

}  // namespace

std::string serializeResult(const BlockResult& r) {
  std::string out;
  put(out, r.block);
  put(out, r.last);
  put(out, r.counters);
  put(out, r.tallies);
  putLines(out, r.screen);
  putLines(out, r.log);
  putLines(out, r.longPath);
  return out;
}

BlockResult deserializeResult(const std::string& bytes) {
  std::size_t at = 0;
  BlockResult r;
  r.block = take<std::int64_t>(bytes, at);
  r.last = take<std::int64_t>(bytes, at);
  r.counters = take<Counters>(bytes, at);
  r.tallies = take<Tallies>(bytes, at);
  r.screen = takeLines(bytes, at);
  r.log = takeLines(bytes, at);
  r.longPath = takeLines(bytes, at);
  if (at != bytes.size()) throw std::runtime_error("a block message has trailing bytes");
  return r;
}

#ifdef ORNAPLEX_HAVE_MPI

void startRanks(int& argc, char**& argv) {
  if (!launchedByMpi()) return;
  int provided = 0;
  // Only the main thread of each rank talks to MPI.
  MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
  MPI_Comm_rank(MPI_COMM_WORLD, &g_rank);
  MPI_Comm_size(MPI_COMM_WORLD, &g_size);
  g_active = true;
}

void finishRanks() {
  if (g_active) MPI_Finalize();
  g_active = false;
}

void abortRanks(const std::string& message, int exitCode) {
  if (!g_active) return;
  std::fprintf(stderr, "ornaplex: rank %d: %s\n", g_rank, message.c_str());
  std::fflush(stderr);
  MPI_Abort(MPI_COMM_WORLD, exitCode == 0 ? 1 : exitCode);
}

std::int64_t broadcastFromRoot(std::int64_t v) {
  if (g_active) MPI_Bcast(&v, 1, MPI_INT64_T, 0, MPI_COMM_WORLD);
  return v;
}

std::string broadcastFromRoot(const std::string& v) {
  if (!g_active) return v;
  std::int64_t size = broadcastFromRoot(std::int64_t(v.size()));
  std::string out = v;
  out.resize(std::size_t(size));
  MPI_Bcast(out.data(), int(size), MPI_CHAR, 0, MPI_COMM_WORLD);
  return out;
}

std::int64_t runBlocksOnRanks(const BlockJob& job, HistogramStore& store,
                              const std::function<void(BlockResult&)>& consume,
                              const std::atomic<bool>* stop) {
  if (!g_active) return runBlocks(job, store, consume, stop);
  BlockJob mine = job;
  mine.range = BlockRange{job.range.first + g_rank, job.range.last, g_size};
  std::int64_t ran = 0;
  if (g_rank != 0) {
    auto send = [](BlockResult& r) {
      const std::string bytes = serializeResult(r);
      // Synchronous: a rank runs ahead of rank 0 by no more than its workers' look-ahead.
      MPI_Ssend(bytes.data(), int(bytes.size()), MPI_CHAR, 0, kResultTag, MPI_COMM_WORLD);
    };
    ran = runBlocks(mine, store, send, nullptr);
  } else {
    std::int64_t next = job.range.first;
    auto pullUpTo = [&](std::int64_t end) {
      for (; next < end; ++next) {
        BlockResult r = receiveFrom(int((next - job.range.first) % g_size));
        consume(r);
        ++ran;
      }
    };
    auto local = [&](BlockResult& r) {
      pullUpTo(r.block);
      consume(r);
      ++ran;
      next = r.block + 1;
    };
    runBlocks(mine, store, local, nullptr);
    pullUpTo(job.range.last + 1);
  }
  reduceHistograms(store);
  return ran;
}

#else

void startRanks(int&, char**&) {}
void finishRanks() {}
void abortRanks(const std::string&, int) {}
std::int64_t broadcastFromRoot(std::int64_t v) {
  return v;
}
std::string broadcastFromRoot(const std::string& v) {
  return v;
}

std::int64_t runBlocksOnRanks(const BlockJob& job, HistogramStore& store,
                              const std::function<void(BlockResult&)>& consume,
                              const std::atomic<bool>* stop) {
  return runBlocks(job, store, consume, stop);
}

#endif

bool ranksActive() {
  return g_active;
}
int rankIndex() {
  return g_rank;
}
int rankCount() {
  return g_size;
}

}  // namespace ornaplex
