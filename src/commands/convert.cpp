// `ornaplex convert CSV OUT --id N [--title T]`
#include "commands/command.h"
#include "h5file/csv_histogram.h"

namespace ornaplex {

namespace {

class ConvertCommand final : public Command {
 public:
  CLI::App* declare(CLI::App& app) override {
    CLI::App* convert =
        app.add_subcommand("convert", "make an input histogram file from a CSV table of bins");
    convert->add_option("csv", csv_, "CSV with a header line, then: low edge, high edge, content")
        ->required();
    convert->add_option("output", output_, "new .h5 file (never overwritten)")->required();
    convert->add_option("--id", idText_, "histogram id, 1 or more (100: spectrum, 301: S(q))")
        ->type_name("ID")
        ->required();
    convert->add_option("--title", title_, "histogram title");
    return convert;
  }
  void read(CLI::App&) override { id_ = readHistogramId(idText_); }
  int run(std::ostream& out, std::ostream&, const std::atomic<bool>*) override {
    convertCsvToHistogramFile(csv_, output_, id_, title_);
    out << "wrote histogram " << id_ << " to " << output_ << "\n";
    return 0;
  }

 private:
  std::string csv_, output_, title_, idText_;
  int id_ = 0;
};

}  // namespace

std::unique_ptr<Command> makeConvertCommand() {
  return std::make_unique<ConvertCommand>();
}

}  // namespace ornaplex
