#include "results/run_summary.h"

#include <array>
#include <cstdint>

#include "common/errors.h"

namespace ornaplex {

namespace {

struct CounterName {
  const char* name;
  std::int64_t Counters::*field;
};

// Every counter of the run, in the order the summary lists them.
constexpr std::array<CounterName, 13> kCounterNames = {{
    {"tar1In", &Counters::tar1In},
    {"tar1EnergyChanged", &Counters::tar1EnergyChanged},
    {"tar1AngleNonZero", &Counters::tar1AngleNonZero},
    {"tar1ToTar2", &Counters::tar1ToTar2},
    {"tar2In", &Counters::tar2In},
    {"tar2EnergyChanged", &Counters::tar2EnergyChanged},
    {"tar2AngleNonZero", &Counters::tar2AngleNonZero},
    {"detIn", &Counters::detIn},
    {"detScattered", &Counters::detScattered},
    {"detEnergyChanged", &Counters::detEnergyChanged},
    {"detAngleNonZero", &Counters::detAngleNonZero},
    {"qRetriesExhausted", &Counters::qRetriesExhausted},
    {"limitTaken", &Counters::limitTaken},
}};

struct TallyName {
  const char* name;
  Tally Tallies::*field;
};

// Every (S, Q, N) sum of the run, in the order the summary lists them.
constexpr std::array<TallyName, 8> kTallyNames = {{
    {"rightTally", &Tallies::rightTally},
    {"leftTally", &Tallies::leftTally},
    {"scatRightTally", &Tallies::scatRightTally},
    {"scatLeftTally", &Tallies::scatLeftTally},
    {"scatLowRightTally", &Tallies::scatLowRightTally},
    {"scatLowLeftTally", &Tallies::scatLowLeftTally},
    {"lossRightTally", &Tallies::lossRightTally},
    {"lossLeftTally", &Tallies::lossLeftTally},
}};

static_assert(kCounterNames.size() == kPartialCounters && kTallyNames.size() == kPartialTallies);

const SummaryValue* find(const std::vector<SummaryValue>& summary, const std::string& name) {
  for (const SummaryValue& v : summary) {
    if (v.name == name) return &v;
  }
  return nullptr;
}

}  // namespace

std::vector<SummaryValue> summaryValues(const Counters& c, const Tallies& t) {
  std::vector<SummaryValue> v;
  for (const CounterName& n : kCounterNames) v.push_back({n.name, c.*n.field});
  for (const TallyName& n : kTallyNames) {
    const Tally& x = t.*n.field;
    v.push_back({std::string(n.name) + "_S", x.S});
    v.push_back({std::string(n.name) + "_Q", x.Q});
    v.push_back({std::string(n.name) + "_N", x.N});
  }
  return v;
}

std::optional<RunTotals> totalsFromSummary(const std::vector<SummaryValue>& summary) {
  RunTotals out;
  int found = 0;
  int missing = 0;
  std::string firstMissing;
  auto integer = [&](const std::string& name, std::int64_t& to) {
    const SummaryValue* v = find(summary, name);
    if (!v) {
      if (missing++ == 0) firstMissing = name;
      return;
    }
    ++found;
    if (!std::holds_alternative<std::int64_t>(v->value))
      throw InputError("cannot use the run summary value " + name +
                       " (a count stored as a real number) give a histogram file written by "
                       "ornaplex");
    to = std::get<std::int64_t>(v->value);
  };
  auto real = [&](const std::string& name, double& to) {
    const SummaryValue* v = find(summary, name);
    if (!v) {
      if (missing++ == 0) firstMissing = name;
      return;
    }
    ++found;
    std::visit([&to](auto x) { to = static_cast<double>(x); }, v->value);
  };
  for (const CounterName& n : kCounterNames) integer(n.name, out.counters.*n.field);
  for (const TallyName& n : kTallyNames) {
    Tally& x = out.tallies.*n.field;
    real(std::string(n.name) + "_S", x.S);
    real(std::string(n.name) + "_Q", x.Q);
    integer(std::string(n.name) + "_N", x.N);
  }
  if (found == 0) return std::nullopt;
  if (missing > 0)
    throw InputError("cannot use the run summary (" + firstMissing +
                     " is missing) give a histogram file written by ornaplex");
  return out;
}

PartialRecord recordOfTotals(std::int64_t first, std::int64_t last, const Counters& c,
                             const Tallies& t) {
  PartialRecord p;
  p.first = first;
  p.last = last;
  for (std::size_t i = 0; i < kCounterNames.size(); ++i) p.counters[i] = c.*kCounterNames[i].field;
  for (std::size_t i = 0; i < kTallyNames.size(); ++i) {
    const Tally& x = t.*kTallyNames[i].field;
    p.sums[2 * i] = x.S;
    p.sums[2 * i + 1] = x.Q;
    p.counts[i] = x.N;
  }
  return p;
}

RunTotals totalsOfRecord(const PartialRecord& p) {
  RunTotals r;
  for (std::size_t i = 0; i < kCounterNames.size(); ++i)
    r.counters.*kCounterNames[i].field = p.counters[i];
  for (std::size_t i = 0; i < kTallyNames.size(); ++i) {
    Tally& x = r.tallies.*kTallyNames[i].field;
    x.S = p.sums[2 * i];
    x.Q = p.sums[2 * i + 1];
    x.N = p.counts[i];
  }
  return r;
}

}  // namespace ornaplex
