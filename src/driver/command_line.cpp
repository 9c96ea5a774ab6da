#include "driver/command_line.h"
#include "driver/parameter_scan.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <csignal>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "common/errors.h"
#include "common/number_text.h"
#include "driver/merge.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"
#include "driver/parameter_scan.h"
#include "driver/run_options.h"
#include "driver/simulation.h"
#include "h5file/csv_histogram.h"
#include "results/inspect.h"
#include "results/plot_command.h"

namespace ornaplex {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void onStopSignal(int) {
  g_stopRequested.store(true);
}

int runCommands(int argc, char** argv);

struct ConvertOptions {
  std::string csv, output, title, id;
};

}  // namespace

int runCommandLine(int argc, char** argv) {
  startRanks(argc, argv);
  const int status = runCommands(argc, argv);
  finishRanks();
  return status;
}

namespace {

// A refused command line: one line saying what is wrong, one saying where the options are listed.
int refuseUsage(const std::string& command, const std::string& message) {
  if (rankIndex() == 0)
    std::cerr << "ornaplex: " << message << "\nrun " << command << " --help for the options\n";
  return 2;
}

std::vector<CLI::App*> subcommandsOf(CLI::App& app) {
  return app.get_subcommands([](CLI::App*) { return true; });
}

// "ornaplex", or "ornaplex convert" when that command was given.
std::string commandName(CLI::App& app) {
  for (CLI::App* sub : subcommandsOf(app))
    if (sub->parsed()) return "ornaplex " + sub->get_name();
  return "ornaplex";
}

// What is wrong with the first argument app (the program or one command) did not take, with
// the option or command it most likely meant.
std::optional<std::string> unexpectedArgument(CLI::App& app, bool topLevel) {
  const std::vector<std::string> rest = app.remaining();
  if (rest.empty()) return std::nullopt;
  const std::string prefix = topLevel ? "" : app.get_name() + ": ";
  const std::string& arg = rest.front();
  if (arg.size() > 1 && arg[0] == '-') {
    const std::string name = arg.substr(0, arg.find('='));
    std::vector<std::string> names;
    for (const CLI::Option* o : app.get_options())
      for (const std::string& l : o->get_lnames()) names.push_back("--" + l);
    const std::string near = nearestName(name, names);
    return prefix + name + ": no such option (" +
           (near.empty() ? "none is spelt like it" : "did you mean " + near + "?") + ")";
  }
  if (!topLevel)
    return prefix + typedValue(arg) + ": one argument too many (" + app.get_name() +
           " takes no more) leave it out or check the quoting";
  std::vector<std::string> commands;
  for (CLI::App* sub : subcommandsOf(app)) commands.push_back(sub->get_name());
  const std::string near = nearestName(arg, commands);
  return typedValue(arg) + ": not an option or a command (" +
         (near.empty() ? "the commands are convert, merge, inspect and plot"
                       : "did you mean " + near + "?") +
         ")";
}

int runCommands(int argc, char** argv) {
  CLI::App app{
      "ornaplex: Monte Carlo of slow neutrons down a spin-rotation beamline with two "
      "liquid-helium target cells.\nWith no options it runs the standard 300000000-event run."};
  app.set_version_flag("--version", std::string("ornaplex ") + ORNAPLEX_VERSION);

  RunOptions run;
  run.dataDir = ORNAPLEX_DATA_DIR;
  // Values are taken as typed and read by setRunOption, which is strict where a plain number
  // conversion is not (octal, hexadecimal, empty, clipped to the type).
  std::map<std::string, std::string> typed;
  auto value = [&](const char* name, const char* type, const std::string& help) {
    app.add_option(name, typed[name], help)->type_name(type);
  };
  value("--events", "N", "number of events, 0 or more; 1e6 notation taken (default 300000000)");
  value("--seed", "S", "generator seed 0..2147483647 (default: from the clock)");
  value("--field", "MG", "uniform field along the beamline, mG (default 0.1)");
  value("--temperature", "K", "helium temperature, K, 0.2 to 4.4 (default 2.1)");
  value("--data-dir", "DIR",
        "where lam.h5, gradx.h5 and sq.h5 are read when absent from the current directory");
  value("--output-dir", "DIR",
        "where the log, the histogram file and fort.18 go (default: current directory)");
  value("--threads", "N", "worker threads, at most 8 per core (default 0: one per core)");
  value("--block-size", "N", "events per block, 1 or more (default 65536)");
  value("--model", "MODEL",
        "helium scattering model: standard (default), or variants joined by +: jacobian "
        "(q drawn as q S(q)), measured-sigma (measured cross section at every q), density-once "
        "(free path without f(T))");
  app.add_flag("--quiet", run.quiet, "no live progress bar");
  app.add_flag("--bias", run.bias.weighted,
               "weighted run: forced scattering in the helium and small momentum transfers drawn "
               "apart, for the scattered neutrons' rotations at a fraction of the time");
  value("--bias-angle", "MRAD",
        "weighted run with the small-q window below this angle times k, mrad (default 49.45: "
        "the output coil's channel seen from target 2)");
  value("--bias-splits", "N",
        "weighted run with the scattered branch of neutrons slower than twice the speed of "
        "sound split N ways, 1 to 64 (default 16)");
  value("--blocks", "FIRST:LAST",
        "run only blocks FIRST:LAST (numbered from 0, both included) and write a "
        "partial file for ornaplex merge");
  app.allow_extras();  // unknown arguments are reported below, with the nearest option

  ConvertOptions conv;
  CLI::App* convert =
      app.add_subcommand("convert", "make an input histogram file from a CSV table of bins");
  convert->add_option("csv", conv.csv, "CSV with a header line, then: low edge, high edge, content")
      ->required();
  convert->add_option("output", conv.output, "new .h5 file (never overwritten)")->required();
  convert->add_option("--id", conv.id, "histogram id, 1 or more (100: spectrum, 301: S(q))")
      ->type_name("ID")
      ->required();
  convert->add_option("--title", conv.title, "histogram title");

  std::string mergeOut;
  std::vector<std::string> mergeIn;
  CLI::App* merge = app.add_subcommand(
      "merge",
      "add partial files that cover every block of a run into its output file, with "
      "the run's report on the screen and in a log next to OUT (OUT minus .h5, plus .o)");
  merge->add_option("output", mergeOut, "new output histogram file (never overwritten)")
      ->required();
  merge->add_option("partials", mergeIn, "partial files written by --blocks or an interrupted run")
      ->required();

  std::string inspectPath;
  std::string inspectIdText;
  bool inspectJson = false;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "list a histogram file's run attributes, histograms and report numbers");
  inspect->add_option("file", inspectPath, "output histogram file")->required();
  CLI::Option* inspectIdOption =
      inspect
          ->add_option("--id", inspectIdText,
                       "print this histogram as CSV (low edge, high edge, content)")
          ->type_name("ID");
  inspect->add_flag("--json", inspectJson, "print everything as JSON");

  std::string plotPath, plotDir;
  PlotChoice plotChoice;
  std::string plotId;
  CLI::App* plot = app.add_subcommand(
      "plot", "draw a PNG of every histogram and an overview page (PNG and PDF) of a run");
  plot->add_option("file", plotPath, "output histogram file")->required();
  plot->add_option("--output", plotDir,
                   "directory for the pictures (default: next to the file, FILE-plots)");
  CLI::Option* plotIdOption = plot->add_option("--id", plotId, "draw this histogram only");
  plot->add_flag("--overview", plotChoice.overviewOnly, "draw the overview page only");

  for (CLI::App* sub : subcommandsOf(app)) sub->allow_extras();

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return refuseUsage(commandName(app), e.what());
  }

  // Every value is read, and the run's refused, before anything is written.
  std::optional<int> inspectId;
  int convertId = 0;
  std::vector<ScanAxis> scanAxes;
  try {
    if (*convert) convertId = int(readWholeNumber("--id", conv.id, 1, INT_MAX, ""));
    if (*inspect && inspectIdOption->count() > 0)
      inspectId = int(readWholeNumber("--id", inspectIdText, 1, INT_MAX, ""));
    if (*plot && plotIdOption->count() > 0)
      plotChoice.id = int(readWholeNumber("--id", plotId, 1, INT_MAX, ""));
    if (*plot && plotChoice.id && plotChoice.overviewOnly)
      throw UsageError(
          "--id and --overview refused together (one draws a histogram, the other "
          "the overview page) give one of them");
    if (!*convert && !*merge && !*inspect && !*plot) {
      for (const std::string_view name : kRunValueOptions) {
        if (app.count(std::string(name)) == 0) continue;
        const std::string& text = typed[std::string(name)];
        // A list or range of values makes the run a scan; each point reads its own value.
        bool scanned = false;
        for (const std::string_view option : kScannedOptions)
          if (option == name)
            if (std::optional<ScanAxis> axis = scanAxisOf(name, text)) {
              scanAxes.push_back(*axis);
              scanned = true;
            }
        if (scanned) continue;
        // The parser takes the next argument as the value even when it is an option.
        if (text.size() > 1 && text[0] == '-' &&
            app.get_option_no_throw(text.substr(0, text.find('='))))
          throw UsageError(std::string(name) + ": no value (the option " + text +
                           " follows it) give the value right after " + std::string(name));
        setRunOption(run, name, text);
      }
      validateRunOptions(run);
      if (!scanAxes.empty() && run.firstBlock)
        throw UsageError(
            "--blocks refused in a scan (each point is a whole run) give the blocks "
            "of a single run, or scan without --blocks");
    }
  } catch (const UsageError& e) {
    return refuseUsage(commandName(app), e.what());
  }
  for (CLI::App* sub : subcommandsOf(app))
    if (const auto wrong = unexpectedArgument(*sub, false))
      return refuseUsage("ornaplex " + sub->get_name(), *wrong);
  if (const auto wrong = unexpectedArgument(app, true)) return refuseUsage("ornaplex", *wrong);

  try {
    if (*convert) {
      convertCsvToHistogramFile(conv.csv, conv.output, convertId, conv.title);
      std::cout << "wrote histogram " << convertId << " to " << conv.output << "\n";
      return 0;
    }
    if (*merge) return runMerge(mergeOut, mergeIn, std::cout);
    if (*inspect) return inspectFile(inspectPath, inspectId, inspectJson, std::cout, std::cerr);
    if (*plot)
      return plotFile(plotPath, plotDir.empty() ? defaultPlotDirectory(plotPath) : plotDir,
                      std::cerr, plotScriptPath(ORNAPLEX_DATA_DIR), plotChoice);
    if (!ranksActive()) {
      // Under MPI the launcher ends the job on a signal; a single process stops between blocks.
      std::signal(SIGINT, onStopSignal);
      std::signal(SIGTERM, onStopSignal);
    }
    if (!scanAxes.empty()) return runScan(run, scanAxes, std::cout, &g_stopRequested);
    return runSimulation(run, std::cout, &g_stopRequested);
  } catch (const Error& e) {
    std::cout.flush();
    abortRanks(e.what(), e.exitCode());
    std::cerr << "ornaplex: " << e.what() << "\n";
    if (dynamic_cast<const UsageError*>(&e)) std::cerr << "run ornaplex --help for the options\n";
    return e.exitCode();
  } catch (const std::exception& e) {
    std::cout.flush();
    abortRanks(e.what(), 1);
    std::cerr << "ornaplex: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

}  // namespace ornaplex
