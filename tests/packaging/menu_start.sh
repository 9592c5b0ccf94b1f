#!/usr/bin/env bash
# The installed program started as the desktop menu starts it, by a new user with an empty home
# folder: it must run in ~/.local/share/girthminder with the sample templates there, so that the
# very first Report gives the sample report. A later start must leave the user's files alone.
#
# Usage: menu_start.sh COMMAND SAMPLES
#   COMMAND is the desktop entry's Exec program (the installed launcher), SAMPLES the folder of
#   the installed sample templates.
source "$(dirname "$0")/../e2e/lib.sh" "$1"
samples="$(realpath -e "${2:-}")" || die "no sample template folder: ${2:-}"

# A desktop starts its programs in the home folder, and a new user has no XDG_DATA_HOME.
unset XDG_DATA_HOME
WORK="$HOME"
data="$HOME/.local/share/girthminder"

# The desktop opener: records what it is asked to open.
mkdir -p "$E2E_TMP/bin"
opened="$E2E_TMP/opened.log"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$E2E_TMP/bin/xdg-open"
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"

start_app
[[ -d "$data" ]] || die "no data folder $data after the first start"
tabs 13  # Select, six edits, Clear, the list, Add, Update, Remove, Report
press space
wait_file "$opened" 10 "Report (13 Tabs from the date edit, then space) called no desktop opener"
press Escape
expect_clean_exit "Escape after Report"

[[ -f "$data/diet.dat" && ! -s "$data/diet.dat" ]] || die "no empty diet.dat in $data: $(ls -A "$data")"
for file in ReportOutter.htm ReportInner.htm; do
  cmp -s "$samples/$file" "$data/$file" || die "$data/$file is not the sample template"
done
[[ "$(cat "$opened")" == "$data/Report.htm" || "$(cat "$opened")" == "file://$data/Report.htm" ]] ||
  die "the opener was asked to open '$(cat "$opened")', expected $data/Report.htm"
# With no entries the report is the sample page with nothing in place of #LINKS# (line ends
# aside: the program writes CR LF).
[[ -f "$data/Report.htm" ]] || die "no Report.htm in $data"
if ! cmp -s <(sed 's/#LINKS#//g' "$samples/ReportOutter.htm" | tr -d '\r') <(tr -d '\r' <"$data/Report.htm"); then
  die "Report.htm is not the sample page filled with no entries"
fi
for file in diet.dat Report.htm ReportOutter.htm ReportInner.htm; do
  [[ -e "$HOME/$file" ]] && die "$file was written to the home folder"
done

# A second start: the launcher must not touch the user's log or templates.
diet_file "2026-12-01|80.5|101|40|35|60|90" >"$data/diet.dat"
echo 'my page: #LINKS#' >"$data/ReportOutter.htm"
echo 'my entry: #DATE#' >"$data/ReportInner.htm"
mkdir -p "$E2E_TMP/before"
cp -p "$data/diet.dat" "$data/ReportOutter.htm" "$data/ReportInner.htm" "$E2E_TMP/before/"
start_app
press Escape
expect_clean_exit "Escape on the second start"
for file in diet.dat ReportOutter.htm ReportInner.htm; do
  expect_file "$E2E_TMP/before/$file" "$data/$file" "the second start"
done
