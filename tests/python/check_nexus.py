#!/usr/bin/python3
"""Checks that a NeXus viewer reads an ornaplex histogram file as plots, drawn as
`ornaplex plot` draws them.

    check_nexus.py FILE

Every group under /histograms must be valid NXdata (1-D a curve, 2-D an image) with error bars;
a map must open with x across and y up, labelled as the plot labels them, the same pixels
where the plot puts them; the viewer's scale hint must be logarithmic exactly where the plot's
scale is; and the root's default chain must lead to the rotation distribution at the
detector. Prints each problem and exits 1 when there is one.
"""

import os
import sys

import h5py
import numpy as np
from silx.io import nxdata

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import plot_run  # noqa: E402


def _text(v):
    return v.decode() if isinstance(v, bytes) else str(v)


def drawn_as_the_plot(g, d):
    """What differs between the viewer's picture of g and the plot's."""
    out = []
    h = plot_run.Hist(g)
    style = d.plot_style.signal_scale_type if d.plot_style else None
    if (style == "log") != plot_run.log_scale(h):
        out.append(f"{g.name}: the viewer's scale is {style or 'linear'}, the plot's "
                   f"{'log' if plot_run.log_scale(h) else 'linear'}")
    if d.errors is None:
        out.append(f"{g.name}: no error bars")
    if not h.is2d:
        return out
    # The viewer draws the signal's last index across the page and its first up.
    across, up = d.axes_dataset_names[-1], d.axes_dataset_names[0]
    x_label, y_label, _ = plot_run.labels(h)
    for axis, drawn in ((across, x_label), (up, y_label)):
        name = _text(g[axis].attrs.get("long_name", axis)).split(",")[0]
        unit = _text(g[axis].attrs.get("units", ""))
        if name.endswith(f" ({unit})"):
            name = name[: -len(unit) - 3]
        if plot_run.axis_label(name, unit) != drawn:
            out.append(f"{g.name}: the viewer's {'x' if axis == across else 'y'} axis is "
                       f"{plot_run.axis_label(name, unit)!r}, the plot's {drawn!r}")
    if d.interpretation != "image":
        out.append(f"{g.name}: interpretation {d.interpretation}")
    # The plot draws counts.T with its rows going up: the same array as the viewer's signal.
    if not np.array_equal(np.asarray(d.signal), h.counts.T):
        out.append(f"{g.name}: the viewer's pixels are not the plot's")
    return out


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
            if d.axes_dataset_names != (["x"] if ndim == 1 else ["y", "x"]):
                out.append(f"{g.name}: axes {d.axes_dataset_names}")
                continue
            out += drawn_as_the_plot(g, d)
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
