#!/usr/bin/env bash
# Issue 11, point 7: diet.dat as a FIFO with a writer that never speaks. The program used to
# wait for it for ever before its window appeared, deaf to SIGTERM. Now only regular files are
# read: the window opens, empty, at once; SIGTERM ends it; the save is refused with its box and
# the FIFO is left as it was.
source "$(dirname "$0")/lib.sh" "$@"

mkfifo "$WORK/diet.dat" || die "cannot make a FIFO"
exec 7<>"$WORK/diet.dat"   # the silent writer, for as long as this script runs
start_app
note "the window appeared with diet.dat a FIFO"
kill -s TERM "$APP_PID" || die "cannot send SIGTERM"
box="$(wait_window "Error Writing File" 10)" || exit 1
focus_window "$box"
press Return
expect_clean_exit "SIGTERM with diet.dat a FIFO"
[[ -p "$WORK/diet.dat" ]] || die "diet.dat is no longer the FIFO"
exec 7>&-
