#!/usr/bin/env bash
# Issue 11, point 4: out of memory for real, under an address space limit (ulimit -v). A
# report from a huge entry template needs gigabytes: it used to end the program through an
# uncaught std::bad_alloc, losing the entries typed. Now the report gives its own box, the
# program goes on, and Quit saves. AddressSanitizer ends a process on a failed allocation
# instead of throwing, and needs terabytes of address space: a sanitized build skips this
# script (status 77), and the dialog test Point4_OutOfMemoryIsAFailedCommandNeverADeath stands
# for it there.
source "$(dirname "$0")/lib.sh" "$@"

if ldd "$GIRTH_EXE" 2>/dev/null | grep -q libasan; then
  note "SKIP: a sanitized build cannot run out of memory by std::bad_alloc"
  exit 77
fi
APP_ULIMIT="-v 1500000"   # about 1.4 GiB of address space
fake_opener

today="$(date +%F)"
loaded=()
for ((d = 1; d <= 28; d++)); do loaded+=("$(printf '2024-02-%02d' "$d")|88.4|109|43|37|63|101"); done
for ((d = 1; d <= 28; d++)); do loaded+=("$(printf '2024-03-%02d' "$d")|88.4|109|43|37|63|101"); done
for ((d = 1; d <= 28; d++)); do loaded+=("$(printf '2024-04-%02d' "$d")|88.4|109|43|37|63|101"); done
diet_file "${loaded[@]}" >"$WORK/diet.dat"
printf '<table>#LINKS#</table>\n' >"$WORK/ReportOutter.htm"
# An entry template of 24 MiB: with 85 entries, a report of 2 GiB, past the limit.
head -c $((24 * 1024 * 1024)) /dev/zero | tr '\0' 'x' >"$WORK/ReportInner.htm"
printf '#DATE#\n' >>"$WORK/ReportInner.htm"
start_app
add_entry_by_keyboard "86.6" "36" "98" "107" "61.5" "42"
confirm_added n
tabs 3  # from Add: Update, Remove, Report
press space
box="$(wait_window "Error Log" 60)" || exit 1
focus_window "$box"
press Return
wait_window_gone "Error Log"
app_running || die "the program ended after running out of memory"
focus_main
press Escape
expect_clean_exit "Escape after running out of memory"
diet_file "${loaded[@]}" "$today|86.6|107|42|36|61.5|98" >"$E2E_TMP/expected.dat"
expect_file "$E2E_TMP/expected.dat" "$WORK/diet.dat" "the log after running out of memory"
