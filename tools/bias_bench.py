#!/ usr / bin / env python3
"""Figure of merit of the weighted run against the analog run, on the shipped inputs.

Runs the analog and the weighted mode for about the same CPU time on one thread each, and prints
for every report value: both estimates, both errors, the z-score between them and the ratio of
the figures of merit 1 / (sigma^2 * CPU time), weighted over analog. Not a test: it takes as
long as it is asked to (--seconds per mode, 60 by default).

    tools/bias_bench.py [--binary build/ornaplex] [--seconds 60] [--seed 1] [--bias-angle MRAD]
"""
import argparse
import json
import math
import os
import subprocess
import sys
import tempfile


def run(binary, workdir, events, seed, extra):
    """Runs ornaplex in workdir; returns (report numbers by key, CPU seconds of the run)."""
    before = os.times()
    subprocess.run([binary, "--events", str(events), "--seed", str(seed), "--threads", "1",
                    "--quiet", "--output-dir", workdir] + extra,
                   check=True, stdout=subprocess.DEVNULL)
    after = os.times()
    cpu = (after.children_user - before.children_user) + (after.children_system -
                                                           before.children_system)
    out = subprocess.run([binary, "inspect", os.path.join(workdir, "h%d.h5" % seed), "--json"],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out)["report"], cpu


def calibrate(binary, root, seed, extra, name):
    """Events per CPU second of one mode, from a short run."""
    events = 200000
    d = os.path.join(root, name + "-calibration")
    os.mkdir(d)
    _, cpu = run(binary, d, events, seed, extra)
    return events / max(cpu, 1e-3)


def number(entry, field):
    v = entry.get(field)
    return float(v) if v is not None else float("nan")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--binary", default="build/ornaplex")
    p.add_argument("--seconds", type=float, default=60.0, help="CPU seconds per mode")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--bias-angle", help="the weighted run's window angle, mrad")
    a = p.parse_args()
    weighted = ["--bias"] + (["--bias-angle", a.bias_angle] if a.bias_angle else [])
    with tempfile.TemporaryDirectory(prefix="bias-bench-") as root:
        rate = {m: calibrate(a.binary, root, a.seed, x, m)
                for m, x in (("analog", []), ("weighted", weighted))}
        results = {}
        for mode, extra in (("analog", []), ("weighted", weighted)):
            d = os.path.join(root, mode)
            os.mkdir(d)
            events = max(int(rate[mode] * a.seconds), 1000)
            results[mode] = run(a.binary, d, events, a.seed + 1, extra) + (events,)
    (an, ta, na), (we, tw, nw) = results["analog"], results["weighted"]
    print("analog:   %d events, %.1f s CPU" % (na, ta))
    print("weighted: %d events, %.1f s CPU%s" % (nw, tw, " " + " ".join(weighted)))
    print("%-28s %14s %11s %14s %11s %7s %9s" %
          ("value", "analog", "error", "weighted", "error", "z", "FOM w/a"))
    for key, entry in an.items():
        if key not in we:
            continue
        va, ea = number(entry, "value"), number(entry, "error")
        vw, ew = number(we[key], "value"), number(we[key], "error")
        z = (vw - va) / math.hypot(ea, ew) if ea > 0 and ew > 0 else float("nan")
        fom = (ea * ea * ta) / (ew * ew * tw) if ea > 0 and ew > 0 else float("nan")
        print("%-28s %14.6g %11.4g %14.6g %11.4g %7.2f %9.3g" % (key, va, ea, vw, ew, z, fom))
    return 0


if __name__ == "__main__":
    sys.exit(main())
