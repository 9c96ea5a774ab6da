// Flight through one liquid-helium target cell, with a possible scattering.
#pragma once

#include "common/message_sink.h"
#include "random/ranlux.h"
#include "target/helium_density.h"
#include "transport/empty.h"
#include "transport/event_transfer.h"
#include "transport/kinematics.h"
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

// in.energy is the incident energy, at which transfer gives what the event's q does (its lines,
// if any, going to sink); out receives the exit-face track or LOST in every field. Draws three
// generator numbers when the neutron passes the entrance. model chooses the cross section and
// density of the free path (the standard model by default).
void TARGET(const EventTransfer& transfer, double temperature_K, const Track& in,
            const Aperture& aperture, double length_cm, Track& out, TargetScatter& scatter,
            Ranlux& rng, MessageSink& sink, const ScatteringModel& model = {});
// The same with the run's helium (runHelium of the temperature and model), its density looked
// up once for the run, and the incident direction worked out already (directionOf in's angles).
// image: the neutron is the mirror partner of a pair and scatters at the negated azimuth about
// its incident direction, so that partners drawing the same numbers turn as mirror images.
void TARGET(const EventTransfer& transfer, const RunHelium& helium, const Track& in,
            const Direction& incident, const Aperture& aperture, double length_cm, Track& out,
            TargetScatter& scatter, Ranlux& rng, MessageSink& sink,
            const ScatteringModel& model = {}, bool image = false);

}  // namespace ornaplex
