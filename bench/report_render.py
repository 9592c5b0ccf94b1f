#!/usr/bin/env python3
"""How fast the sample report renders in headless Chromium, by the size of the log.

usage: report_render.py --program REPORT_FROM_LOG --generator LOG_FIGURES [--runs N]
                        [--templates DIR] [--screenshots DIR]

For the 14-entry sample log and generated logs of 1,000, 10,000 and 100,000 entries
(`log_figures generate`), the real program makes Report.htm from its list; the page is then
loaded RUNS times and these are measured, each the median of the runs:
  chart drawn   from the start of the navigation to the chart, summary and table built, as
                the page records it (performance.now() when its script is done)
  first frame   to the first frame painted after that, as the page records it
  new browser   from starting a new headless Chromium for the page to that first frame, as
                seen from outside
Prints a Markdown table with each figure's ratio to the 14-entry report. With --screenshots,
also writes report-N-screen.png and report-N-print.png (first page of Chromium's print to
PDF, through pdftoppm) for 14 and 100,000 entries.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "report"))

import cases  # noqa: E402
import headless  # noqa: E402
from check_reports import make_report  # noqa: E402

SIZES = (14, 1000, 10000, 100000)
SHOTS = (14, 100000)


def build(directory, size, args):
    os.makedirs(directory, exist_ok=True)
    if size == 14:
        # The sample log of the report tests: fourteen weeks of a diet.
        return make_report(args.program, args.templates, directory, cases.SAMPLE)
    subprocess.run([args.generator, "generate", str(size), os.path.join(directory, "diet.dat")], check=True)
    return make_report(args.program, args.templates, directory)


def wait_drawn(browser, report):
    """The page's own times to its chart drawn and to the first frame after it, in seconds."""
    deadline = time.monotonic() + 120
    while True:
        state = browser.evaluate("[document.body.getAttribute('data-report'), document.body.getAttribute("
                                 "'data-drawn-ms'), document.body.getAttribute('data-painted-ms'), "
                                 "document.body.getAttribute('data-script-error')]")
        if state[3]:
            raise SystemExit("%s: script error %s" % (report, state[3]))
        if state[0] == "ready" and state[2] is not None:
            return float(state[1]) / 1000, float(state[2]) / 1000
        if time.monotonic() > deadline:
            raise SystemExit("%s: the chart was not drawn in time" % report)
        time.sleep(0.02)


def measure(browser, report, runs):
    drawn, painted, cold = [], [], []
    for _ in range(runs):
        browser.open(report, timeout=300)
        times = wait_drawn(browser, report)
        drawn.append(times[0])
        painted.append(times[1])
        # As a reader meets it: a browser started for the page, until the chart is on screen.
        start = time.monotonic()
        with headless.Browser() as fresh:
            fresh.open(report, timeout=300)
            wait_drawn(fresh, report)
            cold.append(time.monotonic() - start)
    return statistics.median(drawn), statistics.median(painted), statistics.median(cold)


def screenshots(browser, report, size, out):
    browser.open(report, timeout=300)
    time.sleep(0.5)
    screen = os.path.join(out, "report-%d-screen.png" % size)
    browser.screenshot(screen)
    with tempfile.TemporaryDirectory() as tmp:
        pdf = os.path.join(tmp, "report.pdf")
        browser.print_pdf(pdf)
        subprocess.run(["pdftoppm", "-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf,
                        os.path.join(out, "report-%d-print" % size)], check=True)
    print("screenshots: %s, %s" % (screen, os.path.join(out, "report-%d-print.png" % size)), file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--generator", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--templates", default=os.path.join(REPO, "templates"))
    parser.add_argument("--screenshots")
    args = parser.parse_args()

    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="girth-report-bench.")
    figures = {}
    try:
        with headless.Browser(width=1000, height=1400) as browser:
            for size in SIZES:
                report = build(os.path.join(work, str(size)), size, args)
                figures[size] = measure(browser, report, args.runs)
                figures[size] += (os.path.getsize(report) / 1e6,)
                if args.screenshots and size in SHOTS:
                    screenshots(browser, report, size, args.screenshots)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    base = figures[14]
    print("| Entries | Report.htm | Chart drawn | × 14 entries | First frame | × 14 entries "
          "| New browser to first frame | × 14 entries |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for size in SIZES:
        drawn, painted, cold, megabytes = figures[size]
        print("| %s | %.2f MB | %.2f s | ×%.1f | %.2f s | ×%.1f | %.2f s | ×%.1f |" % (
            "{:,}".format(size), megabytes, drawn, drawn / base[0], painted, painted / base[1], cold,
            cold / base[2]))

if __name__ == "__main__":
    main()
