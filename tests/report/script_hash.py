#!/usr/bin/env python3
"""Keeps the checksum of ReportOutter.htm's script in the page's security policy true.

usage: script_hash.py [--update] [TEMPLATE]     (default: templates/ReportOutter.htm)

The page's Content-Security-Policy lets run only the script whose SHA-256 it names, so that a
value in the table holding markup cannot run code. The browser hashes the script's text as it
parses it, with line ends as LF (the report is written with CR LF). Without --update: exits 1
when the checksum in the policy is not the script's. With --update: writes the right one.
"""

import base64
import hashlib
import os
import re
import sys

POLICY_HASH = re.compile(r"(script-src 'sha256-)([^']*)(')")


def script_hash(page):
    start = page.index("<script>") + len("<script>")
    text = page[start:page.index("</script>", start)]
    digest = hashlib.sha256(text.replace("\r\n", "\n").encode("utf-8")).digest()
    return base64.b64encode(digest).decode()


def main():
    args = [a for a in sys.argv[1:] if a != "--update"]
    update = "--update" in sys.argv[1:]
    path = args[0] if args else os.path.join(os.path.dirname(__file__), "..", "..", "templates",
                                             "ReportOutter.htm")
    with open(path, encoding="utf-8", newline="") as f:
        page = f.read()
    found = POLICY_HASH.search(page)
    if not found:
        sys.exit("%s: no script-src 'sha256-...' in the page's policy" % path)
    want = script_hash(page)
    if found.group(2) == want:
        print("%s: the policy names the script's checksum" % path)
        return
    if not update:
        print("%s: the policy names sha256-%s, the script is sha256-%s; run %s --update"
              % (path, found.group(2), want, sys.argv[0]))
        sys.exit(1)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(POLICY_HASH.sub(lambda m: m.group(1) + want + m.group(3), page, count=1))
    print("%s: checksum updated to sha256-%s" % (path, want))


if __name__ == "__main__":
    main()
