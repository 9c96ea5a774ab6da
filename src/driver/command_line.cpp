#include "driver/command_line.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <string>

#include "common/errors.h"
#include "driver/run_options.h"
#include "driver/simulation.h"
#include "h5file/csv_histogram.h"

namespace ornaplex {

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void onStopSignal(int) {
  g_stopRequested.store(true);
}

struct ConvertOptions {
  std::string csv, output, title;
  int id = 0;
};

}  // namespace

int runCommandLine(int argc, char** argv) {
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

  ConvertOptions conv;
  CLI::App* convert =
      app.add_subcommand("convert", "make an input histogram file from a CSV table of bins");
  convert->add_option("csv", conv.csv, "CSV with a header line, then: low edge, high edge, content")
      ->required();
  convert->add_option("output", conv.output, "new .h5 file (never overwritten)")->required();
  convert->add_option("--id", conv.id, "histogram id (100: spectrum, 301: S(q))")->required();
  convert->add_option("--title", conv.title, "histogram title");

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
    if (seed >= 0) run.seed = std::int32_t(seed);
    try {
      validateRunOptions(run);
    } catch (const UsageError& e) {
      std::cerr << "ornaplex: " << e.what() << "\n" << app.help();
      return e.exitCode();
    }
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    return runSimulation(run, std::cout, &g_stopRequested);
  } catch (const Error& e) {
    std::cout.flush();
    std::cerr << "ornaplex: " << e.what() << "\n";
    return e.exitCode();
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "ornaplex: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace ornaplex
