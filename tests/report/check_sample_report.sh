#!/usr/bin/env bash
# Renders reports made from the sample templates in headless Chromium and checks what they show.
#
# usage: check_sample_report.sh --cases REPORT_FROM_LOG
#            every log of cases.py, turned into Report.htm by the real program's Report command
#        check_sample_report.sh DIR...
#            each DIR/Report.htm made elsewhere; screenshot in DIR/report.png
#
# The work is done by check_reports.py (see there). Set REPORT_CASES_DIR to keep the reports of
# the cases, REPORT_ONLY=TEXT to run only the cases whose name holds TEXT.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
chromium="${CHROMIUM:-/usr/bin/chromium}"
if [[ ! -x "$chromium" ]]; then
  echo "check_sample_report: $chromium not found (apt-get install chromium)" >&2
  exit 2
fi

if [[ "${1:-}" == "--cases" ]]; then
  [[ $# -eq 2 ]] || { echo "usage: $0 --cases REPORT_FROM_LOG" >&2; exit 2; }
  args=(--program "$2")
  [[ -n "${REPORT_CASES_DIR:-}" ]] && args+=(--keep "$REPORT_CASES_DIR")
  [[ -n "${REPORT_ONLY:-}" ]] && args+=(--only "$REPORT_ONLY")
  exec python3 "$here/check_reports.py" "${args[@]}"
fi
[[ $# -ge 1 ]] || { echo "usage: $0 --cases REPORT_FROM_LOG | DIR..." >&2; exit 2; }
exec python3 "$here/check_reports.py" --dir "$@"
