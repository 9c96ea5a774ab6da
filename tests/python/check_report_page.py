#!/usr/bin/python3
"""The shared page of a run and of a scan, opened in a real headless browser: every picture
loads, the systematic is marked, the settings are there, and a second page is never written over
the first.

    check_report_page.py ORNAPLEX BROWSER WORKDIR
"""

import os
import re
import subprocess
import sys


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, timeout=120, **kw)


def loaded_pictures(browser, page):
    """data-pictures ("N of M") as the browser's page script counted them once loaded."""
    r = run(browser, "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
            "file://" + os.path.abspath(page))
    found = re.search(r'data-pictures="(\d+) of (\d+)"', r.stdout)
    assert found, f"{page}: the page's script did not run\n{r.stderr[-2000:]}"
    return int(found.group(1)), int(found.group(2))


def main(ornaplex, browser, work):
    os.chdir(work)
    assert run(ornaplex, "--events", "3000", "--seed", "7", "--quiet", "--output-dir", "run",
               "--bias").returncode == 0
    r = run(ornaplex, "report", "run/h7.h5")
    assert r.returncode == 0 and r.stdout == "wrote run/h7.html\n", r.stdout + r.stderr
    text = open("run/h7.html", encoding="utf-8").read()
    assert "weighted" in text and 'class="systematic"' in text and "input_sq_sha256" in text
    ok, total = loaded_pictures(browser, "run/h7.html")
    assert ok == total >= 4, (ok, total)
    # Never over an existing page.
    again = run(ornaplex, "report", "run/h7.h5")
    assert again.returncode == 1 and "already exists" in again.stderr, again.stderr

    assert run(ornaplex, "--temperature", "1.5,2.1", "--events", "2000", "--seed", "3",
               "--quiet", "--output-dir", "scan").returncode == 0
    r = run(ornaplex, "report", "scan/scan.h5", "--output", "scan-page.html")
    assert r.returncode == 0, r.stderr
    ok, total = loaded_pictures(browser, "scan-page.html")
    assert ok == total == 1, (ok, total)
    assert "temperature" in open("scan-page.html", encoding="utf-8").read()
    print("report pages: every picture loads in the browser")


if __name__ == "__main__":
    main(*sys.argv[1:4])
