// The steps of a flight through one liquid-helium cell that the analog crossing (TARGET) and the
// forced crossing of weighted runs share: the incident direction, the hypothetical scattering a
// momentum transfer gives (angle, frame, outgoing direction, cross section), the attenuation
// and the exits. Inline: TARGET runs for every neutron that enters a cell.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/constants.h"
#include "common/det_math.h"
#include "common/fortran_format.h"
#include "common/message_sink.h"
#include "helium/intq.h"
#include "helium/sommers.h"
#include "target/helium_density.h"
#include "target/target.h"
#include "transport/kinematics.h"

namespace ornaplex::cell {

// Clamps a cosine to [-1, 1], writing the diagnostic line when it is outside.
inline double clampCosine(double c, const char* text, MessageSink& sink) {
  if (c > 1.0) {
    sink.line(ListLine() << text << c);
    return 1.0;
  }
  if (c < -1.0) {
    sink.line(ListLine() << text << c);
    return -1.0;
  }
  return c;
}

// The incident direction from the track's projected angles and their tangents.
inline Direction incidentDirection(const Track& in) {
  return directionOf(in.thetaX, in.thetaY, in.tangents.x, in.tangents.y);
}

// Whether q leaves a real outgoing wave; when it does not, q cannot be transferred and the
// neutron cannot scatter, which is reported.
inline bool leavesAnOutgoingWave(const MomentumTransfer& tr, MessageSink& sink) {
  const bool allowed = tr.energyFinal > 0.0;
  if (!allowed) {
    sink.line(ListLine() << " ep < 0:" << tr.energyFinal);
  }
  return allowed;
}

// Scattering angle from the momentum balance, for a q that leaves an outgoing wave.
inline double scatteringAngle(const MomentumTransfer& tr, MessageSink& sink) {
  double c = tr.cosAngle;
  if (c > 1.05) {
    sink.line(ListLine() << "----------ooo----------");
    sink.line(ListLine() << "k0:" << tr.k << "   kp:" << tr.kFinal << "   q:" << tr.q);
  }
  if (c > 1.0) c = 1.0;
  // q beyond k0 + kp: held at back-scattering rather than taking acos of a non-cosine.
  if (c < -1.0) c = -1.0;
  return detmath::acos(c);
}

// Sines and cosines of the incident direction and of the scattering about it (angle and
// azimuth phiS), which the outgoing direction and the scattering point are made of.
struct ScatteringFrame {
  detmath::SinCos theta0, scatter, phiS, phi0;
};

inline ScatteringFrame scatteringFrame(Direction incident, double scatterAngle, double phiS) {
  const detmath::SinCosPair polar = detmath::sincosPair(incident.theta, scatterAngle);
  const detmath::SinCosPair azimuth = detmath::sincosPair(phiS, incident.phi);
  return {polar.a, polar.b, azimuth.a, azimuth.b};
}

struct Outgoing {
  Direction direction;
  bool limitTaken = false;  // along (or against) z: the incident azimuth kept
};

// Outgoing direction: the scattering direction in the frame of the incident direction, turned
// by theta0 about y and then by phi0 about z.
inline Outgoing outgoingDirection(const ScatteringFrame& f, Direction incident, MessageSink& sink) {
  const double cosT0 = f.theta0.cos, sinT0 = f.theta0.sin;
  const double cosTs = f.scatter.cos, sinTs = f.scatter.sin;
  const double cosPs = f.phiS.cos, sinPs = f.phiS.sin;
  const double cosP0 = f.phi0.cos, sinP0 = f.phi0.sin;
  const double cosThetaP =
      clampCosine(cosT0 * cosTs - sinT0 * sinTs * cosPs, " theta_p error :  cos(th_p) =", sink);
  const double thetaP = detmath::acos(cosThetaP);
  const double sinThetaP = detmath::sin(thetaP);
  // sin theta_p = 0 (acos(-1) leaves a rounding residue in sin, so test the cosine too).
  if (sinThetaP == 0.0 || std::fabs(cosThetaP) == 1.0) {
    // Along (or against) z the azimuth is undefined: keep the incident one.
    return {{thetaP, incident.phi}, true};
  }
  const double cosPhiP =
      (cosT0 * sinTs * cosPs * cosP0 - sinTs * sinPs * sinP0 + sinT0 * cosTs * cosP0) / sinThetaP;
  double phiP = detmath::acos(clampCosine(cosPhiP, " phi_p error :  cos(ph_p) =", sink));
  const double sinPhiP =
      (cosT0 * sinTs * cosPs * sinP0 + sinTs * sinPs * cosP0 + sinT0 * cosTs * sinP0) / sinThetaP;
  if (sinPhiP < 0.0) phiP = kTwoPi - phiP;
  return {{thetaP, phiP}, false};
}

// Cross section (barn/atom) at energy_meV: small-angle term at small q, the measured total cross
// section above (or at every q, in the measured-sigma model); the term used is also left in
// scatter.
inline double crossSection(const RunHelium& helium, double energy_meV, const MomentumTransfer& tr,
                           double scatterAngle, const ScatteringModel& model,
                           TargetScatter& scatter, MessageSink& sink) {
  if (tr.q <= SMALL_Q_LIMIT && !model.measuredCrossSection) {
    if (helium.smallAngle)
      scatter.crossSectionSmallAngle = smallAngleCrossSection(*helium.smallAngle, tr.q);
    else
      INTQ(helium.temperature_K, tr.k, tr.q, scatterAngle, scatter.crossSectionSmallAngle, sink);
    return scatter.crossSectionSmallAngle;
  }
  SOMMERS(helium.temperature_K, energy_meV, scatter.crossSectionMeasured, sink);
  return scatter.crossSectionMeasured;
}

// The event's own q in a cell the neutron entered, as both crossings start: its working at the
// entry energy, the scattering it would give (angle, frame about the azimuth phiS, outgoing
// direction) and its cross section, written into scatter as the cell's histograms take them
// (the flags false until the neutron scatters).
struct OwnScattering {
  Direction incident;
  MomentumTransfer transfer;
  bool allowed = false;  // q leaves an outgoing wave
  double angle = 0.0;    // rad, 0 when not allowed
  ScatteringFrame frame;
  Outgoing outgoing;
};

inline OwnScattering ownScattering(const EventTransfer& transfer, const RunHelium& helium,
                                   const Track& in, Direction incident, double phiS,
                                   const ScatteringModel& model, TargetScatter& scatter,
                                   MessageSink& sink) {
  OwnScattering s;
  s.incident = incident;
  s.transfer = transfer.at(in.energy, sink);
  s.allowed = leavesAnOutgoingWave(s.transfer, sink);
  s.angle = s.allowed ? scatteringAngle(s.transfer, sink) : 0.0;
  s.frame = scatteringFrame(s.incident, s.angle, phiS);
  s.outgoing =
      s.allowed ? outgoingDirection(s.frame, s.incident, sink) : Outgoing{s.incident, false};
  scatter.crossSection = crossSection(helium, in.energy, s.transfer, s.angle, model, scatter, sink);
  scatter.scatterAngle = s.angle;
  scatter.theta_p = s.outgoing.direction.theta;
  scatter.phi_p = s.outgoing.direction.phi;
  scatter.limitTaken = s.outgoing.limitTaken;
  scatter.energyChanged = false;
  scatter.angleNonZero = false;
  return s;
}

// Free path (cm) from r and the helium's density; infinite when the neutron cannot scatter.
inline double freePath(const HeliumDensity& helium, double crossSection, double r, bool allowed) {
  return allowed ? -detmath::log(r) * 1.0 / (helium.number_perBarnCm * crossSection * helium.ratio)
                 : std::numeric_limits<double>::infinity();
}

// Atoms per barn cm that scatter: the number density n times the density ratio f. Times a
// cross section (barn) it gives the scatterings per cm of flight, the inverse of the mean free
// path that freePath draws from.
inline double scatteringDensity_perBarnCm(const HeliumDensity& helium) {
  return helium.number_perBarnCm * helium.ratio;
}

// The scattering point's offset from the entry point, a free path along the incident direction.
struct Offset {
  double dx = 0.0, dy = 0.0, dz = 0.0;
};

inline Offset scatteringPoint(const ScatteringFrame& f, double freePath) {
  return {freePath * f.theta0.sin * f.phi0.cos, freePath * f.theta0.sin * f.phi0.sin,
          freePath * f.theta0.cos};
}

// A scattering point inside the cell, faces and edges included.
inline bool scattersInCell(const Track& in, const Aperture& aperture, double length_cm, Offset d) {
  const double zs = in.z + d.dz;
  return in.z <= zs && zs <= in.z + length_cm && aperture.contains(in.x + d.dx, in.y + d.dy);
}

// How far (cm) the neutron flies along the incident direction before it leaves the cell, through
// the exit face or a side wall: scattersInCell holds for every free path up to it. The entry
// point lies inside the aperture.
inline double distanceToExit(const ScatteringFrame& f, const Track& in, const Aperture& aperture,
                             double length_cm) {
  double d = length_cm / f.theta0.cos;
  const auto wall = [&d](double rate, double position, double low, double high) {
    if (rate > 0.0) d = std::min(d, (high - position) / rate);
    if (rate < 0.0) d = std::min(d, (low - position) / rate);
  };
  wall(f.theta0.sin * f.phi0.cos, in.x, aperture.xMin, aperture.xMax);
  wall(f.theta0.sin * f.phi0.sin, in.y, aperture.yMin, aperture.yMax);
  return std::max(d, 0.0);
}

// Straight through to the exit face, or stopped there.
inline Track exitStraight(const Track& in, const Aperture& aperture, double length_cm) {
  const double xe = in.tangents.x * length_cm + in.x;
  const double ye = in.tangents.y * length_cm + in.y;
  if (!aperture.contains(xe, ye)) return Track::lost();
  return Track({xe, ye, in.z + length_cm, in.thetaX, in.thetaY, in.energy}, in.tangents);
}

// From the scattering point along the outgoing direction to the exit face at energy ep, or
// stopped there; the exit track carries the tangents of its new projected angles.
inline Track exitAfterScattering(const Track& in, const Aperture& aperture, double length_cm,
                                 Offset d, Direction outgoing, double ep) {
  const double tanThetaP = detmath::tan(outgoing.theta);
  const detmath::SinCos phiP = detmath::sincos(outgoing.phi);
  const detmath::Pair projected = detmath::atanPair(tanThetaP * phiP.cos, tanThetaP * phiP.sin);
  const double thetaXp = projected.a, thetaYp = projected.b;
  const detmath::Pair tanP = detmath::tanPair(thetaXp, thetaYp);
  const double xe = tanP.a * (length_cm - d.dz) + in.x + d.dx;
  const double ye = tanP.b * (length_cm - d.dz) + in.y + d.dy;
  if (!aperture.contains(xe, ye)) return Track::lost();
  return Track({xe, ye, in.z + length_cm, thetaXp, thetaYp, ep}, {tanP.a, tanP.b});
}

}  // namespace ornaplex::cell
