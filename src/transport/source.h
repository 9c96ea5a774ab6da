// The neutron source: wavelength from the measured spectrum, energy, a direction uniform in
// solid angle inside a cone of half-angle 0.003 lambda, a start position on the 5.5 cm square
// at z = 0, and the event's momentum transfer q drawn from S(q) restricted to what the energy
// allows and accepted by the helium dispersion.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/det_math.h"
#include "common/message_sink.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "random/stream_generator.h"  // kLanes
#include "transport/momentum_transfer.h"
#include "transport/scattering_model.h"
#include "transport/structure_factor_draw.h"
#include "transport/track_state.h"

namespace ornaplex {

// The sampled inputs of the source: the wavelength spectrum and the structure factor S(q).
struct SourceTables {
  const HistogramSampler& wavelength;          // histogram 100, Angstrom
  const StructureFactorDraw& structureFactor;  // histogram 301, bins of 0.04 1/Angstrom from 0
};

// Bound on the q draws of one event; when every try fails the event is rejected.
inline constexpr std::int64_t MAX_Q_TRIES = 1000000;

struct SourceSample {
  enum class Outcome { Accepted, ShortWavelength, QRetriesExhausted };
  Outcome outcome = Outcome::ShortWavelength;
  double lambda = 0.0;  // Angstrom, single-precision value
  // Set from here on only when lambda >= 1.0 Angstrom (histogram 20, 4017, 4018 are filled):
  double energy = 0.0;  // meV
  double theta = 0.0;   // rad, polar angle to the axis
  double phi = 0.0;     // rad, azimuth
  TrackState state;     // at z = 0, energy = E
  Tangents tangents;    // tan of state's projected angles
  double k = 0.0;       // 1/Angstrom
  int nq = 0;           // last usable S(q) bin
  // Set only when Accepted: q (a single-precision value), omega, E' = E - hbar omega, k' and
  // the cosine of the scattering angle, in [-1, 1].
  MomentumTransfer transfer;
  std::int64_t qTries = 0;  // q draws made (1 when the first was accepted)
};

// Draws one neutron and the event's q. Fills no histogram: the caller fills 20, 4017, 4018
// (from lambda on) and 1, 305 to 310 (when Accepted) from the returned values. Draws one
// generator number for lambda, four per cone try and one per q try (with model.jacobian, one
// more per q try). The same as drawSourceStarts for one event followed by drawMomentumTransfer.
SourceSample drawSource(const SourceTables& tables, Ranlux& rng, MessageSink& sink,
                        const ScatteringModel& model = {});

// The source in two halves, so that a batch of events gets its directions in one pass of the
// vector math. First, for every event of the batch: lambda, energy, direction, start position
// and tangents, event j drawing from rngs[j] only. Outcome ShortWavelength, or Accepted pending
// the q of the second half. At most kSourceBatch events, one per lane of a block; the math's
// path changes no bit.
inline constexpr int kSourceBatch = kLanes;
void drawSourceStarts(const HistogramSampler& wavelength, std::span<Ranlux* const> rngs,
                      std::span<SourceSample> out, const detmath::BatchMath& math);
// Second, for one event whose start was drawn: its q from S(q) up to q = 2k, kept only when the
// dispersion leaves a positive final energy and a scattering angle exists. Sets the outcome.
struct TransferDraw;
void drawMomentumTransfer(const StructureFactorDraw& structureFactor, SourceSample& s, Ranlux& rng,
                          MessageSink& sink, const ScatteringModel& model = {},
                          std::optional<TransferDraw>* used = nullptr);

// One draw of q for a neutron of the given energy as the second half draws it, the open bins
// worked out once, so that further draws for the same energy (a weighted run's split
// scattered branches) cost only their tries.
struct TransferDraw {
  const StructureFactorDraw* structureFactor = nullptr;
  StructureFactorDraw::OpenBins open;
  double energy_meV = 0.0, k_perA = 0.0, qTop_perA = 0.0;
  int nq = 0;
  bool jacobian = false;
  // The kept q, counting its tries in tries; empty when MAX_Q_TRIES are used up.
  std::optional<MomentumTransfer> draw(Ranlux& rng, MessageSink& sink, std::int64_t& tries) const;
};
// Empty when no bin is open to the energy.
std::optional<TransferDraw> transferDraw(const StructureFactorDraw& structureFactor,
                                         double energy_meV, const ScatteringModel& model = {});

// The second half for a whole batch whose starts were drawn: event j's q drawn as
// drawMomentumTransfer(structureFactor, out[j], *rngs[j], *sinks[j], model, &used[j]) draws
// it, from the same numbers of its own stream and with the same lines, but the tries of the
// batch's events run side by side, round by round, until each has its q: the chains of square
// roots and divisions of the events then overlap. At most kSourceBatch events.
void drawMomentumTransfers(const StructureFactorDraw& structureFactor,
                           std::span<Ranlux* const> rngs, std::span<SourceSample> out,
                           std::span<MessageSink* const> sinks, const ScatteringModel& model,
                           std::span<std::optional<TransferDraw>> used);

// The mirror image in x of a drawn neutron, a pair's second partner: x, the x angle and its
// tangent negated and the azimuth reflected about the y axis (kPi - phi, in [0, kTwoPi)); the
// wavelength, y, the y angle, the energy and the event's q the same.
SourceSample mirroredSource(const SourceSample& s);

// The pure steps of the source, for callers and tests that supply their own numbers.

// Start coordinate (cm) on [-2.75, 2.75] from a uniform r in [0, 1], in single precision.
float sourceStartCoordinate(float r);

// Direction inside the cone of half-angle thetaMax (rad), uniform in solid angle.
struct ConeDirection {
  double theta = 0.0;   // rad, polar angle to the axis
  double phi = 0.0;     // rad, azimuth
  double thetaX = 0.0;  // rad, projected in x-z
  double thetaY = 0.0;  // rad, projected in y-z
};
// From r1 (polar) and r2 (azimuth); empty when cos(theta) would fall outside [-1, 1] (the caller
// then draws all four numbers again). Gives the bits of drawSourceStarts' batch.
std::optional<ConeDirection> coneDirection(double thetaMax_rad, float r1, float r2);
// Its first step: cos(theta) from cos(thetaMax) and r1, empty outside [-1, 1].
std::optional<double> coneCosine(double cosThetaMax, float r1);

// Last S(q) bin (0.04 1/Angstrom wide) a neutron of wave number k (1/Angstrom) can use:
// 2k * 25 truncated, 90 (the table's end at 3.6 1/Angstrom) when 2k > 3.6.
int lastUsableSBin(double k_perA);

}  // namespace ornaplex
