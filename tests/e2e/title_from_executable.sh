#!/usr/bin/env bash
# The application title, the caption of the program's own boxes, is the executable file's
# name: started under another name (as a launcher or a shell alias may do), the duplicate
# question is still captioned "girthminder".
source "$(dirname "$0")/lib.sh" "$@"
[[ "$(basename "$GIRTH_EXE")" == girthminder ]] || die "expects the executable called girthminder"

APP_ARGV0="diet-launcher" start_app
add_entry_by_keyboard 82.5 35 96 104 60 41
confirm_added n
press Escape
expect_clean_exit "Escape"
