#include "results/run_summary.h"

#include <array>
#include <cstdint>

#include "common/errors.h"

namespace ornaplex {

namespace {

static_assert(kCounterFields.size() == kPartialCounters && kTallyFields.size() == kPartialTallies);

const SummaryValue* find(const std::vector<SummaryValue>& summary, const std::string& name) {
  for (const SummaryValue& v : summary) {
    if (v.name == name) return &v;
  }
  return nullptr;
}

std::string named(std::string_view field, const char* suffix) {
  return std::string(field) + suffix;
}

// Takes the named values out of a summary, counting the names found and missing.
struct SummaryReader {
  const std::vector<SummaryValue>& summary;
  int found = 0;
  int missing = 0;
  std::string firstMissing{};

  const SummaryValue* take(const std::string& name) {
    const SummaryValue* v = find(summary, name);
    if (v)
      ++found;
    else if (missing++ == 0)
      firstMissing = name;
    return v;
  }
  void integer(const std::string& name, std::int64_t& to) {
    const SummaryValue* v = take(name);
    if (!v) return;
    if (!std::holds_alternative<std::int64_t>(v->value))
      throw InputError("cannot use the run summary value " + name +
                       " (a count stored as a real number) give a histogram file written by "
                       "ornaplex");
    to = std::get<std::int64_t>(v->value);
  }
  void real(const std::string& name, double& to) {
    const SummaryValue* v = take(name);
    if (v) std::visit([&to](auto x) { to = static_cast<double>(x); }, v->value);
  }
  // Refuses a summary that holds some of the names asked for but not all.
  void requireAllOrNone() const {
    if (found > 0 && missing > 0)
      throw InputError("cannot use the run summary (" + firstMissing +
                       " is missing) give a histogram file written by ornaplex");
  }
};

// A tally pair's cross sums by the suffix of their names, in the order of CrossSums (and of a
// partial file's pair_sums).
struct CrossPart {
  const char* suffix;
  double CrossSums::*member;
};
constexpr std::array<CrossPart, 4> kCrossParts = {{{"_SS", &CrossSums::SS},
                                                   {"_SW", &CrossSums::SW},
                                                   {"_WS", &CrossSums::WS},
                                                   {"_WW", &CrossSums::WW}}};
constexpr std::string_view kHeliumCross = "tar1Tar2EnergyChanged_WW";

}  // namespace

std::vector<SummaryValue> summaryValues(const Counters& c, const Tallies& t, bool weighted,
                                        bool pairs) {
  std::vector<SummaryValue> v;
  for (const CounterField& f : kCounterFields) v.push_back({std::string(f.name), c.*f.member});
  for (const TallyField& f : kTallyFields) {
    const Tally& x = t.*f.member;
    v.push_back({named(f.name, "_S"), x.S});
    v.push_back({named(f.name, "_Q"), x.Q});
    v.push_back({named(f.name, "_N"), x.N});
  }
  if (!weighted && !pairs) return v;
  for (std::size_t i = 0; i < kCounterFields.size(); ++i) {
    v.push_back({named(kCounterFields[i].name, "_W"), c.weighted[i].W});
    v.push_back({named(kCounterFields[i].name, "_WW"), c.weighted[i].WW});
  }
  for (const TallyField& f : kTallyFields) {
    const Tally& x = t.*f.member;
    v.push_back({named(f.name, "_W"), x.W});
    v.push_back({named(f.name, "_WW"), x.WW});
    v.push_back({named(f.name, "_SW"), x.SW});
  }
  if (!pairs) return v;
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    for (const CrossPart& part : kCrossParts)
      v.push_back({named(kTallyPairFields[i].name, part.suffix), t.cross[i].*part.member});
  }
  v.push_back({std::string(kHeliumCross), t.tar1Tar2EnergyChanged});
  return v;
}

std::optional<RunTotals> totalsFromSummary(const std::vector<SummaryValue>& summary) {
  RunTotals out;
  SummaryReader analog{summary};
  for (const CounterField& f : kCounterFields)
    analog.integer(std::string(f.name), out.counters.*f.member);
  for (const TallyField& f : kTallyFields) {
    Tally& x = out.tallies.*f.member;
    analog.real(named(f.name, "_S"), x.S);
    analog.real(named(f.name, "_Q"), x.Q);
    analog.integer(named(f.name, "_N"), x.N);
  }
  if (analog.found == 0) return std::nullopt;
  analog.requireAllOrNone();

  SummaryReader weighted{summary};
  for (std::size_t i = 0; i < kCounterFields.size(); ++i) {
    weighted.real(named(kCounterFields[i].name, "_W"), out.counters.weighted[i].W);
    weighted.real(named(kCounterFields[i].name, "_WW"), out.counters.weighted[i].WW);
  }
  for (const TallyField& f : kTallyFields) {
    Tally& x = out.tallies.*f.member;
    weighted.real(named(f.name, "_W"), x.W);
    weighted.real(named(f.name, "_WW"), x.WW);
    weighted.real(named(f.name, "_SW"), x.SW);
  }
  weighted.requireAllOrNone();
  out.weighted = weighted.found > 0;

  SummaryReader pairs{summary};
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    for (const CrossPart& part : kCrossParts)
      pairs.real(named(kTallyPairFields[i].name, part.suffix), out.tallies.cross[i].*part.member);
  }
  pairs.real(std::string(kHeliumCross), out.tallies.tar1Tar2EnergyChanged);
  pairs.requireAllOrNone();
  out.pairs = pairs.found > 0;
  return out;
}

PartialRecord recordOfTotals(std::int64_t first, std::int64_t last, const Counters& c,
                             const Tallies& t) {
  PartialRecord p;
  p.first = first;
  p.last = last;
  for (std::size_t i = 0; i < kCounterFields.size(); ++i) {
    p.counters[i] = c.*kCounterFields[i].member;
    p.counterWeights[2 * i] = c.weighted[i].W;
    p.counterWeights[2 * i + 1] = c.weighted[i].WW;
  }
  for (std::size_t i = 0; i < kTallyFields.size(); ++i) {
    const Tally& x = t.*kTallyFields[i].member;
    p.sums[2 * i] = x.S;
    p.sums[2 * i + 1] = x.Q;
    p.counts[i] = x.N;
    p.tallyWeights[3 * i] = x.W;
    p.tallyWeights[3 * i + 1] = x.WW;
    p.tallyWeights[3 * i + 2] = x.SW;
  }
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    for (std::size_t k = 0; k < kCrossParts.size(); ++k)
      p.pairSums[4 * i + k] = t.cross[i].*kCrossParts[k].member;
  }
  p.pairSums[4 * kTallyPairCount] = t.tar1Tar2EnergyChanged;
  return p;
}

RunTotals totalsOfRecord(const PartialRecord& p) {
  RunTotals r;
  for (std::size_t i = 0; i < kCounterFields.size(); ++i) {
    r.counters.*kCounterFields[i].member = p.counters[i];
    r.counters.weighted[i] = {p.counterWeights[2 * i], p.counterWeights[2 * i + 1]};
  }
  for (std::size_t i = 0; i < kTallyFields.size(); ++i) {
    Tally& x = r.tallies.*kTallyFields[i].member;
    x.S = p.sums[2 * i];
    x.Q = p.sums[2 * i + 1];
    x.N = p.counts[i];
    x.W = p.tallyWeights[3 * i];
    x.WW = p.tallyWeights[3 * i + 1];
    x.SW = p.tallyWeights[3 * i + 2];
  }
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    for (std::size_t k = 0; k < kCrossParts.size(); ++k)
      r.tallies.cross[i].*kCrossParts[k].member = p.pairSums[4 * i + k];
  }
  r.tallies.tar1Tar2EnergyChanged = p.pairSums[4 * kTallyPairCount];
  return r;
}

}  // namespace ornaplex
