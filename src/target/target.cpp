// Flight through one liquid-helium target cell. The hypothetical scattering (energy transfer,
// new direction) is worked out first; the sampled free path then decides whether it happens
// inside the cell.
#include "target/target.h"

#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "common/constants.h"
#include "common/det_math.h"
#include "common/fortran_format.h"
#include "helium/heden.h"
#include "helium/intq.h"
#include "helium/nden.h"
#include "helium/sommers.h"
#include "transport/kinematics.h"

namespace ornaplex {

namespace {

// Atoms per barn cm for one g/cm^3 of helium-4: Avogadro's number in 1e24 over 4 g/mol.
constexpr double kAvogadro_1e24PerMol = 0.6022;
constexpr double kHeliumMolarMass_gPerMol = 4.0;

// The incident azimuth is atan(tan thetaY / tan thetaX) brought into [0, 2 pi) by the signs of
// the projected angles. Along the z axis (both tangents zero) the azimuth is 0; with
// tan thetaX = 0 the direction lies in the y-z plane and the azimuth is +-pi/2 before the
// quadrant shift. First the atan's argument:
double azimuthSlope(double tanX, double tanY) {
  if (tanX == 0.0) {
    // A signed zero in tanX must not flip the y-z plane direction: take the limit x -> +0.
    return tanY == 0.0 ? 0.0 : tanY / 0.0;
  }
  return tanY / tanX;
}
// then the quadrant.
double incidentAzimuth(double thetaX, double thetaY, double atanOfSlope) {
  double phi = atanOfSlope;
  if (thetaX < 0.0) {
    phi += kPi;
  } else if (thetaY < 0.0) {
    phi += kTwoPi;
  }
  return phi;
}

// Clamps a cosine to [-1, 1], writing the diagnostic line when it is outside.
double clampCosine(double c, const char* text, MessageSink& sink) {
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

}  // namespace

void TARGET(const EventTransfer& transfer, double temperature_K, const Track& in,
            const Aperture& aperture, double length_cm, Track& out, TargetScatter& scatter,
            Ranlux& rng, MessageSink& sink, const ScatteringModel& model) {
  // Entrance face.
  if (!aperture.contains(in.x, in.y)) {
    out = Track::lost();
    return;
  }
  const double energy = in.energy;

  // Incident direction: azimuth phi0 and polar angle theta0 from the z axis.
  const double tanX = in.tangents.x;
  const double tanY = in.tangents.y;
  const detmath::Pair angles =
      detmath::atanPair(azimuthSlope(tanX, tanY), std::sqrt(tanX * tanX + tanY * tanY));
  const double phi0 = incidentAzimuth(in.thetaX, in.thetaY, angles.a);
  const double theta0 = angles.b;

  // Energy transfer hbar omega(q) at this energy.
  const double q_perA = transfer.q();
  const MomentumTransfer tr = transfer.at(energy, sink);
  const double k0 = tr.k;
  const double ep = tr.energyFinal;
  // No real outgoing wave: this q cannot be transferred, the neutron cannot scatter.
  const bool allowed = ep > 0.0;
  if (!allowed) {
    sink.line(ListLine() << " ep < 0:" << ep);
  }

  // Scattering angle from the momentum balance.
  double scatterAngle = 0.0;
  if (allowed) {
    const double kp = tr.kFinal;
    double c = tr.cosAngle;
    if (c > 1.05) {
      sink.line(ListLine() << "----------ooo----------");
      sink.line(ListLine() << "k0:" << k0 << "   kp:" << kp << "   q:" << q_perA);
    }
    if (c > 1.0) c = 1.0;
    // q beyond k0 + kp: held at back-scattering rather than taking acos of a non-cosine.
    if (c < -1.0) c = -1.0;
    scatterAngle = detmath::acos(c);
  }

  std::array<float, 3> r{};
  rng.fill(std::span<float>(r));
  const double r1 = r[0];
  const double r2 = r[1];
  const double phiS = kTwoPi * r1;

  // Outgoing direction: the scattering direction in the frame of the incident direction,
  // turned by theta0 about y and then by phi0 about z.
  const detmath::SinCosPair polar = detmath::sincosPair(theta0, scatterAngle);
  const detmath::SinCosPair azimuth = detmath::sincosPair(phiS, phi0);
  const double cosT0 = polar.a.cos, sinT0 = polar.a.sin;
  const double cosTs = polar.b.cos, sinTs = polar.b.sin;
  const double cosPs = azimuth.a.cos, sinPs = azimuth.a.sin;
  const double cosP0 = azimuth.b.cos, sinP0 = azimuth.b.sin;

  double theta_p = theta0;
  double phi_p = phi0;
  bool limitTaken = false;
  if (allowed) {
    const double cosThetaP =
        clampCosine(cosT0 * cosTs - sinT0 * sinTs * cosPs, " theta_p error :  cos(th_p) =", sink);
    theta_p = detmath::acos(cosThetaP);
    const double sinThetaP = detmath::sin(theta_p);
    // sin theta_p = 0 (acos(-1) leaves a rounding residue in sin, so test the cosine too).
    if (sinThetaP == 0.0 || std::fabs(cosThetaP) == 1.0) {
      // Along (or against) z the azimuth is undefined: keep the incident one.
      phi_p = phi0;
      limitTaken = true;
    } else {
      const double cosPhiP =
          (cosT0 * sinTs * cosPs * cosP0 - sinTs * sinPs * sinP0 + sinT0 * cosTs * cosP0) /
          sinThetaP;
      phi_p = detmath::acos(clampCosine(cosPhiP, " phi_p error :  cos(ph_p) =", sink));
      const double sinPhiP =
          (cosT0 * sinTs * cosPs * sinP0 + sinTs * sinPs * cosP0 + sinT0 * cosTs * sinP0) /
          sinThetaP;
      if (sinPhiP < 0.0) phi_p = kTwoPi - phi_p;
    }
  }

  // Cross section: small-angle term at small q, the measured total cross section above (or at
  // every q, in the measured-sigma model).
  double crossSection;
  if (q_perA <= SMALL_Q_LIMIT && !model.measuredCrossSection) {
    INTQ(temperature_K, k0, q_perA, scatterAngle, scatter.crossSectionSmallAngle, sink);
    crossSection = scatter.crossSectionSmallAngle;
  } else {
    SOMMERS(temperature_K, energy, scatter.crossSectionMeasured, sink);
    crossSection = scatter.crossSectionMeasured;
  }

  // Free path from the number density n (atoms per barn cm) and the density ratio f.
  double rho = 0.0;
  HEDEN(temperature_K, rho, sink);
  const double n = rho * kAvogadro_1e24PerMol / kHeliumMolarMass_gPerMol;
  double f = 0.0;
  NDEN(temperature_K, f, sink);
  if (model.densityOnce) f = 1.0;  // n alone: the density counted once
  const double freePath = allowed ? -detmath::log(r2) * 1.0 / (n * crossSection * f)
                                  : std::numeric_limits<double>::infinity();

  scatter.crossSection = crossSection;
  scatter.scatterAngle = scatterAngle;
  scatter.theta_p = theta_p;
  scatter.phi_p = phi_p;
  scatter.limitTaken = limitTaken;

  // Scattering point along the incident direction.
  const double dx = freePath * sinT0 * cosP0;
  const double dy = freePath * sinT0 * sinP0;
  const double dz = freePath * cosT0;

  scatter.energyChanged = false;
  scatter.angleNonZero = false;

  const double zs = in.z + dz;
  const bool scattered =
      in.z <= zs && zs <= in.z + length_cm && aperture.contains(in.x + dx, in.y + dy);
  if (scattered) {
    // Outgoing projected angles; the new direction is followed forward to the exit plane.
    const double tanThetaP = detmath::tan(theta_p);
    const detmath::SinCos phiP = detmath::sincos(phi_p);
    const detmath::Pair projected = detmath::atanPair(tanThetaP * phiP.cos, tanThetaP * phiP.sin);
    const double thetaXp = projected.a, thetaYp = projected.b;
    const detmath::Pair tanP = detmath::tanPair(thetaXp, thetaYp);
    const double xe = tanP.a * (length_cm - dz) + in.x + dx;
    const double ye = tanP.b * (length_cm - dz) + in.y + dy;
    scatter.energyChanged = ep != energy;
    scatter.angleNonZero = scatterAngle > 0.0;
    if (aperture.contains(xe, ye)) {
      out = Track({xe, ye, in.z + length_cm, thetaXp, thetaYp, ep}, {tanP.a, tanP.b});
    } else {
      out = Track::lost();
    }
  } else {
    const double xe = tanX * length_cm + in.x;
    const double ye = tanY * length_cm + in.y;
    if (aperture.contains(xe, ye)) {
      out = Track({xe, ye, in.z + length_cm, in.thetaX, in.thetaY, energy}, in.tangents);
    } else {
      out = Track::lost();
    }
  }
}

}  // namespace ornaplex
