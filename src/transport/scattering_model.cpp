#include "transport/scattering_model.h"

#include <stdexcept>

namespace ornaplex {

namespace {

constexpr std::string_view kStandard = "standard";
constexpr std::string_view kJacobian = "jacobian";
constexpr std::string_view kMeasured = "measured-sigma";
constexpr std::string_view kDensityOnce = "density-once";

}  // namespace

std::string ScatteringModel::name() const {
  if (standard()) return std::string(kStandard);
  std::string n;
  auto add = [&n](bool on, std::string_view variant) {
    if (!on) return;
    if (!n.empty()) n += '+';
    n += variant;
  };
  add(jacobian, kJacobian);
  add(measuredCrossSection, kMeasured);
  add(densityOnce, kDensityOnce);
  return n;
}

ScatteringModel parseScatteringModel(std::string_view text) {
  if (text == kStandard) return {};
  ScatteringModel m;
  std::size_t from = 0;
  while (true) {
    const std::size_t plus = text.find('+', from);
    const std::string_view part =
        text.substr(from, plus == std::string_view::npos ? std::string_view::npos : plus - from);
    bool* flag = part == kJacobian      ? &m.jacobian
                 : part == kMeasured    ? &m.measuredCrossSection
                 : part == kDensityOnce ? &m.densityOnce
                                        : nullptr;
    if (flag == nullptr)
      throw std::invalid_argument("'" + std::string(part) + "' is not a variant");
    if (*flag) throw std::invalid_argument("'" + std::string(part) + "' is named twice");
    *flag = true;
    if (plus == std::string_view::npos) break;
    from = plus + 1;
  }
  return m;
}

}  // namespace ornaplex
