// The event tables of the shipped inputs, for tests that run blocks without the program.
#pragma once

#include <string>

#include "driver/beamline_event.h"
#include "driver/run_inputs.h"
#include "histogram/histogram_sampler.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex::testing {

struct ShippedTables {
  RunInputs inputs = loadRunInputs(std::string(ORNAPLEX_SOURCE_DIR) + "/data");
  HistogramSampler wavelength{*inputs.wavelength};
  StructureFactorDraw structureFactor{*inputs.structureFactor};
  EventTables tables() const { return EventTables{&wavelength, &structureFactor}; }
};

}  // namespace ornaplex::testing
