#include "driver/scan_record.h"

#include <filesystem>
#include <fstream>

#include "common/errors.h"
#include "driver/run_settings.h"
#include "driver/text_file.h"
#include "h5file/published_file.h"

namespace ornaplex {

namespace {

constexpr const char* kAxesName = "scanned";

std::string joined(const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& v : values) text += (text.empty() ? "" : ",") + v;
  return text;
}

// A scanned value as the run records it (the model's variants in their order, numbers in their
// shortest form), so that the same values typed otherwise are the same scan.
std::string recordedValue(const RunSetting& s, const std::string& typed) {
  RunOptions o;
  o.bias.weighted = true;  // so that the bias settings are recorded
  s.read(o, typed);
  return settingText(*s.record(describeOptions(o, 0, {})));
}

}  // namespace

std::vector<Attribute> scanRecord(const RunOptions& base, const std::vector<ScanAxis>& axes,
                                  std::int32_t seed, const std::vector<InputFile>& inputs) {
  RunOptions first = base;
  for (const ScanAxis& a : axes) setRunOption(first, a.option, a.values.front());
  std::vector<Attribute> record;
  for (const Attribute& a : describeOptions(first, seed, inputs).attributes()) {
    const RunSetting* s = settingOfAttribute(a.name);
    const bool identity = s ? s->role == SettingRole::Identity
                            : a.name.rfind("input_", 0) == 0 && a.name.ends_with("_sha256");
    if (identity) record.push_back({a.name, settingText(a.value)});
  }
  std::vector<std::string> columns;
  for (const ScanAxis& a : axes) {
    const RunSetting& s = *settingOfOption(a.option);
    columns.emplace_back(s.attribute);
    std::vector<std::string> values;
    for (const std::string& v : a.values) values.push_back(recordedValue(s, v));
    for (Attribute& r : record)
      if (r.name == s.attribute) r.value = joined(values);
    // The single-precision field follows the field scanned.
    if (s.attribute == "field_mG")
      std::erase_if(record, [](const Attribute& r) { return r.name == "field_used_mG"; });
  }
  record.push_back({kAxesName, joined(columns)});
  return record;
}

std::string recordValue(const std::vector<Attribute>& record, const std::string& name) {
  for (const Attribute& a : record)
    if (a.name == name) return settingText(a.value);
  return "";
}

std::optional<std::vector<Attribute>> readScanRecord(const std::string& dir) {
  const std::string path = joinPath(dir, kScanRecordName);
  if (!std::filesystem::exists(path)) return std::nullopt;
  std::ifstream in(path);
  std::vector<Attribute> record;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find(" = ");
    if (eq == std::string::npos || eq == 0)
      throw InputError("cannot read " + path + " (line " + std::to_string(number) + " \"" + line +
                       "\" is not name = value) restore the file, or give another --output-dir");
    record.push_back({line.substr(0, eq), line.substr(eq + 3)});
  }
  if (in.bad() || record.empty())
    throw InputError("cannot read " + path +
                     " (it holds no settings) restore the file, or give another --output-dir");
  return record;
}

void writeScanRecord(const std::string& dir, const std::vector<Attribute>& record,
                     const std::string& command) {
  std::string text =
      "# The settings of the ornaplex scan in this directory: the same command completes it, any "
      "other is refused.\n# Written by: " +
      command + "\n";
  for (const Attribute& a : record) text += a.name + " = " + settingText(a.value) + "\n";
  publishNewFile(NewFileName::exactly(joinPath(dir, kScanRecordName)), "scan settings record",
                 std::vector<unsigned char>(text.begin(), text.end()));
}

void refuseOtherScan(const std::string& dir, const std::vector<Attribute>& held,
                     const std::vector<Attribute>& asked) {
  const std::string where = joinPath(dir, kScanRecordName);
  const auto refuse = [&](const std::string& what, const std::string& was, const std::string& now) {
    throw UsageError("--output-dir " + dir + ": it holds another scan (the scan there has " + what +
                     " = " + was + ", this command " + what + " = " + now + "; see " + where +
                     ") give another --output-dir, or the settings of that scan to complete it");
  };
  if (recordValue(held, kAxesName) != recordValue(asked, kAxesName))
    refuse("scanned settings", recordValue(held, kAxesName), recordValue(asked, kAxesName));
  if (const auto d = firstIdentityDifference(held, asked))
    refuse(d->attribute, d->first, d->second);
}

}  // namespace ornaplex
