// Flight through one liquid-helium target cell, with a possible scattering.
#pragma once

#include "common/message_sink.h"
#include "random/ranlux.h"
#include "transport/empty.h"
#include "transport/momentum_transfer.h"
#include "transport/scattering_model.h"
#include "transport/track_state.h"

namespace ornaplex {

// What the traversal sampled (written on every call that passes the entrance; the driver clears
// crossSection, scatterAngle, crossSectionMeasured, crossSectionSmallAngle, theta_p and phi_p
// before each call, and the entrance check leaves all of them untouched).
struct TargetScatter {
  double crossSection = 0.0;            // barn/atom, total used for the free path
  double scatterAngle = 0.0;            // rad, between incident and outgoing direction
  double crossSectionMeasured = 0.0;    // barn/atom, from SOMMERS, only when used
  double crossSectionSmallAngle = 0.0;  // barn/atom, from INTQ, only when used
  bool energyChanged = false;           // scattered in the cell and ep != energy
  bool angleNonZero = false;            // scattered in the cell and scatterAngle > 0
  double theta_p = 0.0;                 // rad, outgoing polar angle from the z axis
  double phi_p = 0.0;                   // rad, outgoing azimuth in [0, 2 pi)
  bool limitTaken = false;  // a 0/0 was replaced by its limit (sin theta_p = 0): counted
};

// in.energy is the incident energy; out receives the exit-face track or LOST in every field.
// Draws three generator numbers when the neutron passes the entrance. model chooses the cross
// section and density of the free path (the standard model by default).
void TARGET(double q_perA, double temperature_K, const Track& in, const Aperture& aperture,
            double length_cm, Track& out, TargetScatter& scatter, Ranlux& rng, MessageSink& sink,
            const ScatteringModel& model = {});
// The same with the momentum transfer already worked out (by the source, for the same q); it is
// used as it stands when it was worked out for in.energy and could write no line, and worked out
// again otherwise, so the result and the lines are those of the call with q alone.
void TARGET(const MomentumTransfer& transfer, double temperature_K, const Track& in,
            const Aperture& aperture, double length_cm, Track& out, TargetScatter& scatter,
            Ranlux& rng, MessageSink& sink, const ScatteringModel& model = {});

}  // namespace ornaplex
