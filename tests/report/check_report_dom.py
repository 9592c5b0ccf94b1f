#!/usr/bin/env python3
"""Checks the DOM of a rendered Report.htm (Chromium's --dump-dom after the page script ran).

usage: check_report_dom.py DUMPED_DOM

The table rows are the truth: every numeric value of a measurement must appear as one point
of that measurement's line and as one dot, in date order, placed left to right by date and
higher for larger values. Prints what it checked; exits 1 on the first list of failures.
"""

import re
import sys
from html.parser import HTMLParser

MEASURES = ("weight", "chest", "neck", "arm", "leg", "waist")
# The page's own reading of a cell: "." or "," as decimal mark, an optional unit.
NUMBER = re.compile(r"^([+-]?(?:[0-9]+(?:[.,][0-9]*)?|[.,][0-9]+))[ \t]*(?:kg|lbs?|cm|mm|in)?$", re.I)
MAX_DOTS = 2000
# HTML elements serialised without an end tag; everything else in the dump is closed.
VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
        "track", "wbr"}


def parse_value(text):
    m = NUMBER.match(text)
    return float(m.group(1).replace(",", ".")) if m else None


class Dom(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.body = {}
        self.rows = []          # one dict per entry row: field -> text
        self.lines = []         # (data-m, points attribute, panel)
        self.dots = []          # attribute dicts of the chart's circles, in document order
        self.svg_count = 0
        self.chart_empty_hidden = None
        self.text = []
        self._row = None
        self._cell = None       # (field, depth at which it opened)
        self._depth = 0
        self._in_chart = 0
        self._panel = None
        self._raw = None        # inside script or style: not page text

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self._depth += 1
        if tag in ("script", "style"):
            self._raw = tag
        if tag == "body":
            self.body = a
        elif tag == "tr" and "data-entry" in a:
            self._row = {}
            self.rows.append(self._row)
        elif tag == "td" and self._row is not None and "data-m" in a:
            self._cell = (a["data-m"], self._depth)
            self._row[a["data-m"]] = ""
        elif tag == "svg" and a.get("id") == "progress-chart":
            self.svg_count += 1
            self._in_chart = self._depth
        elif tag == "g" and self._in_chart and "data-panel" in a:
            self._panel = a["data-panel"]
        elif tag == "polyline" and self._in_chart:
            self.lines.append((a.get("data-m"), a.get("points", ""), self._panel))
        elif tag == "circle" and self._in_chart:
            self.dots.append(dict(a, panel=self._panel))
        elif a.get("id") == "chart-empty":
            self.chart_empty_hidden = "hidden" in a
        if tag in VOID:
            self._depth -= 1

    def handle_endtag(self, tag):
        if tag == self._raw:
            self._raw = None
        if self._cell and tag == "td" and self._depth == self._cell[1]:
            self._cell = None
        if tag == "tr":
            self._row = None
        if tag == "svg" and self._in_chart == self._depth:
            self._in_chart = 0
        self._depth -= 1

    def handle_data(self, data):
        if self._raw:
            return
        self.text.append(data)
        if self._cell:
            field = self._cell[0]
            self._row[field] += data


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dom = Dom()
    with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
        dom.feed(f.read())
    failures = []

    def check(ok, message):
        if not ok:
            failures.append(message)

    check("data-script-error" not in dom.body,
          "page script error: %s" % dom.body.get("data-script-error"))
    check(dom.body.get("data-report") == "ready", "page script did not finish")

    entries = []
    for index, row in enumerate(dom.rows):
        texts = {k: v.strip() for k, v in row.items()}
        entries.append({"index": index, "date": texts.get("date", ""),
                        "values": {m: parse_value(texts.get(m, "")) for m in MEASURES}})
    entries.sort(key=lambda e: (e["date"], e["index"]))
    page_text = " ".join("".join(dom.text).split())

    if not entries:
        check(dom.svg_count == 0, "a chart was drawn without entries")
        check(dom.chart_empty_hidden is False, "'No entries yet' is not shown in place of the chart")
        check("No entries yet" in page_text, "'No entries yet' missing")
    else:
        check(dom.svg_count == 1, "expected one chart svg, found %d" % dom.svg_count)
        for m in MEASURES:
            expected = [(e["date"], e["values"][m]) for e in entries if e["values"][m] is not None]
            lines = [line for line in dom.lines if line[0] == m]
            check(len(lines) == 1, "%s: expected one line, found %d" % (m, len(lines)))
            if len(lines) != 1:
                continue
            points = [tuple(float(c) for c in p.split(",")) for p in lines[0][1].split()]
            check(len(points) == len(expected),
                  "%s: line has %d points for %d numeric values" % (m, len(points), len(expected)))
            dots = [d for d in dom.dots if d.get("data-m") == m]
            want_dots = len(expected) if len(expected) <= MAX_DOTS else 0
            check(len(dots) == want_dots, "%s: %d dots for %d numeric values" % (m, len(dots), len(expected)))
            if len(dots) != want_dots or len(points) != len(expected):
                continue
            got = [(d.get("data-date"), float(d.get("data-value"))) for d in dots]
            check(got == expected[:len(got)], "%s: dots %s, expected %s" % (m, got, expected))
            xs = [p[0] for p in points]
            check(xs == sorted(xs), "%s: line does not run left to right in date order" % m)
            for d, p in zip(dots, points):
                check((float(d["cx"]), float(d["cy"])) == p, "%s: dot %s off its line point %s" % (m, d, p))
            print("  %-6s %2d values, one line, %d dots" % (m, len(expected), len(dots)))
        # Within one panel a larger value stands higher (smaller y).
        for panel in {d["panel"] for d in dom.dots}:
            ys = sorted((float(d["data-value"]), float(d["cy"])) for d in dom.dots if d["panel"] == panel)
            for (v1, y1), (v2, y2) in zip(ys, ys[1:]):
                check(v1 == v2 or y2 < y1, "panel %s: %s drawn at or below %s" % (panel, v2, v1))
        check(not dom.lines or {line[2] for line in dom.lines if line[0] == "weight"} !=
              {line[2] for line in dom.lines if line[0] != "weight"}, "weight shares the girths' axis")

    if failures:
        print("FAIL: %d problem(s):" % len(failures))
        for f in failures:
            print("  " + f)
        sys.exit(1)
    print("OK: %d entries, chart checked" % len(entries))


if __name__ == "__main__":
    main()
