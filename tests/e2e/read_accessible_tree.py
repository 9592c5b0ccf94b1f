"""Prints what a screen reader finds in the running Girthminder through AT-SPI: one line per
named edit ("text NAME") and table ("table NAME"), and one per column heading of a table
("heading NAME"), in the order of the accessible tree."""

import sys
import time

import pyatspi


def find_application(name, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def walk(node, out):
    role = node.getRole()
    if role == pyatspi.ROLE_TEXT or role == pyatspi.ROLE_ENTRY:
        out.append(f"text {node.name}")
    elif role == pyatspi.ROLE_TABLE:
        out.append(f"table {node.name}")
        table = node.queryTable()
        for column in range(table.nColumns):
            header = table.getColumnHeader(column)
            out.append(f"heading {header.name if header is not None else table.getColumnDescription(column)}")
        return
    for child in node:
        if child is not None:
            walk(child, out)


def main():
    app = find_application(sys.argv[1], 15)
    if app is None:
        print(f"no application called {sys.argv[1]} on the accessibility bus", file=sys.stderr)
        return 1
    lines = []
    walk(app, lines)
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
