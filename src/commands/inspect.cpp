// `ornaplex inspect FILE [--id N] [--json]`
#include "results/inspect.h"
#include "commands/command.h"
#include "driver/run_settings.h"

namespace ornaplex {

namespace {

class InspectCommand final : public Command {
 public:
  CLI::App* declare(CLI::App& app) override {
    CLI::App* inspect = app.add_subcommand(
        "inspect", "list a histogram file's run attributes, histograms and report numbers");
    inspect->add_option("file", path_, "output histogram file, partial file or scan table")
        ->required();
    id_ = inspect
              ->add_option("--id", idText_,
                           "print this histogram (3007 or h3007) as CSV (low edge, high edge, "
                           "content)")
              ->type_name("ID");
    inspect->add_flag("--json", json_, "print everything as JSON");
    return inspect;
  }
  void read(CLI::App&) override {
    if (id_->count() > 0) id = readHistogramId(idText_);
  }
  int run(std::ostream& out, std::ostream& err, const std::atomic<bool>*) override {
    return inspectFile(path_, id, json_, out, err, settingEntries());
  }

  // The recorded run settings, as the table declares them.
  static std::vector<SettingEntry> settingEntries() {
    std::vector<SettingEntry> entries;
    for (const RunSetting& s : runSettings())
      if (s.role != SettingRole::Local)
        entries.push_back({std::string(s.attribute), std::string(s.option), std::string(s.label),
                           std::string(s.unit), std::string(s.absentMeans),
                           s.role == SettingRole::Identity, s.scannable});
    return entries;
  }

 private:
  std::string path_, idText_;
  CLI::Option* id_ = nullptr;
  std::optional<int> id;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> makeInspectCommand() {
  return std::make_unique<InspectCommand>();
}

}  // namespace ornaplex
