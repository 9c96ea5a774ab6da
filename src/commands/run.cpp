// `ornaplex [OPTIONS]`: a run, or a scan when a scannable setting is given a list or range. Its
// options are the run settings' table (driver/run_settings.h), declared, read and checked here.
#include <algorithm>
#include <csignal>
#include <map>

#include "commands/command.h"
#include "commands/scan.h"
#include "common/errors.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"
#include "driver/run_settings.h"
#include "driver/simulation.h"

namespace ornaplex {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void onStopSignal(int) {
  g_stopRequested.store(true);
}

class RunCommand final : public Command {
 public:
  explicit RunCommand(std::string commandLine) { options_.command = std::move(commandLine); }

  CLI::App* declare(CLI::App& app) override {
    for (const RunSetting& s : runSettings()) {
      if (s.option.empty()) continue;
      const std::string option(s.option);
      if (s.valueName.empty())
        app.add_flag(option)->description(std::string(s.help));
      else
        app.add_option(option, typed_[option], std::string(s.help))
            ->type_name(std::string(s.valueName));
    }
    return &app;
  }

  void read(CLI::App& app) override {
    options_.dataDir = ORNAPLEX_DATA_DIR;
    // In the order typed: a scan's first setting is its x axis.
    std::vector<std::string> seen;
    for (const CLI::Option* o : app.parse_order()) {
      const std::string name = o->get_name();
      if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
      seen.push_back(name);
      const RunSetting* s = settingOfOption(name);
      if (!s) continue;
      if (s->valueName.empty()) {
        setRunOption(options_, name, "");
        continue;
      }
      const std::string& text = typed_[name];
      if (s->scannable)
        if (std::optional<ScanAxis> axis = scanAxisOf(name, text)) {
          axes_.push_back(*axis);
          continue;
        }
      // The parser takes the next argument as the value even when it is an option.
      if (text.size() > 1 && text[0] == '-' &&
          app.get_option_no_throw(text.substr(0, text.find('='))))
        throw UsageError(name + ": no value (the option " + text + " follows it) give the value " +
                         "right after " + name);
      setRunOption(options_, name, text);
    }
    // The bias's parameters only mean something in a weighted run.
    for (const char* parameter : {"--bias-angle", "--bias-splits"})
      if (app.count(parameter) > 0 && !options_.bias.weighted)
        throw UsageError(std::string(parameter) + " " + typedValue(typed_[parameter]) +
                         ": without --bias (it sets a weighted run's bias; an analog run has "
                         "none) add --bias, or leave it out");
    validateRunOptions(options_);
    if (!axes_.empty() && options_.firstBlock)
      throw UsageError(
          "--blocks refused in a scan (each point is a whole run) give the blocks "
          "of a single run, or scan without --blocks");
  }

  int run(std::ostream& out, std::ostream&, const std::atomic<bool>*) override {
    if (!ranksActive()) {
      // Under MPI the launcher ends the job on a signal; a single process stops between blocks.
      std::signal(SIGINT, onStopSignal);
      std::signal(SIGTERM, onStopSignal);
    }
    if (!axes_.empty()) return runScanCommand(options_, axes_, out, &g_stopRequested);
    return runSimulation(options_, out, &g_stopRequested);
  }

 private:
  RunOptions options_;
  std::map<std::string, std::string> typed_;
  std::vector<ScanAxis> axes_;
};

}  // namespace

std::unique_ptr<Command> makeRunCommand(std::string commandLine) {
  return std::make_unique<RunCommand>(std::move(commandLine));
}

}  // namespace ornaplex
