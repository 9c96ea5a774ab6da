#!/usr/bin/python3
"""Checks that a NeXus viewer reads an ornaplex histogram file as plots.

    check_nexus.py FILE

Every group under /histograms must be valid NXdata (1-D a curve, 2-D an image), and the
root's default chain must lead to the rotation distribution at the detector. Prints each
problem and exits 1 when there is one.
"""

import sys

import h5py
from silx.io import nxdata


def problems(path):
    out = []
    with h5py.File(path, "r") as f:
        groups = list(f["histograms"].values())
        if not groups:
            out.append("no histograms")
        for g in groups:
            d = nxdata.NXdata(g)
            if not d.is_valid:
                out.append(f"{g.name}: not valid NXdata: {d.issues}")
                continue
            ndim = g["counts"].ndim
            if ndim == 1 and not d.is_curve:
                out.append(f"{g.name}: 1-D but not shown as a curve")
            if ndim == 2 and not d.is_image:
                out.append(f"{g.name}: 2-D but not shown as an image")
            if d.axes_dataset_names != (["x"] if ndim == 1 else ["x", "y"]):
                out.append(f"{g.name}: axes {d.axes_dataset_names}")
        if not nxdata.is_NXroot_with_default_NXdata(f):
            out.append("the root's default does not lead to an NXentry with a default NXdata")
        default = nxdata.get_default(f)
        if default is None:
            out.append("no default plot")
        elif default.group.attrs.get("id") != 3007 or not default.is_curve:
            out.append(f"the default plot is {default.group.name}, not the detector rotation")
    return out


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    found = problems(argv[0])
    for p in found:
        print(p)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
