#!/usr/bin/env bash
# The menu's launcher, bin/girthminder-desktop of an installed tree, run with a stand-in for the
# program that records the folder it was started in. Checks where the launcher runs the program,
# that a first start gets the sample templates, and that nothing already in the data folder is
# ever replaced.
#
# Usage: check_launcher.sh PREFIX   (the folder holding the installed bin/ and share/)
set -uo pipefail

[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
prefix="$(cd "$1" 2>/dev/null && pwd)" || { echo "no such folder: $1" >&2; exit 2; }
samples="$prefix/share/girthminder/templates"
[ -x "$prefix/bin/girthminder-desktop" ] || { echo "FAIL: no executable $prefix/bin/girthminder-desktop" >&2; exit 1; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/girthminder-launcher.XXXXXX")" || exit 1
trap 'rm -rf "$scratch"' EXIT

# A copy of the installed tree whose program is the stand-in.
tree="$scratch/tree"
mkdir -p "$tree/bin"
cp "$prefix/bin/girthminder-desktop" "$tree/bin/"
ln -s "$prefix/share" "$tree/share"
cat >"$tree/bin/girthminder" <<'STANDIN'
#!/bin/sh
pwd >"$RECORD"
printf '%s\n' "$@" >"$RECORD.args"
STANDIN
chmod +x "$tree/bin/girthminder"

failed=0
cases=0
fail() {
  failed=$((failed + 1))
  echo "FAIL [$case_name]: $*" >&2
}

# start_case NAME: a fresh, empty home folder.
start_case() {
  case_name="$1"
  cases=$((cases + 1))
  home="$scratch/$cases/home"
  record="$scratch/$cases/ran-in"
  mkdir -p "$home"
}

# launch [VAR=VALUE...]: runs the launcher as a desktop would, from the home folder, with only
# the given environment; sets $status.
launch() {
  (cd "$home" && env -i PATH=/usr/bin:/bin HOME="$home" RECORD="$record" "$@" \
    "${launcher:-$tree/bin/girthminder-desktop}" >"$scratch/$cases/out" 2>&1)
  status=$?
}

expect_ran_in() {  # expect_ran_in FOLDER
  if [ "$status" -ne 0 ]; then
    fail "the launcher failed (exit $status): $(cat "$scratch/$cases/out")"
  elif [ "$(cat "$record" 2>/dev/null)" != "$1" ]; then
    fail "the program ran in '$(cat "$record" 2>/dev/null)', expected '$1'"
  fi
}

expect_samples_in() {  # expect_samples_in FOLDER
  local file
  for file in ReportOutter.htm ReportInner.htm; do
    cmp -s "$samples/$file" "$1/$file" || fail "$1/$file is not the sample template"
  done
}

expect_same() {  # expect_same FILE CONTENT
  [ -f "$1" ] && [ "$(cat "$1")" = "$2" ] || fail "$1 was changed (now: '$(cat "$1" 2>&1)')"
}

expect_absent() {  # expect_absent PATH...
  local path
  for path in "$@"; do
    [ -e "$path" ] || [ -L "$path" ] && fail "$path should not exist"
  done
  return 0
}

start_case "first start, XDG_DATA_HOME unset"
launch
data="$home/.local/share/girthminder"
expect_ran_in "$data"
expect_samples_in "$data"
[ "$(stat -c %a "$data")" = 700 ] || fail "$data has mode $(stat -c %a "$data"), expected 700"
[ "$(ls -A "$data" | tr '\n' ' ')" = "ReportInner.htm ReportOutter.htm " ] ||
  fail "the data folder holds '$(ls -A "$data" | tr '\n' ' ')', expected only the two templates"
[ "$(ls -A "$home")" = .local ] || fail "the home folder holds '$(ls -A "$home" | tr '\n' ' ')'"

for value in "$scratch/elsewhere" "$scratch/with space/and 'quotes'"; do
  start_case "XDG_DATA_HOME=$value"
  launch XDG_DATA_HOME="$value"
  expect_ran_in "$value/girthminder"
  expect_samples_in "$value/girthminder"
  expect_absent "$home/.local"
done

for value in "" "relative/path"; do
  start_case "XDG_DATA_HOME='$value' means the default"
  launch XDG_DATA_HOME="$value"
  expect_ran_in "$home/.local/share/girthminder"
  expect_absent "$home/relative"
done

start_case "a second start keeps the user's log and templates, and passes the arguments on"
data="$home/.local/share/girthminder"
mkdir -p "$data"
printf 'my log\r\n' >"$data/diet.dat"
echo 'my page #LINKS#' >"$data/ReportOutter.htm"
echo 'my entry #DATE#' >"$data/ReportInner.htm"
launch
expect_ran_in "$data"
expect_same "$data/diet.dat" "$(printf 'my log\r')"
expect_same "$data/ReportOutter.htm" 'my page #LINKS#'
expect_same "$data/ReportInner.htm" 'my entry #DATE#'
(cd "$home" && env -i PATH=/usr/bin:/bin HOME="$home" RECORD="$record" \
  "$tree/bin/girthminder-desktop" -style fusion "two words")
[ "$(cat "$record.args" 2>/dev/null)" = "$(printf '%s\n' -style fusion "two words")" ] ||
  fail "the program got the arguments '$(tr '\n' '|' <"$record.args")'"

start_case "one template of the user's: no sample is mixed in"
data="$home/.local/share/girthminder"
mkdir -p "$data"
echo 'my entry #DATE#' >"$data/ReportInner.htm"
launch
expect_ran_in "$data"
expect_same "$data/ReportInner.htm" 'my entry #DATE#'
expect_absent "$data/ReportOutter.htm"

start_case "a dangling link named like a template is not written through"
data="$home/.local/share/girthminder"
mkdir -p "$data"
ln -s "$scratch/$cases/target" "$data/ReportOutter.htm"
launch
expect_ran_in "$data"
expect_absent "$scratch/$cases/target" "$data/ReportInner.htm"
[ -L "$data/ReportOutter.htm" ] || fail "the link was replaced"

start_case "a file where the data folder should be: the program is not started"
mkdir -p "$home/.local/share"
echo 'not a folder' >"$home/.local/share/girthminder"
launch
[ "$status" -ne 0 ] || fail "the launcher reported success"
expect_absent "$record"
expect_same "$home/.local/share/girthminder" 'not a folder'

start_case "started through a link to the launcher"
mkdir -p "$scratch/$cases/links"
ln -s "$tree/bin/girthminder-desktop" "$scratch/$cases/links/girthminder-desktop"
launcher="$scratch/$cases/links/girthminder-desktop" launch
expect_ran_in "$home/.local/share/girthminder"
expect_samples_in "$home/.local/share/girthminder"

echo "launcher: $cases cases, $failed failures"
[ "$failed" -eq 0 ]
