// The run settings' table: every identity setting tells two runs apart for merge and for a scan,
// no other setting does, files without a setting read as its older value, and what /run records
// reads back to the same attributes.
#include "driver/run_settings.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "driver/scan_record.h"

namespace ornaplex {
namespace {

RunDescription weightedRun() {
  RunOptions o;
  o.bias.weighted = true;
  RunDescription run = describeOptions(o, 7, {{"lam", "lam.h5", "ab"}, {"sq", "sq.h5", "cd"}});
  run.startDate = "20261208";
  run.startTime = "101010.000";
  run.simd = "avx";
  run.host = "node1";
  return run;
}

AttributeValue changed(const AttributeValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s + "x";
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i + 1;
  return std::get<double>(v) * 2.0 + 1.0;
}

TEST(RunSettings, EveryIdentitySettingTellsRunsApartForMergeAndScanAndNoOtherDoes) {
  const std::vector<Attribute> base = weightedRun().attributes();
  for (std::size_t i = 0; i < base.size(); ++i) {
    std::vector<Attribute> other = base;
    other[i].value = changed(base[i].value);
    const RunSetting* s = settingOfAttribute(base[i].name);
    const bool identity = s ? s->role == SettingRole::Identity : base[i].name.ends_with("_sha256");
    const auto d = firstIdentityDifference(base, other);
    EXPECT_EQ(d.has_value(), identity) << base[i].name;
    if (!identity) continue;
    EXPECT_EQ(d->attribute, base[i].name);
    EXPECT_THROW(refuseOtherScan("s", base, other), UsageError) << base[i].name;
  }
}

TEST(RunSettings, FilesWithoutASettingReadAsItsOlderValue) {
  std::vector<Attribute> standard = weightedRun().attributes(), older = standard;
  std::erase_if(older, [](const Attribute& a) { return a.name == "scattering_model"; });
  EXPECT_FALSE(firstIdentityDifference(standard, older));
  for (Attribute& a : standard)
    if (a.name == "scattering_model") a.value = std::string("jacobian");
  EXPECT_EQ(firstIdentityDifference(standard, older)->attribute, "scattering_model");
}

TEST(RunSettings, WhatRunRecordsReadsBackToTheSameAttributes) {
  const std::vector<Attribute> written = weightedRun().attributes();
  const std::vector<Attribute> back = describedRunOf(written, "f.h5").attributes();
  ASSERT_EQ(back.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(back[i].name, written[i].name);
    EXPECT_EQ(back[i].value, written[i].value) << written[i].name;
  }
}

}  // namespace
}  // namespace ornaplex
