// A command of the program (run, merge, convert, inspect, plot, report): it declares its options on
// the command line, reads their values once the line is parsed (every refusal before anything is
// written), and runs. command_line.cpp parses the line and dispatches to the one given.
#pragma once

#include <CLI/CLI.hpp>

#include <atomic>
#include <memory>
#include <ostream>
#include <string>

namespace ornaplex {

class Command {
 public:
  virtual ~Command() = default;
  // Adds the command's options: to app itself for the run, to a subcommand of it for the others.
  // Returns where they were added.
  virtual CLI::App* declare(CLI::App& app) = 0;
  // Reads and checks the parsed values; throws UsageError naming the option and the value.
  virtual void read(CLI::App& app) = 0;
  virtual int run(std::ostream& out, std::ostream& err, const std::atomic<bool>* stop) = 0;
};

// The run command reads the command line as typed for /run.
std::unique_ptr<Command> makeRunCommand(std::string commandLine);
std::unique_ptr<Command> makeMergeCommand();
std::unique_ptr<Command> makeConvertCommand();
std::unique_ptr<Command> makeInspectCommand();
std::unique_ptr<Command> makePlotCommand();
std::unique_ptr<Command> makeReportCommand();

// A histogram id as typed: 3007 or h3007 (as the file names its groups), 1 to 2147483647.
int readHistogramId(const std::string& typed);

}  // namespace ornaplex
