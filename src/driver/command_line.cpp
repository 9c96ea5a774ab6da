#include "driver/command_line.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <optional>
#include <string>

#include "common/errors.h"
#include "driver/merge.h"
#include "driver/mpi_run.h"
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

// "FIRST:LAST" (or one block number) into the options' block range.
void parseBlocks(const std::string& text, RunOptions& run) {
  const std::size_t colon = text.find(':');
  auto number = [&](const std::string& part) {
    std::size_t used = 0;
    long long v = -1;
    try {
      v = std::stoll(part, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (part.empty() || used != part.size() || v < 0)
      throw UsageError("--blocks " + text +
                       ": not FIRST:LAST (block numbers from 0, both ends included) give, for "
                       "example, --blocks 0:99");
    return std::int64_t(v);
  };
  run.firstBlock = number(text.substr(0, colon));
  run.lastBlock = colon == std::string::npos ? *run.firstBlock : number(text.substr(colon + 1));
}

int runCommands(int argc, char** argv);

struct ConvertOptions {
  std::string csv, output, title;
  int id = 0;
};

}  // namespace

int runCommandLine(int argc, char** argv) {
  startRanks(argc, argv);
  const int status = runCommands(argc, argv);
  finishRanks();
  return status;
}

namespace {

int runCommands(int argc, char** argv) {
  CLI::App app{
      "ornaplex: Monte Carlo of slow neutrons down a spin-rotation beamline with two "
      "liquid-helium target cells.\nWith no options it runs the standard 300000000-event run."};
  app.set_version_flag("--version", std::string("ornaplex ") + ORNAPLEX_VERSION);

  RunOptions run;
  run.dataDir = ORNAPLEX_DATA_DIR;
  app.add_option("--events", run.events, "number of events (default 300000000)");
  std::int64_t seed = -1;
  app.add_option("--seed", seed, "generator seed 0..2147483647 (default: from the clock)")
      ->check(CLI::Range(std::int64_t(0), std::int64_t(2147483647)));
  app.add_option("--field", run.field_mG, "uniform field along the beamline, mG (default 0.1)");
  app.add_option("--temperature", run.temperature_K, "helium temperature, K (default 2.1)");
  app.add_option("--data-dir", run.dataDir,
                 "where lam.h5, gradx.h5 and sq.h5 are read when absent from the current "
                 "directory");
  app.add_option("--output-dir", run.outputDir,
                 "where the log, the histogram file and fort.18 go (default: current directory)");
  app.add_option("--threads", run.threads, "worker threads (default: every core)");
  app.add_option("--block-size", run.blockSize, "events per block (default 65536)");
  app.add_flag("--quiet", run.quiet, "no live progress bar");
  std::string blocks;
  app.add_option("--blocks", blocks,
                 "run only blocks FIRST:LAST (numbered from 0, both included) and write a "
                 "partial file for ornaplex merge");

  ConvertOptions conv;
  CLI::App* convert =
      app.add_subcommand("convert", "make an input histogram file from a CSV table of bins");
  convert->add_option("csv", conv.csv, "CSV with a header line, then: low edge, high edge, content")
      ->required();
  convert->add_option("output", conv.output, "new .h5 file (never overwritten)")->required();
  convert->add_option("--id", conv.id, "histogram id (100: spectrum, 301: S(q))")->required();
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
  std::optional<int> inspectId;
  bool inspectJson = false;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "list a histogram file's run attributes, histograms and report numbers");
  inspect->add_option("file", inspectPath, "output histogram file")->required();
  inspect->add_option("--id", inspectId,
                      "print this histogram as CSV (low edge, high edge, content)");
  inspect->add_flag("--json", inspectJson, "print everything as JSON");

  std::string plotPath, plotDir;
  CLI::App* plot = app.add_subcommand(
      "plot", "draw a PNG of every histogram and an overview page (PNG and PDF) of a run");
  plot->add_option("file", plotPath, "output histogram file")->required();
  plot->add_option("--output", plotDir, "directory for the pictures")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "ornaplex: " << e.what() << "\n" << app.help("", CLI::AppFormatMode::Normal);
    return 2;
  }

  try {
    if (*convert) {
      convertCsvToHistogramFile(conv.csv, conv.output, conv.id, conv.title);
      std::cout << "wrote histogram " << conv.id << " to " << conv.output << "\n";
      return 0;
    }
    if (*merge) return runMerge(mergeOut, mergeIn, std::cout);
    if (*inspect) return inspectFile(inspectPath, inspectId, inspectJson, std::cout, std::cerr);
    if (*plot) return plotFile(plotPath, plotDir, std::cerr, plotScriptPath(ORNAPLEX_DATA_DIR));
    if (seed >= 0) run.seed = std::int32_t(seed);
    try {
      if (!blocks.empty()) parseBlocks(blocks, run);
      validateRunOptions(run);
    } catch (const UsageError& e) {
      if (rankIndex() == 0) std::cerr << "ornaplex: " << e.what() << "\n" << app.help();
      return e.exitCode();
    }
    if (!ranksActive()) {
      // Under MPI the launcher ends the job on a signal; a single process stops between blocks.
      std::signal(SIGINT, onStopSignal);
      std::signal(SIGTERM, onStopSignal);
    }
    return runSimulation(run, std::cout, &g_stopRequested);
  } catch (const Error& e) {
    std::cout.flush();
    abortRanks(e.what(), e.exitCode());
    std::cerr << "ornaplex: " << e.what() << "\n";
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
