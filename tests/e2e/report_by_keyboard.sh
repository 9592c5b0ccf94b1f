#!/usr/bin/env bash
# Report by keyboard: the program fills the sample templates with every entry, in list order
# (newest added first), writes Report.htm and hands its absolute path to the desktop opener;
# the page then renders in Chromium with its chart.
source "$(dirname "$0")/lib.sh" "$@"

templates="$(cd "$(dirname "$0")/../../templates" && pwd)" || die "no templates directory"
cp "$templates/ReportOutter.htm" "$templates/ReportInner.htm" "$WORK/" || die "cannot copy the templates"

# Eight weeks of a diet, earliest first as in the file.
entries=(
  "2025-01-05|92.4|112|44|38|65|106"
  "2025-01-12|91.8|111.5|44|38|64.5|105"
  "2025-01-19|91,1|111|43.5|37.5|64|104"
  "2025-01-26|90.2|110|43.5|37.5|64|103"
  "2025-02-02|89.9|110|43|37|63.5|102.5"
  "2025-02-09|89.0 kg|109|43|37|63|101"
  "2025-02-16|88.3|108.5|42.5|36.5|62.5|100"
  "2025-02-23|87.6|108|42.5|36.5|62|99"
)
diet_file "${entries[@]}" >"$WORK/diet.dat"
cp "$WORK/diet.dat" "$E2E_TMP/loaded.dat"

# The desktop opener: records what it is asked to open.
mkdir -p "$E2E_TMP/bin"
opened="$E2E_TMP/opened.log"
cat >"$E2E_TMP/bin/xdg-open" <<OPENER
#!/bin/sh
printf '%s\n' "\$*" >>"$opened"
OPENER
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"

start_app
tabs 13  # Select, six edits, Clear, the list, Add, Update, Remove, Report
press space
wait_file "$opened" 10 "Report (13 Tabs from the date edit, then space) called no desktop opener"
[[ -f "$WORK/Report.htm" ]] || die "the opener was called but there is no Report.htm"
screenshot reported

# The opener is asked once, for this directory's Report.htm.
report="$WORK/Report.htm"
mapfile -t calls <"$opened"
((${#calls[@]} == 1)) || die "the opener was called ${#calls[@]} times: ${calls[*]}"
[[ "${calls[0]}" == "$report" || "${calls[0]}" == "file://$report" ]] ||
  die "the opener was asked to open '${calls[0]}', expected $report"

# One table row per entry, top list row (last added) first, every field in its cell.
expected_rows="$(for ((i = ${#entries[@]} - 1; i >= 0; i--)); do echo "${entries[i]}"; done)"
actual_rows="$(tr -d '\r' <"$report" | grep -o '<tr data-entry[^>]*>.*</tr>' |
  sed -E 's#<td data-m="[a-z]+">([^<]*)</td>#\1|#g; s#^<tr data-entry[^>]*>##; s#\|</tr>$##')"
if [[ "$actual_rows" != "$expected_rows" ]]; then
  diff -u <(echo "$expected_rows") <(echo "$actual_rows") >&2
  die "the report's entry rows differ from the list"
fi
! grep -qE '#(LINKS|DATE|WEIGHT|CHEST|NECK|ARM|LEG|WAIST)#' "$report" ||
  die "placeholders are left in the report: $(grep -oE '#[A-Z]+#' "$report" | sort -u | tr '\n' ' ')"

press Escape
expect_clean_exit "Escape after Report"
expect_file "$E2E_TMP/loaded.dat" "$WORK/diet.dat" "the report changed the log"

if [[ -x /usr/bin/chromium ]]; then
  bash "$REPO_DIR/tests/report/check_sample_report.sh" "$WORK" ||
    die "the program's Report.htm does not render as expected in Chromium"
  if [[ -n "${E2E_ARTIFACTS:-}" && -f "$WORK/report.png" ]]; then
    cp "$WORK/report.png" "$E2E_ARTIFACTS/$E2E_NAME-chromium.png"
  fi
else
  note "no /usr/bin/chromium: the rendering check is skipped"
fi
