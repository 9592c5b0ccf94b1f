#!/usr/bin/env bash
# Renders a generated Report.htm in headless Chromium and checks what its script drew.
#
# usage: check_sample_report.sh DIR     checks DIR/Report.htm, screenshot in DIR/report.png
#        check_sample_report.sh         builds sample reports from templates/ (12 entries,
#                                       none, one, odd texts) and checks each of them
#
# Checks: the page loads nothing from outside; its script ran to the end without an error;
# the chart has one line per measurement with one point and one dot per numeric value, in
# date order. Exits non-zero on the first report that fails.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
chromium="${CHROMIUM:-/usr/bin/chromium}"

if [[ ! -x "$chromium" ]]; then
  echo "check_sample_report: $chromium not found (apt-get install chromium)" >&2
  exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

run_chromium() {  # run_chromium PROFILE_DIR ARGS...: headless, no network, no sync or updates
  local profile="$1"
  shift
  timeout 90 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --disable-dev-shm-usage --user-data-dir="$profile" "$@"
}

check_dir() {
  local dir report name
  dir="$(cd "$1" && pwd)"
  report="$dir/Report.htm"
  name="$(basename "$dir")"
  echo "== $report"
  [[ -f "$report" ]] || { echo "FAIL: no Report.htm in $dir"; return 1; }

  # Everything must be inline: no fetched script, style, font or image.
  if grep -Einq '<(script|img|iframe|link)[^>]*[[:space:]](src|href)=|@import|url\(' "$report"; then
    echo "FAIL: the page refers to outside resources:"
    grep -Ein '<(script|img|iframe|link)[^>]*[[:space:]](src|href)=|@import|url\(' "$report" | head -5
    return 1
  fi

  local dom="$work/$name.dom.html" log="$work/$name.log"
  run_chromium "$(mktemp -d -p "$work")" --enable-logging=stderr --v=0 \
    --virtual-time-budget=5000 --dump-dom "file://$report" >"$dom" 2>"$log" || {
    echo "FAIL: chromium could not dump the page"; tail -5 "$log"; return 1; }
  # Errors outside the page's own handler (syntax errors) still reach the console log.
  if grep -E 'CONSOLE.*(Uncaught|Error)' "$log"; then
    echo "FAIL: the page logged a script error"
    return 1
  fi
  python3 "$here/check_report_dom.py" "$dom" || return 1

  run_chromium "$(mktemp -d -p "$work")" --hide-scrollbars --window-size=1000,1400 \
    --virtual-time-budget=5000 --screenshot="$dir/report.png" "file://$report" >/dev/null 2>&1 || {
    echo "FAIL: no screenshot"; return 1; }
  echo "   screenshot: $dir/report.png"
}

if [[ $# -ge 1 ]]; then
  for dir in "$@"; do check_dir "$dir"; done
else
  out="${REPORT_SAMPLES_DIR:-$work/samples}"
  for set in sample none one odd; do
    python3 "$here/make_sample_report.py" "$repo/templates" "$out/$set" "$set"
    check_dir "$out/$set"
  done
  [[ -n "${REPORT_SAMPLES_DIR:-}" ]] || echo "(set REPORT_SAMPLES_DIR to keep the screenshots)"
fi
echo "All reports passed."
