"""The Python module against the program: the same results bit for bit, the same refusals, an
interrupted run that leaves its partial file, every kind of file read back, a resumed scan.

Run by CTest (python_module) with PYTHONPATH at the built package and ORNAPLEX_BINARY the
program."""

import os
import signal
import subprocess
import threading

import h5py
import numpy as np
import pytest

import ornaplex

BINARY = os.environ["ORNAPLEX_BINARY"]
SMALL = dict(events=20000, seed=12345, threads=2, echo=False)


def cli(directory, *args):
    return subprocess.run(
        [BINARY, *args, "--output-dir", str(directory), "--quiet"],
        capture_output=True,
        text=True,
    )


def contents(path):
    """Every summary value and every histogram dataset of a file, as bytes."""
    out = {}
    with h5py.File(path, "r") as f:
        f.visititems(
            lambda name, d: out.__setitem__(name, d[()].tobytes())
            if isinstance(d, h5py.Dataset) and (name.startswith("run/summary") or
                                                 name.startswith("histograms"))
            else None
        )
    return out


@pytest.fixture(scope="module")
def weighted_run(tmp_path_factory):
    """A weighted run from Python and from the program, with the same settings."""
    d = tmp_path_factory.mktemp("weighted")
    run = ornaplex.run(**SMALL, bias=True, model="jacobian", temperature=1.5,
                       output_dir=str(d / "py"))
    assert cli(d / "cli", "--events", "20000", "--seed", "12345", "--threads", "2", "--bias",
               "--model", "jacobian", "--temperature", "1.5").returncode == 0
    return run, d / "cli" / "h12345.h5"


def test_a_run_is_the_programs_bit_for_bit(weighted_run):
    run, cli_file = weighted_run
    mine, theirs = contents(run.path), contents(cli_file)
    assert len(mine) > 73 and mine.keys() == theirs.keys()
    assert [k for k in mine if mine[k] != theirs[k]] == []
    assert run.settings["command"].startswith("ornaplex.run(events=20000, seed=12345")
    assert set(run.files) == {"histograms", "log"} and os.path.exists(run.files["log"])


def test_report_and_histograms_as_the_file_holds_them(weighted_run):
    run, _ = weighted_run
    report = run.report
    assert report.loc["rot_left", "unit"] == "mrad"
    assert report.loc["rot_left", "label"] == "mean rotation left"
    assert report.loc["rot_left", "error"] > 0
    h = run.histograms[3007]
    with h5py.File(run.path, "r") as f:
        squares = f["histograms/h3007/squares"][()]
    assert np.array_equal(h.errors, np.sqrt(squares[1:-1]))
    assert h.edges.shape == (h.counts.size + 1,) and h.units == ["mrad"]
    assert float(h.to_xarray()["counts"].sum()) == h.counts.sum()


@pytest.mark.parametrize(
    "settings, args",
    [
        (dict(temperature=9), ["--temperature", "9"]),
        (dict(events=-1), ["--events", "-1"]),
        (dict(model="jacobi"), ["--model", "jacobi"]),
        (dict(seed="x"), ["--seed", "x"]),
        (dict(bias_angle=0.0), ["--bias-angle", "0.0"]),
    ],
)
def test_a_refused_value_says_what_the_program_says(tmp_path, settings, args):
    with pytest.raises(ValueError) as refused:
        ornaplex.run(**settings, output_dir=str(tmp_path), echo=False)
    said = cli(tmp_path, *args)
    assert said.returncode == 2
    assert f"ornaplex: {refused.value}" == said.stderr.splitlines()[0]
    assert os.listdir(tmp_path) == []


def test_misspelled_settings_and_lists_are_refused():
    with pytest.raises(TypeError, match="did you mean temperature"):
        ornaplex.run(temprature=1.5)
    with pytest.raises(ValueError, match="ornaplex.scan"):
        ornaplex.run(temperature=[1.5, 2.1])


def test_interrupt_leaves_a_partial_file_that_merges_with_the_rest(tmp_path):
    settings = dict(events=4_000_000, seed=3, threads=1, block_size=20000, echo=False,
                    output_dir=str(tmp_path))
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    with pytest.raises(KeyboardInterrupt) as stopped:
        ornaplex.run(**settings)
    timer.join()
    partials = [p for p in os.listdir(tmp_path) if p.startswith("h3-b0-")]
    assert len(partials) == 1, os.listdir(tmp_path)
    first = ornaplex.open(tmp_path / partials[0])
    assert first.partial["first_block"] == 0
    rest = f"{first.partial['last_block'] + 1}:199"
    assert f"blocks='{rest}'" in str(stopped.value)
    second = ornaplex.run(**settings, blocks=rest)
    assert second.partial["last_block"] == 199 and second.files.keys() == {"partial"}
    assert first.plot().endswith("overview.png")
    merged = ornaplex.merge(tmp_path / "whole.h5", first.path, second.path, echo=False)
    assert merged.settings["events"] == 4_000_000 and merged.partial is None
    assert merged.files["log"].endswith("whole.o")


def test_open_of_a_run_file_is_what_inspect_says(weighted_run):
    _, cli_file = weighted_run
    run = ornaplex.open(cli_file)
    said = subprocess.run([BINARY, "inspect", str(cli_file)], capture_output=True, text=True)
    assert f"{run.value('rot_diff')[0]:.6g}" in said.stdout
    assert len(run.histograms) == 73 and run.settings["mode"] == "weighted"
    junk = cli_file.parent / "junk.h5"
    junk.write_text("not a histogram file")
    with pytest.raises(ValueError, match="junk.h5"):
        ornaplex.open(junk)


def test_a_scan_is_a_table_with_the_models_bracket_and_resumes(tmp_path):
    settings = dict(events=5000, seed=11, threads=2, echo=False, output_dir=str(tmp_path),
                    temperature=[1.5, 2.1], model="standard,jacobian")
    scan = ornaplex.scan(**settings)
    table = scan.table
    assert list(table["temperature_K"]) == [1.5, 1.5, 2.1, 2.1]
    assert list(table["scattering_model"]) == ["standard", "jacobian"] * 2
    assert "rot_diff_scat_share_error" in table.columns
    assert set(scan.bracket["value"]) >= {"rot_diff_scat_share"}
    assert ornaplex.scan(**settings).table.equals(table)
    assert ornaplex.open(tmp_path / "scan.h5").table.equals(table)
    assert scan.run(3).settings["scattering_model"] == "jacobian"
