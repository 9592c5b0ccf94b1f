#!/usr/bin/env bash
# Keyboard only, through the tab order: an entry typed into the form and added is in
# diet.dat after Escape, comes back on the next start, and a second entry is saved after it.
source "$(dirname "$0")/lib.sh" "$@"

today="$(date +%F)"
yesterday="$(date -d yesterday +%F)"

# First run: today's date from the calendar as it opens; a value with a blank and one with a
# decimal comma are kept as typed. Form order is Weight, Arm, Waist, Chest, Leg, Neck; the
# file's order is Weight, Chest, Neck, Arm, Leg, Waist.
note "first run: add today's entry, Escape"
start_app
add_entry_by_keyboard "82,5" "35 cm" "96" "104" "60" "41"
confirm_added n  # No: still one entry
press Escape
expect_clean_exit "Escape after Add"
diet_file "$today|82,5|104|41|35 cm|60|96" >"$E2E_TMP/one.dat"
expect_file "$E2E_TMP/one.dat" "$WORK/diet.dat" "first entry after Escape"

# Second run: the entry is loaded, and saving it unchanged gives the same bytes.
note "second run: Escape at once"
start_app
press Escape
expect_clean_exit "Escape right after start-up"
expect_file "$E2E_TMP/one.dat" "$WORK/diet.dat" "log loaded and saved unchanged"

# Third run: yesterday (Left in the calendar) goes after today's entry, in the order of
# adding and not by date; Quit is reached by keyboard (Add, Update, Remove, Report, Help, Quit).
note "third run: add yesterday's entry, Quit"
start_app
add_entry_by_keyboard "81.9" "34.5" " 95" "103" "59,5" "40" Left
confirm_added n
tabs 5
press space
expect_clean_exit "Quit"
diet_file "$today|82,5|104|41|35 cm|60|96" "$yesterday|81.9|103|40|34.5|59,5| 95" >"$E2E_TMP/two.dat"
expect_file "$E2E_TMP/two.dat" "$WORK/diet.dat" "second entry after Quit"
