"""The files ornaplex writes, read into tables and arrays: a run's output file, a partial file, a
merged file (Run) and a scan's directory or its scan.h5 (Scan). Nothing is run."""

import builtins
import csv
import json
import math
import os
import re

import numpy as np

from . import _ornaplex

# A report label ends with its unit: "mean rotation left (mrad)".
_LABEL_UNIT = re.compile(r"^(.*\S)\s+\(([^()]+)\)$")


def _label_and_unit(label):
    m = _LABEL_UNIT.match(label)
    return (m.group(1), m.group(2)) if m else (label, "")


def _table(columns, index=None):
    """A pandas DataFrame of the columns (a dict of lists) when pandas is installed, else the
    dict itself."""
    try:
        import pandas
    except ImportError:
        return columns
    frame = pandas.DataFrame(columns)
    return frame.set_index(index) if index else frame


def _text(v):
    return v.decode() if isinstance(v, bytes) else v


def _axis_label(dataset):
    """(label, unit) of an axis dataset: long_name less its unit and index."""
    unit = _text(dataset.attrs.get("units", ""))
    name = _text(dataset.attrs.get("long_name", "")).split(",")[0]
    if unit and name.endswith(f" ({unit})"):
        name = name[: -len(unit) - 3]
    return name, unit


class Histogram:
    """One histogram of a file: counts of the in-range bins, their edges and errors (the square
    root of the counts, or of the sums of squared weights in a weighted run), with the axes'
    labels and units. 1-D: counts [nx], edges [nx + 1]; 2-D: counts [nx, ny], edges a pair
    (x edges, y edges). Out-of-range totals: underflow and overflow (1-D), flow (2-D, 3x3)."""

    def __init__(self, group):
        self.id = int(group.attrs["id"])
        self.title = _text(group.attrs.get("title", group.name))
        self.entries = int(group.attrs.get("entries", 0))
        self.counts = np.asarray(group["counts"][()], dtype=float)
        self.ndim = self.counts.ndim
        axes = ("x", "y")[: self.ndim]
        edges = [np.asarray(group[f"{a}_edges"][()], dtype=float) for a in axes]
        self.edges = edges[0] if self.ndim == 1 else tuple(edges)
        found = [_axis_label(group[a]) if a in group else ("", "") for a in axes]
        self.labels = [f[0] for f in found]
        self.units = [f[1] for f in found]
        if "squares" in group:
            # Every slot, the out-of-range ones first and last on each axis.
            squares = np.asarray(group["squares"][()], dtype=float)
            inner = squares[1:-1] if self.ndim == 1 else squares[1:-1, 1:-1]
            self.errors = np.sqrt(inner)
        elif "errors" in group:
            self.errors = np.asarray(group["errors"][()], dtype=float)
        else:
            self.errors = np.sqrt(np.abs(self.counts))
        self.weighted = "squares" in group
        if self.ndim == 1:
            self.underflow = float(group.attrs.get("underflow", 0.0))
            self.overflow = float(group.attrs.get("overflow", 0.0))
        else:
            self.flow = np.asarray(group["flow"][()], dtype=float) if "flow" in group else None

    @property
    def centres(self):
        """Bin centres (1-D), or a pair of them (2-D)."""
        edges = [self.edges] if self.ndim == 1 else list(self.edges)
        mids = [0.5 * (e[:-1] + e[1:]) for e in edges]
        return mids[0] if self.ndim == 1 else tuple(mids)

    def to_xarray(self):
        """An xarray Dataset: counts and errors over the bin centres, the bin edges as
        coordinates along them (x_low, x_high), labels and units as attributes."""
        import xarray

        dims = ["x", "y"][: self.ndim]
        edges = [self.edges] if self.ndim == 1 else list(self.edges)
        coords = {}
        for d, e, label, unit in zip(dims, edges, self.labels, self.units):
            attrs = {"long_name": label, "units": unit}
            coords[d] = (d, 0.5 * (e[:-1] + e[1:]), attrs)
            coords[f"{d}_low"] = (d, e[:-1], attrs)
            coords[f"{d}_high"] = (d, e[1:], attrs)
        counts_name = "sum of weights per bin" if self.weighted else "neutrons per bin"
        return xarray.Dataset(
            {
                "counts": (dims, self.counts, {"long_name": counts_name}),
                "errors": (dims, self.errors, {"long_name": "statistical error of the counts"}),
            },
            coords=coords,
            attrs={"id": self.id, "title": self.title, "entries": self.entries},
        )

    def __repr__(self):
        shape = "x".join(str(n) for n in self.counts.shape)
        return f"<Histogram h{self.id} {shape} bins, {self.entries} entries: {self.title.strip()}>"


class Histograms:
    """A file's histograms by id, each read from the file the first time it is asked for."""

    def __init__(self, path, ids):
        self._path = path
        self._ids = list(ids)
        self._read = {}

    def __getitem__(self, id):
        id = int(id)
        if id not in self._read:
            if id not in self._ids:
                raise KeyError(
                    f"{self._path} holds no histogram {id} (its ids: {self._ids[0]} to "
                    f"{self._ids[-1]}, listed by .keys())"
                )
            import h5py

            with h5py.File(self._path, "r") as f:
                self._read[id] = Histogram(f[f"histograms/h{id}"])
        return self._read[id]

    def keys(self):
        return list(self._ids)

    def __iter__(self):
        return iter(self._ids)

    def __len__(self):
        return len(self._ids)

    def __contains__(self, id):
        return id in self._ids

    def values(self):
        return [self[i] for i in self._ids]

    def items(self):
        return [(i, self[i]) for i in self._ids]

    def __repr__(self):
        return f"<{len(self._ids)} histograms of {self._path}>"


class Run:
    """A run's results as its file holds them.

    report      every report value with its error, label and unit (the names of `ornaplex
                inspect --json`): a pandas DataFrame indexed by name when pandas is installed,
                else a dict of columns
    histograms  the histograms by id (Histogram: counts, edges, errors, labels, units)
    settings    the run's /run attributes (seed, events, temperature_K, scattering_model, ...)
    summary     the /run/summary sums the report is derived from
    files       the files the run wrote ("histograms", "log", "long_paths" when there is one)
    partial     for a partial file: the blocks it holds and their events; else None
    """

    def __init__(self, path, files=None):
        self.path = os.path.abspath(path)
        contents = json.loads(_ornaplex.inspect(self.path))
        self.settings = contents["run"]
        self.summary = contents["summary"] or {}
        self.partial = contents.get("partial")
        self.histograms = Histograms(self.path, [h["id"] for h in contents["histograms"]])
        self._report = contents["report"] or {}
        self.files = files or {"histograms": self.path}

    @property
    def report(self):
        names, values, errors, labels, units = [], [], [], [], []
        for name, n in self._report.items():
            label, unit = _label_and_unit(n["label"])
            names.append(name)
            values.append(math.nan if n["value"] is None else n["value"])
            errors.append(math.nan if n.get("error") is None else n["error"])
            labels.append(label)
            units.append(unit)
        return _table(
            {"name": names, "value": values, "error": errors, "label": labels, "unit": units},
            index="name",
        )

    def value(self, name):
        """A report value and its error (NaN when it has none): run.value("rot_diff")."""
        n = self._report[name]
        value = math.nan if n["value"] is None else n["value"]
        return value, math.nan if n.get("error") is None else n["error"]

    def plot(self, id=None, output=None):
        """Draws the overview page (id None) or one histogram, as `ornaplex plot` draws them,
        into output (a directory; default: next to the file, its name less .h5 plus "-plots"),
        shows the picture inline in a notebook and returns its path."""
        from . import plotting

        return plotting.plot_run(self, id, output)

    def __repr__(self):
        s, p = self.settings, self.partial
        if p:
            what = f"partial, blocks {p['first_block']}-{p['last_block']}"
        else:
            what = f"{s.get('events', '?')} events"
        return (
            f"<Run {os.path.basename(self.path)}: seed {s.get('seed')}, {what}, "
            f"{s.get('temperature_K')} K, {s.get('scattering_model', 'standard')}, "
            f"{s.get('mode', 'analog')}{' pairs' if s.get('pairs') == 'mirror' else ''}>"
        )


def _csv_table(path):
    """A scan's csv as columns, numbers as numbers."""
    with builtins.open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if not rows:
        return {}
    header, body = rows[0], rows[1:]
    columns = {}
    for k, name in enumerate(header):
        cells = [r[k] if k < len(r) else "" for r in body]
        columns[name] = _numbers(cells)
    return columns


def _numbers(cells):
    """The cells as ints, else floats (empty or "nan" as NaN), else as they are."""
    try:
        return [int(c) for c in cells]
    except ValueError:
        pass
    try:
        return [float(c) if c not in ("", "nan") else math.nan for c in cells]
    except ValueError:
        return cells


class Scan:
    """A scan's results, read from its directory.

    table    one row per finished point: the scanned settings, the fixed ones, seed, file and
             every report value with its error (<name>_error), as scan.csv holds them
    bracket  when the model is scanned, the spread of every value over the models at each
             combination of the other settings (scan-bracket.csv); else None
    path     the scan's directory
    """

    def __init__(self, directory):
        self.path = os.path.abspath(directory)
        table = os.path.join(self.path, "scan.csv")
        if not os.path.exists(table):
            raise ValueError(
                f"{self.path} holds no scan.csv (not a scan's directory, or no point of the "
                "scan has finished) give the directory a scan wrote"
            )
        self.table = _table(_csv_table(table))
        bracket = os.path.join(self.path, "scan-bracket.csv")
        self.bracket = _table(_csv_table(bracket)) if os.path.exists(bracket) else None

    def run(self, point):
        """The Run of a point (its number in the table)."""
        table = self.table
        points = list(table["point"])
        files = list(table["file"])
        return Run(os.path.join(self.path, files[points.index(point)]))

    def plot(self, output=None):
        """Draws the scan's page as `ornaplex plot` draws scan.h5; shows it inline in a notebook
        and returns its path."""
        from . import plotting

        return plotting.plot_scan(self, output)

    def __repr__(self):
        rows = len(self.table["point"]) if "point" in self.table else 0
        return f"<Scan {self.path}: {rows} points finished>"


def open(path):
    """Reads a file ornaplex wrote, without running anything: a run's output file, a partial
    file or a merged file gives a Run; a scan's directory or its scan.h5 gives a Scan. Raises
    FileNotFoundError for a missing path and ValueError for a file it cannot read."""
    path = os.fspath(path)
    if not os.path.exists(path):
        raise FileNotFoundError(f"{path}: no such file or directory")
    if os.path.isdir(path):
        return Scan(path)
    if _is_scan_file(path):
        return Scan(os.path.dirname(os.path.abspath(path)))
    return Run(path)


def _is_scan_file(path):
    """A scan's HDF5 table names its scanned settings at its root."""
    try:
        import h5py

        with h5py.File(path, "r") as f:
            return "ornaplex_scan" in f.attrs
    except OSError:
        return False
