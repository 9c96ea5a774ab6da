// The histograms the event loop fills, resolved once per store so that a fill costs no look-up.
#pragma once

#include "histogram/histogram.h"

namespace ornaplex {

struct DetectorHistograms {
  explicit DetectorHistograms(HistogramStore& s);

  // source and sampled kinematics
  Histogram1D &energyStart, &theta0, &phi0;                      // 20, 4017, 4018
  Histogram1D &qSim, &omegaSim, &e0Sim, &epSim, &k0Sim, &kpSim;  // 305-310
  // x along the line: source, guide, input coil, gap 1, output coil, detector (1-6)
  Histogram1D &xSource, &xGuide, &xIncoil, &xGap1, &xOutcoil, &xDet6;
  Histogram1D &thetaXUp, &thetaYUp, &phiAfterGuide;    // 5017, 5018, 5021
  Histogram1D &pathEnterTar1, &rotEnterTar1;           // 6001, 6002
  Histogram1D &xUp, &yUp, &eNonScatBoth, &eScatUp;     // 1001, 1002, 1005, 1012
  Histogram1D &thetaXDn, &thetaYDn, &phiAfterTarget1;  // 5019, 5020, 5022
  Histogram1D &xDn, &yDn, &eNonScatDn, &eScatDn;       // 2001, 2002, 2005, 2012
  Histogram1D& phiAfterTarget2;                        // 5023
  // scattering in the targets
  Histogram1D &sigTot, &thetaScatUp, &sigMeasured, &sigSmallAngle, &thetaPUp, &phiPUp;
  Histogram2D& sigVsQ;                           // 8010
  Histogram1D &thetaScatDn, &thetaPDn, &phiPDn;  // 5012, 5015, 5016
  // detector
  Histogram1D &xDet, &yDet, &thxDet, &thyDet, &eDet, &lambdaDet, &pathDet, &rotDet;
  Histogram1D &pathDetR, &rotDetR, &pathDetL, &rotDetL, &eDetR, &eDetL, &eScatDet, &eLossDet;
  Histogram1D &pathScat, &rotScat, &pathScatL, &rotScatL, &pathScatR, &rotScatR;
  Histogram1D &pathNoScat, &rotNoScat, &pathNoScatL, &rotNoScatL, &pathNoScatR, &rotNoScatR;
  Histogram2D &thxVsE, &thxVsLoss;  // 8011, 8012
};

}  // namespace ornaplex
