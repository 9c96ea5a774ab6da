"""ornaplex from Python and notebooks: the program's runs, scans and merges in this process, and
the files it writes as tables and arrays.

    import ornaplex
    run = ornaplex.run(events=10**6, temperature=1.5, seed=7)
    run.report.loc["rot_diff"]            # value, error, label, unit
    h = run.histograms[3007]              # counts, edges, errors as NumPy arrays
    ornaplex.open("h7.h5")                # any file the program writes, nothing run
    ornaplex.scan(temperature=[1.5, 2.1], model=["standard", "jacobian"], events=10**5).table

help(ornaplex.run) lists every setting with its unit.
"""

from ._ornaplex import version as __version__
from .calls import merge, run, scan
from .results import Histogram, Run, Scan, open

__all__ = ["Histogram", "Run", "Scan", "merge", "open", "run", "scan"]
