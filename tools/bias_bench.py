#!/usr/bin/env python3
"""Figures of merit of the four run modes on the shipped inputs: analog, weighted, pairs and
weighted pairs.

Runs each mode for about the same CPU time on one thread, and prints for every report value
each mode's estimate and error, and the figures of merit 1 / (sigma^2 * CPU time) over the
analog run's. Then, for the pair modes, every value whose figure of merit falls below 0.8 times
that of the mode it is combined with (pairs: analog; weighted pairs: weighted). Not a test: it
takes as long as it is asked to (--seconds per mode, 60 by default).

    tools/bias_bench.py [--binary build/ornaplex] [--seconds 60] [--seed 1] [--bias-angle MRAD]
                        [--modes analog,weighted,pairs,weighted-pairs]
"""
import argparse
import json
import math
import os
import subprocess
import sys
import tempfile

# Each mode's options and the mode it is combined with (for the 0.8 check).
MODES = {
    "analog": ([], None),
    "weighted": (["--bias"], None),
    "pairs": (["--pairs"], "analog"),
    "weighted-pairs": (["--pairs", "--bias"], "weighted"),
}


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
    """(events per CPU second, CPU seconds of a run's start) of one mode, from two short runs:
    the start (reading the inputs, building the tables) costs the same at any event count."""
    cpu = []
    for events in (200000, 1000000):
        d = os.path.join(root, "%s-calibration-%d" % (name, events))
        os.mkdir(d)
        cpu.append(run(binary, d, events, seed, extra)[1])
    rate = 800000 / max(cpu[1] - cpu[0], 1e-3)
    return rate, max(cpu[0] - 200000 / rate, 0.0)


def number(entry, field):
    v = entry.get(field)
    return float(v) if v is not None else float("nan")


def merit(entry, cpu):
    """1 / (sigma^2 * CPU time), NaN without a positive error."""
    e = number(entry, "error")
    return 1.0 / (e * e * cpu) if e > 0 else float("nan")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--binary", default="build/ornaplex")
    p.add_argument("--seconds", type=float, default=60.0, help="CPU seconds per mode")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--bias-angle", help="the weighted runs' window angle, mrad")
    p.add_argument("--modes", default=",".join(MODES), help="the modes to run, analog first")
    a = p.parse_args()
    modes = a.modes.split(",")
    if modes[0] != "analog" or any(m not in MODES for m in modes):
        p.error("--modes: analog first, then any of " + ", ".join(MODES))
    options = {m: MODES[m][0] + (["--bias-angle", a.bias_angle]
                                 if a.bias_angle and "--bias" in MODES[m][0] else [])
               for m in modes}
    results = {}
    with tempfile.TemporaryDirectory(prefix="bias-bench-") as root:
        for mode in modes:
            rate, start = calibrate(a.binary, root, a.seed, options[mode], mode)
            d = os.path.join(root, mode)
            os.mkdir(d)
            # A pair is two events: an even count.
            events = max(int(rate * max(a.seconds - start, 1.0)) // 2 * 2, 1000)
            report, cpu = run(a.binary, d, events, a.seed + 1, options[mode])
            results[mode] = (report, cpu, events)
    for mode in modes:
        _, cpu, events = results[mode]
        print("%-15s %12d events, %6.1f s CPU, %.3g us/event %s" %
              (mode + ":", events, cpu, 1e6 * cpu / events, " ".join(options[mode])))
    analog, analogCpu, _ = results["analog"]
    print("\n%-26s" % "value" + "".join(" %26s" % m for m in modes) +
          "".join(" %10s" % ("FOM " + m[:6]) for m in modes[1:]))
    for key, entry in analog.items():
        if "error" not in entry:
            continue
        row = "%-26s" % key
        for mode in modes:
            r = results[mode][0].get(key, {})
            row += " %14.6g ± %9.3g" % (number(r, "value"), number(r, "error"))
        base = merit(entry, analogCpu)
        for mode in modes[1:]:
            report, cpu, _ = results[mode]
            row += " %10.3g" % (merit(report.get(key, {}), cpu) / base)
        print(row)
    below = []
    for mode in modes:
        partner = MODES[mode][1]
        if partner not in results:
            continue
        report, cpu, _ = results[mode]
        other, otherCpu, _ = results[partner]
        for key, entry in other.items():
            if "error" not in entry or key not in report:
                continue
            ratio = merit(report[key], cpu) / merit(entry, otherCpu)
            if ratio < 0.8:
                below.append("  %s: %s at %.2f of %s" % (mode, key, ratio, partner))
    print("\nvalues below 0.8 of the figure of merit of the mode combined with:" +
          ("\n" + "\n".join(below) if below else " none"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
