#!/usr/bin/python3
"""Draws an ornaplex histogram file: one PNG per histogram and an overview page.

    plot_run.py FILE --output DIR [--report REPORT.json]
    plot_run.py FILE --html PAGE.html [--report REPORT.json] [--scan]   (report_page.py)

REPORT.json is the output of `ornaplex inspect FILE --json`; its "report" numbers (mean
rotations, fractions) go on the overview page. `ornaplex plot` passes it; without it the page
shows the run's counts only. Writes DIR/h<id>.png for every histogram and DIR/overview.png and
DIR/overview.pdf. Exit status 0 on success, 2 when FILE cannot be read as a histogram file.

    plot_run.py SCAN.h5 --scan --output DIR [--value KEY,KEY...]

draws a scan's table (scan.h5) as DIR/scan.png and DIR/scan.pdf: the chosen report values (by
default the main ones) against the first scanned column, one curve per combination of the
others, with the spread over the models where the model was scanned. Exit status 2 when the
table cannot be read or holds no value of that name.
"""

import argparse
import json
import math
import multiprocessing
import os
import re
import sys
import textwrap

import matplotlib

matplotlib.use("Agg")

import h5py  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.colors import LogNorm  # noqa: E402

# Units as the titles spell them, and as the plots print them.
UNIT_TEXT = {
    "cm": "cm",
    "mrad": "mrad",
    "deg": "deg",
    "meV": "meV",
    "Ang": "Å",
    "Angs": "Å",
    "1/Ang": "1/Å",
    "1/psec": "1/ps",
    "b/atom": "barn/atom",
}
# Quantities whose titles carry no unit: the detector angles are in mrad.
BARE_UNITS = {"thx": "mrad", "thy": "mrad"}

# A content ratio (largest over smallest non-zero) from which a scale is logarithmic.
LOG_SPAN_1D = 1.0e3
LOG_SPAN_2D = 1.0e2
# A 1-D picture shows only its filled bins when they cover less than this share of the range.
ZOOM_SHARE = 0.25

# Where along the beamline each x profile is taken, in beam order.
X_STAGES = [
    (1, "source"),
    (2, "guide exit"),
    (3, "input coil exit"),
    (4, "target 1 entrance"),
    (1001, "after target 1"),
    (2001, "after target 2"),
    (5, "output coil exit"),
    (6, "detector (6)"),
    (3001, "detector (3001)"),
]


class FileError(Exception):
    """The file is not a histogram file this script can read."""


class Hist:
    """One histogram of the file: in-range counts, edges and out-of-range totals."""

    def __init__(self, group):
        try:
            self.id = int(group.attrs["id"])
            self.title = _text(group.attrs.get("title", group.name))
            self.entries = int(group.attrs.get("entries", 0))
            self.counts = np.asarray(group["counts"][()], dtype=float)
            # NaN or infinite contents cannot be drawn: they count as empty bins and are named
            # in one warning; negative contents are drawn as they are, on a linear scale.
            bad = ~np.isfinite(self.counts)
            self.nonfinite = int(bad.sum())
            self.counts[bad] = 0.0
            self.negative = int((self.counts < 0).sum())
            self.x_edges = np.asarray(group["x_edges"][()], dtype=float)
            self.is2d = self.counts.ndim == 2
            # A weighted histogram's sums of squared weights over every slot (out-of-range
            # ones included); None for counts.
            self.squares = (np.asarray(group["squares"][()], dtype=float)
                            if "squares" in group else None)
            # What the file says its axes are (files from before it said so have none).
            self.axis_units = {}
            for axis in ("x", "y"):
                if axis in group and "long_name" in group[axis].attrs:
                    name = _text(group[axis].attrs["long_name"]).split(",")[0]
                    unit = _text(group[axis].attrs.get("units", ""))
                    if unit and name.endswith(f" ({unit})"):
                        name = name[: -len(unit) - 3]
                    self.axis_units[axis] = (name, unit)
            self.description = _text(group.attrs.get("description", ""))
            if self.is2d:
                self.y_edges = np.asarray(group["y_edges"][()], dtype=float)
                if "slots" in group:
                    slots = np.asarray(group["slots"][()], dtype=float)
                    self.flow = np.array(
                        [
                            [slots[0, 0], slots[0, 1:-1].sum(), slots[0, -1]],
                            [slots[1:-1, 0].sum(), self.counts.sum(), slots[1:-1, -1].sum()],
                            [slots[-1, 0], slots[-1, 1:-1].sum(), slots[-1, -1]],
                        ]
                    )
                else:
                    self.flow = np.asarray(group["flow"][()], dtype=float)
                self.underflow = self.overflow = None
            else:
                self.underflow = float(group.attrs.get("underflow", 0.0))
                self.overflow = float(group.attrs.get("overflow", 0.0))
        except (KeyError, ValueError, TypeError, OSError) as e:
            raise FileError(f"cannot read {group.name} ({e})") from e

    @property
    def weighted(self):
        return self.squares is not None

    def effective_entries(self):
        """(sum of weights)^2 / sum of squared weights over every slot: the number of equally
        weighted entries with the same relative error."""
        total = self.counts.sum() + (self.flow.sum() - self.flow[1, 1] if self.is2d
                                     else self.underflow + self.overflow)
        squares = self.squares.sum()
        return total * total / squares if squares > 0 else math.nan

    def bin_errors(self):
        """The in-range bins' errors: the square roots of their sums of squared weights, or of
        the counts."""
        if self.weighted:
            inner = self.squares[1:-1, 1:-1] if self.is2d else self.squares[1:-1]
            return np.sqrt(np.clip(inner, 0.0, None))
        return np.sqrt(np.clip(self.counts, 0.0, None))

    def per_bin(self):
        """What a bin holds, as axis labels say it."""
        return "sum of weights per" if self.weighted else "counts per"

    @property
    def in_range(self):
        return float(self.counts.sum())

    @property
    def empty(self):
        return self.in_range == 0.0

    def mean(self):
        if self.empty or self.is2d:
            return math.nan
        centres = 0.5 * (self.x_edges[:-1] + self.x_edges[1:])
        return float((self.counts * centres).sum() / self.in_range)

    def mean_error(self):
        """The statistical error of mean() from the bins: the spread over the root of the
        entries, or for sums of weights sqrt(sum of w^2 (x - mean)^2) / sum of w."""
        m = self.mean()
        if not math.isfinite(m) or self.in_range <= 0 or self.negative:
            return math.nan
        centres = 0.5 * (self.x_edges[:-1] + self.x_edges[1:])
        if self.weighted:
            return float(np.sqrt((self.squares[1:-1] * (centres - m) ** 2).sum()) / self.in_range)
        spread = (self.counts * (centres - m) ** 2).sum() / self.in_range
        return float(np.sqrt(spread / self.in_range))


def _text(v):
    return v.decode() if isinstance(v, bytes) else str(v)


def read_file(path):
    try:
        f = h5py.File(path, "r")
    except OSError as e:
        raise FileError(f"{path} is not a readable HDF5 file ({e})") from e
    with f:
        if "histograms" not in f or "run" not in f:
            raise FileError(f"{path} has no /histograms and /run: not an ornaplex histogram file")
        hists = [Hist(g) for g in f["histograms"].values() if isinstance(g, h5py.Group)]
        run = {k: _text(v) if isinstance(v, (bytes, str)) else v for k, v in f["run"].attrs.items()}
        summary = {}
        if "summary" in f["run"]:
            summary = {k: d[()] for k, d in f["run/summary"].items()}
    return hists, run, summary


# --- titles and labels --------------------------------------------------------------------


def parse_quantity(text):
    """'th_rotation (mrad) DetB' -> ('th_rotation', 'mrad', 'DetB')."""
    m = re.match(r"^\s*(.*?)\s*\(([^()]*)\)\s*(.*?)\s*$", text)
    if m:
        return m.group(1), UNIT_TEXT.get(m.group(2), m.group(2)), m.group(3)
    words = text.split()
    if not words:
        return "", "", ""
    return words[0], BARE_UNITS.get(words[0].lower(), ""), " ".join(words[1:])


def axis_label(quantity, unit):
    return f"{quantity} [{unit}]" if unit else quantity


def labels(h):
    """x label, y label (2-D) and the unit of x for the bin width."""
    if "x" in h.axis_units and (not h.is2d or "y" in h.axis_units):
        xq, xu = h.axis_units["x"]
        if h.is2d:
            yq, yu = h.axis_units["y"]
            return axis_label(xq, xu), axis_label(yq, yu), xu
        return axis_label(xq, xu), None, xu
    if h.is2d and " vs. " in h.title:
        y_part, x_part = h.title.split(" vs. ", 1)
        xq, xu, _ = parse_quantity(x_part)
        yq, yu, _ = parse_quantity(y_part)
        return axis_label(xq, xu), axis_label(yq, yu), xu
    q, u, _ = parse_quantity(h.title)
    return axis_label(q, u), None, u


def fmt(v):
    if v is None or (isinstance(v, float) and not math.isfinite(v)):
        return "n/a"
    if float(v).is_integer() and abs(v) < 1e15:
        return f"{int(v):d}"
    return f"{v:.4g}"


def entries_text(h):
    """The fills, and for sums of weights the effective entries beside them."""
    if not h.weighted:
        return f"entries {h.entries}"
    return f"entries {h.entries} (effective {fmt_digits(h.effective_entries(), 4)})"


def fmt_digits(v, digits):
    if not math.isfinite(v):
        return "n/a"
    return f"{v:.{digits}g}" if abs(v) < 10 ** digits else f"{v:.0f}"


def mean_text(mean, error):
    """A mean with the digits its error gives it: two of the error's ("477.2612 ± 0.0004")."""
    if not math.isfinite(mean):
        return "n/a"
    if not math.isfinite(error) or error <= 0:
        return f"{mean:.6g}"
    digits = max(0, 1 - int(math.floor(math.log10(error))))
    return f"{mean:.{digits}f} ± {error:.{digits}f}"


def stats_line(h):
    if h.is2d:
        f = h.flow
        outside = f.sum() - f[1, 1]
        parts = [
            entries_text(h),
            f"in range {fmt(h.in_range)}",
            f"outside {fmt(outside)}",
            f"(x under {fmt(f[0].sum())}, x over {fmt(f[2].sum())},"
            f" y under {fmt(f[:, 0].sum())}, y over {fmt(f[:, 2].sum())})",
        ]
    else:
        parts = [
            entries_text(h),
            f"underflow {fmt(h.underflow)}",
            f"overflow {fmt(h.overflow)}",
            f"mean {mean_text(h.mean(), h.mean_error())}",
        ]
    return "   ".join(parts)


def spans_decades(values, ratio):
    """A logarithmic scale suits values that are all non-negative and span the ratio."""
    if (values < 0).any():
        return False
    pos = values[values > 0]
    return pos.size > 0 and pos.max() / pos.min() >= ratio


def log_scale(h):
    """Whether a histogram's picture has a logarithmic scale (the file's SILX_style hint says
    the same to viewers): contents spanning decades, or a sparse map of more than single
    counts, so that single counts show beside the peak."""
    if not h.is2d:
        return spans_decades(h.counts, LOG_SPAN_1D)
    sparse = np.count_nonzero(h.counts) < 0.05 * h.counts.size
    return spans_decades(h.counts, LOG_SPAN_2D) or (sparse and h.counts.max() > 1)


def bad_contents_warning(hists):
    """One line naming the histograms whose contents are not finite or negative, or None."""
    odd = [h for h in hists if h.nonfinite or h.negative]
    if not odd:
        return None
    names = ", ".join(f"h{h.id}" for h in odd[:8]) + (f" and {len(odd) - 8} more" if len(odd) > 8 else "")
    nonfinite = sum(h.nonfinite for h in odd)
    negative = sum(h.negative for h in odd)
    return (
        f"plot_run.py: warning: {names} hold {nonfinite} NaN or infinite and {negative} negative"
        " bin contents (not counts a run fills) NaN and infinite bins are drawn empty"
    )


def run_tag(run):
    """What kind of run made the file: "analog, model standard", "weighted (...), model ..."."""
    return f"{mode_text(run)}, {model_text(run)}"


def mark_empty(ax, text="empty"):
    ax.text(
        0.5, 0.5, text, transform=ax.transAxes, ha="center", va="center", fontsize=18, color="0.5"
    )


# --- one histogram ------------------------------------------------------------------------


def draw_1d(ax, h, **style):
    ax.stairs(h.counts, h.x_edges, **style)


def draw_2d(fig, ax, h):
    xl, yl, _ = labels(h)
    ax.set_xlabel(xl)
    ax.set_ylabel(yl)
    extent = [h.x_edges[0], h.x_edges[-1], h.y_edges[0], h.y_edges[-1]]
    if h.empty:
        ax.set_xlim(extent[0], extent[1])
        ax.set_ylim(extent[2], extent[3])
        mark_empty(ax)
        return
    image = np.ma.masked_equal(h.counts.T, 0.0)  # counts are [x, y]; rows of an image are y
    # Sparse maps (a few scattered hits) get the filled region.
    sparse = np.count_nonzero(h.counts) < 0.05 * h.counts.size
    log = log_scale(h)
    norm = LogNorm(vmin=image.min(), vmax=image.max()) if log else None
    im = ax.imshow(
        image,
        origin="lower",
        extent=extent,
        aspect="auto",
        interpolation="nearest",
        cmap="viridis",
        norm=norm,
    )
    fig.colorbar(im, ax=ax, label=f"{h.per_bin()} bin" + (" (log scale)" if log else ""))
    if sparse:
        xs, ys = np.nonzero(h.counts)
        pad_x = 0.05 * (h.x_edges[xs.max() + 1] - h.x_edges[xs.min()])
        pad_y = 0.05 * (h.y_edges[ys.max() + 1] - h.y_edges[ys.min()])
        lo_x, hi_x = h.x_edges[xs.min()] - pad_x, h.x_edges[xs.max() + 1] + pad_x
        lo_y, hi_y = h.y_edges[ys.min()] - pad_y, h.y_edges[ys.max() + 1] + pad_y
        ax.set_xlim(max(extent[0], lo_x), min(extent[1], hi_x))
        ax.set_ylim(max(extent[2], lo_y), min(extent[3], hi_y))
        ax.text(0.01, 0.99, "zoomed to the filled bins", transform=ax.transAxes, va="top",
                fontsize=8)


def histogram_figure(h, run=None):
    fig, ax = plt.subplots(figsize=(8, 5), layout="constrained")
    about = f"\n{h.description}" if h.description else ""
    tag = f"\nrun {run.get('seed', '?')}: {run_tag(run)}" if run else ""
    fig.suptitle(f"h{h.id}: {h.title.strip()}{about}{tag}", fontsize=11)
    ax.set_title(stats_line(h), fontsize=8.5)
    if h.is2d:
        draw_2d(fig, ax, h)
    else:
        xl, _, xu = labels(h)
        width = (h.x_edges[-1] - h.x_edges[0]) / h.counts.size
        ax.set_xlabel(xl)
        ax.set_ylabel(f"{h.per_bin()} {width:.4g} {xu}".rstrip())
        lo, hi = h.x_edges[0], h.x_edges[-1]
        if not h.empty:
            zlo, zhi = occupied_range([h])
            if zhi - zlo < ZOOM_SHARE * (hi - lo):
                ax.set_title(
                    stats_line(h) + f"\nzoomed to the filled bins (booked {fmt(lo)} to {fmt(hi)})",
                    fontsize=8.5,
                )
                lo, hi = zlo, zhi
        ax.set_xlim(lo, hi)
        if h.empty:
            mark_empty(ax, "empty" if h.entries == 0 else "empty in range")
        else:
            draw_1d(ax, h, color="C0", fill=True, alpha=0.35)
            draw_1d(ax, h, color="C0", linewidth=1.0)
            if h.weighted:
                # Sums of weights have errors of their own, from the squares.
                centres = 0.5 * (h.x_edges[:-1] + h.x_edges[1:])
                filled = h.counts != 0
                ax.errorbar(centres[filled], h.counts[filled], yerr=h.bin_errors()[filled],
                            fmt="none", ecolor="C0", elinewidth=0.8, alpha=0.8)
            if log_scale(h):
                ax.set_yscale("log")
                ax.set_ylabel(ax.get_ylabel() + " (log scale)")
            elif not h.negative:
                ax.set_ylim(bottom=0)
    return fig


def plot_one(h, out_dir, run=None):
    fig = histogram_figure(h, run)
    # Light compression: the pictures are written in a fraction of the time, a little larger.
    fig.savefig(os.path.join(out_dir, f"h{h.id}.png"), dpi=100, pil_kwargs={"compress_level": 1})
    plt.close(fig)


# --- overview page ------------------------------------------------------------------------


def occupied_range(hs, margin=0.05):
    """The x range of the non-empty bins of several histograms, with a margin."""
    lo, hi = math.inf, -math.inf
    for h in hs:
        nz = np.nonzero(h.counts)[0]
        if nz.size:
            lo = min(lo, h.x_edges[nz[0]])
            hi = max(hi, h.x_edges[nz[-1] + 1])
    if not math.isfinite(lo):
        return hs[0].x_edges[0], hs[0].x_edges[-1]
    pad = margin * (hi - lo)
    return max(hs[0].x_edges[0], lo - pad), min(hs[0].x_edges[-1], hi + pad)


def overlay(ax, by_id, title, curves, zoom=True, legend_columns=1, log=None):
    """curves: (id, label, style) tuples drawn on one panel. The legend goes under the panel,
    never over the curves. log: True forces a logarithmic scale (a small class that must show
    beside a large one), None chooses it from the contents."""
    hs = [(by_id[i], lab, st) for i, lab, st in curves if i in by_id]
    ax.set_title(title, fontsize=10)
    if not hs:
        mark_empty(ax, "not in file")
        return
    xl, _, xu = labels(hs[0][0])
    ax.set_xlabel(xl, fontsize=9)
    ax.set_ylabel(f"{hs[0][0].per_bin()} bin", fontsize=9)
    ax.tick_params(labelsize=8)
    if all(h.empty for h, _, _ in hs):
        ax.set_xlim(hs[0][0].x_edges[0], hs[0][0].x_edges[-1])
        mark_empty(ax)
        return
    for h, lab, st in hs:
        label = f"{lab} (h{h.id})" + (" empty" if h.empty else "")
        draw_1d(ax, h, label=label, **st)
    if zoom:
        ax.set_xlim(*occupied_range([h for h, _, _ in hs]))
    else:
        ax.set_xlim(hs[0][0].x_edges[0], hs[0][0].x_edges[-1])
    # One scale for all curves: a small class beside a large one needs the log scale to show.
    contents = np.concatenate([h.counts for h, _, _ in hs])
    if (log and not (contents < 0).any() and (contents > 0).any()) or (
            log is None and spans_decades(contents, LOG_SPAN_1D)):
        ax.set_yscale("log")
        ax.set_ylabel(f"{hs[0][0].per_bin()} bin (log)", fontsize=9)
    elif not any(h.negative for h, _, _ in hs):
        ax.set_ylim(bottom=0)
    if len(hs) > 1:
        ax.legend(fontsize=7, loc="upper center", bbox_to_anchor=(0.5, -0.2),
                  ncol=legend_columns, frameon=False)


def pm(report, key):
    v = report.get(key)
    if v is None:
        return "n/a"
    value, error = v.get("value"), v.get("error")
    if value is None:
        return "n/a (no hits)"
    if error is None:
        return fmt(value)
    if not math.isfinite(error) or error <= 0:
        return f"{value:.4g} ± n/a"
    digits = max(0, 1 - int(math.floor(math.log10(error))))
    return f"{value:.{digits}f} ± {error:.{digits}f}"


def value(report, key, form="{:.4g}"):
    v = report.get(key)
    if v is None or v.get("value") is None:
        return "n/a"
    return form.format(v["value"])


def mode_lines(run):
    """The mode on the overview's numbers, its bias settings on lines of their own."""
    mode = mode_text(run)
    if "(" not in mode:
        return [f"mode     {mode}"]
    head, settings = mode[:-1].split(" (", 1)
    return [f"mode     {head}:"] + [" " * 9 + p.strip() for p in settings.split(",")]


def numbers_text(run, summary, report, file_name):
    weighted = _text(run.get("mode", "analog")) == "weighted"
    lines = [
        f"file     {file_name}",
        f"seed     {run.get('seed', '?')}",
        f"events   {run.get('events_shown', run.get('events', '?'))}".replace(" events (", " ("),
        f"field    {fmt(float(run.get('field_mG', math.nan)))} mG",
        f"T        {fmt(float(run.get('temperature_K', math.nan)))} K",
        *mode_lines(run),
        f"model    {_text(run.get('scattering_model', 'standard'))}",
        f"start    {run.get('start_time', '?')}",
        f"end      {run.get('end_time', '?')}",
        f"version  {run.get('version', '?')}",
        "",
    ]
    if report:
        # Sums of weights are not whole numbers: a tenth shows that they are sums.
        count = "{:.1f}" if weighted else "{:.0f}"
        lines += [
            "Mean spin rotation (mrad)",
            f"  left  (UpL)   {pm(report, 'rot_left')}",
            f"  right (DownR) {pm(report, 'rot_right')}",
            "  scattered (energy changed)",
            f"    left        {pm(report, 'rot_scat_left')}",
            f"    right       {pm(report, 'rot_scat_right')}",
            "  unscattered",
            f"    left        {pm(report, 'rot_unscat_left')}",
            f"    right       {pm(report, 'rot_unscat_right')}",
            "  UpL - DownR",
            f"    all              {pm(report, 'rot_diff')}",
            f"    scattered        {pm(report, 'rot_diff_scat')}",
            f"    scattered share  {pm(report, 'rot_diff_scat_share')}",
            "      (their part of all: the systematic)",
            "",
            "Scattering fractions",
            f"  target 1, E changed   {value(report, 'frac_tar1_energy_changed')}",
            f"  target 2, E changed   {value(report, 'frac_tar2_energy_changed')}",
            f"  target 1 -> target 2  {value(report, 'frac_tar1_to_tar2')}",
            f"  det hits scattered    {value(report, 'frac_det_scattered')}",
            f"  det hits E changed    {value(report, 'frac_det_energy_changed')}",
            f"  scattered hits/event  {value(report, 'frac_scattered_of_events')}",
            "",
            "Sums of weights" if weighted else "Counts",
            f"  target 1 in  {value(report, 'tar1_in', count)}",
            f"  target 2 in  {value(report, 'tar2_in', count)}",
            f"  detector     {value(report, 'det_in', count)}",
            f"  left/right   {value(report, 'n_left', count)}"
            f" / {value(report, 'n_right', count)}",
        ]
    elif summary:
        lines += ["Counts"] + [
            f"  {k:<12} {summary[k]}" for k in ("tar1In", "tar2In", "detIn") if k in summary
        ]
        lines += ["", "(report numbers: run `ornaplex plot`)"]
    else:
        lines += ["(the file holds no run summary)"]
    return "\n".join(lines)


def overview_figure(hists, run, summary, report, file_name):
    by_id = {h.id: h for h in hists}
    fig = plt.figure(figsize=(17, 10.5), layout="constrained")
    fig.suptitle(
        f"ornaplex run {run.get('seed', '')}: "
        f"{run.get('events_shown', events_text(run))}, "
        f"field {fmt(float(run.get('field_mG', math.nan)))} mG, {run_tag(run)}",
        fontsize=15,
    )
    # The numbers' column is as wide as their longest line, so no gutter opens beside them.
    grid = fig.add_gridspec(3, 4, width_ratios=[0.74, 1, 1, 1])
    text_ax = fig.add_subplot(grid[:, 0])
    text_ax.axis("off")
    text_ax.text(
        0.0,
        1.0,
        numbers_text(run, summary, report, file_name),
        family="monospace",
        fontsize=9.5,
        va="top",
        ha="left",
        transform=text_ax.transAxes,
    )

    left, right = dict(color="C0"), dict(color="C3")
    overlay(
        fig.add_subplot(grid[0, 1]),
        by_id,
        "Rotation at the detector by side",
        [
            (3007, "both", dict(color="0.3", linewidth=1.5)),
            (3011, "left", left),
            (3009, "right", right),
        ],
    )
    overlay(
        fig.add_subplot(grid[0, 2]),
        by_id,
        "Rotation at the detector by class",
        [
            (6012, "unscattered left", left),
            (6014, "unscattered right", right),
            (6006, "scattered left", dict(color="C0", linestyle="--")),
            (6008, "scattered right", dict(color="C3", linestyle="--")),
        ],
    )
    overlay(
        fig.add_subplot(grid[0, 3]),
        by_id,
        "Sampled momentum transfer q",
        [(305, "q", dict(color="C2", fill=True, alpha=0.5))],
        zoom=False,
    )
    overlay(
        fig.add_subplot(grid[1, 1]),
        by_id,
        "Detector energy spectrum",
        [
            (3005, "both", dict(color="0.3", linewidth=1.5)),
            (3013, "left", left),
            (3012, "right", right),
            (3014, "scattered", dict(color="C1")),
        ],
        log=True,
    )
    overlay(
        fig.add_subplot(grid[1, 2]),
        by_id,
        "Detector wavelength spectrum",
        [(4005, "both", dict(color="C4", fill=True, alpha=0.5))],
    )
    overlay(
        fig.add_subplot(grid[1, 3]),
        by_id,
        "Sampled energy transfer ω",
        [(306, "ω", dict(color="C2", fill=True, alpha=0.5))],
        zoom=False,
    )
    # Nine stages: a qualitative palette, and the later stages dashed, so that each curve is
    # told apart where they cross.
    stage_styles = [dict(color=f"C{k}", linestyle="-" if k < 5 else "--", linewidth=1.2)
                    for k in range(len(X_STAGES))]
    overlay(
        fig.add_subplot(grid[2, 1:3]),
        by_id,
        "x profile along the beamline",
        [(i, name, st) for (i, name), st in zip(X_STAGES, stage_styles)],
        zoom=False,
        legend_columns=5,
    )
    overlay(
        fig.add_subplot(grid[2, 3]),
        by_id,
        "Scattering angle in the targets",
        [
            (4012, "target 1", dict(color="C0")),
            (5012, "target 2", dict(color="C3")),
        ],
    )
    return fig


def plot_overview(hists, run, summary, report, file_name, out_dir):
    fig = overview_figure(hists, run, summary, report, file_name)
    fig.savefig(os.path.join(out_dir, "overview.png"), dpi=110)
    fig.savefig(os.path.join(out_dir, "overview.pdf"))
    plt.close(fig)


# The report values a scan page draws against the first scanned column, in reading order. The
# scattered neutrons' share of the left-right difference is the systematic a left-right
# measurement quotes, so it is always among them.
SCAN_VALUES = [
    "rot_left", "rot_right", "rot_diff",
    "rot_scat_left", "rot_scat_right", "rot_diff_scat",
    "rot_diff_scat_share", "frac_helium_scattered", "frac_scattered_of_events", "det_in",
]
MODEL_COLUMN = "scattering_model"


class ScanError(Exception):
    """The scan table cannot be drawn as asked."""


def _texts(values):
    return [_text(v) for v in values]


def column_label(name, attrs):
    """What a scanned column is ("temperature (K)"), from its long_name, else its name."""
    return _text(attrs.get("long_name", name)) or name


def column_value_text(name, attrs, v):
    """A legend's words for one value of a column: "field 0.2 mG", "model jacobian"."""
    if isinstance(v, (bytes, str)):
        return f"{'model' if name == MODEL_COLUMN else name} {_text(v)}"
    quantity = column_label(name, attrs)
    unit = _text(attrs.get("units", ""))
    if unit and quantity.endswith(f" ({unit})"):
        quantity = quantity[: -len(unit) - 3]
    return f"{quantity} {fmt(float(v))} {unit}".rstrip()


def mode_text(run):
    """ "analog", or "weighted (bias ...)" from the run's mode and bias_* attributes; "analog
    pairs" and "weighted pairs (bias ...)" for a run of mirror pairs."""
    pairs = " pairs" if _text(run.get("pairs", "")) == "mirror" else ""
    if _text(run.get("mode", "analog")) != "weighted":
        return "analog" + pairs
    parts = []
    if "bias_angle_mrad" in run:
        parts.append(f"window {fmt(float(run['bias_angle_mrad']))} mrad")
    if "bias_splits" in run:
        parts.append(f"{_text(run['bias_splits'])} splits")
    if "bias_slow_meV" in run:
        parts.append(f"slow below {fmt(float(run['bias_slow_meV']))} meV")
    return "weighted" + pairs + (f" ({', '.join(parts)})" if parts else "")


def model_text(run):
    model = _text(run.get("scattering_model", "standard"))
    return f"models {model}" if "," in model else f"model {model}"


def events_text(run):
    events = run.get("events")
    try:
        return f"{int(events):,} events"
    except (TypeError, ValueError):
        return "? events"


class ScanValue:
    """One report value of a scan table: its points and the scanned columns' values at each."""

    def __init__(self, g, columns):
        self.key = g.name.strip("/")
        self.title = _text(g.attrs.get("title", self.key))
        # Tables from before the unit was written say it at the end of the title only.
        said = re.search(r"\(([^()]*)\)$", self.title)
        self.unit = _text(g.attrs.get("unit", said.group(1) if said else ""))
        self.value = np.asarray(g["value"][()], dtype=float)
        self.error = np.asarray(g["errors"][()], dtype=float) if "errors" in g else None
        self.columns = {}
        self.column_attrs = {}
        for c in columns:
            if c not in g:
                raise ScanError(f"{g.name} has no column {c}")
            data = g[c][()]
            self.columns[c] = _texts(data) if data.dtype.kind in "OSU" else np.asarray(data)
            self.column_attrs[c] = dict(g[c].attrs)
        self.bracket = None
        if "bracket" in g:
            b = g["bracket"]
            self.bracket = {k: b[k][()] for k in b}
            for k in ("low_model", "high_model"):
                if k in self.bracket:
                    self.bracket[k] = _texts(self.bracket[k])


def read_scan(path):
    try:
        f = h5py.File(path, "r")
    except OSError as e:
        raise ScanError(f"{path} is not a readable HDF5 file ({e})") from e
    with f:
        scan = _text(f.attrs.get("ornaplex_scan", ""))
        columns = [c for c in scan.split(",") if c]
        if not columns:
            raise ScanError(f"{path} names no scanned column (no ornaplex_scan attribute)")
        run = {}
        if "run" in f:
            run = {k: _text(v) if isinstance(v, (bytes, str)) else v
                   for k, v in f["run"].attrs.items()}
        values = {}
        for name, g in f.items():
            if isinstance(g, h5py.Group) and _text(g.attrs.get("NX_class", "")) == "NXdata":
                try:
                    values[name] = ScanValue(g, columns)
                except (KeyError, ValueError, TypeError, OSError) as e:
                    raise ScanError(f"cannot read {g.name} of {path} ({e})") from e
    return columns, run, values


def curves_of(v, columns):
    """The points of a value grouped by the combination of the columns after the first, in the
    order the combinations first appear: (label, point indices) pairs."""
    others = columns[1:]
    groups = {}
    for k in range(v.value.size):
        combo = tuple(v.columns[c][k] for c in others)
        groups.setdefault(combo, []).append(k)
    out = []
    for combo, ks in groups.items():
        label = ", ".join(column_value_text(c, v.column_attrs[c], x) for c, x in zip(others, combo))
        out.append((combo, label, ks))
    return out


def x_positions(v, x_column):
    """Where each point goes along x, and the tick labels of a column of names (else None)."""
    xs = v.columns[x_column]
    if isinstance(xs, list):
        names = list(dict.fromkeys(xs))
        return np.array([names.index(x) for x in xs], dtype=float), names
    return np.asarray(xs, dtype=float), None


def draw_bracket(ax, v, columns, curve_colours, xs, names):
    """The spread over the models: a band from the lowest to the highest model's value."""
    b = v.bracket
    if not b or "low" not in b or "high" not in b:
        return
    others = [c for c in columns if c != MODEL_COLUMN]
    rows = range(len(b["low"]))
    label = "spread over the models"
    if columns[0] == MODEL_COLUMN:
        # x is the model: each row is one curve's spread, a band across the models.
        lo_x, hi_x = -0.3, len(names) - 0.7
        for r in rows:
            combo = tuple(b[c][r] if c in b else None for c in others)
            colour = curve_colours.get(combo, "0.5")
            ax.fill_between([lo_x, hi_x], b["low"][r], b["high"][r], color=colour, alpha=0.15,
                            linewidth=0, label=label)
            label = None
        return
    # x is another column: one band along x per combination of the columns besides x and the
    # model.
    rest = [c for c in others if c != columns[0]]
    bands = {}
    for r in rows:
        key = tuple(float(b[c][r]) for c in rest if c in b)
        bands.setdefault(key, []).append(r)
    for rs in bands.values():
        x = np.array([float(b[columns[0]][r]) for r in rs]) if columns[0] in b else np.arange(len(rs))
        order = np.argsort(x)
        lo = np.array([b["low"][r] for r in rs])[order]
        hi = np.array([b["high"][r] for r in rs])[order]
        ax.fill_between(x[order], lo, hi, color="0.5", alpha=0.2, linewidth=0, label=label)
        label = None


def draw_scan_value(ax, v, columns):
    xs, names = x_positions(v, columns[0])
    curves = curves_of(v, columns)
    colours = {}
    # Beside each other, so that curves at the same names do not hide each other's bars.
    shift = 0.08 if names is not None and len(curves) > 1 else 0.0
    for n, (combo, label, ks) in enumerate(curves):
        ks = sorted(ks, key=lambda k: xs[k])
        x = xs[ks] + shift * (n - 0.5 * (len(curves) - 1))
        y = v.value[ks]
        # Points without a value (no hits) are left out rather than drawn as masked ones.
        keep = np.isfinite(y)
        err = None
        if v.error is not None:
            err = v.error[ks][keep]
            err = np.where(np.isfinite(err), err, 0.0)
        # Models have no order: their points are not joined.
        line = ax.errorbar(x[keep], y[keep], yerr=err, fmt="o" if names else "o-", capsize=3,
                           markersize=4, linewidth=1, label=label or None)
        colours[combo] = line[0].get_color()
    draw_bracket(ax, v, columns, colours, xs, names)
    ax.set_title("\n".join(textwrap.wrap(v.title, 48)), fontsize=10)
    ax.set_xlabel(column_label(columns[0], v.column_attrs[columns[0]]), fontsize=9)
    if v.unit:
        ax.set_ylabel(v.unit, fontsize=9)
    ax.ticklabel_format(axis="y", useOffset=False)
    if names is not None:
        ax.set_xticks(range(len(names)), names)
        ax.set_xlim(-0.5, len(names) - 0.5)
    ax.tick_params(labelsize=8)
    if not np.isfinite(v.value).any():
        mark_empty(ax, "no value at any point")


def scan_title(path, columns, run, points):
    total = run.get("points")
    done = f"{points} of {int(total)} points" if total is not None else f"{points} points"
    about = (f"{events_text(run)} per point, {model_text(run)}, {mode_text(run)}" if run
             else "(a table from before scans recorded their settings)")
    return f"ornaplex scan {os.path.basename(path)}: {', '.join(columns)} ({done})\n{about}"


def scan_figure(path, chosen=None):
    """One page: the chosen report values of a scan table (by default SCAN_VALUES) against the
    first scanned column, one curve per combination of the others."""
    columns, run, values = read_scan(path)
    if chosen:
        unknown = [k for k in chosen if k not in values]
        if unknown:
            raise ScanError(f"{path} holds no value {unknown[0]} (it holds: "
                            f"{', '.join(values)}) give --value with names it holds")
        keys = chosen
    else:
        keys = [k for k in SCAN_VALUES if k in values]
    if not keys:
        raise ScanError(f"{path} holds none of the values a scan page draws")
    # The curves are the same on every panel: one legend for the page, in a cell of its own.
    first = values[keys[0]]
    legend = len(curves_of(first, columns)) > 1 or any(values[k].bracket for k in keys)
    cells = len(keys) + legend
    ncols = 1 if cells == 1 else (2 if cells <= 4 else (3 if cells <= 9 else 4))
    nrows = math.ceil(cells / ncols)
    fig, axes = plt.subplots(nrows, ncols, figsize=(4.2 * ncols + 2, 3.4 * nrows + 1),
                             layout="constrained", squeeze=False)
    width = int(9 * (4.2 * ncols + 2))  # characters of the title's size across the page
    title = scan_title(path, columns, run, first.value.size)
    fig.suptitle("\n".join(textwrap.fill(t, width) for t in title.split("\n")), fontsize=12)
    for ax in axes.flat[len(keys):]:
        ax.axis("off")
    for ax, key in zip(axes.flat, keys):
        draw_scan_value(ax, values[key], columns)
    if legend:
        handles = {}
        for ax in axes.flat[: len(keys)]:
            for h, lab in zip(*ax.get_legend_handles_labels()):
                handles.setdefault(lab, h)
        axes.flat[len(keys)].legend(handles.values(), handles.keys(), loc="center", fontsize=10)
    return fig


def plot_scan(path, out_dir, chosen=None):
    fig = scan_figure(path, chosen)
    os.makedirs(out_dir, exist_ok=True)
    for ext in ("png", "pdf"):
        fig.savefig(os.path.join(out_dir, f"scan.{ext}"), dpi=110)
    plt.close(fig)
    print(f"wrote scan.png and scan.pdf in {out_dir}")


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("file")
    p.add_argument("--output", required=True, help="directory for the pictures")
    p.add_argument("--report", help="JSON from `ornaplex inspect FILE --json`")
    p.add_argument("--overview-only", action="store_true", help="draw the overview page only")
    p.add_argument("--id", type=int, help="draw this histogram only")
    p.add_argument("--scan", action="store_true", help="the file is a scan table (scan.h5)")
    p.add_argument("--value", help="scan tables: draw these report values only (a,b,...)")
    p.add_argument("--html", help="write one self-contained HTML page here instead (never over "
                   "an existing file)")
    a = p.parse_args(argv)
    if a.html:
        import report_page  # the page draws its pictures with this module

        report = {}
        if a.report:
            with open(a.report, encoding="utf-8") as f:
                report = json.load(f).get("report") or {}
        return report_page.write(a.file, a.html, report, a.scan)
    if a.scan:
        try:
            plot_scan(a.file, a.output, [k for k in (a.value or "").split(",") if k])
        except ScanError as e:
            print(f"plot_run.py: {e}", file=sys.stderr)
            return 2
        return 0
    try:
        hists, run, summary = read_file(a.file)
    except FileError as e:
        print(f"plot_run.py: {e}", file=sys.stderr)
        return 2
    warning = bad_contents_warning(hists)
    if warning:
        print(warning, file=sys.stderr)
    report = {}
    if a.report:
        with open(a.report, encoding="utf-8") as f:
            numbers = json.load(f)
        report = numbers.get("report") or {}
        # A partial file's page counts the events of the blocks it holds, and says so.
        partial = numbers.get("partial")
        if partial:
            run["events_shown"] = (
                f"{partial['events']:,} events (partial: blocks {partial['first_block']}"
                f"\u2013{partial['last_block']} of {partial['blocks']})"
            )
    os.makedirs(a.output, exist_ok=True)
    if a.id is not None:
        chosen = [h for h in hists if h.id == a.id]
        if not chosen:
            print(f"plot_run.py: {a.file} holds no histogram {a.id}", file=sys.stderr)
            return 2
        plot_one(chosen[0], a.output, run)
        print(f"wrote {os.path.join(a.output, f'h{a.id}.png')}")
        return 0
    overview = (hists, run, summary, report, os.path.basename(a.file), a.output)
    # Drawing dominates; the pictures are independent, so they are drawn side by side, the
    # overview page (the longest) among them from the start.
    workers = max(1, min(4, os.cpu_count() or 1))
    if a.overview_only or workers == 1:
        for h in [] if a.overview_only else hists:
            plot_one(h, a.output, run)
        plot_overview(*overview)
    else:
        ctx = multiprocessing.get_context("fork")
        with ctx.Pool(workers) as pool:
            page = pool.apply_async(plot_overview, overview)
            pool.starmap(plot_one, [(h, a.output, run) for h in hists], chunksize=1)
            page.get()
    pictures = "" if a.overview_only else f"{len(hists)} histogram pictures (h<id>.png), "
    print(f"wrote {pictures}overview.png and overview.pdf in {a.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
