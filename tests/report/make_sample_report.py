#!/usr/bin/env python3
"""Writes Report.htm from the two templates the way Girthminder's Report button does.

usage: make_sample_report.py TEMPLATES_DIR OUT_DIR [sample|none|one|odd]

Templates are read in text mode (CR LF -> LF, a Ctrl-Z ends the file); every entry gets a
fresh copy of the entry template with the placeholders replaced in the program's order; the
joined copies replace #LINKS# in the page; the report is written with CR LF line ends.
"""

import os
import sys

# Field order of an entry: date, weight, chest, neck, arm, leg, waist.
FIELDS = ("date", "weight", "chest", "neck", "arm", "leg", "waist")
REPLACE_ORDER = ("weight", "arm", "leg", "waist", "neck", "chest", "date")

# List order: the most recently inserted entry first, as the list shows it.
SAMPLE = [
    ("2006-03-26", "79,4", "100", "38", "32,5", "56", "89"),
    ("2006-03-19", "79.9", "100.5", "38", "32.5", "56.5", "90"),
    ("2006-03-12", "80,6", "101", "38,5", "33", "57", "91,5"),
    ("2006-03-05", "81.2", "101.5", "38.5", "33", "57", "92.5"),
    ("2006-02-26", "81,9", "102", "n/a", "33", "57.5", "93"),
    ("2006-02-19", "82.3", "102", "39", "33.5", "57.5", "94"),
    ("2006-02-12", "83.0", "102.5", "39", "33.5", "58", "95"),
    ("2006-02-05", "83,8", "103", "39", "34", "58", "95.5"),
    ("2006-01-29", "84.1", "103.5", "39.5", "34", "58.5", "96.5"),
    ("2006-01-22", "84.9", "104", "39.5", "34", "58.5", "97"),
    ("2006-01-15", "85.6", "104", "40", "34.5", "59", "98"),
    ("2006-01-08", "86.4", "104.5", "40", "34.5", "59", "99"),
]

# Texts a user can type that are not plain numbers, in a list that is not in date order.
ODD = [
    ("2006-02-01", "80 kg", "</td><b>x</b>", "", "33", "57", "90"),
    ("2006-01-01", "82,5", "102 & more", "39", "<i>34</i>", "58", "n/a"),
    ("2006-03-01", "79.5", "100", "38", "33", "", "88,5"),
    ("2006-01-01", "83", "103", "39.5", "#DATE#", "58,5", "91"),
    ("not a date", "81", "'\"quoted\"", "38.5", "33", "57", "89"),
]

SETS = {"sample": SAMPLE, "none": [], "one": SAMPLE[-1:], "odd": ODD}


def read_text_mode(path):
    with open(path, "rb") as f:
        data = f.read()
    data = data.split(b"\x1a", 1)[0]
    return data.replace(b"\r\n", b"\n")


def fill_entry(template, entry):
    values = dict(zip(FIELDS, entry))
    copy = template
    for field in REPLACE_ORDER:
        # bytes.replace is one left-to-right pass without overlap, like the program's.
        copy = copy.replace(b"#" + field.upper().encode() + b"#", values[field].encode("utf-8"))
    return copy


def main():
    if len(sys.argv) not in (3, 4) or (len(sys.argv) == 4 and sys.argv[3] not in SETS):
        sys.exit(__doc__)
    templates, out = sys.argv[1], sys.argv[2]
    entries = SETS[sys.argv[3] if len(sys.argv) == 4 else "sample"]
    page = read_text_mode(os.path.join(templates, "ReportOutter.htm"))
    inner = read_text_mode(os.path.join(templates, "ReportInner.htm"))
    joined = b"".join(fill_entry(inner, e) for e in entries)
    report = page.replace(b"#LINKS#", joined)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "Report.htm"), "wb") as f:
        f.write(report.replace(b"\n", b"\r\n"))


if __name__ == "__main__":
    main()
