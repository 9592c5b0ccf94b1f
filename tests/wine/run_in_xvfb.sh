#!/usr/bin/env bash
# run_in_xvfb.sh WINE64 PROGRAM [ARGS...]: runs a Windows program under wine64 in a private X
# server, with a Wine server of its own that ends with it.
set -u
wine64="$1"
shift
tmp="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
wineserver="$(dirname "$wine64")/wineserver"
trap '"$wineserver" -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$tmp/display")"
"$wineserver" -k 2>/dev/null
"$wine64" "$@"
