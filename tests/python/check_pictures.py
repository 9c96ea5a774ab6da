#!/usr/bin/python3
"""Checks what the pictures of `ornaplex plot` say about a run: its mode and model in every
title, sums of weights labelled as such with their effective entries, the overview's numbers
(with the scattered share of UpL-DownR beside the scattered rotation), its legends off the
curves, its nine x profile curves told apart and the scattered spectrum on a log scale.

    check_pictures.py ORNAPLEX DIR

Makes a small analog run and a small weighted run of the jacobian model in DIR with ORNAPLEX.
Prints each problem and exits 1 when there is one.
"""

import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import plot_run  # noqa: E402

RUNS = {
    "analog": ([], "analog, model standard"),
    "weighted": (["--bias", "--model", "jacobian"], "weighted (window 49.45 mrad, 16 splits, "
                 "slow below 1.184 meV), model jacobian"),
}


def run_file(ornaplex, out_dir, options):
    subprocess.run([ornaplex, "--events", "20000", "--seed", "5", "--threads", "2",
                    "--output-dir", out_dir] + options, check=True, stdout=subprocess.DEVNULL)
    path = os.path.join(out_dir, "h5.h5")
    report = subprocess.run([ornaplex, "inspect", path, "--json"], check=True,
                            capture_output=True, text=True).stdout
    return path, json.loads(report)["report"]


def check_histogram(kind, hists, run, tag):
    out = []
    by_id = {h.id: h for h in hists}
    h = by_id[6008]  # scattered right rotation: sums of weights in a weighted run
    fig = plot_run.histogram_figure(h, run)
    title = fig._suptitle.get_text()
    if tag not in title:
        out.append(f"{kind}: h6008's title {title!r} does not say {tag!r}")
    ax = fig.axes[0]
    weighted = kind == "weighted"
    per = "sum of weights per" if weighted else "counts per"
    if not ax.get_ylabel().startswith(per):
        out.append(f"{kind}: h6008's y label {ax.get_ylabel()!r}")
    if ("(effective " in ax.get_title()) != weighted:
        out.append(f"{kind}: h6008's numbers {ax.get_title()!r}")
    if weighted and not ax.containers:
        out.append(f"{kind}: h6008 has no error bars")
    numbers = plot_run.histogram_figure(by_id[3007], run).axes[0].get_title()
    if " ± " not in numbers:
        out.append(f"{kind}: h3007's mean has no error: {numbers!r}")
    return out


def check_overview(kind, hists, run, report, tag):
    out = []
    fig = plot_run.overview_figure(hists, run, {}, report, "h5.h5")
    if tag not in fig._suptitle.get_text():
        out.append(f"{kind}: the overview's title {fig._suptitle.get_text()!r} lacks {tag!r}")
    numbers = fig.axes[0].texts[0].get_text()
    lines = numbers.splitlines()
    mode = "mode     weighted:" if kind == "weighted" else "mode     analog"
    if mode not in lines:
        out.append(f"{kind}: the numbers have no {mode!r}")
    model = f"model    {'jacobian' if kind == 'weighted' else 'standard'}"
    if model not in lines:
        out.append(f"{kind}: the numbers have no {model!r}")
    scattered = [k for k, line in enumerate(lines) if line.startswith("    scattered   ")]
    if not scattered or not lines[scattered[0] + 1].startswith("    scattered share  ") \
            or " ± " not in lines[scattered[0] + 1]:
        out.append(f"{kind}: the scattered share does not follow the scattered rotation")
    renderer = fig.canvas.get_renderer()
    fig.canvas.draw()
    panels = {ax.get_title(): ax for ax in fig.axes[1:]}
    for title, ax in panels.items():
        legend = ax.get_legend()
        if legend is None:
            continue
        box, plot = legend.get_window_extent(renderer), ax.get_window_extent(renderer)
        if box.overlaps(plot):
            out.append(f"{kind}: the legend of {title!r} lies over its curves")
    profile = panels["x profile along the beamline"]
    looks = {(str(p.get_edgecolor()), p.get_linestyle()) for p in profile.patches}
    if len(looks) != len(plot_run.X_STAGES):
        out.append(f"{kind}: the x profile's {len(profile.patches)} curves have {len(looks)} looks")
    if panels["Detector energy spectrum"].get_yscale() != "log":
        out.append(f"{kind}: the detector energy spectrum is not on a log scale")
    return out


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = []
    for kind, (options, tag) in RUNS.items():
        path, report = run_file(argv[0], os.path.join(argv[1], kind), options)
        hists, run, _ = plot_run.read_file(path)
        found += check_histogram(kind, hists, run, tag)
        found += check_overview(kind, hists, run, report, tag)
    for p in found:
        print(p)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
