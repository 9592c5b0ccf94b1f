#!/usr/bin/env bash
# Issue 11, point 8: the display goes away under the running program (here its X server ends,
# as when ssh -X drops or a session ends without session management). Qt then ends the process
# itself; the log must be saved first, with the entry typed since start-up.
source "$(dirname "$0")/lib.sh" "$@"

today="$(date +%F)"
loaded=("2024-01-07|88.4|109|43|37|63|101" "2024-01-14|87.9|108|43|37|62.5|100")
diet_file "${loaded[@]}" >"$WORK/diet.dat"
start_app
add_entry_by_keyboard "86.6" "36" "98" "107" "61.5" "42"
confirm_added n
note "ending the X server under the program"
kill -s KILL "$XVFB_PID" || die "cannot end Xvfb"
wait "$XVFB_PID" 2>/dev/null
XVFB_PID=""
unset DISPLAY  # nothing to take screenshots on any more
wait_exit 20
note "the program ended with status $APP_STATUS"
diet_file "${loaded[@]}" "$today|86.6|107|42|36|61.5|98" >"$E2E_TMP/expected.dat"
expect_file "$E2E_TMP/expected.dat" "$WORK/diet.dat" "the log after the display was lost"
no_temporaries "the save after the display was lost"
