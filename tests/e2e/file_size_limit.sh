#!/usr/bin/env bash
# Issue 11, point 3: a file size limit (ulimit -f) on the real program. Writing past it used to
# kill the program with SIGXFSZ in the middle of the report or the save: no box, the entries
# lost, a temporary file left. Now the write fails with EFBIG, the usual box says so, the
# program goes on (after the report) or ends normally (after the save), the files that were
# there stay as they were, and no temporary file is left.
source "$(dirname "$0")/lib.sh" "$@"

APP_ULIMIT="-f 2"   # 2 KiB, for the program only
fake_opener

entry() { printf '2024-01-%02d|8%d.5|104|41|35|60|9%d' "$1" "$(($1 % 10))" "$(($1 % 10))"; }

dismiss_box() {  # dismiss_box TITLE: the box is there; Enter closes it (another may follow)
  local box deadline=$((SECONDS + 10))
  box="$(wait_window "$1" 10)" || exit 1
  focus_window "$box"
  press Return
  while grep -qx "$box" <<<"$(find_windows "$1")"; do
    ((SECONDS < deadline)) || die "the box '$1' did not close"
    sleep 0.05
  done
}

# The report: a page template of 4 KiB, far past the limit; the log of 3 entries is not.
note "the report"
diet_file "$(entry 1)" "$(entry 2)" "$(entry 3)" >"$WORK/diet.dat"
cp "$WORK/diet.dat" "$E2E_TMP/loaded.dat"
{
  printf '<html><body>\n'
  for ((i = 0; i < 80; i++)); do printf '<p>A line of the page template, %02d.</p>\n' "$i"; done
  printf '<table>#LINKS#</table></body></html>\n'
} >"$WORK/ReportOutter.htm"
printf '<tr><td>#DATE#</td><td>#WEIGHT#</td></tr>\n' >"$WORK/ReportInner.htm"
printf 'the earlier report\n' >"$E2E_TMP/earlier.htm"
cp "$E2E_TMP/earlier.htm" "$WORK/Report.htm"
start_app
tabs 13  # Select, six edits, Clear, the list, Add, Update, Remove, Report
press space
dismiss_box "Error Log"
app_running || die "the program ended after the report"
expect_file "$E2E_TMP/earlier.htm" "$WORK/Report.htm" "the earlier report after a report past the limit"
no_temporaries "the report past the limit"
focus_main
press Escape
expect_clean_exit "Escape after the report"
expect_file "$E2E_TMP/loaded.dat" "$WORK/diet.dat" "the log after the report"

# The save: a log of 40 entries (4 KiB) is past the limit; so is its rescue file.
note "the save"
records=()
for ((d = 1; d <= 40; d++)); do records+=("$(entry $(((d - 1) % 28 + 1)))"); done
diet_file "${records[@]}" >"$WORK/diet.dat"
cp "$WORK/diet.dat" "$E2E_TMP/loaded.dat"
start_app
press Escape
dismiss_box "Error Writing File"   # "Save to File", exactly as always
dismiss_box "Error Writing File"   # the rescue file could not be written either
expect_clean_exit "Escape with a log past the limit"
expect_file "$E2E_TMP/loaded.dat" "$WORK/diet.dat" "the log after a save past the limit"
no_temporaries "the save past the limit"
if compgen -G "$XDG_DATA_HOME/girthminder/*" >/dev/null; then die "a partial rescue file was left"; fi
