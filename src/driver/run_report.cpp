#include "driver/run_report.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "common/number_text.h"
#include "driver/clock_record.h"
#include "results/report.h"
#include "results/run_summary.h"

namespace ornaplex {

std::string field12(const std::string& s) {
  return s.size() >= 12 ? s : s + std::string(12 - s.size(), ' ');
}

std::vector<Attribute> biasAttributes(const ScatteringBias& bias) {
  if (!bias.weighted) return {};
  return {{"mode", std::string("weighted")},
          {"bias_scheme", std::string(kBiasScheme)},
          {"bias_angle_mrad", bias.acceptance_rad * 1000.0},
          {"bias_slow_meV", bias.slowBelow_meV},
          {"bias_splits", std::int64_t(bias.splits)}};
}

ScatteringBias biasOfAttributes(const std::vector<Attribute>& run, const std::string& path) {
  ScatteringBias bias;
  const auto text = [&run](const std::string& name) -> std::optional<std::string> {
    for (const Attribute& a : run)
      if (a.name == name && std::holds_alternative<std::string>(a.value))
        return std::get<std::string>(a.value);
    return std::nullopt;
  };
  bool present = false;
  for (const Attribute& a : run) present = present || a.name == "mode";
  if (!present) return bias;
  const std::optional<std::string> mode = text("mode"), scheme = text("bias_scheme");
  const Attribute *angle = nullptr, *slow = nullptr, *splits = nullptr;
  for (const Attribute& a : run) {
    if (a.name == "bias_angle_mrad" && std::holds_alternative<double>(a.value)) angle = &a;
    if (a.name == "bias_slow_meV" && std::holds_alternative<double>(a.value)) slow = &a;
    if (a.name == "bias_splits" && std::holds_alternative<std::int64_t>(a.value)) splits = &a;
  }
  if (mode != "weighted" || scheme != std::string(kBiasScheme) || !angle || !slow || !splits)
    throw InputError("cannot read " + path + " (its run mode " + mode.value_or("?") +
                     " with bias scheme " + scheme.value_or("none") +
                     " is not one this version writes) use the version of ornaplex that wrote it");
  bias.weighted = true;
  bias.acceptance_rad = std::get<double>(angle->value) / 1000.0;
  bias.slowBelow_meV = std::get<double>(slow->value);
  bias.splits = int(std::get<std::int64_t>(splits->value));
  return bias;
}

std::string weightedRunLine(const ScatteringBias& bias) {
  char text[200];
  std::snprintf(text, sizeof text,
                "  Weighted run: forced scattering in the helium; below %.4g meV split %d ways, "
                "above q < %.4g mrad x k drawn apart; counts and sums are weighted",
                bias.slowBelow_meV, bias.splits, bias.acceptance_rad * 1000.0);
  return text;
}

std::vector<Attribute> RunDescription::attributes() const {
  std::vector<Attribute> run = {
      {"program", std::string("ornaplex")},
      {"version", std::string(ORNAPLEX_VERSION)},
      {"seed", std::int64_t(seed)},
      {"events", std::int64_t(plan.events)},
      {"block_size", std::int64_t(plan.blockSize)},
      {"start_time", startDate + " " + startTime},
      {"field_mG", fieldAsked_mG},
      {"field_used_mG", field_mG},
      {"temperature_K", temperature_K},
      {"scattering_model", model.name()},
      {"threads", std::int64_t(threads)},
      {"ranks", std::int64_t(ranks)},
  };
  for (Attribute& a : biasAttributes(bias)) run.push_back(std::move(a));
  if (!streamScheme.empty()) {
    run.push_back({"stream_scheme", streamScheme});
    run.push_back({"lanes", std::int64_t(kLanes)});
  }
  std::string joined;
  for (const std::string& w : warnings) joined += (joined.empty() ? "" : "\n") + w;
  run.push_back({"warnings", joined});
  std::string roles;
  for (const InputFile& f : inputs) roles += (roles.empty() ? "" : ",") + f.role;
  run.push_back({"inputs", roles});
  for (const InputFile& f : inputs) {
    run.push_back({"input_" + f.role, f.path});
    run.push_back({"input_" + f.role + "_sha256", f.sha256});
  }
  return run;
}

RunReport::RunReport(const RunDescription& run, MessageSink& screen, MessageSink& log,
                     MessageSink& longPath, bool progress)
    : run_(run),
      screen_(screen),
      log_(log),
      longPath_(longPath),
      progressLines_(progress),
      progress_(run.plan.events) {}

void RunReport::both(std::string_view line) {
  screen_.line(line);
  log_.line(line);
}

void RunReport::banner() {
  const std::string nevents = (ListLine() << "  Nevents: " << run_.plan.events).str();
  const std::string start =
      (ListLine() << "  Start time: " << field12(run_.startDate) << field12(run_.startTime)).str();
  screen_.line(nevents);
  screen_.line(start);
  log_.line(nevents);
  log_.line(start);
  both(ListLine() << "  Upstream target on left, x<0.  Dn on right ");
  both(ListLine() << "ranNo is " << run_.seed);
  // Only a variant is named: the standard run's banner stays as it always was.
  if (!run_.model.standard()) both(ListLine() << "  Scattering model: " << run_.model.name());
  if (run_.bias.weighted) both(weightedRunLine(run_.bias));
  for (const InputFile& f : run_.inputs) both(ListLine() << "  Input histograms from " << f.path);
  for (const std::string& w : run_.warnings) both(ListLine() << w);
  // The log also keeps what reproduces the run beside the seed (the screen has no room for it).
  // Nothing here depends on how the run was spread, so a merged log reads as the whole run's.
  log_.line("  Program: ornaplex " + std::string(ORNAPLEX_VERSION) + ", block size " +
            std::to_string(run_.plan.blockSize) + ", " + std::to_string(kLanes) +
            " lanes, stream scheme " + (run_.streamScheme.empty() ? "none" : run_.streamScheme));
  log_.line("  Helium temperature " + shortestText(run_.temperature_K) + " K, field " +
            shortestText(run_.fieldAsked_mG) + " mG (in single precision " +
            shortestText(run_.field_mG) + " mG)");
  for (const InputFile& f : run_.inputs) log_.line("  SHA-256 " + f.sha256 + "  " + f.path);
}

void RunReport::add(const BlockResult& r) {
  const BlockPlan& plan = run_.plan;
  const std::int64_t lastEvent = plan.firstEvent(r.last) + plan.eventsIn(r.last) - 1;
  for (const EventLine& l : r.screen) {
    if (progressLines_)
      while (progress_.next() < l.event)
        for (const std::string& p : progress_.advanceTo(progress_.next())) screen_.line(p);
    screen_.line(l.text);
  }
  if (progressLines_)
    for (const std::string& p : progress_.advanceTo(lastEvent)) screen_.line(p);
  for (const EventLine& l : r.log) log_.line(l.text);
  for (const EventLine& l : r.longPath) longPath_.line(l.text);
  counters_.merge(r.counters);
  tallies_.merge(r.tallies);
}

std::string RunReport::finish(const HistogramStore& store, const NewFileName& outputName) {
  const ReportInput report{run_.plan.events, run_.field_mG, counters_, tallies_,
                           run_.bias.weighted};
  for (const std::string& l : countLines(report)) screen_.line(l);
  for (const std::string& l : countLines(report)) log_.line(l);
  for (const std::string& l : diagnosticLines(report)) both(l);

  std::vector<Attribute> attributes = run_.attributes();
  const ClockRecord end = readClock();
  attributes.push_back({"end_time", end.date + " " + end.time});
  const std::string written = writeHistogramFile(
      outputName, store, attributes, summaryValues(counters_, tallies_, run_.bias.weighted));
  std::string padded = std::filesystem::path(written).filename().string();
  if (padded.size() < 28) padded.resize(28, ' ');
  both(ListLine() << padded);

  for (const std::string& l : screenSummary(report, field12(end.date), field12(end.time)))
    screen_.line(l);
  for (const std::string& l : logSummary(report, field12(end.date), field12(end.time)))
    log_.line(l);
  return written;
}

}  // namespace ornaplex
