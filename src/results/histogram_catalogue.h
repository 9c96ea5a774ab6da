// The output histograms of a run: id, kind, title, binning and range of each, in booking order.
#pragma once

#include <array>
#include <string_view>

#include "histogram/histogram.h"

namespace ornaplex {

enum class HistogramKind { k1D, k2D };

// One booking. Ranges are single-precision values (widened to double when booked); the y
// fields are unused (0) for a 1-D histogram.
struct HistogramBooking {
  int id;
  HistogramKind kind;
  std::string_view title;
  int xbins;
  float xlow;
  float xhigh;
  int ybins;
  float ylow;
  float yhigh;
};

inline constexpr std::size_t kCatalogueSize = 73;

// Every output histogram, in the order it is booked and written. Titles keep their blanks
// ("phi-0 (deg) " ends with one). Units follow the titles: cm, mrad for rotations and the
// detector angles thx/thy, degrees for the other angles, meV, Angstrom, 1/Angstrom, 1/ps,
// barn per atom.
inline constexpr std::array<HistogramBooking, kCatalogueSize> kHistogramCatalogue = {{
    {305, HistogramKind::k1D, "q sim(1/Ang)", 100, 0.0f, 4.0f, 0, 0.0f, 0.0f},
    {306, HistogramKind::k1D, "w sim(1/psec)", 100, 0.0f, 4.0f, 0, 0.0f, 0.0f},
    {307, HistogramKind::k1D, "Eo sim(meV)", 3000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {308, HistogramKind::k1D, "Ep sim(meV)", 3000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {309, HistogramKind::k1D, "ko sim(1/Ang)", 100, 0.0f, 4.0f, 0, 0.0f, 0.0f},
    {310, HistogramKind::k1D, "kp sim(1/Ang)", 100, 0.0f, 4.0f, 0, 0.0f, 0.0f},
    {1001, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {1, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {2, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {3, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {4, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {5, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {6, HistogramKind::k1D, "x (cm) Up", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {20, HistogramKind::k1D, "E (meV) start B", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {1002, HistogramKind::k1D, "y (cm) Up", 100, -3.0f, 3.0f, 0, 0.0f, 0.0f},
    {1005, HistogramKind::k1D, "E (meV)/ non-scat both", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {1012, HistogramKind::k1D, "E (meV)/ scat UpB", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {2001, HistogramKind::k1D, "x (cm) Dn", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {2002, HistogramKind::k1D, "y (cm) Dn", 100, -3.0f, 3.0f, 0, 0.0f, 0.0f},
    {2005, HistogramKind::k1D, "E (meV)/ non-scat DnB", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {2012, HistogramKind::k1D, "E (meV)/ scat DnB", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {3001, HistogramKind::k1D, "x (cm) Det", 100, -3.5f, 3.5f, 0, 0.0f, 0.0f},
    {3002, HistogramKind::k1D, "y (cm) Det", 100, -3.0f, 3.0f, 0, 0.0f, 0.0f},
    {3003, HistogramKind::k1D, "thx (mrad) Det", 200, 0.0f, 0.1f, 0, 0.0f, 0.0f},
    {3004, HistogramKind::k1D, "thy (mrad) Det", 200, 0.0f, 0.1f, 0, 0.0f, 0.0f},
    {3005, HistogramKind::k1D, "E (meV) DetB", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {4005, HistogramKind::k1D, "Lambda (Angs) DetB", 1000, 0.0f, 50.0f, 0, 0.0f, 0.0f},
    {3006, HistogramKind::k1D, "Path length (cm) DeB", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {3007, HistogramKind::k1D, "th_rotation (mrad) DetB", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {3008, HistogramKind::k1D, "Path length (cm) DetR", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {3009, HistogramKind::k1D, "th_rotation (mrad) DetR", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {3010, HistogramKind::k1D, "Path length (cm) DetL", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {3011, HistogramKind::k1D, "th_rotation (mrad) DetL", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {3012, HistogramKind::k1D, "E (meV) DetR", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {3013, HistogramKind::k1D, "E (meV) DetL", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {3014, HistogramKind::k1D, "E (meV) scat DetB", 2000, 0.0f, 40.0f, 0, 0.0f, 0.0f},
    {3020, HistogramKind::k1D, "E_loss (meV) scat DetB", 2000, 0.0f, 10.0f, 0, 0.0f, 0.0f},
    {8010, HistogramKind::k2D, "sig tot (b/atom) vs. q (1/Ang)", 100, 0.0f, 4.0f, 200, 0.0f, 1.0f},
    {4010, HistogramKind::k1D, "sig tot (b/atom)", 200, 0.0f, 1.0f, 0, 0.0f, 0.0f},
    {4012, HistogramKind::k1D, "theta scattered (deg)", 200, 0.0f, 180.0f, 0, 0.0f, 0.0f},
    {4013, HistogramKind::k1D, "sig Sommers (b/atom)", 200, 0.0f, 1.0f, 0, 0.0f, 0.0f},
    {4014, HistogramKind::k1D, "sig Sq (b/atom)", 200, 0.0f, 1.0f, 0, 0.0f, 0.0f},
    {4015, HistogramKind::k1D, "theta-p (deg) U", 200, 0.0f, 180.0f, 0, 0.0f, 0.0f},
    {4016, HistogramKind::k1D, "phi-p (deg) U", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {4017, HistogramKind::k1D, "th-0 (deg)", 200, 0.0f, 10.0f, 0, 0.0f, 0.0f},
    {4018, HistogramKind::k1D, "phi-0 (deg) ", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {5012, HistogramKind::k1D, "theta scattered (deg) D", 200, 0.0f, 180.0f, 0, 0.0f, 0.0f},
    {5015, HistogramKind::k1D, "theta-p (deg) D", 200, 0.0f, 180.0f, 0, 0.0f, 0.0f},
    {5016, HistogramKind::k1D, "phi-p (deg) D", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {5017, HistogramKind::k1D, "theta-x (deg) U", 200, -2.0f, 2.0f, 0, 0.0f, 0.0f},
    {5018, HistogramKind::k1D, "theta-y (deg) U", 200, -2.0f, 2.0f, 0, 0.0f, 0.0f},
    {5019, HistogramKind::k1D, "theta-x (deg) D", 200, -2.0f, 2.0f, 0, 0.0f, 0.0f},
    {5020, HistogramKind::k1D, "theta-y (deg) D", 200, -2.0f, 2.0f, 0, 0.0f, 0.0f},
    {5021, HistogramKind::k1D, "phi (deg) af-guide", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {5022, HistogramKind::k1D, "phi (deg) af-target 1", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {5023, HistogramKind::k1D, "phi (deg) af-target 2", 200, 0.0f, 360.0f, 0, 0.0f, 0.0f},
    {6001, HistogramKind::k1D, "Path length (cm) enter tar1 B", 200, 209.95f, 210.15f, 0, 0.0f,
     0.0f},
    {6002, HistogramKind::k1D, "th_rotation (mrad) enter tar1 B", 200, -10.0f, 30.0f, 0, 0.0f,
     0.0f},
    {6003, HistogramKind::k1D, "Path length (cm) Det scat B", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {6004, HistogramKind::k1D, "th_rotation (mrad) Det scat B", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {6005, HistogramKind::k1D, "Path length (cm) Det scat L", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {6006, HistogramKind::k1D, "th_rotation (mrad) Det scat L", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {6007, HistogramKind::k1D, "Path length (cm) Det scat R", 200, 477.18f, 477.34f, 0, 0.0f, 0.0f},
    {6008, HistogramKind::k1D, "th_rotation (mrad) Det scat R", 200, -10.0f, 50.0f, 0, 0.0f, 0.0f},
    {6009, HistogramKind::k1D, "Path length (cm) Det no scat B", 200, 477.18f, 477.34f, 0, 0.0f,
     0.0f},
    {6010, HistogramKind::k1D, "th_rotation (mrad) Det no scat B", 200, -10.0f, 50.0f, 0, 0.0f,
     0.0f},
    {6011, HistogramKind::k1D, "Path length (cm) Det no scat L", 200, 477.18f, 477.34f, 0, 0.0f,
     0.0f},
    {6012, HistogramKind::k1D, "th_rotation (mrad) Det no scat L", 200, -10.0f, 50.0f, 0, 0.0f,
     0.0f},
    {6013, HistogramKind::k1D, "Path length (cm) Det no scat R", 200, 477.18f, 477.34f, 0, 0.0f,
     0.0f},
    {6014, HistogramKind::k1D, "th_rotation (mrad) Det no scat R", 200, -10.0f, 50.0f, 0, 0.0f,
     0.0f},
    {6020, HistogramKind::k2D, "th_rot (mrad) vs. E (meV) detB", 1000, 0.0f, 40.0f, 200, -10.0f,
     50.0f},
    {8011, HistogramKind::k2D, "Thx vs. E (meV) scat DetB", 1000, 0.0f, 40.0f, 200, 0.0f, 0.1f},
    {8012, HistogramKind::k2D, "Thx vs. E-loss (meV) scat DetB", 1000, 0.0f, 40.0f, 200, 0.0f,
     0.1f},
}};

// Books every histogram of kHistogramCatalogue into store, in table order. Throws
// std::invalid_argument when one of the ids is already booked.
void bookCatalogue(HistogramStore& store);

}  // namespace ornaplex
