// `ornaplex plot FILE [--output DIR] [--id N | --overview]`
#include "commands/command.h"
#include "common/errors.h"
#include "driver/option_values.h"
#include "results/plot_command.h"

namespace ornaplex {

namespace {

class PlotCommand final : public Command {
 public:
  CLI::App* declare(CLI::App& app) override {
    CLI::App* plot = app.add_subcommand(
        "plot", "draw a PNG of every histogram and an overview page (PNG and PDF) of a run");
    plot->add_option("file", path_, "output histogram file or scan table")->required();
    plot->add_option("--output", dir_,
                     "directory for the pictures (default: next to the file, FILE-plots)");
    id_ = plot->add_option("--id", idText_, "draw this histogram only (3007 or h3007)");
    plot->add_flag("--overview", choice_.overviewOnly, "draw the overview page only");
    values_ = plot->add_option("--value", valuesText_,
                               "of a scan table: draw these report values only, NAME[,NAME...] "
                               "(the names of inspect --json)");
    return plot;
  }
  void read(CLI::App&) override {
    if (id_->count() > 0) choice_.id = readHistogramId(idText_);
    if (values_->count() > 0) {
      for (std::size_t from = 0; from <= valuesText_.size();) {
        const std::size_t comma = std::min(valuesText_.find(',', from), valuesText_.size());
        if (comma == from)
          throw UsageError("--value " + typedValue(valuesText_) +
                           ": an empty name (the names are separated by single commas) give, "
                           "for example, --value rot_diff_scat_share,rot_scat_left");
        choice_.values.push_back(valuesText_.substr(from, comma - from));
        from = comma + 1;
      }
    }
    if (choice_.id && choice_.overviewOnly)
      throw UsageError(
          "--id and --overview refused together (one draws a histogram, the other "
          "the overview page) give one of them");
  }
  int run(std::ostream&, std::ostream& err, const std::atomic<bool>*) override {
    return plotFile(path_, dir_.empty() ? defaultPlotDirectory(path_) : dir_, err,
                    plotScriptPath(ORNAPLEX_DATA_DIR), choice_);
  }

 private:
  std::string path_, dir_, idText_, valuesText_;
  CLI::Option* id_ = nullptr;
  CLI::Option* values_ = nullptr;
  PlotChoice choice_;
};

}  // namespace

std::unique_ptr<Command> makePlotCommand() {
  return std::make_unique<PlotCommand>();
}

}  // namespace ornaplex
