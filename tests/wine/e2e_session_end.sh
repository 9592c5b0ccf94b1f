#!/usr/bin/env bash
# Logging off saves the log: Wine's end of session sends WM_QUERYENDSESSION and WM_ENDSESSION to
# the program's windows, here while the duplicate question is still open; the entry added
# before is in diet.dat afterwards. Needs tests/wine/wine_e2e.sh (E2E_PLATFORM_LIB).
source "$(dirname "$0")/../e2e/lib.sh" "$@"
declare -F window_texts >/dev/null || die "run with E2E_PLATFORM_LIB=tests/wine/wine_e2e.sh"

start_app
add_entry_by_keyboard 79.5 33 91 99 54 39
confirm_added  # the question stays open
screenshot question-open

note "ending the session"
timeout 60 "$GIRTH_WINE64" wineboot --end-session >/dev/null 2>&1 || note "wineboot --end-session: status $?"
wait_exit 30
today="$(date +%F)"
diet_file "$today|79.5|99|39|33|54|91" >"$E2E_TMP/one.dat"
expect_file "$E2E_TMP/one.dat" "$WORK/diet.dat" "the log after the session ended"
