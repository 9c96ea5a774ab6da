// Every setting of a run, declared once. A row names the option and its value, the help text,
// the one reader that checks it, the /run attribute it is recorded as, whether the log names it,
// whether it can be scanned, and its identity role: the settings whose values must agree for two
// files to be parts of one run (merge), for an interrupted run to be resumed, and for a scan
// point's file to be reused. The command line, --help, the /run attributes and their read-back,
// the merge check, the scan's columns and identity and `inspect --json`'s settings all go through
// this table, so a setting added here is seen by every one of them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/block_plan.h"
#include "driver/run_inputs.h"
#include "driver/run_options.h"
#include "h5file/histogram_file.h"
#include "random/stream_generator.h"
#include "transport/scattering_bias.h"
#include "transport/scattering_model.h"

namespace ornaplex {

using AttributeValue = decltype(Attribute::value);

// Everything that fixes a run's results (seed, events, block size, physics settings, inputs),
// what its banner shows, and where it was made.
struct RunDescription {
  std::int32_t seed = 0;
  BlockPlan plan;
  double field_mG = 0.0;       // used by the physics: single precision
  double fieldAsked_mG = 0.0;  // as given (/run@field_mG); the used one is /run@field_used_mG
  double temperature_K = 0.0;
  ScatteringModel model;  // recorded as /run@scattering_model; files without it are standard
  ScatteringBias bias;    // a weighted run records /run@mode and its bias; files without are analog
  bool pairs = false;     // mirror pairs (/run@pairs = "mirror"); files without have none
  std::vector<InputFile> inputs;
  std::vector<std::string> warnings;  // banner lines about absent optional inputs
  std::string startDate, startTime;   // the clock's texts at the start
  int threads = 1;
  int ranks = 1;
  // How the blocks' generator streams are made; empty for partial files written before it was
  // recorded.
  std::string streamScheme{kStreamScheme};
  // Where the file was made: the command as typed, the instruction-set path and the host (empty
  // in files written before they were recorded). The build (version, commit, compiler) is the
  // program's own.
  std::string command, simd, host;

  // The /run attributes of the output and partial files.
  std::vector<Attribute> attributes() const;
};

// How a setting's value takes part in telling runs apart.
enum class SettingRole {
  Identity,  // must be equal to merge, to resume and to reuse a scan point
  Record,    // recorded in /run; may differ between the parts of one run (threads, host)
  Local,     // not recorded: where files go, what the screen shows
};

struct RunSetting {
  std::string_view attribute;  // /run attribute; empty when not recorded
  std::string_view option;     // command-line spelling; empty when derived from other settings
  std::string_view valueName;  // what --help shows after the option ("K"); empty for a flag
  std::string_view label;      // what it is, for tables and pictures ("temperature")
  std::string_view unit;       // "K", "mG", "mrad"; empty when unitless
  std::string_view help;
  SettingRole role = SettingRole::Local;
  bool logged = false;     // the run log names it
  bool scannable = false;  // a list or range of values makes a scan
  // The value a file written before the attribute was recorded implies ("standard"); empty when
  // such a file matches only another file that lacks it too.
  std::string_view absentMeans;
  // Reads the option's value as typed into options; throws UsageError naming the option and the
  // value. Null for derived settings and flags.
  void (*read)(RunOptions& options, std::string_view text) = nullptr;
  // The recorded value of a run; none when the run records nothing (an analog run's bias).
  std::optional<AttributeValue> (*record)(const RunDescription& run) = nullptr;
};

std::span<const RunSetting> runSettings();

// The row of an option ("--temperature") or of a /run attribute ("temperature_K"); null when none.
const RunSetting* settingOfOption(std::string_view option);
const RunSetting* settingOfAttribute(std::string_view attribute);

// A value as text: strings as they are, numbers in their shortest exact form.
std::string settingText(const AttributeValue& value);

// The first identity setting whose values differ between two sets of /run attributes (each
// input's SHA-256 included), with both values as text ("none" when absent); empty when they
// describe the same run. skip names attributes left out of the comparison (a scan's seed).
struct SettingDifference {
  std::string attribute, first, second;
};
std::optional<SettingDifference> firstIdentityDifference(
    const std::vector<Attribute>& a, const std::vector<Attribute>& b,
    const std::vector<std::string_view>& skip = {});

// The run a set of /run attributes describes (path for messages); throws InputError naming the
// file and the attribute when one is missing or of the wrong kind.
RunDescription describedRunOf(const std::vector<Attribute>& run, const std::string& path);

// What options with this seed and these inputs fix of a run: every identity setting, the inputs
// and the command. The start time, threads, ranks, host and path are the run's own.
RunDescription describeOptions(const RunOptions& options, std::int32_t seed,
                               const std::vector<InputFile>& inputs);

// The command that runs blocks first..last of this run (options o say where its inputs are read
// and its files go): every identity setting that has an option, with the run's value.
std::string commandForBlocks(const RunDescription& run, const RunOptions& o, std::int64_t first,
                             std::int64_t last);

// The program's build, as /run records it and the log names it: "0.1.0", the source commit it
// was built from ("" when the build had none), the compiler and the build type.
struct BuildInfo {
  std::string_view version, commit, compiler, buildType;
};
BuildInfo buildInfo();

}  // namespace ornaplex
