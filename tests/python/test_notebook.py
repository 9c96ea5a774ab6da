"""The example notebook runs headless from start to end, and says what its scan's files say."""

import csv
import os
import re

import nbformat
from nbclient import NotebookClient

NOTEBOOK = os.path.join(os.environ["ORNAPLEX_SOURCE_DIR"], "examples",
                        "scattered-systematic.ipynb")


def test_the_notebook_runs_and_its_bracket_is_the_scans(tmp_path):
    nb = nbformat.read(NOTEBOOK, as_version=4)
    # Raises on the first cell that fails.
    NotebookClient(nb, timeout=120, kernel_name="python3",
                   resources={"metadata": {"path": str(tmp_path)}}).execute()
    outputs = [o for c in nb.cells if c.cell_type == "code" for o in c.outputs]
    text = "".join(o.get("text", "") for o in outputs if o.output_type == "stream")
    said = re.search(r"rot_diff_scat_share over the models: (\S+) \((\S+)\) to (\S+) \((\S+)\)",
                     text)
    assert said, text
    with open(tmp_path / "scattered-systematic" / "models" / "scan-bracket.csv") as f:
        row = next(r for r in csv.DictReader(f) if r["value"] == "rot_diff_scat_share")
    assert said.groups() == (f"{float(row['low']):+.5f}", row["low_model"],
                             f"{float(row['high']):+.5f}", row["high_model"])
    pictures = [o for o in outputs if "image/png" in o.get("data", {})]
    assert len(pictures) == 3
