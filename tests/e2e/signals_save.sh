#!/usr/bin/env bash
# Ending the program from outside (SIGTERM, SIGINT, SIGHUP) saves the log like the close
# command: an entry added by keyboard is in diet.dat afterwards, after the loaded ones, also
# when a question box is still open as the signal arrives.
source "$(dirname "$0")/lib.sh" "$@"

today="$(date +%F)"
loaded=(
  "2024-01-07|88.4|109|43|37|63|101"
  "2024-01-14|87,9 kg|108|43|37|62.5|100"
  "2024-01-21|87.1|108|42.5|36.5|62|99"
)
added="$today|86.6|107|42|36|61.5|98"

#      signal  the duplicate question when the signal arrives
cases=(
  "TERM    answered"
  "INT     answered"
  "HUP     open"
)
for case in "${cases[@]}"; do
  read -r sig question <<<"$case"
  note "SIG$sig, question $question"
  diet_file "${loaded[@]}" >"$WORK/diet.dat"
  start_app
  add_entry_by_keyboard "86.6" "36" "98" "107" "61.5" "42"
  if [[ "$question" == answered ]]; then
    confirm_added n
  else
    confirm_added
  fi
  kill -s "$sig" "$APP_PID" || die "cannot send SIG$sig"
  expect_clean_exit "SIG$sig"
  # The entry is in the log once: an open question does not count as Yes.
  diet_file "${loaded[@]}" "$added" >"$E2E_TMP/expected.dat"
  expect_file "$E2E_TMP/expected.dat" "$WORK/diet.dat" "log saved on SIG$sig"
done
