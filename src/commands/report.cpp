// `ornaplex report FILE [--output PAGE.html]`: one self-contained HTML page of a run or a scan.
#include <filesystem>

#include "commands/command.h"
#include "results/plot_command.h"

namespace ornaplex {

namespace {

class ReportCommand final : public Command {
 public:
  CLI::App* declare(CLI::App& app) override {
    CLI::App* report = app.add_subcommand(
        "report",
        "write one self-contained HTML page of a run or a scan (settings and provenance, the "
        "report values with errors, the pictures) that any browser opens without the program");
    report->add_option("file", path_, "output histogram file or scan table")->required();
    report->add_option("--output", page_,
                       "the page, never written over a file (default: FILE less .h5, plus .html)");
    return report;
  }
  void read(CLI::App&) override {
    if (!page_.empty()) return;
    std::filesystem::path p(path_);
    if (p.extension() == ".h5") p.replace_extension();
    page_ = p.string() + ".html";
  }
  int run(std::ostream&, std::ostream& err, const std::atomic<bool>*) override {
    PlotChoice choice;
    choice.html = page_;
    std::string dir = std::filesystem::path(page_).parent_path().string();
    return plotFile(path_, dir.empty() ? "." : dir, err, plotScriptPath(ORNAPLEX_DATA_DIR), choice);
  }

 private:
  std::string path_, page_;
};

}  // namespace

std::unique_ptr<Command> makeReportCommand() {
  return std::make_unique<ReportCommand>();
}

}  // namespace ornaplex
