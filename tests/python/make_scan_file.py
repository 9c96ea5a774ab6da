#!/usr/bin/python3
"""Writes a small scan table in the layout of a scan's scan.h5, for the readers' tests.

    make_scan_file.py OUT KIND

KIND is one of
  temperature   temperature_K 1.0,1.4,1.8 by field_mG 0.1,0.2, analog, standard model; the last
                point did not finish and one point has no scattered hits on the left (NaN)
  model         scattering_model standard,jacobian by field_mG 0.1,0.2, weighted, with the
                spread over the models (two rows)
  model-only    scattering_model standard,jacobian alone, analog (one spread row)
  old           temperature_K 1.0,1.4,1.8 as a scan wrote it before the table recorded its
                settings: no /run, the points as float64, the column's long_name its name
  temperature-model
                temperature_K 1.0,1.4,1.8 by scattering_model standard,jacobian, analog (the
                spread at each temperature)
"""

import itertools
import math
import sys

import h5py
import numpy as np

STRING = h5py.string_dtype("utf-8")

COLUMNS = {
    "temperature_K": ("temperature (K)", "K", [1.0, 1.4, 1.8]),
    "field_mG": ("field (mG)", "mG", [0.1, 0.2]),
    "scattering_model": ("scattering model", "", ["standard", "jacobian"]),
}

# key: label, unit, has an error, value at point k
VALUES = {
    "rot_left": ("mean rotation left (mrad)", "mrad", True, lambda k: -0.8376 + 0.001 * k),
    "rot_right": ("mean rotation right (mrad)", "mrad", True, lambda k: -0.8380 + 0.001 * k),
    "rot_diff": ("rotation UpL-DownR (mrad)", "mrad", True, lambda k: 0.0004 - 0.0001 * k),
    "rot_scat_left": ("mean rotation scattered left (mrad)", "mrad", True, lambda k: -1.24 + 0.3 * k),
    "rot_scat_right": ("mean rotation scattered right (mrad)", "mrad", True, lambda k: -1.28 + 0.3 * k),
    "rot_diff_scat": ("rotation UpL-DownR of scattered hits (mrad)", "mrad", True, lambda k: 0.04 * k),
    "rot_diff_scat_share": (
        "rotation UpL-DownR, scattered share (mrad)", "mrad", True, lambda k: -0.045 + 0.01 * k),
    "frac_helium_scattered": (
        "fraction of source neutrons scattered in the helium, both cells", "", True,
        lambda k: 0.1165 + 0.001 * k),
    "frac_scattered_of_events": ("scattered detector hits per event", "", False,
                                 lambda k: 1.8e-4 * (1 + k)),
    "det_in": ("detector hits", "", False, lambda k: 431430.0 + k),
}

KINDS = {
    "temperature": (["temperature_K", "field_mG"], False, 5),
    "model": (["scattering_model", "field_mG"], True, None),
    "model-only": (["scattering_model"], False, None),
    "temperature-model": (["temperature_K", "scattering_model"], False, None),
    "old": (["temperature_K"], False, None),
}


def write_old(path):
    with h5py.File(path, "w") as f:
        f.attrs["program"] = "ornaplex"
        f.attrs["ornaplex_scan"] = "temperature_K"
        for key, (label, _, has_error, at) in VALUES.items():
            g = f.create_group(key)
            g.attrs["NX_class"] = "NXdata"
            g.attrs["signal"] = "value"
            g.attrs["axes"] = "temperature_K"
            g.attrs["title"] = label
            g.create_dataset("value", data=np.array([at(k) for k in range(3)]))
            if has_error:
                g.create_dataset("errors", data=np.array([0.001, 0.0012, 0.0014]))
            d = g.create_dataset("temperature_K", data=np.array([1.0, 1.4, 1.8]))
            d.attrs["long_name"] = "temperature_K"
            g.create_dataset("point", data=np.array([0.0, 1.0, 2.0]))


def write(path, kind):
    if kind == "old":
        write_old(path)
        return
    columns, weighted, finished = KINDS[kind]
    points = list(itertools.product(*[COLUMNS[c][2] for c in columns]))
    done = points[:finished] if finished else points
    n = len(done)
    with h5py.File(path, "w") as f:
        f.attrs["program"] = "ornaplex"
        f.attrs["ornaplex_scan"] = ",".join(columns)
        f.attrs["default"] = "rot_diff_scat_share"
        run = f.create_group("run")
        run.attrs["NX_class"] = "NXcollection"
        run.attrs["events"] = np.int64(1000000)
        run.attrs["seed"] = np.int64(7)
        run.attrs["block_size"] = np.int64(65536)
        run.attrs["version"] = "0.9.0"
        run.attrs["field_mG"] = "0.1,0.2"
        run.attrs["temperature_K"] = "1.0,1.4,1.8" if "temperature_K" in columns else 1.5
        run.attrs["scattering_model"] = (
            "standard,jacobian" if "scattering_model" in columns else "standard")
        if "field_mG" not in columns:
            run.attrs["field_mG"] = 0.1
        if weighted:
            run.attrs["mode"] = "weighted"
            run.attrs["bias_scheme"] = "forced scattering, slow splits, small-q and back windows"
            run.attrs["bias_angle_mrad"] = 49.45
            run.attrs["bias_splits"] = np.int64(16)
        run.attrs["points"] = np.int64(len(points))
        for key, (label, unit, has_error, at) in VALUES.items():
            g = f.create_group(key)
            g.attrs["NX_class"] = "NXdata"
            g.attrs["signal"] = "value"
            g.attrs["axes"] = columns[0]
            g.attrs["title"] = label
            g.attrs["unit"] = unit
            value = np.array([at(k) for k in range(n)], dtype=np.float64)
            if kind == "temperature" and key == "rot_scat_left":
                value[1] = math.nan  # no scattered hit on the left
            g.create_dataset("value", data=value)
            if has_error:
                error = np.array([0.001 + 0.0002 * k for k in range(n)], dtype=np.float64)
                if kind == "temperature" and key == "rot_scat_left":
                    error[1] = math.nan
                g.create_dataset("errors", data=error)
            g.create_dataset("point", data=np.arange(n, dtype=np.int64))
            for i, c in enumerate(columns):
                long_name, units, _ = COLUMNS[c]
                data = [p[i] for p in done]
                if c == "scattering_model":
                    d = g.create_dataset(c, data=np.array(data, dtype=object), dtype=STRING)
                else:
                    d = g.create_dataset(c, data=np.array(data, dtype=np.float64))
                d.attrs["long_name"] = long_name
                d.attrs["units"] = units
            if "scattering_model" in columns and has_error:
                write_bracket(g, columns, done, value, error)


def write_bracket(g, columns, done, value, error):
    """The spread over the models at each combination of the other columns."""
    others = [c for c in columns if c != "scattering_model"]
    mi = columns.index("scattering_model")
    rows = {}
    for k, p in enumerate(done):
        rows.setdefault(tuple(p[columns.index(c)] for c in others), []).append(k)
    b = g.create_group("bracket")
    b.attrs["NX_class"] = "NXcollection"
    out = {n: [] for n in ("low", "low_error", "high", "high_error", "half_range",
                           "largest_pull", "standard", "low_model", "high_model")}
    for ks in rows.values():
        lo = min(ks, key=lambda k: value[k])
        hi = max(ks, key=lambda k: value[k])
        std = [k for k in ks if done[k][mi] == "standard"][0]
        out["low"].append(value[lo])
        out["low_error"].append(error[lo])
        out["high"].append(value[hi])
        out["high_error"].append(error[hi])
        out["half_range"].append(0.5 * (value[hi] - value[lo]))
        out["largest_pull"].append(max(
            abs(value[k] - value[std]) / math.hypot(error[k], error[std]) for k in ks))
        out["standard"].append(value[std])
        out["low_model"].append(done[lo][mi])
        out["high_model"].append(done[hi][mi])
    for name, data in out.items():
        if name.endswith("_model"):
            b.create_dataset(name, data=np.array(data, dtype=object), dtype=STRING)
        else:
            b.create_dataset(name, data=np.array(data, dtype=np.float64))
    for i, c in enumerate(others):
        d = b.create_dataset(c, data=np.array([r[i] for r in rows], dtype=np.float64))
        d.attrs["long_name"], d.attrs["units"], _ = COLUMNS[c]


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in KINDS:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    write(sys.argv[1], sys.argv[2])
