// Partial results: the head of a run adds its blocks exactly as the whole run does, records and
// lines survive the partial file and the messages between ranks, and the scheduler's blocks
// come in order whatever the stride, and as a prefix when stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "common/errors.h"
#include "driver/block_scheduler.h"
#include "driver/merge.h"
#include "driver/mpi_run.h"
#include "driver/partial_run.h"
#include "driver/progress_bar.h"
#include "driver/run_inputs.h"
#include "h5file/partial_file.h"
#include "h5file/run_reader.h"
#include "histogram/histogram_sampler.h"
#include "results/histogram_catalogue.h"
#include "results/run_summary.h"
#include "run_program.h"
#include "shipped_tables.h"
#include "target/distinct_totals.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;

// A block result with awkward sums (values whose order of addition matters) and lines.
BlockResult sampleResult(std::int64_t block, double scale) {
  BlockResult r;
  r.block = r.last = block;
  r.counters.tar1In = 10 + block;
  r.counters.limitTaken = block;
  r.tallies.rightTally = {0.1 * scale, 1e-17 * scale, 3};
  r.tallies.lossLeftTally = {1e16 * scale, 3.0, 1};
  r.screen.push_back({block * 100 + 1, "screen " + std::to_string(block)});
  r.log.push_back({block * 100 + 2, "log " + std::to_string(block)});
  r.longPath.push_back({block * 100 + 3, " guide   600.0"});
  return r;
}

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PartialCollector, TheHeadAddsItsBlocksAsTheWholeRunDoes) {
  PartialCollector c;
  Tallies whole;
  Counters counts;
  const double scales[] = {1.0, 3.0, -7.0, 1e-3};
  for (int b = 0; b < 4; ++b) {
    const BlockResult r = sampleResult(b, scales[b]);
    c.add(r);
    whole.merge(r.tallies);
    counts.merge(r.counters);
  }
  const PartialContents p = c.contents(RunDescription{}, 0, 9, true, HistogramStore{});
  ASSERT_EQ(p.records.size(), 1u);
  EXPECT_EQ(p.records[0].first, 0);
  EXPECT_EQ(p.records[0].last, 3);
  const BlockResult head = resultOf(p.records[0], p.lines);
  EXPECT_TRUE(sameBits(head.tallies.rightTally.S, whole.rightTally.S));
  EXPECT_TRUE(sameBits(head.tallies.rightTally.Q, whole.rightTally.Q));
  EXPECT_TRUE(sameBits(head.tallies.lossLeftTally.S, whole.lossLeftTally.S));
  EXPECT_EQ(head.tallies.rightTally.N, 12);
  EXPECT_EQ(head.counters.tar1In, counts.tar1In);
  EXPECT_EQ(head.counters.limitTaken, 6);
  ASSERT_EQ(head.screen.size(), 4u);
  EXPECT_EQ(head.screen[3].event, 301);
  EXPECT_EQ(head.longPath.size(), 4u);
}

TEST(PartialCollector, BlocksAfterTheStartAreKeptOneByOne) {
  PartialCollector c;
  c.add(sampleResult(5, 1.0));
  c.add(sampleResult(6, 2.0));
  const PartialContents p = c.contents(RunDescription{}, 5, 6, false, HistogramStore{});
  ASSERT_EQ(p.records.size(), 2u);
  EXPECT_EQ(p.records[1].first, 6);
  EXPECT_EQ(p.records[1].last, 6);
  const BlockResult six = resultOf(p.records[1], p.lines);
  EXPECT_EQ(six.log.size(), 1u);
  EXPECT_EQ(six.log[0].text, "log 6");
  EXPECT_TRUE(sameBits(six.tallies.rightTally.S, 0.2));
}

TEST(PartialFile, RoundTripKeepsRecordsLinesAndDescription) {
  const fs::path dir = testing::freshDir("partial-file-roundtrip");
  RunDescription run;
  run.seed = 77;
  run.plan = BlockPlan{100000, 1000};
  run.field_mG = 0.1;
  run.temperature_K = 2.1;
  run.inputs = {{"lam", "data/lam.h5", "ab"}, {"sq", "data/sq.h5", "cd"}};
  run.warnings = {"warning: one", "warning: two"};
  run.startDate = "20260101";
  run.startTime = "000000.000";
  PartialCollector c;
  c.add(sampleResult(7, 1.0));
  c.add(sampleResult(8, -1.0));
  HistogramStore store;
  bookCatalogue(store);
  store.h1(store.ids().front()).fill(0.5);
  const std::string path = (dir / "p.h5").string();
  writePartialFile(path, c.contents(run, 7, 9, true, store));
  EXPECT_THROW(writePartialFile(path, c.contents(run, 7, 9, true, store)), OutputError);

  const PartialContents back = readPartialFile(path);
  ASSERT_EQ(back.records.size(), 2u);
  EXPECT_EQ(back.records[1].first, 8);
  EXPECT_TRUE(sameBits(back.records[0].sums[0], 0.1));
  EXPECT_EQ(back.lines.size(), 6u);
  EXPECT_TRUE(back.store.sameBooking(store));
  EXPECT_EQ(back.store.h1(store.ids().front()).entries(), 1);
  const RunDescription d = describedRun(back, path);
  EXPECT_EQ(d.seed, 77);
  EXPECT_EQ(d.plan.blockSize, 1000);
  EXPECT_EQ(d.warnings, run.warnings);
  ASSERT_EQ(d.inputs.size(), 2u);
  EXPECT_EQ(d.inputs[1].sha256, "cd");
  EXPECT_EQ(d.startTime, "000000.000");
  EXPECT_EQ(std::get<std::int64_t>(back.attribute("interrupted")->value), 1);
  // Only the file and nothing left over from staging.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A partial file of one block of a two-block run, under the given stream scheme ("": none).
std::string partialOfBlock(const fs::path& dir, const std::string& name, std::int64_t block,
                           const std::string& scheme, const ScatteringModel& model = {}) {
  RunDescription run;
  run.model = model;
  run.seed = 31;
  run.plan = BlockPlan{200, 100};
  run.startDate = "20260101";
  run.startTime = "000000.000";
  run.streamScheme = scheme;
  PartialCollector c;
  c.add(sampleResult(block, 1.0));
  HistogramStore store;
  bookCatalogue(store);
  const std::string path = (dir / name).string();
  writePartialFile(path, c.contents(run, block, block, false, store));
  return path;
}

TEST(Merge, RefusesFilesOfAnotherStreamScheme) {
  const fs::path dir = testing::freshDir("merge-stream-scheme");
  const std::string now(kStreamScheme);
  const std::string head = partialOfBlock(dir, "head.h5", 0, now);
  const std::string other = partialOfBlock(dir, "other.h5", 1, "ranlux3-seed31-v0");
  const std::string old = partialOfBlock(dir, "old.h5", 1, "");
  std::ostringstream screen;
  auto refusal = [&](const std::vector<std::string>& in) {
    try {
      runMerge((dir / "out.h5").string(), in, screen);
    } catch (const InputError& e) {
      return std::string(e.what());
    }
    return std::string("merged");
  };
  const std::string differ = refusal({head, other});
  for (const std::string& part : {head, other, now, std::string("ranlux3-seed31-v0")})
    EXPECT_NE(differ.find(part), std::string::npos) << differ;
  EXPECT_NE(differ.find("stream_scheme"), std::string::npos) << differ;
  // A file without a scheme does not merge with one that has one, in either order.
  for (const auto& in : {std::vector{head, old}, std::vector{old, head}}) {
    const std::string none = refusal(in);
    EXPECT_NE(none.find("stream_scheme "), std::string::npos) << none;
    EXPECT_NE(none.find(" differs from "), std::string::npos) << none;
    EXPECT_NE(none.find("none"), std::string::npos) << none;
    EXPECT_NE(none.find(old), std::string::npos) << none;
    EXPECT_NE(none.find(head), std::string::npos) << none;
  }
  EXPECT_FALSE(fs::exists(dir / "out.h5"));

  // Files that agree merge, and the output records their scheme, or none.
  const std::string same = partialOfBlock(dir, "same.h5", 1, now);
  const std::string oldHead = partialOfBlock(dir, "old-head.h5", 0, "");
  EXPECT_EQ(runMerge((dir / "new.h5").string(), {head, same}, screen), 0);
  EXPECT_EQ(runMerge((dir / "older.h5").string(), {oldHead, old}, screen), 0);
  const std::optional<Attribute> scheme =
      findAttribute(readStoredRun((dir / "new.h5").string()), "stream_scheme");
  ASSERT_TRUE(scheme.has_value());
  EXPECT_EQ(std::get<std::string>(scheme->value), now);
  EXPECT_FALSE(findAttribute(readStoredRun((dir / "older.h5").string()), "stream_scheme"));
  // The log of files without a scheme claims no lanes they do not record.
  const std::string log = testing::readText(dir / "older.o");
  EXPECT_NE(log.find("no stream scheme recorded"), std::string::npos) << log;
  EXPECT_EQ(log.find(" lanes"), std::string::npos) << log;
}

TEST(Merge, RefusesFilesOfAnotherScatteringModel) {
  const fs::path dir = testing::freshDir("merge-model");
  const std::string scheme(kStreamScheme);
  const ScatteringModel jacobian = parseScatteringModel("jacobian");
  const std::string head = partialOfBlock(dir, "head.h5", 0, scheme);
  const std::string other = partialOfBlock(dir, "other.h5", 1, scheme, jacobian);
  std::ostringstream screen;
  try {
    runMerge((dir / "out.h5").string(), {head, other}, screen);
    ADD_FAILURE() << "merged files of two models";
  } catch (const InputError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("its scattering_model jacobian differs from standard"), std::string::npos)
        << m;
  }
  EXPECT_FALSE(fs::exists(dir / "out.h5"));
  // Files of one variant merge; the output and its report name the variant.
  const std::string jHead = partialOfBlock(dir, "j-head.h5", 0, scheme, jacobian);
  EXPECT_EQ(runMerge((dir / "j.h5").string(), {jHead, other}, screen), 0);
  const std::optional<Attribute> model =
      findAttribute(readStoredRun((dir / "j.h5").string()), "scattering_model");
  ASSERT_TRUE(model.has_value());
  EXPECT_EQ(std::get<std::string>(model->value), "jacobian");
  EXPECT_NE(screen.str().find("Scattering model: jacobian"), std::string::npos);
}

TEST(PartialCollector, TheBookingDigestSeesTitlesAndBinnings) {
  HistogramStore a, b, c;
  a.book1(1, "x", 10, 0.0f, 1.0f);
  b.book1(1, "y", 10, 0.0f, 1.0f);
  c.book1(1, "x", 10, 0.0f, 1.5f);
  EXPECT_NE(bookingDigest(a), bookingDigest(b));
  EXPECT_NE(bookingDigest(a), bookingDigest(c));
  a.h1(1).fill(0.5);  // contents do not matter
  HistogramStore d;
  d.book1(1, "x", 10, 0.0f, 1.0f);
  EXPECT_EQ(bookingDigest(a), bookingDigest(d));
}

TEST(RankMessages, AResultSurvivesTheTripAndACutMessageIsRefused) {
  const BlockResult r = sampleResult(3, 2.5);
  const std::string bytes = serializeResult(r);
  const BlockResult back = deserializeResult(bytes);
  EXPECT_EQ(back.block, 3);
  EXPECT_EQ(back.last, 3);
  EXPECT_TRUE(sameBits(back.tallies.rightTally.S, r.tallies.rightTally.S));
  EXPECT_EQ(back.counters.tar1In, 13);
  ASSERT_EQ(back.longPath.size(), 1u);
  EXPECT_EQ(back.longPath[0].text, " guide   600.0");
  EXPECT_THROW(deserializeResult(bytes.substr(0, bytes.size() - 1)), std::runtime_error);
  EXPECT_THROW(deserializeResult(bytes + "x"), std::runtime_error);
}

TEST(RankMessages, EveryCounterAndTallySurvivesWeightedPartsIncluded) {
  const testing::DistinctTotals d = testing::distinctTotals(1.0, true);
  BlockResult r = sampleResult(3, 1.0);
  r.counters = d.counters;
  r.tallies = d.tallies;
  const BlockResult back = deserializeResult(serializeResult(r));
  EXPECT_TRUE(testing::sameTotals(back.counters, back.tallies, d.counters, d.tallies));
}

// A partial file of one block of a two-block run whose totals are distinctTotals().
std::string partialWithTotals(const fs::path& dir, const std::string& name, std::int64_t block,
                              bool weighted, bool pairs = false) {
  RunDescription run;
  run.seed = 31;
  run.plan = BlockPlan{200, 100};
  run.startDate = "20260101";
  run.startTime = "000000.000";
  run.bias.weighted = weighted;
  run.pairs = pairs;
  BlockResult r = sampleResult(block, 1.0);
  const testing::DistinctTotals d = testing::distinctTotals(1.0, pairs);
  r.counters = d.counters;
  r.tallies = d.tallies;
  PartialCollector c;
  c.add(r);
  HistogramStore store;
  bookCatalogue(store);
  const std::string path = (dir / name).string();
  writePartialFile(path, c.contents(run, block, block, false, store));
  return path;
}

TEST(Merge, WeightedPartsGoOnlyThroughWeightedFilesAndNeverMixWithAnalogOnes) {
  const fs::path dir = testing::freshDir("merge-weighted");
  const std::string head = partialWithTotals(dir, "head.h5", 0, true);
  const std::string tail = partialWithTotals(dir, "tail.h5", 1, true);
  const PartialContents back = readPartialFile(head);
  EXPECT_TRUE(back.weighted);
  ASSERT_EQ(back.records.size(), 1u);
  const RunTotals record = totalsOfRecord(back.records[0]);
  const testing::DistinctTotals once = testing::distinctTotals();
  EXPECT_TRUE(testing::sameTotals(record.counters, record.tallies, once.counters, once.tallies));

  std::ostringstream screen;
  ASSERT_EQ(runMerge((dir / "w.h5").string(), {head, tail}, screen), 0);
  const std::optional<RunTotals> merged =
      totalsFromSummary(readStoredRun((dir / "w.h5").string()).summary);
  ASSERT_TRUE(merged);
  EXPECT_TRUE(merged->weighted);
  const testing::DistinctTotals twice = testing::distinctTotals(2.0);
  EXPECT_TRUE(
      testing::sameTotals(merged->counters, merged->tallies, twice.counters, twice.tallies));

  // Analog files hold no weighted part, and their merged output none either.
  const std::string analogHead = partialWithTotals(dir, "a-head.h5", 0, false);
  const std::string analogTail = partialWithTotals(dir, "a-tail.h5", 1, false);
  EXPECT_FALSE(readPartialFile(analogHead).weighted);
  ASSERT_EQ(runMerge((dir / "a.h5").string(), {analogHead, analogTail}, screen), 0);
  const std::optional<RunTotals> analog =
      totalsFromSummary(readStoredRun((dir / "a.h5").string()).summary);
  ASSERT_TRUE(analog);
  EXPECT_FALSE(analog->weighted);
  EXPECT_EQ(analog->tallies.rightTally.W, 0.0);
  EXPECT_EQ(analog->counters.detIn, twice.counters.detIn);

  try {
    runMerge((dir / "mixed.h5").string(), {head, analogTail}, screen);
    ADD_FAILURE() << "a weighted and an analog file were merged";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find("weighted"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(dir / "mixed.h5"));

  // A run of analog pairs keeps its per-pair sums and their cross sums through both.
  const std::string pairHead = partialWithTotals(dir, "p-head.h5", 0, false, true);
  const std::string pairTail = partialWithTotals(dir, "p-tail.h5", 1, false, true);
  ASSERT_EQ(runMerge((dir / "p.h5").string(), {pairHead, pairTail}, screen), 0);
  const std::optional<RunTotals> pairs =
      totalsFromSummary(readStoredRun((dir / "p.h5").string()).summary);
  ASSERT_TRUE(pairs);
  EXPECT_TRUE(pairs->weighted && pairs->pairs);
  const testing::DistinctTotals pairsTwice = testing::distinctTotals(2.0, true);
  EXPECT_TRUE(testing::sameTotals(pairs->counters, pairs->tallies, pairsTwice.counters,
                                  pairsTwice.tallies));
}

TEST(MergeLog, SitsNextToTheOutputFile) {
  EXPECT_EQ(mergeLogName("out/h12.h5"), "out/h12.o");
  EXPECT_EQ(mergeLogName("merged"), "merged.o");
  EXPECT_EQ(mergeLogName(".h5"), ".h5.o");
}

TEST(ProgressBarText, ShowsCountsRateAndTimes) {
  const std::string t = ProgressBar::text(250, 1000, 10.0);
  EXPECT_NE(t.find("250 / 1000 events"), std::string::npos) << t;
  EXPECT_NE(t.find("25.0%"), std::string::npos) << t;
  EXPECT_NE(t.find("25 ev/s"), std::string::npos) << t;
  EXPECT_NE(t.find("elapsed 0:00:10 left 0:00:30"), std::string::npos) << t;
  EXPECT_NE(ProgressBar::text(0, 1000, 0.0).find("left --:--:--"), std::string::npos);
}

class Scheduler : public ::testing::Test {
 protected:
  void SetUp() override {
    job_.plan = BlockPlan{5000, 500};
    job_.runSeed = 11;
    job_.tables = shipped_.tables();
    bookCatalogue(store_);
  }
  testing::ShippedTables shipped_;
  BlockJob job_;
  HistogramStore store_;
};

TEST_F(Scheduler, StridedBlocksComeInOrderWithTheirOwnStreams) {
  job_.range = BlockRange{1, 9, 3};  // 1, 4, 7
  job_.threads = 3;
  std::vector<std::int64_t> seen;
  std::vector<std::int64_t> detIn;
  EXPECT_EQ(runBlocks(job_, store_,
                      [&](BlockResult& r) {
                        seen.push_back(r.block);
                        detIn.push_back(r.tallies.leftTally.N + r.tallies.rightTally.N);
                      }),
            3);
  EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 4, 7}));
  // Block 4 alone gives the same result: a block depends on nothing but its number.
  job_.range = BlockRange{4, 4};
  HistogramStore alone;
  bookCatalogue(alone);
  runBlocks(job_, alone, [&](BlockResult& r) {
    EXPECT_EQ(r.tallies.leftTally.N + r.tallies.rightTally.N, detIn[1]);
  });
}

TEST_F(Scheduler, AStopBeforeTheStartRunsNothingAndAnErrorInConsumeStopsTheRun) {
  job_.range = BlockRange{0, 9};
  job_.threads = 2;
  std::atomic<bool> stop{true};
  EXPECT_EQ(runBlocks(
                job_, store_, [](BlockResult&) { FAIL(); }, &stop),
            0);
  int calls = 0;
  EXPECT_THROW(runBlocks(job_, store_,
                         [&](BlockResult&) {
                           if (++calls == 2) throw std::runtime_error("disk full");
                         }),
               std::runtime_error);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace ornaplex
