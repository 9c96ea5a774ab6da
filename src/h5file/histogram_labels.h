// What the axes and counts of each histogram mean, for viewers and scripts: the NXdata
// long_name and units of x (and y), and a description where the booked title repeats another
// or says little. The titles themselves stay as booked.
#pragma once

#include <array>
#include <string_view>

namespace ornaplex {

struct HistogramLabels {
  int id;
  std::string_view x, xUnits;  // long_name and units of the first axis (counts' first index)
  std::string_view y, yUnits;  // 2-D only: the second axis (counts' second index)
  std::string_view description;
};

// Every output histogram and the sampled inputs (100, 301). Angles are filled in the unit
// the label gives, which is not always the title's (thx, thy are radians).
inline constexpr std::array<HistogramLabels, 75> kHistogramLabels = {{
    {305, "q", "1/angstrom", "", "", "momentum transfer q drawn at the source"},
    {306, "omega", "1/ps", "", "", "helium energy transfer omega(q) at the source"},
    {307, "E0", "meV", "", "", "incident energy at the source, with its q accepted"},
    {308, "E'", "meV", "", "", "final energy E0 - hbar omega of the source's q"},
    {309, "k0", "1/angstrom", "", "", "incident wave number at the source"},
    {310, "k'", "1/angstrom", "", "", "final wave number of the source's q"},
    {1001, "x", "cm", "", "", "x at the exit of target 1"},
    {1, "x", "cm", "", "", "x at the source (z = 0)"},
    {2, "x", "cm", "", "", "x at the guide exit"},
    {3, "x", "cm", "", "", "x at the input coil exit"},
    {4, "x", "cm", "", "", "x at the end of gap 1, the entrance of target 1"},
    {5, "x", "cm", "", "", "x at the output coil exit"},
    {6, "x", "cm", "", "", "x at the detector"},
    {20, "E", "meV", "", "", "energy at the source (wavelengths of 1 angstrom or more)"},
    {1002, "y", "cm", "", "", "y at the exit of target 1"},
    {1005, "E", "meV", "", "", "energy at the exit of target 1, not scattered there"},
    {1012, "E", "meV", "", "", "energy at the exit of target 1, scattered there"},
    {2001, "x", "cm", "", "", "x at the exit of target 2"},
    {2002, "y", "cm", "", "", "y at the exit of target 2"},
    {2005, "E", "meV", "", "", "energy at the exit of target 2, not scattered there"},
    {2012, "E", "meV", "", "", "energy at the exit of target 2, scattered there"},
    {3001, "x", "cm", "", "", "x at the detector"},
    {3002, "y", "cm", "", "", "y at the detector"},
    {3003, "thx", "rad", "", "", "projected angle theta-x at the detector (filled in rad)"},
    {3004, "thy", "rad", "", "", "projected angle theta-y at the detector (filled in rad)"},
    {3005, "E", "meV", "", "", "energy at the detector, both sides"},
    {4005, "lambda", "angstrom", "", "", "wavelength at the detector, both sides"},
    {3006, "path length", "cm", "", "", "path length to the detector, both sides"},
    {3007, "rotation", "mrad", "", "", "spin rotation at the detector, both sides"},
    {3008, "path length", "cm", "", "", "path length to the detector, right side (x >= 0)"},
    {3009, "rotation", "mrad", "", "", "spin rotation at the detector, right side (x >= 0)"},
    {3010, "path length", "cm", "", "", "path length to the detector, left side (x < 0)"},
    {3011, "rotation", "mrad", "", "", "spin rotation at the detector, left side (x < 0)"},
    {3012, "E", "meV", "", "", "energy at the detector, right side"},
    {3013, "E", "meV", "", "", "energy at the detector, left side"},
    {3014, "E", "meV", "", "", "energy at the detector of hits scattered in the helium"},
    {3020, "energy loss", "meV", "", "", "energy lost in the helium by scattered hits"},
    {8010, "q", "1/angstrom", "total cross section", "barn",
     "total cross section per atom against q, every neutron entering target 1"},
    {4010, "total cross section", "barn", "", "", "cross section per atom used in the cells"},
    {4012, "scattering angle", "deg", "", "", "scattering angle in target 1"},
    {4013, "measured cross section", "barn", "", "", "measured total cross section per atom"},
    {4014, "small-angle cross section", "barn", "", "", "small-angle cross section per atom"},
    {4015, "theta'", "deg", "", "", "outgoing polar angle in target 1"},
    {4016, "phi'", "deg", "", "", "outgoing azimuth in target 1"},
    {4017, "theta0", "deg", "", "", "polar angle at the source"},
    {4018, "phi0", "deg", "", "", "azimuth at the source"},
    {5012, "scattering angle", "deg", "", "", "scattering angle in target 2"},
    {5015, "theta'", "deg", "", "", "outgoing polar angle in target 2"},
    {5016, "phi'", "deg", "", "", "outgoing azimuth in target 2"},
    {5017, "theta-x", "deg", "", "", "projected angle theta-x at the entrance of target 1"},
    {5018, "theta-y", "deg", "", "", "projected angle theta-y at the entrance of target 1"},
    {5019, "theta-x", "deg", "", "", "projected angle theta-x after gap 2"},
    {5020, "theta-y", "deg", "", "", "projected angle theta-y after gap 2"},
    {5021, "phi", "deg", "", "", "azimuth after the guide and input coil"},
    {5022, "phi", "deg", "", "", "azimuth after target 1"},
    {5023, "phi", "deg", "", "", "azimuth after target 2"},
    {6001, "path length", "cm", "", "", "path length at the entrance of target 1"},
    {6002, "rotation", "mrad", "", "", "spin rotation at the entrance of target 1"},
    {6003, "path length", "cm", "", "", "path length to the detector, scattered, both sides"},
    {6004, "rotation", "mrad", "", "", "spin rotation at the detector, scattered, both sides"},
    {6005, "path length", "cm", "", "", "path length to the detector, scattered, left side"},
    {6006, "rotation", "mrad", "", "", "spin rotation at the detector, scattered, left side"},
    {6007, "path length", "cm", "", "", "path length to the detector, scattered, right side"},
    {6008, "rotation", "mrad", "", "", "spin rotation at the detector, scattered, right side"},
    {6009, "path length", "cm", "", "", "path length to the detector, unscattered, both sides"},
    {6010, "rotation", "mrad", "", "", "spin rotation at the detector, unscattered, both sides"},
    {6011, "path length", "cm", "", "", "path length to the detector, unscattered, left side"},
    {6012, "rotation", "mrad", "", "", "spin rotation at the detector, unscattered, left side"},
    {6013, "path length", "cm", "", "", "path length to the detector, unscattered, right side"},
    {6014, "rotation", "mrad", "", "", "spin rotation at the detector, unscattered, right side"},
    {6020, "E", "meV", "rotation", "mrad", "spin rotation against energy at the detector"},
    {8011, "E", "meV", "thx", "rad",
     "exit angle theta-x against energy of hits scattered in the helium"},
    {8012, "energy loss", "meV", "thx", "rad",
     "exit angle theta-x against energy loss of hits scattered in the helium"},
    {100, "lambda", "angstrom", "", "", "wavelength spectrum of the source (input)"},
    {301, "q", "1/angstrom", "", "", "helium structure factor S(q) (input)"},
}};

// The labels of id; nullptr for an id not in the table.
constexpr const HistogramLabels* labelsOf(int id) {
  for (const HistogramLabels& l : kHistogramLabels)
    if (l.id == id) return &l;
  return nullptr;
}

}  // namespace ornaplex
