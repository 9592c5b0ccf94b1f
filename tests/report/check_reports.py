#!/usr/bin/env python3
"""Renders reports made from the sample templates in headless Chromium and checks what they show.

usage: check_reports.py --program REPORT_FROM_LOG [--templates DIR] [--keep DIR] [--only NAME]
           every log of cases.py: diet.dat is written, the real program (report_from_log)
           makes Report.htm from it with the templates, and the page must show what the case
           expects
       check_reports.py --dir DIR...
           each DIR/Report.htm made elsewhere (by the end-to-end test, say): the checks that
           hold for every page; a screenshot goes to DIR/report.png

Every page, besides its case's own expectations: asks for nothing outside itself, logs no
error, finishes its script, reads every row of the plain table, draws each line left to right
inside its panel, lists the table's dates newest first and the list's order one click away.
Prints one line per page and a closing "N passed, M failed"; exits 1 when any page failed.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import cases  # noqa: E402
import headless  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))
KEYS = ("DATE", "WEIGHT", "CHEST", "NECK", "ARM", "LEG", "WAIST")

PRINT_PROBE = """(() => {
  const shown = (n) => !!n && n.getClientRects().length > 0;
  return {
    printedRows: [...document.querySelectorAll('#log-view tr.entry')].filter(shown).length,
    panels: [...document.querySelectorAll('svg.panel')].filter(shown).length,
    listShown: shown(document.getElementById('list-view')),
    summaryShown: shown(document.getElementById('summary')),
  };
})()"""


def write_log(path, entries):
    """diet.dat as Girthminder writes it: earliest added first, CR LF line ends."""
    with open(path, "wb") as f:
        f.write(b"CREATOR=GIRTHMINDER 1.0")
        for entry in entries:
            for key, value in zip(KEYS, entry):
                f.write(b"\r\n" + key.encode() + b"=" + value.encode("utf-8"))
            f.write(b"\r\n")


def generated_entries(count):
    """One entry a day from 1990-01-01, weights drifting as a long diet does."""
    rng = random.Random(1990)
    day = 7305  # 1990-01-01 in days from 1970-01-01
    weight = 96.0
    import datetime
    epoch = datetime.date(1970, 1, 1)
    for i in range(count):
        weight += rng.uniform(-0.35, 0.33)
        weight = weight + 2 if weight < 68 else weight - 2 if weight > 118 else weight
        fat = (weight - 68) / 50
        text = "%.1f" % weight
        if rng.random() < 0.15:
            text = text.replace(".", ",")
        girths = tuple(str(round(c + rng.uniform(-1, 1))) for c in
                       (94 + 18 * fat, 37 + 6 * fat, 29 + 9 * fat, 53 + 12 * fat, 80 + 32 * fat))
        yield ((epoch + datetime.timedelta(days=day + i)).isoformat(), text) + girths


def make_report(program, templates, directory, entries=None):
    """Report.htm made by the real program in `directory`, from `entries` or, without them,
    from the diet.dat that is there."""
    os.makedirs(directory, exist_ok=True)
    if entries is not None:
        write_log(os.path.join(directory, "diet.dat"), entries)
    for name in ("ReportOutter.htm", "ReportInner.htm"):
        shutil.copy(os.path.join(templates, name), directory)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    run = subprocess.run([os.path.abspath(program)], cwd=directory, env=env, capture_output=True, text=True, timeout=300)
    if run.returncode != 0:
        raise RuntimeError("report_from_log failed: %s" % run.stderr.strip()[-500:])
    return os.path.join(directory, "Report.htm")


def lookup(result, path):
    value = result
    for part in path.split("."):
        if not isinstance(value, dict) or part not in value:
            return KeyError(path)
        value = value[part]
    return value


def compare(result, path, want):
    got = lookup(result, path)
    if isinstance(got, KeyError):
        return "%s: not on the page" % path
    if isinstance(want, tuple):
        description, predicate = want
        try:
            ok = predicate(got, result) if predicate.__code__.co_argcount == 2 else predicate(got)
        except (TypeError, KeyError):
            ok = False
        return None if ok else "%s: %r, expected %s" % (path, got, description)
    return None if got == want else "%s: %r, expected %r" % (path, got, want)


def common_problems(browser, result, blocked=False):
    """What must hold for every page the templates make, whatever the log."""
    problems = []
    requests = browser.requests()
    if requests:
        problems.append("the page asked for %s" % requests[:3])
    errors = browser.errors()
    if blocked:
        errors = [e for e in errors if "Content Security Policy" not in e]
    if errors:
        problems.append("console errors: %s" % errors[:3])
    if result["error"]:
        problems.append("script error: %s" % result["error"])
    if result["ready"] != "ready":
        problems.append("the page's script did not finish")
        return problems
    if result["entries"] != result["plainRows"]:
        problems.append("read %s entries of %s rows" % (result["entries"], result["plainRows"]))
    if result["plainTableShown"]:
        problems.append("the plain table is shown beside the script's own")
    for key, panel in result["panels"].items():
        if not panel["points"] or not panel["leftToRight"] or not panel["inside"]:
            problems.append("panel %s: line of %d points, left to right %s, inside %s"
                            % (key, panel["points"], panel["leftToRight"], panel["inside"]))
    iso = [d for d in result["dateOrder"] if len(d) == 10 and d[4] == "-" and d[7] == "-"]
    if iso != sorted(iso, reverse=True):
        problems.append("the table is not newest first: %s" % iso[:10])
    if "listOrder" in result and result["listOrder"] != result["plainOrder"][:len(result["listOrder"])]:
        problems.append("the list order differs from the list: %s" % result["listOrder"][:5])
    if result["order"] != "date":
        problems.append("the table did not come back to date order")
    return problems


def check_page(browser, report, case=None):
    """Returns (problems, result) for one Report.htm."""
    scripts = case["scripts"] if case else True
    browser.open(report, scripts=scripts, timeout=180)
    if not scripts:
        result = {
            "plainTableShown": bool((browser.box_of("#log") or (0, 0, 0, 0))[3]),
            "scriptOffShown": bool((browser.box_of("#script-off") or (0, 0, 0, 0))[3]),
            "lastRowShown": bool((browser.box_of("#entries > tr:last-child") or (0, 0, 0, 0))[3]),
        }
        problems = [] if result["lastRowShown"] else ["the table's last row is not shown"]
    else:
        with open(os.path.join(HERE, "probe.js"), encoding="utf-8") as f:
            result = browser.evaluate(f.read(), timeout=120)
        problems = common_problems(browser, result, case and case["blocked"])
    if case:
        problems += [p for p in (compare(result, path, want) for path, want in case["expect"].items()) if p]
        if case["printed"]:
            browser.page_call("Emulation.setEmulatedMedia", media="print")
            printed = browser.evaluate(PRINT_PROBE)
            problems += ["printed " + p for p in (compare(printed, path, want)
                                                  for path, want in case["printed"].items()) if p]
    return problems, result


def run_cases(args):
    page = os.path.join(args.templates, "ReportOutter.htm")
    with open(page, encoding="utf-8", errors="replace") as f:
        has_policy = "script-src 'sha256-" in f.read()
    if has_policy:
        # A stale checksum keeps the script from running: say so plainly before any case.
        problem = subprocess.run([sys.executable, os.path.join(HERE, "script_hash.py"), page],
                                 capture_output=True, text=True)
        if problem.returncode != 0:
            print("FAIL: " + problem.stdout.strip())
            return 1
    work = args.keep or tempfile.mkdtemp(prefix="girth-report.")
    passed = failed = 0
    try:
        with headless.Browser() as browser:
            for number, case in enumerate(cases.CASES):
                if args.only and args.only not in case["name"]:
                    continue
                directory = os.path.join(work, "%02d-%s" % (number, case["name"].replace(" ", "-").replace(",", "")))
                entries = list(generated_entries(case["generate"])) if case["generate"] else case["entries"]
                start = time.monotonic()
                try:
                    report = make_report(args.program, args.templates, directory, entries)
                    problems, result = check_page(browser, report, case)
                except (RuntimeError, headless.ChromiumError, subprocess.TimeoutExpired) as error:
                    problems, result = [str(error)], {}
                seconds = time.monotonic() - start
                if problems:
                    failed += 1
                    print("FAIL %s (%s)" % (case["name"], case["why"]))
                    for p in problems:
                        print("     " + p)
                else:
                    passed += 1
                    drawn = " drawn at %d ms" % result["drawnMs"] if result.get("drawnMs") else ""
                    print("ok   %s (%.1f s%s): %s" % (case["name"], seconds, drawn, case["why"]))
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


def run_dirs(args):
    passed = failed = 0
    with headless.Browser() as browser:
        for directory in args.dir:
            report = os.path.join(directory, "Report.htm")
            try:
                problems, _ = check_page(browser, report)
                browser.screenshot(os.path.join(directory, "report.png"))
            except headless.ChromiumError as error:
                problems = [str(error)]
            print("%s %s" % ("FAIL" if problems else "ok  ", report))
            for p in problems:
                print("     " + p)
            passed, failed = passed + (not problems), failed + bool(problems)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", help="the report_from_log executable")
    parser.add_argument("--templates", default=os.path.join(REPO, "templates"))
    parser.add_argument("--keep", help="make the reports in this directory and keep them")
    parser.add_argument("--only", help="only the cases whose name holds this text")
    parser.add_argument("--dir", nargs="+", help="check DIR/Report.htm made elsewhere")
    args = parser.parse_args()
    if args.dir:
        return run_dirs(args)
    if not args.program:
        parser.error("--program or --dir is needed")
    return run_cases(args)


if __name__ == "__main__":
    sys.exit(main())
