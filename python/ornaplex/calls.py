"""Runs, scans and merges in this process. The keyword arguments of run() and scan() are the
program's run settings (its options, `ornaplex --help`), made from the same table: each value is
turned into the text the option takes and read by the option's own reader, so a refused value
raises ValueError with the program's message."""

import inspect
import os
import re
import sys
import textwrap
import typing

from . import _ornaplex
from .results import Run, Scan


class Setting:
    """A run setting as a keyword argument: --bias-angle is bias_angle."""

    def __init__(self, row):
        self.option = row["option"]
        self.name = self.option.lstrip("-").replace("-", "_")
        self.flag = row["flag"]
        self.unit = row["unit"]
        self.label = row["label"]
        self.help = row["help"]
        self.scannable = row["scannable"]
        if self.flag:
            self.type = bool
        elif row["value_name"] in ("N", "S"):
            self.type = int
        elif self.unit:
            self.type = float
        else:
            self.type = str

    def text(self, value):
        """The value as the option's text: numbers in their shortest exact form, paths as
        paths, anything else as str() gives it (and the option's reader judges it)."""
        if isinstance(value, os.PathLike):
            return os.fspath(value)
        return repr(value) if isinstance(value, float) else str(value)

    def describe(self):
        kind = self.type.__name__ + (f", {self.unit}" if self.unit else "")
        return f"{self.name} : {kind}\n" + textwrap.fill(
            self.help, 96, initial_indent="    ", subsequent_indent="    "
        )


SETTINGS = {s.name: s for s in (Setting(r) for r in _ornaplex.settings() if r["option"])}


def _nearest(name):
    """The setting name a mistyped one most likely meant, or None."""
    import difflib

    close = difflib.get_close_matches(name, list(SETTINGS), n=1)
    return close[0] if close else None


def _refuse_unknown(call, kwargs, extra):
    for name in kwargs:
        if name not in SETTINGS and name not in extra:
            near = _nearest(name)
            hint = f" (did you mean {near}?)" if near else ""
            raise TypeError(f"{call}() got an unexpected keyword argument '{name}'{hint}")


def _options(kwargs):
    """(option, text) pairs of the settings given, in the order given; None and False leave a
    setting at the program's default."""
    pairs = []
    for name, value in kwargs.items():
        s = SETTINGS[name]
        if value is None:
            continue
        if s.flag:
            if not isinstance(value, bool):
                raise ValueError(
                    f"{s.option} {value!r}: not True or False ({name} is a switch) give "
                    f"{name}=True or leave it out"
                )
            if value:
                pairs.append((s.option, ""))
            continue
        pairs.append((s.option, s.text(value)))
    return pairs


def _command(call, kwargs):
    """The call as typed, for the file's provenance: ornaplex.run(events=1000000, seed=7)."""
    args = ", ".join(f"{k}={v!r}" for k, v in kwargs.items())
    return f"ornaplex.{call}({args})"


class _Screen:
    """The program's screen lines, printed as they come (unless echo is off), with a text bar of
    the events done (a tqdm bar when tqdm is installed) unless quiet; remembers what the lines
    say of the files written."""

    EVENTS = re.compile(r"^\s*(\d+)\s+events\s*$")
    TOTAL = re.compile(r"^\s*Nevents:\s+(\d+)\s*$")
    FILES = re.compile(r"^\s*Files written: (.*)$")
    PARTIAL = re.compile(r"^\s*(?:Interrupted: partial file|Partial file) (\S+)")
    RESUME = re.compile(r"^\s*Run the rest with: .* --blocks (\d+:\d+)")

    def __init__(self, echo, bar):
        self.echo = echo
        self.bar_wanted = bar
        self.bar = None
        self.files = {}
        self.partial = None
        self.resume = None
        self.total = None

    def __call__(self, line):
        if m := self.TOTAL.match(line):
            self.total = int(m.group(1))
            self._close_bar()
        if m := self.EVENTS.match(line):
            self._advance(int(m.group(1)))
            return
        if m := self.FILES.match(line):
            self.files = _files_written(m.group(1))
        if m := self.PARTIAL.match(line):
            self.partial = m.group(1)
        if m := self.RESUME.match(line):
            self.resume = m.group(1)
        if self.echo:
            print(line, flush=True)

    def _advance(self, done):
        if not self.bar_wanted or not self.total:
            if self.echo:
                print(f"{done:12d}  events", flush=True)
            return
        if self.bar is None:
            self.bar = _bar(self.total)
        self.bar.update(done)
        if done >= self.total:
            self._close_bar()

    def _close_bar(self):
        if self.bar is not None:
            self.bar.close()
            self.bar = None


def _files_written(text):
    """{"histograms": ..., "log": ..., "long_paths": ...} from "h7.h5 (histograms), ..."."""
    kinds = {"histograms": "histograms", "log": "log", "paths over 500 cm": "long_paths"}
    files = {}
    for part in re.finditer(r"(\S+) \(([^()]+)\)", text):
        files[kinds.get(part.group(2), part.group(2))] = os.path.abspath(part.group(1))
    return files


class _TextBar:
    """[#####.....] 50%  500000 of 1000000 events, redrawn in place."""

    def __init__(self, total):
        self.total = total

    def update(self, done):
        share = done / self.total if self.total else 1.0
        filled = int(30 * share)
        print(
            f"\r[{'#' * filled}{'.' * (30 - filled)}] {100 * share:3.0f}%  {done} of "
            f"{self.total} events",
            end="",
            file=sys.stderr,
            flush=True,
        )

    def close(self):
        print(file=sys.stderr, flush=True)


class _TqdmBar:
    def __init__(self, total):
        from tqdm.auto import tqdm

        self.bar = tqdm(total=total, unit="events", unit_scale=True)

    def update(self, done):
        self.bar.update(done - self.bar.n)

    def close(self):
        self.bar.close()


def _bar(total):
    try:
        return _TqdmBar(total)
    except ImportError:
        return _TextBar(total)


def _interrupted(screen, call):
    """What a KeyboardInterrupt says: which partial file holds the finished blocks, and how to
    finish."""
    message = f"{call} interrupted"
    if screen.partial:
        message += f": {os.path.abspath(screen.partial)} holds the blocks finished"
    if screen.resume:
        message += (
            f"; run the rest with the same settings and blocks='{screen.resume}', then add the "
            "partial files with ornaplex.merge(out, *partials)"
        )
    return message


def run(**kwargs):
    screen = _Screen(kwargs.pop("echo", True), not kwargs.get("quiet"))
    _refuse_unknown("run", kwargs, ())
    for name, value in kwargs.items():
        if isinstance(value, (list, tuple, range)) or (
            hasattr(value, "__len__") and not isinstance(value, (str, bytes, os.PathLike))
        ):
            raise ValueError(
                f"{SETTINGS[name].option} {value!r}: a list in a single run (a list or range of "
                "values makes a scan) give one value, or call ornaplex.scan"
            )
    options = _options(kwargs) + [("--quiet", "")]
    try:
        status = _ornaplex.run(options, _command("run", kwargs), screen)
    except KeyboardInterrupt:
        raise KeyboardInterrupt(_interrupted(screen, "ornaplex.run")) from None
    finally:
        screen._close_bar()
    if status != 0:
        raise RuntimeError(
            f"the run ended with exit status {status} (its screen lines say why) run it again "
            "with echo=True to see them"
        )
    if screen.files:
        return Run(screen.files["histograms"], screen.files)
    return Run(os.path.abspath(screen.partial), {"partial": os.path.abspath(screen.partial)})


def _axis(setting, value):
    """A scanned setting's values as texts: a list, tuple, range or array of values, or the
    option's own text ("0.8:2.4:5", "standard,jacobian"). None when it is one value."""
    if isinstance(value, (str, bytes)):
        return _ornaplex.scan_axis(setting.option, value)
    try:
        values = list(value)
    except TypeError:
        return None
    return [setting.text(v) for v in values]


def scan(**kwargs):
    screen = _Screen(kwargs.pop("echo", True), False)
    _refuse_unknown("scan", kwargs, ())
    axes, fixed = [], {}
    for name, value in kwargs.items():
        s = SETTINGS[name]
        values = _axis(s, value) if s.scannable and value is not None else None
        if values is None and not isinstance(value, (str, bytes, os.PathLike)) and hasattr(
            value, "__len__"
        ):
            raise ValueError(
                f"{s.option} {value!r}: a list of a setting that is not scanned (the scannable "
                f"ones are {', '.join(n for n, t in SETTINGS.items() if t.scannable)}) give one "
                "value"
            )
        if values is None:
            fixed[name] = value
        else:
            axes.append((s.option, values))
    if not axes:
        raise ValueError(
            "no scanned setting (a scan varies at least one setting) give a list or range, "
            "for example temperature=[1.5, 2.1]"
        )
    if "blocks" in fixed and fixed["blocks"] is not None:
        raise ValueError(
            "--blocks refused in a scan (each point is a whole run) give the blocks of a "
            "single run, or scan without blocks"
        )
    options = _options(fixed) + [("--quiet", "")]
    try:
        status = _ornaplex.scan(options, axes, _command("scan", kwargs), screen)
    except KeyboardInterrupt:
        raise KeyboardInterrupt(
            "ornaplex.scan interrupted: the finished points stay; the same call again "
            "completes the scan"
        ) from None
    if status != 0:
        raise RuntimeError(
            f"the scan ended with exit status {status} (its screen lines say why) run it again "
            "with echo=True to see them"
        )
    return Scan(fixed.get("output_dir") or ".")


def merge(out, *partials, echo=True):
    """Adds partial files (written with blocks=... or by an interrupted run) that cover every
    block of a run into its output file out, as `ornaplex merge`, with the run's log next to
    it. Returns the merged Run."""
    screen = _Screen(echo, False)
    _ornaplex.merge(os.fspath(out), [os.fspath(p) for p in partials], screen)
    return Run(os.fspath(out), screen.files or None)


def _signature(extra):
    params = [
        inspect.Parameter(
            s.name,
            inspect.Parameter.KEYWORD_ONLY,
            default=False if s.flag else None,
            annotation=s.type if s.flag else typing.Optional[s.type],
        )
        for s in SETTINGS.values()
    ]
    params += [inspect.Parameter(n, inspect.Parameter.KEYWORD_ONLY, default=d) for n, d in extra]
    return inspect.Signature(params)


def _settings_doc(only=None):
    return "\n".join(s.describe() for s in SETTINGS.values() if only is None or only(s))


run.__signature__ = _signature([("echo", True)])
run.__doc__ = f"""Runs the simulation in this process and returns its Run.

    ornaplex.run(events=10**6, temperature=1.5, model="jacobian", bias=True, seed=7)

Every setting is the program's option of that name (--bias-angle is bias_angle); one left out
(or None) keeps the program's default. The run writes the files the program writes, in
output_dir (default: the current directory). A value the option refuses raises ValueError with
the program's message; a list or range of values is a scan (ornaplex.scan). Ctrl-C
(KeyboardInterrupt) stops the run after the blocks in flight and leaves a partial file of the
finished blocks; the exception says how to finish.

Settings
--------
{_settings_doc()}
echo : bool
    print the program's screen lines (banner and report) as they come (default True)
"""

scan.__signature__ = _signature([("echo", True)])
scan.__doc__ = f"""Runs a scan in this process and returns its Scan: .table has one row per
point (settings, seed, file, every report value and its error), .bracket the spread of every
value over the models when the model is scanned.

    ornaplex.scan(temperature=[1.5, 2.1], model=["standard", "jacobian"], events=10**5)

A scannable setting takes a list (or tuple, range, array) of values, or the option's own text
("0.8:2.4:5": five values, both ends included); several give their product, the first given
varying slowest. The points are written under output_dir (default: the current directory); the
same call again resumes an interrupted scan.

Scannable settings
------------------
{_settings_doc(lambda s: s.scannable)}

Every other setting of run() is taken too, for every point.
"""
