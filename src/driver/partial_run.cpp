#include "driver/partial_run.h"

#include <cstdio>
#include <stdexcept>
#include <variant>

#include "common/errors.h"
#include "h5file/sha256.h"
#include "results/report.h"
#include "results/run_summary.h"

namespace ornaplex {

namespace {

void addLines(std::vector<PartialLine>& out, std::int64_t block, const BlockResult& r) {
  // Merged back in event order, channel by channel; the order between channels does not matter
  // as each channel goes to its own file.
  for (const EventLine& l : r.screen) out.push_back({l.event, LineChannel::Screen, block, l.text});
  for (const EventLine& l : r.log) out.push_back({l.event, LineChannel::Log, block, l.text});
  for (const EventLine& l : r.longPath)
    out.push_back({l.event, LineChannel::LongPath, block, l.text});
}

}  // namespace

std::string bookingDigest(const HistogramStore& store) {
  std::string text;
  auto axis = [&text](const Axis& a) {
    char b[96];
    std::snprintf(b, sizeof b, " %d %a %a", a.bins, a.low, a.high);
    text += b;
  };
  for (int id : store.ids()) {
    text += std::to_string(id);
    if (store.is2D(id)) {
      text += " 2D " + store.h2(id).title();
      axis(store.h2(id).axisX());
      axis(store.h2(id).axisY());
    } else {
      text += " 1D " + store.h1(id).title();
      axis(store.h1(id).axis());
    }
    text += "\n";
  }
  return sha256Hex(text);
}

PartialRecord recordOf(const BlockResult& r) {
  return recordOfTotals(r.block, r.last, r.counters, r.tallies);
}

BlockResult resultOf(const PartialRecord& p, const std::vector<PartialLine>& lines) {
  BlockResult r;
  r.block = p.first;
  r.last = p.last;
  const RunTotals totals = totalsOfRecord(p);
  r.counters = totals.counters;
  r.tallies = totals.tallies;
  for (const PartialLine& l : lines) {
    if (l.block != p.first) continue;
    std::vector<EventLine>& to = l.channel == LineChannel::Screen ? r.screen
                                 : l.channel == LineChannel::Log  ? r.log
                                                                  : r.longPath;
    to.push_back({l.event, l.text});
  }
  return r;
}

void PartialCollector::add(const BlockResult& r) {
  ++blocks_;
  const bool head = !records_.empty() && records_.front().first == 0 && records_.size() == 1 &&
                    records_.front().last + 1 == r.block;
  if (!head) {
    records_.push_back(recordOf(r));
    addLines(lines_, r.block, r);
    return;
  }
  // Extend the head: add this block's sums to the head's exactly as the run adds them.
  PartialRecord& h = records_.front();
  BlockResult sum = resultOf(h, {});
  sum.counters.merge(r.counters);
  sum.tallies.merge(r.tallies);
  sum.last = r.last;
  h = recordOf(sum);
  addLines(lines_, 0, r);
}

PartialContents PartialCollector::contents(const RunDescription& run, std::int64_t firstAsked,
                                           std::int64_t lastAsked, bool interrupted,
                                           const HistogramStore& store) const {
  PartialContents c;
  c.store = store;
  c.run = run.attributes();
  c.run.push_back({"partial", std::int64_t(1)});
  c.run.push_back({"interrupted", std::int64_t(interrupted ? 1 : 0)});
  c.run.push_back({"first_block", firstAsked});
  c.run.push_back({"last_block", lastAsked});
  c.run.push_back({"booking_sha256", bookingDigest(store)});
  c.records = records_;
  c.lines = lines_;
  c.weighted = run.bias.weighted || run.pairs;  // a pair's sums are weighted ones
  c.pairs = run.pairs;
  return c;
}

RunDescription describedRun(const PartialContents& c, const std::string& path) {
  RunDescription d = describedRunOf(c.run, path);
  if ((d.bias.weighted || d.pairs) != c.weighted || d.pairs != c.pairs)
    throw InputError(
        "cannot merge " + path + " (its /run says " + (d.bias.weighted ? "weighted" : "analog") +
        (d.pairs ? " pairs" : "") + " but its blocks hold " + (c.weighted ? "weighted" : "analog") +
        (c.pairs ? " pairs'" : "") + " sums) merge only partial files written by ornaplex");
  return d;
}

std::string partialFileBase(std::int32_t seed, std::int64_t first, std::int64_t last) {
  return outputFileBase(seed) + "-b" + std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace ornaplex
