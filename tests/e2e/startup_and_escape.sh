#!/usr/bin/env bash
# First start in an empty directory: the window opens, an empty diet.dat is there at once,
# Escape ends the program normally and the empty log is saved as an empty file.
source "$(dirname "$0")/lib.sh" "$@"

start_app
screenshot started

[[ -f "$WORK/diet.dat" ]] || die "no diet.dat right after start-up"
[[ ! -s "$WORK/diet.dat" ]] || die "diet.dat is not empty right after start-up"
# Loading is silent: the main window is the only one open.
others="$(xdotool search --onlyvisible --pid "$APP_PID" . 2>/dev/null | grep -vx "$MAIN_WIN")"
[[ -z "$others" ]] || die "other windows are open at start-up: $others ($(xdotool getwindowname "${others%%$'\n'*}"))"

press Escape
expect_clean_exit "Escape"

[[ -f "$WORK/diet.dat" && ! -s "$WORK/diet.dat" ]] || die "after Escape diet.dat is not an empty file"
# Saving leaves nothing behind beside the log (no temporary files, no other output).
left="$(ls -A "$WORK")"
[[ "$left" == "diet.dat" ]] || die "the directory holds more than diet.dat: $(tr '\n' ' ' <<<"$left")"
