"""One self-contained HTML page of a run or a scan, for a collaborator without the program.

    plot_run.py FILE --html PAGE.html [--report REPORT.json] [--scan]

The page holds the settings and provenance (/run), the report values with their errors (the
scattered neutrons' share of the left-right difference marked as the systematic), and the
pictures `ornaplex plot` draws (the overview and the key histograms, or the scan page) embedded
as PNG data, so it opens in any browser from anywhere. On load it counts the pictures that
loaded into the body's data-pictures attribute ("5 of 5"), which the tests read.
"""

import base64
import html
import io
import os
import sys
import tempfile

import matplotlib.pyplot as plt

import plot_run

# The histograms a run's page shows beside the overview: the detector rotation, the scattered
# neutrons' spectrum at the detector and the momentum transfer against the energy transfer.
KEY_HISTOGRAMS = [3007, 3014, 8010]
SYSTEMATIC = "rot_diff_scat_share"

STYLE = """
body { font-family: sans-serif; margin: 2em; max-width: 1400px; color: #222; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 2em; }
table { border-collapse: collapse; font-size: 0.9em; }
td, th { border-bottom: 1px solid #ddd; padding: 0.25em 0.8em; text-align: left; }
td.n { text-align: right; font-family: monospace; }
tr.systematic { background: #fff4d6; font-weight: bold; }
img { max-width: 100%; border: 1px solid #ccc; margin: 0.5em 0; }
"""

COUNT_PICTURES = """
<script>
window.addEventListener("load", function () {
  var pictures = document.images, loaded = 0;
  for (var i = 0; i < pictures.length; i++)
    if (pictures[i].complete && pictures[i].naturalWidth > 0) loaded++;
  document.body.setAttribute("data-pictures", loaded + " of " + pictures.length);
});
</script>
"""


def png_of(fig):
    data = io.BytesIO()
    fig.savefig(data, format="png", dpi=90)
    plt.close(fig)
    return base64.b64encode(data.getvalue()).decode("ascii")


def picture(fig, caption):
    return (f'<figure><img alt="{html.escape(caption)}" src="data:image/png;base64,{png_of(fig)}">'
            f"<figcaption>{html.escape(caption)}</figcaption></figure>")


def number(v):
    if v is None:
        return ""
    try:
        return f"{float(v):.6g}"
    except (TypeError, ValueError):
        return html.escape(str(v))


def settings_table(run):
    rows = "".join(f"<tr><td>{html.escape(str(k))}</td><td>{html.escape(plot_run._text(v))}</td></tr>"
                   for k, v in sorted(run.items()) if k != "events_shown")
    return f"<table><tr><th>setting</th><th>value</th></tr>{rows}</table>"


def report_table(report):
    rows = []
    for key, r in report.items():
        mark = ' class="systematic"' if key == SYSTEMATIC else ""
        note = " (the systematic of a left-right measurement)" if key == SYSTEMATIC else ""
        rows.append(f"<tr{mark}><td>{html.escape(key)}</td><td>{html.escape(r.get('label', ''))}"
                    f"{note}</td><td class=n>{number(r.get('value'))}</td>"
                    f"<td class=n>{number(r.get('error'))}</td></tr>")
    return ("<table><tr><th>value</th><th>what it is</th><th>value</th><th>error</th></tr>"
            + "".join(rows) + "</table>")


def run_page(path, report):
    hists, run, summary = plot_run.read_file(path)
    by_id = {h.id: h for h in hists}
    title = (f"ornaplex run {plot_run._text(run.get('seed', ''))}: "
             f"{plot_run.events_text(run)}, {plot_run.run_tag(run)}")
    body = [f"<h1>{html.escape(title)}</h1>",
            f"<p>From {html.escape(os.path.basename(path))}.</p>",
            "<h2>Report values</h2>", report_table(report) if report else "<p>none</p>",
            "<h2>Pictures</h2>",
            picture(plot_run.overview_figure(hists, run, summary, report,
                                             os.path.basename(path)), "overview")]
    for i in KEY_HISTOGRAMS:
        if i in by_id:
            body.append(picture(plot_run.histogram_figure(by_id[i], run), f"h{i} {by_id[i].title}"))
    body += ["<h2>Settings and provenance</h2>", settings_table(run)]
    return title, body


def scan_page(path):
    columns, run, values = plot_run.read_scan(path)
    title = plot_run.scan_title(path, columns, run, next(iter(values.values())).value.size
                                if values else 0).replace("\n", ": ")
    rows = []
    for key in [k for k in plot_run.SCAN_VALUES if k in values]:
        v = values[key]
        mark = ' class="systematic"' if key == SYSTEMATIC else ""
        for k in range(v.value.size):
            where = ", ".join(plot_run.column_value_text(c, v.column_attrs[c], v.columns[c][k])
                              for c in columns)
            error = v.error[k] if v.error is not None else None
            rows.append(f"<tr{mark}><td>{html.escape(key)}</td><td>{html.escape(where)}</td>"
                        f"<td class=n>{number(v.value[k])}</td><td class=n>{number(error)}</td></tr>")
    table = ("<table><tr><th>value</th><th>point</th><th>value</th><th>error</th></tr>"
             + "".join(rows) + "</table>")
    body = [f"<h1>{html.escape(title)}</h1>", "<h2>Pictures</h2>",
            picture(plot_run.scan_figure(path), "the scan's main values"),
            "<h2>Report values per point</h2>", table,
            "<h2>Settings and provenance</h2>", settings_table(run)]
    return title, body


def write(path, page, report, scan):
    """Writes the page to page (never over an existing file); returns 0, or 2 after a line on
    standard error when the file cannot be read."""
    try:
        title, body = scan_page(path) if scan else run_page(path, report)
    except (plot_run.FileError, plot_run.ScanError) as e:
        print(f"plot_run.py: {e}", file=sys.stderr)
        return 2
    text = (f"<!DOCTYPE html>\n<html><head><meta charset='utf-8'><title>{html.escape(title)}"
            f"</title><style>{STYLE}</style></head><body>\n" + "\n".join(body)
            + COUNT_PICTURES + "</body></html>\n")
    folder = os.path.dirname(os.path.abspath(page))
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", dir=folder, delete=False,
                                     prefix=".report-", suffix=".html") as f:
        f.write(text)
        f.flush()
        os.fsync(f.fileno())
    umask = os.umask(0)
    os.umask(umask)
    os.chmod(f.name, 0o666 & ~umask)  # as any new file, not the temporary file's 0600
    try:
        os.link(f.name, page)  # never replaces a file of that name
    finally:
        os.unlink(f.name)
    print(f"wrote {page}")
    return 0
