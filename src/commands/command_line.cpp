#include "commands/command_line.h"

#include <climits>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "commands/command.h"
#include "common/errors.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"

namespace ornaplex {

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
         (near.empty() ? "the commands are convert, merge, inspect, plot and report"
                       : "did you mean " + near + "?") +
         ")";
}

// The command line as typed, each argument quoted when the shell would need it.
std::string commandLineOf(int argc, char** argv) {
  std::string line = "ornaplex";
  for (int i = 1; i < argc; ++i) line += " " + shellWord(argv[i]);
  return line;
}

// Runs what one Command says, turning its errors into their message and exit status.
int runChosen(Command& command) {
  try {
    return command.run(std::cout, std::cerr, nullptr);
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

int dispatch(int argc, char** argv) {
  CLI::App app{
      "ornaplex: Monte Carlo of slow neutrons down a spin-rotation beamline with two "
      "liquid-helium target cells.\nWith no options it runs the standard 300000000-event run."};
  app.set_version_flag("--version", std::string("ornaplex ") + ORNAPLEX_VERSION);
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(makeRunCommand(commandLineOf(argc, argv)));
  commands.push_back(makeConvertCommand());
  commands.push_back(makeMergeCommand());
  commands.push_back(makeInspectCommand());
  commands.push_back(makePlotCommand());
  commands.push_back(makeReportCommand());
  std::vector<CLI::App*> places;
  for (const auto& c : commands) places.push_back(c->declare(app));
  app.allow_extras();  // unknown arguments are reported below, with the nearest option
  for (CLI::App* sub : subcommandsOf(app)) sub->allow_extras();

  std::size_t chosen = 0;
  std::string name = "ornaplex";
  try {
    app.parse(argc, argv);
    for (std::size_t i = 1; i < places.size(); ++i)
      if (places[i]->parsed()) chosen = i;
    if (chosen > 0) name += " " + places[chosen]->get_name();
    // Every value is read, and the command refused, before anything is written.
    commands[chosen]->read(*places[chosen]);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    for (CLI::App* sub : subcommandsOf(app))
      if (sub->parsed()) name = "ornaplex " + sub->get_name();
    return refuseUsage(name, e.what());
  } catch (const UsageError& e) {
    return refuseUsage(name, e.what());
  }
  for (CLI::App* sub : subcommandsOf(app))
    if (const auto wrong = unexpectedArgument(*sub, false))
      return refuseUsage("ornaplex " + sub->get_name(), *wrong);
  if (const auto wrong = unexpectedArgument(app, true)) return refuseUsage("ornaplex", *wrong);
  return runChosen(*commands[chosen]);
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  startRanks(argc, argv);
  const int status = dispatch(argc, argv);
  finishRanks();
  return status;
}

int readHistogramId(const std::string& typed) {
  const bool prefixed = !typed.empty() && (typed[0] == 'h' || typed[0] == 'H');
  if (!prefixed) return int(readWholeNumber("--id", typed, 1, INT_MAX, ""));
  try {
    return int(readWholeNumber("--id", typed.substr(1), 1, INT_MAX, ""));
  } catch (const UsageError& e) {
    // Named as typed, h and all.
    std::string message = e.what();
    message.replace(0, message.find(':'), "--id " + typedValue(typed));
    throw UsageError(message);
  }
}

}  // namespace ornaplex
