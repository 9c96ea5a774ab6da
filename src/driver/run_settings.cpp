#include "driver/run_settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_text.h"
#include "driver/option_values.h"
#include "target/forced_target.h"
#include "target/tallies.h"

#ifndef ORNAPLEX_COMMIT
#define ORNAPLEX_COMMIT ""
#endif
#ifndef ORNAPLEX_BUILD_TYPE
#define ORNAPLEX_BUILD_TYPE ""
#endif

namespace ornaplex {

namespace {

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

using Value = std::optional<AttributeValue>;

// Built in place: g++ 12 with the sanitizers warns, wrongly, of an uninitialised string when an
// optional's variant is moved in.
Value text(std::string v) {
  return Value(std::in_place, std::in_place_type<std::string>, std::move(v));
}
Value whole(std::int64_t v) {
  return Value(std::in_place, std::in_place_type<std::int64_t>, v);
}
Value real(double v) {
  return Value(std::in_place, std::in_place_type<double>, v);
}

void refuseEmpty(std::string_view option, std::string_view typed, std::string_view what) {
  if (typed.empty())
    throw UsageError(std::string(option) + " '': an empty value (" + std::string(option) +
                     " takes " + std::string(what) + ") give one");
}

// "FIRST:LAST" (or one block number) into the options' block range.
void readBlocks(RunOptions& o, std::string_view typed) {
  auto refuse = [&] {
    return UsageError("--blocks " + typedValue(typed) +
                      ": not FIRST:LAST (block numbers from 0, both ends included) give, for "
                      "example, --blocks 0:99");
  };
  auto number = [&](std::string_view part) {
    try {
      return readWholeNumber("--blocks", part, 0, kMaxInt64);
    } catch (const UsageError&) {
      throw refuse();
    }
  };
  const std::size_t colon = typed.find(':');
  o.firstBlock = number(typed.substr(0, colon));
  o.lastBlock = colon == std::string_view::npos ? *o.firstBlock : number(typed.substr(colon + 1));
}

void readField(RunOptions& o, std::string_view typed) {
  // The field is a single-precision quantity, as its default is: typed 0.1 is the default.
  const double field = readRealNumber("--field", typed, "a field in mG");
  if (!std::isfinite(double(float(field))))
    throw UsageError("--field " + typedValue(typed) +
                     ": beyond single precision (the field is held as a float, at most "
                     "3.4e38 mG) give a smaller field");
  o.field_mG = double(float(field));
  o.fieldAsked_mG = field;
}

void readTemperature(RunOptions& o, std::string_view typed) {
  const double t = atHeliumTableEnds(readRealNumber("--temperature", typed, "a temperature in K"));
  if (!(t >= kHeliumTableMin_K && t <= kHeliumTableMax_K))
    throw UsageError("--temperature " + typedValue(typed) +
                     ": outside the helium tables (they run from 0.2 K to 4.4 K, both ends "
                     "included: single-precision 0.200000003 K and 4.40000010 K) give a "
                     "temperature in that range");
  o.temperature_K = t;
}

void readModel(RunOptions& o, std::string_view typed) {
  refuseEmpty("--model", typed, "a scattering model");
  std::string lower(typed);  // names are taken in any case: Jacobian is jacobian
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  try {
    o.model = parseScatteringModel(lower);
  } catch (const std::invalid_argument& e) {
    // The variant most likely meant, for a slip of the keyboard.
    std::string near;
    for (std::size_t from = 0; from <= lower.size() && near.empty();) {
      const std::size_t plus = std::min(lower.find('+', from), lower.size());
      near = nearestName(lower.substr(from, plus - from),
                         {"standard", "jacobian", "measured-sigma", "density-once"});
      from = plus + 1;
    }
    throw UsageError("--model " + typedValue(typed) + ": " + e.what() +
                     (near.empty() ? std::string() : " (did you mean " + near + "?)") +
                     " (the model is standard, or variants joined by +: jacobian, "
                     "measured-sigma, density-once) give, for example, --model "
                     "jacobian+measured-sigma");
  }
}

void readBiasAngle(RunOptions& o, std::string_view typed) {
  const double mrad = readRealNumber("--bias-angle", typed, "an angle in mrad");
  if (!(mrad > 0.0 && mrad <= kMaxBiasAngle_mrad))
    throw UsageError("--bias-angle " + typedValue(typed) +
                     ": not an acceptance angle (the small-q window is q below the angle "
                     "times k, so the angle lies above 0 and at most pi) give an angle in mrad, "
                     "for example 15");
  o.bias.acceptance_rad = mrad / 1000.0;
}

const std::string& inputRoles(const RunDescription& r, std::string& joined) {
  for (const InputFile& f : r.inputs) joined += (joined.empty() ? "" : ",") + f.role;
  return joined;
}

using R = SettingRole;

// The rows in the order a difference is looked for: how the run was made before what it did, so
// that files of another version or generator scheme are refused for that and not for a value.
const RunSetting kSettings[] = {
    {"program", "", "", "program", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription&) { return text("ornaplex"); }},
    {"version", "", "", "program version", "", "", R::Identity, true, false, "", nullptr,
     [](const RunDescription&) { return text(std::string(buildInfo().version)); }},
    {"stream_scheme", "", "", "generator stream scheme", "", "", R::Identity, true, false, "",
     nullptr,
     [](const RunDescription& r) {
       return r.streamScheme.empty() ? Value() : text(r.streamScheme);
     }},
    {"lanes", "", "", "generator lanes per block", "", "", R::Identity, true, false, "", nullptr,
     [](const RunDescription& r) { return r.streamScheme.empty() ? Value() : whole(kLanes); }},
    {"events", "--events", "N", "events", "",
     "number of events, 0 or more; 1e6 notation taken (default 300000000)", R::Identity, true,
     false, "",
     [](RunOptions& o, std::string_view t) {
       o.events = readWholeNumber("--events", t, 0, kMaxEvents, "events");
     },
     [](const RunDescription& r) { return whole(r.plan.events); }},
    {"seed", "--seed", "S", "seed", "", "generator seed 0..2147483647 (default: from the clock)",
     R::Identity, true, false, "",
     [](RunOptions& o, std::string_view t) {
       o.seed = std::int32_t(readWholeNumber("--seed", t, 0, 2147483647));
     },
     [](const RunDescription& r) { return whole(r.seed); }},
    {"block_size", "--block-size", "N", "events per block", "",
     "events per block, 1 or more (default 65536)", R::Identity, true, false, "",
     [](RunOptions& o, std::string_view t) {
       o.blockSize = readWholeNumber("--block-size", t, 1, kMaxInt64, "events per block");
     },
     [](const RunDescription& r) { return whole(r.plan.blockSize); }},
    {"field_mG", "--field", "MG", "field", "mG",
     "uniform field along the beamline, mG (default 0.1); a list a,b,c or a range LOW:HIGH:POINTS "
     "makes a scan",
     R::Identity, true, true, "", readField,
     [](const RunDescription& r) { return real(r.fieldAsked_mG); }},
    {"field_used_mG", "", "", "field in single precision", "mG", "", R::Identity, true, false, "",
     nullptr, [](const RunDescription& r) { return real(r.field_mG); }},
    {"temperature_K", "--temperature", "K", "temperature", "K",
     "helium temperature, K, 0.2 to 4.4 (default 2.1); a list or range makes a scan", R::Identity,
     true, true, "", readTemperature,
     [](const RunDescription& r) { return real(r.temperature_K); }},
    {"scattering_model", "--model", "MODEL", "scattering model", "",
     "helium scattering model: standard (default), or variants joined by +: jacobian (q drawn as "
     "q S(q)), measured-sigma (measured cross section at every q), density-once (free path "
     "without f(T)); a list a,b makes a scan",
     R::Identity, true, true, "standard", readModel,
     [](const RunDescription& r) { return text(r.model.name()); }},
    {"mode", "--bias", "", "mode", "",
     "weighted run: forced scattering in the helium and small momentum transfers drawn apart, for "
     "the scattered neutrons' rotations at a fraction of the time",
     R::Identity, true, false, "analog",
     [](RunOptions& o, std::string_view) { o.bias.weighted = true; },
     [](const RunDescription& r) { return r.bias.weighted ? text("weighted") : Value(); }},
    {"bias_scheme", "", "", "bias scheme", "", "", R::Identity, true, false, "", nullptr,
     [](const RunDescription& r) {
       return r.bias.weighted ? text(std::string(kBiasScheme)) : Value();
     }},
    {"bias_angle_mrad", "--bias-angle", "MRAD", "small-q window angle", "mrad",
     "with --bias: the small-q window below this angle times k, mrad (default 49.45: the output "
     "coil's channel seen from target 2); a list or range makes a scan",
     R::Identity, true, true, "", readBiasAngle,
     [](const RunDescription& r) {
       return r.bias.weighted ? real(r.bias.acceptance_rad * 1000.0) : Value();
     }},
    {"bias_slow_meV", "", "", "split below", "meV", "", R::Identity, true, false, "", nullptr,
     [](const RunDescription& r) {
       return r.bias.weighted ? real(r.bias.slowBelow_meV) : Value();
     }},
    {"bias_splits", "--bias-splits", "N", "splits", "",
     "with --bias: the scattered branch of neutrons slower than twice the speed of sound split N "
     "ways, 1 to 64 (default 16); a list or range makes a scan",
     R::Identity, true, true, "",
     [](RunOptions& o, std::string_view t) {
       o.bias.splits = int(readWholeNumber("--bias-splits", t, 1, kMaxSplits, "splits"));
     },
     [](const RunDescription& r) { return r.bias.weighted ? whole(r.bias.splits) : Value(); }},
    {"pairs", "--pairs", "", "mirror pairs", "",
     "each source draw makes a mirror pair, the neutron and its image in x carried on the same "
     "random numbers: the left-right rotation difference without the unscattered neutrons' "
     "noise; with --bias too; even --events and --block-size",
     R::Identity, true, false, "off", [](RunOptions& o, std::string_view) { o.pairs = true; },
     [](const RunDescription& r) { return r.pairs ? text(std::string(kPairsKind)) : Value(); }},
    {"inputs", "", "", "inputs", "", "", R::Identity, false, false, "", nullptr,
     [](const RunDescription& r) {
       std::string joined;
       return text(inputRoles(r, joined));
     }},
    {"data_dir", "--data-dir", "DIR", "data directory", "",
     "where lam.h5, gradx.h5 and sq.h5 are read when absent from the current directory", R::Local,
     false, false, "",
     [](RunOptions& o, std::string_view t) {
       refuseEmpty("--data-dir", t, "a directory");
       o.dataDir = t;
     },
     nullptr},
    {"output_dir", "--output-dir", "DIR", "output directory", "",
     "where the log, the histogram file and fort.18 go (default: current directory)", R::Local,
     false, false, "",
     [](RunOptions& o, std::string_view t) {
       refuseEmpty("--output-dir", t, "a directory");
       o.outputDir = t;
     },
     nullptr},
    {"threads", "--threads", "N", "threads", "",
     "worker threads, at most 8 per core (default 0: one per CPU this process may use)", R::Record,
     false, false, "",
     [](RunOptions& o, std::string_view t) {
       o.threads = int(readWholeNumber("--threads", t, 0, INT_MAX, "threads"));
     },
     [](const RunDescription& r) { return whole(r.threads); }},
    {"ranks", "", "", "MPI ranks", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) { return whole(r.ranks); }},
    {"blocks", "--blocks", "FIRST:LAST", "blocks", "",
     "run only blocks FIRST:LAST (numbered from 0, both included) and write a partial file for "
     "ornaplex merge",
     R::Local, false, false, "", readBlocks, nullptr},
    {"quiet", "--quiet", "", "quiet", "", "no live progress bar", R::Local, false, false, "",
     [](RunOptions& o, std::string_view) { o.quiet = true; }, nullptr},
    {"start_time", "", "", "start time", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) { return text(r.startDate + " " + r.startTime); }},
    {"command", "", "", "command", "", "", R::Record, true, false, "", nullptr,
     [](const RunDescription& r) { return r.command.empty() ? Value() : text(r.command); }},
    {"commit", "", "", "source commit", "", "", R::Record, true, false, "", nullptr,
     [](const RunDescription& r) {
       return r.command.empty() ? Value() : text(std::string(buildInfo().commit));
     }},
    {"compiler", "", "", "compiler", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) {
       return r.command.empty() ? Value() : text(std::string(buildInfo().compiler));
     }},
    {"build_type", "", "", "build type", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) {
       return r.command.empty() ? Value() : text(std::string(buildInfo().buildType));
     }},
    {"simd", "", "", "instruction-set path", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) { return r.simd.empty() ? Value() : text(r.simd); }},
    {"host", "", "", "host", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) { return r.host.empty() ? Value() : text(r.host); }},
    {"warnings", "", "", "warnings", "", "", R::Record, false, false, "", nullptr,
     [](const RunDescription& r) {
       std::string joined;
       for (const std::string& w : r.warnings) joined += (joined.empty() ? "" : "\n") + w;
       return text(joined);
     }},
};

const Attribute* find(const std::vector<Attribute>& run, std::string_view name) {
  for (const Attribute& a : run)
    if (a.name == name) return &a;
  return nullptr;
}

bool isInputDigest(const std::string& name) {
  return name.size() > 13 && name.rfind("input_", 0) == 0 &&
         name.compare(name.size() - 7, 7, "_sha256") == 0;
}

}  // namespace

std::span<const RunSetting> runSettings() {
  return kSettings;
}

const RunSetting* settingOfOption(std::string_view option) {
  for (const RunSetting& s : kSettings)
    if (!option.empty() && s.option == option) return &s;
  return nullptr;
}

const RunSetting* settingOfAttribute(std::string_view attribute) {
  for (const RunSetting& s : kSettings)
    if (!attribute.empty() && s.attribute == attribute) return &s;
  return nullptr;
}

std::string settingText(const AttributeValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  return shortestText(std::get<double>(v));
}

std::optional<SettingDifference> firstIdentityDifference(
    const std::vector<Attribute>& a, const std::vector<Attribute>& b,
    const std::vector<std::string_view>& skip) {
  std::vector<std::pair<std::string, std::string_view>> names;  // attribute, absent means
  for (const RunSetting& s : kSettings)
    if (s.role == SettingRole::Identity) names.emplace_back(s.attribute, s.absentMeans);
  // Each input's digest: the inputs of either file, in the order first seen.
  for (const auto* run : {&a, &b})
    for (const Attribute& x : *run)
      if (isInputDigest(x.name) && std::none_of(names.begin(), names.end(),
                                                [&](const auto& n) { return n.first == x.name; }))
        names.emplace_back(x.name, "");
  for (const auto& [name, absentMeans] : names) {
    if (std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
    const auto valueIn = [&](const std::vector<Attribute>& run) -> std::optional<AttributeValue> {
      if (const Attribute* x = find(run, name)) return x->value;
      if (!absentMeans.empty()) return AttributeValue(std::string(absentMeans));
      return std::nullopt;
    };
    const std::optional<AttributeValue> x = valueIn(a), y = valueIn(b);
    if (x == y) continue;
    return SettingDifference{name, x ? settingText(*x) : "none", y ? settingText(*y) : "none"};
  }
  return std::nullopt;
}

std::vector<Attribute> RunDescription::attributes() const {
  std::vector<Attribute> run;
  for (const RunSetting& s : kSettings)
    if (s.record)
      if (std::optional<AttributeValue> v = s.record(*this))
        run.push_back({std::string(s.attribute), std::move(*v)});
  for (const InputFile& f : inputs) {
    run.push_back({"input_" + f.role, f.path});
    run.push_back({"input_" + f.role + "_sha256", f.sha256});
  }
  return run;
}

RunDescription describeOptions(const RunOptions& o, std::int32_t seed,
                               const std::vector<InputFile>& inputs) {
  RunDescription run;
  run.seed = seed;
  run.plan = BlockPlan{o.events, o.blockSize > 0 ? o.blockSize : DEFAULT_BLOCK_SIZE};
  run.field_mG = o.field_mG;
  run.fieldAsked_mG = o.fieldAsked_mG;
  run.temperature_K = o.temperature_K;
  run.model = o.model;
  run.bias = o.bias;
  run.pairs = o.pairs;
  run.inputs = inputs;
  run.command = o.command;
  return run;
}

std::string commandForBlocks(const RunDescription& run, const RunOptions& o, std::int64_t first,
                             std::int64_t last) {
  std::string command = "ornaplex";
  for (const RunSetting& s : kSettings) {
    if (s.option.empty() || s.role != SettingRole::Identity || !s.record) continue;
    const std::optional<AttributeValue> v = s.record(run);
    if (!v) continue;
    command += " " + std::string(s.option);
    if (!s.valueName.empty()) command += " " + shellWord(settingText(*v));
  }
  return command + " --data-dir " + shellWord(o.dataDir) + " --output-dir " +
         shellWord(o.outputDir) + " --blocks " + std::to_string(first) + ":" + std::to_string(last);
}

BuildInfo buildInfo() {
#ifdef __clang__
  static constexpr std::string_view compiler = "clang " __clang_version__;
#elif defined(__GNUC__)
  static constexpr std::string_view compiler = "g++ " __VERSION__;
#else
  static constexpr std::string_view compiler = "unknown";
#endif
  return {ORNAPLEX_VERSION, ORNAPLEX_COMMIT, compiler, ORNAPLEX_BUILD_TYPE};
}

}  // namespace ornaplex

namespace ornaplex {

namespace {

// Reads /run attributes of one file; every refusal names the file and the attribute.
class RunAttributes {
 public:
  RunAttributes(const std::vector<Attribute>& run, const std::string& path)
      : run_(run), path_(path) {}

  template <class T>
  const T& required(std::string_view name) const {
    const T* v = optional<T>(name);
    if (!v)
      throw InputError("cannot read " + path_ + " (its /run attribute " + std::string(name) +
                       " is missing or of the wrong kind) give a file written by ornaplex");
    return *v;
  }
  template <class T>
  const T* optional(std::string_view name) const {
    const Attribute* a = find(run_, name);
    if (a && !std::holds_alternative<T>(a->value))
      throw InputError("cannot read " + path_ + " (its /run attribute " + std::string(name) +
                       " is of the wrong kind) give a file written by ornaplex");
    return a ? &std::get<T>(a->value) : nullptr;
  }
  std::string text(std::string_view name) const {
    const std::string* v = optional<std::string>(name);
    return v ? *v : std::string();
  }

 private:
  const std::vector<Attribute>& run_;
  const std::string& path_;
};

std::vector<std::string> splitAt(const std::string& text, char by) {
  std::vector<std::string> parts;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find(by, from), text.size());
    parts.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return parts;
}

ScatteringBias biasOf(const RunAttributes& a, const std::string& path) {
  ScatteringBias bias;
  const std::string* mode = a.optional<std::string>("mode");
  if (!mode) return bias;
  const std::string* scheme = a.optional<std::string>("bias_scheme");
  const double* angle = a.optional<double>("bias_angle_mrad");
  const double* slow = a.optional<double>("bias_slow_meV");
  const std::int64_t* splits = a.optional<std::int64_t>("bias_splits");
  if (*mode != "weighted" || !scheme || *scheme != kBiasScheme || !angle || !slow || !splits)
    throw InputError("cannot read " + path + " (its run mode " + *mode + " with bias scheme " +
                     (scheme ? *scheme : "none") +
                     " is not one this version writes) use the version of ornaplex that wrote it");
  bias.weighted = true;
  bias.acceptance_rad = *angle / 1000.0;
  bias.slowBelow_meV = *slow;
  bias.splits = int(*splits);
  return bias;
}

}  // namespace

RunDescription describedRunOf(const std::vector<Attribute>& run, const std::string& path) {
  const RunAttributes a(run, path);
  RunDescription d;
  d.seed = std::int32_t(a.required<std::int64_t>("seed"));
  d.plan.events = a.required<std::int64_t>("events");
  d.plan.blockSize = a.required<std::int64_t>("block_size");
  if (d.plan.blockSize < 1 || d.plan.events < 0)
    throw InputError("cannot read " + path + " (its block size " +
                     std::to_string(d.plan.blockSize) + " or event count " +
                     std::to_string(d.plan.events) +
                     " is not valid) give a file written by ornaplex");
  // field_mG is the field as given; files written before the two were told apart hold the
  // single-precision value there and nothing in field_used_mG.
  d.fieldAsked_mG = a.required<double>("field_mG");
  const double* used = a.optional<double>("field_used_mG");
  d.field_mG = used ? *used : d.fieldAsked_mG;
  d.temperature_K = a.required<double>("temperature_K");
  const std::string start = a.required<std::string>("start_time");
  const std::size_t space = start.find(' ');
  d.startDate = start.substr(0, space);
  d.startTime = space == std::string::npos ? "" : start.substr(space + 1);
  d.warnings = splitAt(a.required<std::string>("warnings"), '\n');
  for (const std::string& role : splitAt(a.required<std::string>("inputs"), ','))
    d.inputs.push_back({role, a.required<std::string>("input_" + role),
                        a.required<std::string>("input_" + role + "_sha256")});
  d.threads = int(a.required<std::int64_t>("threads"));
  d.ranks = int(a.required<std::int64_t>("ranks"));
  if (const std::string* model = a.optional<std::string>("scattering_model")) {
    try {
      d.model = parseScatteringModel(*model);
    } catch (const std::invalid_argument& e) {
      throw InputError("cannot read " + path + " (its scattering_model " + *model +
                       " is unknown: " + e.what() + ") read it with the version that wrote it");
    }
  }
  d.bias = biasOf(a, path);
  if (const std::string* pairs = a.optional<std::string>("pairs")) {
    if (*pairs != kPairsKind)
      throw InputError(
          "cannot read " + path + " (its pairs " + *pairs +
          " is not a kind this version runs) use the version of ornaplex that wrote it");
    d.pairs = true;
  }
  d.streamScheme = a.text("stream_scheme");  // none in older partial files
  d.command = a.text("command");
  d.simd = a.text("simd");
  d.host = a.text("host");
  return d;
}

}  // namespace ornaplex
