// A lower bound of the helium energy transfer hbar omega(q) over each bin of a q axis, so that a
// neutron too slow for every q of a bin can be told so before its q is worked out.
#pragma once

#include <vector>

namespace ornaplex {

// For the bins of width qWidth (1/Angstrom) from qLow: an energy (meV) a little below the least
// hbar omega(q) that WQ gives for any q the bin can hold (its edges widened by 1e-6 1/Angstrom
// for the rounding of a drawn q). A neutron whose energy lies below it has E - hbar omega <= 0
// for every such q. 0 for a bin that reaches below q = 0.1 (the small-q correction lowers omega
// towards 0 there) or beyond the dispersion table.
std::vector<double> wqFloor(double qLow_perA, double qWidth_perA, int bins);

}  // namespace ornaplex
