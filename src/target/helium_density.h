// The liquid helium's density at the run's temperature, as the free path and the forced
// crossing's attenuation use it: the number density n and the density ratio f. Both depend on
// the temperature alone, so a run looks them up once rather than at every cell entry.
#pragma once

#include <optional>

#include "common/message_sink.h"
#include "helium/intq.h"
#include "transport/scattering_model.h"

namespace ornaplex {

struct HeliumDensity {
  double number_perBarnCm = 0.0;  // n: atoms per barn cm
  double ratio = 0.0;             // f: density over its maximum (1 in the density-once model)
};

// n and f from the tables (HEDEN, NDEN), their diagnostic lines going to sink.
HeliumDensity heliumDensity(double temperature_K, const ScatteringModel& model, MessageSink& sink);

// The helium of a run's cells: its temperature, and its density and small-angle factors
// worked out once when the temperature lies inside the tables (where the look-ups write
// nothing). Outside them every entry looks them up again, so that the lines and the stop fall
// where they always did.
struct RunHelium {
  double temperature_K = 0.0;
  std::optional<HeliumDensity> density;
  std::optional<SmallAngleFactors> smallAngle;

  HeliumDensity densityAt(const ScatteringModel& model, MessageSink& sink) const {
    return density ? *density : heliumDensity(temperature_K, model, sink);
  }
};
RunHelium runHelium(double temperature_K, const ScatteringModel& model);

}  // namespace ornaplex
