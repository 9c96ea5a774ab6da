#!/usr/bin/python3
"""Checks the scan page drawn from small scan tables (make_scan_file.py): what its title, axes
and legend say, the spread over the models, the chosen values, and that nothing is printed on
stderr.

    check_scan_page.py DIR

Prints each problem and exits 1 when there is one.
"""

import contextlib
import io
import os
import subprocess
import sys
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import plot_run  # noqa: E402
from matplotlib.collections import PolyCollection  # noqa: E402


def texts_of(fig):
    title = fig._suptitle.get_text() if fig._suptitle else ""
    panels = {}
    legend = []
    for ax in fig.axes:
        if ax.get_legend():
            legend += [t.get_text() for t in ax.get_legend().get_texts()]
        if ax.get_title():
            panels[ax.get_title().replace("\n", " ")] = ax
    return title, panels, legend


def check_page(path, kind):
    out = []
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        fig = plot_run.scan_figure(path)
    title, panels, legend = texts_of(fig)
    share = panels.get("rotation UpL-DownR, scattered share (mrad)")
    if share is None:
        out.append(f"{kind}: no panel of rot_diff_scat_share among {sorted(panels)}")
        return out
    expected = {
        "temperature": (["1,000,000 events per point", "model standard", "analog",
                         "5 of 6 points"], "temperature (K)", ["field 0.1 mG", "field 0.2 mG"]),
        "model": (["models standard,jacobian", "weighted (window 49.45 mrad, 16 splits)"],
                  "scattering model",
                  ["field 0.1 mG", "field 0.2 mG", "spread over the models"]),
        "temperature-model": (["models standard,jacobian", "analog"], "temperature (K)",
                              ["model standard", "model jacobian", "spread over the models"]),
        "old": (["before scans recorded their settings"], "temperature_K", []),
    }[kind]
    words, xlabel, entries = expected
    for w in words:
        if w not in title:
            out.append(f"{kind}: the title {title!r} does not say {w!r}")
    if share.get_xlabel() != xlabel:
        out.append(f"{kind}: x label {share.get_xlabel()!r}, not {xlabel!r}")
    if share.get_ylabel() != "mrad":
        out.append(f"{kind}: y label {share.get_ylabel()!r}")
    if sorted(legend) != sorted(entries):
        out.append(f"{kind}: legend {legend}, not {entries}")
    bands = [c for c in share.collections if isinstance(c, PolyCollection)]
    if ("spread over the models" in entries) != bool(bands):
        out.append(f"{kind}: {len(bands)} spread bands")
    if kind == "model":
        ticks = [t.get_text() for t in share.get_xticklabels()]
        if ticks != ["standard", "jacobian"]:
            out.append(f"{kind}: the models' ticks are {ticks}")
    return out


def check_choice(path, out_dir):
    out = []
    fig = plot_run.scan_figure(path, ["rot_diff_scat_share", "det_in"])
    _, panels, _ = texts_of(fig)
    if sorted(panels) != ["detector hits", "rotation UpL-DownR, scattered share (mrad)"]:
        out.append(f"--value rot_diff_scat_share,det_in drew {sorted(panels)}")
    err = io.StringIO()
    with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
        status = plot_run.main([path, "--scan", "--output", out_dir, "--value", "rot_dif"])
    lines = err.getvalue().splitlines()
    if os.path.exists(out_dir):
        out.append("an unknown --value made the picture directory")
    if status != 2 or len(lines) != 1 or "no value rot_dif" not in lines[0] \
            or "rot_diff_scat_share" not in lines[0]:
        out.append(f"an unknown --value gave status {status} and {lines}")
    return out


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    found = []
    for kind in ("temperature", "model", "temperature-model", "old"):
        path = os.path.join(argv[0], f"{kind}.h5")
        subprocess.run([sys.executable, os.path.join(HERE, "make_scan_file.py"), path, kind],
                       check=True)
        found += check_page(path, kind)
    found += check_choice(os.path.join(argv[0], "model.h5"), os.path.join(argv[0], "refused"))
    # The whole script, as ornaplex plot runs it: nothing on stderr.
    run = subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "tools", "plot_run.py"),
                          os.path.join(argv[0], "temperature.h5"), "--scan", "--output",
                          os.path.join(argv[0], "pictures")], capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        found.append(f"plot_run.py --scan ended {run.returncode} with {run.stderr!r}")
    for p in found:
        print(p)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
