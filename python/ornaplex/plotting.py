"""Pictures of runs and scans, drawn by the program's own plotting script (tools/plot_run.py,
as `ornaplex plot` runs it) and shown inline when a notebook is running."""

import importlib.util
import os
import sys

from . import _ornaplex

_script = None


def _plot_run():
    """The plotting script as a module, loaded once. It picks a file-only matplotlib backend
    for itself; the caller's backend (a notebook's inline one) is put back."""
    global _script
    if _script is None:
        import matplotlib

        # Only a backend chosen already is put back (a notebook's, or pyplot's in use); one not
        # chosen yet would be the first that loads, which may need a display there is not.
        chosen = "matplotlib.pyplot" in sys.modules or "MPLBACKEND" in os.environ
        backend = matplotlib.get_backend() if chosen else None
        found = importlib.util.spec_from_file_location("ornaplex_plot_run", _ornaplex.plot_script)
        module = importlib.util.module_from_spec(found)
        found.loader.exec_module(module)
        if backend:
            matplotlib.use(backend)
        _script = module
    return _script


def _show(picture):
    """Shows a picture inline when running under IPython (a notebook)."""
    try:
        from IPython import get_ipython
        from IPython.display import Image, display
    except ImportError:
        return
    if get_ipython() is not None:
        display(Image(filename=picture))


def _directory(path, output):
    out = output or os.path.splitext(path)[0] + "-plots"
    os.makedirs(out, exist_ok=True)
    return out


def plot_run(run, id, output):
    script = _plot_run()
    out = _directory(run.path, output)
    if id is not None:
        import h5py

        if int(id) not in run.histograms:
            raise KeyError(f"{run.path} holds no histogram {id} (its ids are run.histograms.keys())")
        with h5py.File(run.path, "r") as f:
            script.plot_one(script.Hist(f[f"histograms/h{int(id)}"]), out)
        picture = os.path.join(out, f"h{int(id)}.png")
    else:
        hists, settings, summary = script.read_file(run.path)
        if run.partial:
            p = run.partial
            settings["events_shown"] = (
                f"{p['events']:,} events (partial: blocks {p['first_block']}"
                f"\u2013{p['last_block']} of {p['blocks']})"
            )
        script.plot_overview(
            hists, settings, summary, run._report, os.path.basename(run.path), out
        )
        picture = os.path.join(out, "overview.png")
    _show(picture)
    return picture


def plot_scan(scan, output):
    script = _plot_run()
    out = output or os.path.join(scan.path, "scan-plots")
    os.makedirs(out, exist_ok=True)
    script.plot_scan(os.path.join(scan.path, "scan.h5"), out)
    picture = os.path.join(out, "scan.png")
    _show(picture)
    return picture
