// One event: a neutron from the source carried stage by stage to the detector plane, with its
// path, spin rotation, counters, sums and histogram fills.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/message_sink.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "target/detector_histograms.h"
#include "target/forced_target.h"
#include "target/helium_density.h"
#include "target/tallies.h"
#include "transport/back_scatter_table.h"
#include "transport/beamline_geometry.h"
#include "transport/empty.h"
#include "transport/scattering_bias.h"
#include "transport/scattering_model.h"
#include "transport/source.h"
#include "transport/structure_factor_draw.h"
#include "transport/track_state.h"

namespace ornaplex {

// The fixed beamline and the run's physics settings.
struct BeamlineSettings {
  double field_mG = FIELD_mG;
  double temperature_K = HELIUM_TEMPERATURE;
  double criticalCoefficient = GUIDE_CRITICAL_COEFFICIENT;
  ScatteringModel model;  // the helium scattering's modelling choices (standard by default)
  ScatteringBias bias;    // weighted runs: forced scattering and the small-q window
  bool pairs = false;     // each source draw makes a mirror pair (finishDrawnPair)
};

// Where a neutron's road ended, and the boundary states it passed (for tests and debugging).
struct EventTrace {
  enum class End { Source, Guide, Incoil, Target1, Gap2Band, Target2, Outcoil, Analyser, Detector };
  End end = End::Source;
  TrackState gap1, p1, p2, p3, detector;  // end of gap 1, target 1 exit, end of gap 2, ...
  double target2Energy = 0.0;             // energy handed to TARGET in the right cell
  bool target2Called = false;
  double pathLength = 0.0, rotation = 0.0;
};

// Where an event's lines go: the screen, the run log, and the long-path diagnostic file; and
// optionally a trace of the event.
struct EventOutput {
  MessageSink& screen;
  MessageSink& log;
  MessageSink& longPath;
  EventTrace* trace = nullptr;
};

// What an event accumulates into.
struct EventTallies {
  Counters& counters;
  Tallies& tallies;
  DetectorHistograms& histograms;
  // Weighted runs: room for a helium cell's branches, reused from event to event (none: each
  // crossing makes its own).
  ForcedCrossing* forced = nullptr;
};

struct EventTables {
  const HistogramSampler* wavelength = nullptr;          // id 100
  const StructureFactorDraw* structureFactor = nullptr;  // id 301, with the dispersion floor
  const BackScatterTable* backScatter = nullptr;         // weighted runs: the back window
};

// Runs event number eventNumber (1-based; event 1 announces the uniform field).
void runBeamlineEvent(std::int64_t eventNumber, const EventTables& tables,
                      const BeamlineSettings& settings, Ranlux& rng, EventTallies& out,
                      EventOutput& io);
// The same for an event whose start (drawSourceStarts) was drawn in a batch: its q, the
// source's histograms and the carry down the beamline, drawing from rng, the event's stream.
void finishBeamlineEvent(std::int64_t eventNumber, SourceSample& start, const EventTables& tables,
                         const BeamlineSettings& settings, Ranlux& rng, EventTallies& out,
                         EventOutput& io);
// The same with the run's helium looked up once (runHelium of the settings' temperature and
// model), as a block runs its events.
void finishBeamlineEvent(std::int64_t eventNumber, SourceSample& start, const EventTables& tables,
                         const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                         EventTallies& out, EventOutput& io);
// The same for an event whose q was drawn with its batch too (drawMomentumTransfers, draw that
// q's draw, kept for a weighted run's windows and splits): the source's histograms and the
// carry down the beamline. The q draw's lines are the caller's to write first.
void finishDrawnEvent(std::int64_t eventNumber, const SourceSample& start,
                      const std::optional<TransferDraw>& draw, const EventTables& tables,
                      const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                      EventTallies& out, EventOutput& io);

// A mirror pair: the drawn neutron and its mirror image in x (mirroredSource), both scored as
// source neutrons and carried with the same numbers of rng (PairStreams), rng left after the
// further of the two; the image scatters at the negated azimuths (TARGET's and forcedTarget's
// image). The pair's sums are one event's (EventSums), with the products of its left and right
// sums; an analog pair's neutrons weigh 1 and its histograms count them, a weighted pair's
// branches are those of the weighted event.
void finishDrawnPair(std::int64_t eventNumber, const SourceSample& start,
                     const std::optional<TransferDraw>& draw, const EventTables& tables,
                     const BeamlineSettings& settings, const RunHelium& helium, Ranlux& rng,
                     EventTallies& out, EventOutput& io);

// Carries a neutron that the source produced (and accepted) from z = 0 to the detector plane;
// source.tangents must be those of source.state.
void carryNeutron(const SourceSample& source, const BeamlineSettings& settings, Ranlux& rng,
                  EventTallies& out, EventOutput& io);

// A straight flight of length L with no aperture: moves x and y by L tan(theta), z by L.
Track flyStraight(const Track& in, double length_cm);

}  // namespace ornaplex
