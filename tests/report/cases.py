"""The table of logs for the sample report: each log, why it is there, and what the page must
show for it. check_reports.py turns each log into diet.dat, has the real program make
Report.htm from it, renders the page in headless Chromium and compares.

An entry is (date, weight, chest, neck, arm, leg, waist) as typed, in the order they were
added (the order of diet.dat); the program's list, and so the report's plain table, shows the
last added first.

Expectations name a value of probe.js's result by its path ("summary.weight.latest") and give
either the value itself or a (description, predicate) pair.
"""

import datetime


def weekly(start, weights, girths=None):
    """Entries one week apart from `start`, added in date order."""
    day = datetime.date.fromisoformat(start)
    entries = []
    for i, weight in enumerate(weights):
        g = girths[i] if girths else ("104", "40", "35", "60", "98")
        entries.append(((day + datetime.timedelta(weeks=i)).isoformat(), weight) + tuple(g))
    return entries


def at_least(n):
    return ("at least %s" % n, lambda v: v is not None and v >= n)


def at_most(n):
    return ("at most %s" % n, lambda v: v is not None and v <= n)


def contains(*parts):
    return ("containing %s" % ", ".join(repr(p) for p in parts), lambda v: v is not None and all(p in v for p in parts))


def excludes(part):
    return ("not containing %r" % part, lambda v: v is not None and part not in v)


# Fourteen weeks of a diet that loses exactly half a kilo a week and a centimetre of waist every
# other week: every figure of the summary is known in advance.
SAMPLE = weekly(
    "2026-01-05",
    ["90.0", "89.5", "89.0", "88.5", "88.0", "87.5", "87.0", "86.5", "86.0", "85.5", "85.0", "84.5", "84.0", "83.5"],
    [("110", "42", "36", "62", str(100 - i // 2)) for i in range(14)])

CASES = []


def case(name, why, entries, expect, scripts=True, printed=None, generate=None, blocked=False):
    """`blocked`: the page's security policy is expected to refuse something the values hold."""
    CASES.append({"name": name, "why": why, "entries": entries, "expect": expect, "scripts": scripts,
                  "printed": printed or {}, "generate": generate, "blocked": blocked})


case("sample", "fourteen weekly entries: summary, weekly rates, moving average, six panels, both orders",
     SAMPLE, {
         "overview": "14 entries, 2026-01-05 to 2026-04-06",
         "summary.weight.first": "90.0 kg",
         "summary.weight.latest": "83.5 kg",
         "summary.weight.change": "\u22126.5 kg",
         "summary.weight.perWeek": "\u22120.50 kg",
         "summary.weight.recentPerWeek": "\u22120.50 kg",
         "summary.waist.change": "\u22126 cm",
         "summary.waist.count": "14",
         "note.shown": False,
         "note.values": 0,
         "panelOrder": ["weight", "chest", "neck", "arm", "leg", "waist"],
         "panels.weight.dots": 14,
         "panels.weight.averagePoints": 8,  # from the seventh entry on
         "panels.weight.leftToRight": True,
         "dateOrder": [e[0] for e in reversed(SAMPLE)],
         "listOrder": [e[0] for e in reversed(SAMPLE)],
         "groups": ["April 2026", "March 2026", "February 2026", "January 2026"],
         "openGroups": 4,  # a short log is open in full
     }, printed={"printedRows": 14, "panels": 6, "listShown": False})

case("unit typed once", "issue 1: \"83,1 kg\" was shown as \"83,1 kg kg\"",
     weekly("2026-02-02", ["84,0 kg", "83,6 kg", "83,1 kg"]), {
         "summary.weight.first": "84,0 kg",
         "summary.weight.latest": "83,1 kg",
         "summary.weight.change": "\u22120,9 kg",
         "summary.weight.latestNote": "2026-02-16",
         "note.values": 0,
     })

case("units converted", "issue 2: lb, st and in were charted as kg and cm",
     [("2026-03-02", "84.0", "104", "40", "35", "60", "100"),
      ("2026-03-09", "13 st 2 lb", "104", "40", "35", "60", "100"),
      ("2026-03-16", "185 lb", "41 in", "400 mm", "35cm", "60", "41.5 in")], {
         "summary.weight.latest": "83.9 kg",          # 185 x 0.45359237
         "summary.weight.latestNote": contains("185 lb"),
         "summary.waist.latest": "105.4 cm",          # 41.5 x 2.54
         "summary.chest.latest": "104.1 cm",
         "summary.neck.latest": "40.0 cm",
         "summary.arm.latest": "35 cm",
         "panels.weight.hi": at_most(90),             # 185 would need a far taller scale
         "panels.waist.hi": at_most(110),
         "panels.weight.dots": 3,
         "note.values": 0,
     })

case("stone and pounds", "st alone and \"st lb\" read as one weight",
     [("2026-03-02", "13 st", "", "", "", "", ""), ("2026-03-09", "12st 13", "", "", "", "", ""),
      ("2026-03-16", "12 st 12.5 lbs", "", "", "", "", "")], {
         "summary.weight.first": "82.6 kg",           # 182 lb
         "summary.weight.latest": "81.9 kg",          # 180.5 lb
         "panelOrder": ["weight"],
         "note.values": 0,
     })

case("hand-edited date", "issue 3: \"09/02/2026\" sorted first and became the start",
     weekly("2026-01-05", ["88.0", "87.5", "87.0", "86.5", "86.0"]) +
     [("09/02/2026", "85.5", "104", "40", "35", "60", "98")], {
         "overview": contains("6 entries, 2026-01-05 to 2026-02-02", "1 of them with a date in another form"),
         "summary.weight.first": "88.0 kg",
         "summary.weight.firstDate": "2026-01-05",
         "summary.weight.latest": "86.0 kg",
         "note.shown": True,
         "note.dates": 1,
         "note.text": contains("09/02/2026"),
         "groups": ["Other dates (not in the chart)", "February 2026", "January 2026"],
         "dateOrder": ["09/02/2026", "2026-02-02", "2026-01-26", "2026-01-19", "2026-01-12", "2026-01-05"],
         "listOrder": ["09/02/2026", "2026-02-02", "2026-01-26", "2026-01-19", "2026-01-12", "2026-01-05"],
     })

case("unambiguous date forms", "YYYY/MM/DD and DD.MM.YYYY are charted; impossible dates are not",
     [("2026-01-05", "88.0", "", "", "", "", ""), ("2026/01/12", "87.5", "", "", "", "", ""),
      ("19.01.2026", "87.0", "", "", "", "", ""), ("2026-02-30", "86.5", "", "", "", "", ""),
      ("31.04.2026", "86.0", "", "", "", "", "")], {
         "overview": contains("5 entries, 2026-01-05 to 19.01.2026"),
         "summary.weight.latest": "87.0 kg",
         "summary.weight.count": "3",
         "note.dates": 2,
         "note.text": contains("2026-02-30", "31.04.2026"),
         "dateOrder": ["31.04.2026", "2026-02-30", "19.01.2026", "2026/01/12", "2026-01-05"],
     })

case("fractions and notes", "issue 4: \"84\u00bd kg\" and \"98 (note)\" were left out without a word",
     weekly("2026-01-05", ["86", "85\u00bc", "84\u00bd kg"],
            [("104", "40", "35", "60", "100"), ("104", "40", "35", "60", "99"),
             ("104", "n/a", "35", "60", "98 (note)")]), {
         "summary.weight.latest": "84.50 kg",
         "summary.weight.change": "\u22121.50 kg",
         "summary.waist.latest": "99 cm",
         "summary.waist.stale": contains("98 (note)"),
         "note.shown": True,
         "note.values": 2,
         "note.measures": "neck waist",
         "note.text": contains("98 (note)", "n/a", "neck 1", "waist 1"),
         "panels.waist.values": 2,
     })

case("own scale per girth", "issue 5: one 20-120 cm axis for every girth hid a 1 cm change of the waist",
     weekly("2026-01-05", ["88.0", "87.8", "87.9", "87.5"],
            [("112", "41", "36", "62", "90"), ("112", "41", "36", "62", "89.5"),
             ("112", "41", "36", "62", "89.5"), ("112", "41", "36", "62", "89")]), {
         "panelOrder": ["weight", "chest", "neck", "arm", "leg", "waist"],
         "panels.waist.hi": at_most(95),
         "panels.waist.lo": at_least(85),
         # One centimetre moves the line by a quarter of the panel at least.
         "panels.waist.travel": ("a quarter of the plot height at least",
                               lambda v, result: v >= result["panels"]["waist"]["plotHeight"] / 4),
         "summary.waist.change": "\u22121.0 cm",
     })

case("out of date order", "entries added late for earlier days: date order in the table, the list's order one click away",
     [("2026-03-01", "85.0", "", "", "", "", ""), ("2026-01-01", "87.0", "", "", "", "", ""),
      ("2026-02-01", "86.0", "", "", "", "", ""), ("2026-02-01", "85.8", "", "", "", "", "")], {
         "summary.weight.first": "87.0 kg",
         "summary.weight.latest": "85.0 kg",
         # Of two entries for one day, the one added later is the later one.
         "dateOrder": ["2026-03-01", "2026-02-01", "2026-02-01", "2026-01-01"],
         "listOrder": ["2026-02-01", "2026-02-01", "2026-01-01", "2026-03-01"],
         "panels.weight.leftToRight": True,
     })

case("markup in values", "values are inserted without escaping: markup in them is text to the chart and runs no code",
     [("2026-01-05", "88.0", "102 & more", "5'11\"", "<b>35</b>",
       "</script><script>window.injected = 1</script>", "<img src=\"missing.png\" onerror=\"window.injected = 2\">"),
      ("2026-01-12", "87.5", "104", "\"40\"", "&lt;34", "60", "98")], {
         "injected": None,
         "title": "Girthminder progress report",
         "summary.weight.latest": "87.5 kg",
         "summary.arm.latest": "35 cm",              # "<b>35</b>" reads as its text
         "summary.arm.stale": contains("<34"),
         # The script in the leg cell is text too: its words are a value that can't be read.
         "note.values": 5,
         "note.text": contains("102 & more", "5'11\"", "\"40\"", "<34", "window.injected = 1"),
         "dateOrder": ["2026-01-12", "2026-01-05"],
     }, blocked=True)

case("no entries", "an empty log: no chart, a plain word", [], {
    "overview": "0 entries",
    "chartEmpty": "No entries yet",
    "summaryShown": False,
    "panelOrder": [],
    "dateOrder": [],
})

case("one entry", "a single entry: no change and no rate to speak of",
     [("2026-01-05", "88.0", "104", "40", "35", "60", "98")], {
         "overview": "1 entry, 2026-01-05",
         "summary.weight.first": "88.0 kg",
         "summary.weight.change": "\u2013",
         "summary.weight.perWeek": "\u2013",
         "panels.weight.points": 1,
         "panels.weight.averagePoints": 0,
     })

case("scripts off", "without scripts the plain table shows every entry", SAMPLE, {
    "plainTableShown": True,
    "scriptOffShown": True,
}, scripts=False)

case("100,000 entries", "issues 6 and 7: from about 30,000 entries the chart was not drawn; 100,000 took 30 s",
     None, {
         "entries": 100000,
         "overview": contains("100000 entries, 1990-01-01 to 2263-10-16"),
         "panelOrder": ["weight", "chest", "neck", "arm", "leg", "waist"],
         "panels.weight.values": 100000,
         "panels.weight.points": at_most(2 * 908),  # a downsampled line: two points a pixel at most
         "panels.weight.averagePoints": at_most(2 * 908),
         "panels.weight.dots": 0,
         "panels.weight.inside": True,
         "dateOrder": contains("2263-10-16"),
         "openGroups": 3,
         # Months for the last two years, then years: 24 + 272 group headings, not 3,286.
         "groups": ("24 months and then years", lambda v: len(v) == 24 + 272 and v[24] == "2261" and v[-1] == "1990"),
         "builtRows": at_most(400),  # twelve months for print, nothing older until opened
         "closedMonthOpens": at_least(28),
         "listRows": 500,
         # A generous bound for a busy machine: the benchmark measures the real figure.
         "drawnMs": at_most(15000),
     }, printed={"printedRows": at_most(366), "panels": 6, "listShown": False}, generate=100000)
