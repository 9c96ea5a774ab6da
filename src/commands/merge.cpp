// `ornaplex merge OUT PARTIAL...`
#include "driver/merge.h"
#include "commands/command.h"

namespace ornaplex {

namespace {

class MergeCommand final : public Command {
 public:
  CLI::App* declare(CLI::App& app) override {
    CLI::App* merge = app.add_subcommand(
        "merge",
        "add partial files that cover every block of a run into its output file, with the run's "
        "report on the screen and in a log next to OUT (OUT minus .h5, plus .o)");
    merge->add_option("output", out_, "new output histogram file (never overwritten)")->required();
    merge->add_option("partials", in_, "partial files written by --blocks or an interrupted run")
        ->required();
    return merge;
  }
  void read(CLI::App&) override {}
  int run(std::ostream& out, std::ostream&, const std::atomic<bool>*) override {
    return runMerge(out_, in_, out);
  }

 private:
  std::string out_;
  std::vector<std::string> in_;
};

}  // namespace

std::unique_ptr<Command> makeMergeCommand() {
  return std::make_unique<MergeCommand>();
}

}  // namespace ornaplex
