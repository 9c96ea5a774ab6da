// Modelling choices of the helium scattering that a run may change, to bracket how much the
// scattered neutrons' results depend on them. The standard model is every flag off.
//   jacobian        q drawn with density q S(q) instead of S(q), on the same allowed region: for
//                   one excitation branch dsigma/dOmega ~ (k'/k) S(q), and dOmega = 2 pi q dq /
//                   (k k'), so P(q | k) ~ q S(q); the standard draw weights small q by 1/q more.
//   measured-sigma  the free path from the measured total cross section at every q, instead of
//                   the small-angle term at q up to the small-q limit.
//   density-once    the free path from the number density alone, without the normalised
//                   density f(T) that the standard free path multiplies in as well.
#pragma once

#include <string>
#include <string_view>

namespace ornaplex {

struct ScatteringModel {
  bool jacobian = false;
  bool measuredCrossSection = false;
  bool densityOnce = false;

  bool standard() const { return !jacobian && !measuredCrossSection && !densityOnce; }
  bool operator==(const ScatteringModel&) const = default;
  // "standard", or the variants' names joined by '+' in the order above.
  std::string name() const;
};

// Reads "standard" or variant names joined by '+' ("jacobian+measured-sigma"), each at most
// once. Throws std::invalid_argument with the unknown or repeated name.
ScatteringModel parseScatteringModel(std::string_view text);

}  // namespace ornaplex
