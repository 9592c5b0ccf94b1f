# Shared helpers for the end-to-end scripts: a private X server, a scratch directory, the real
# executable started in it, keys sent through xdotool, and clean-up of all of it on exit.
#
# usage (first lines of a script):
#   source "$(dirname "$0")/lib.sh" "$@"     # $1 = path to the girthminder executable
#   start_app                                # in $WORK, waits for the window and focuses it
#
# Set E2E_ARTIFACTS=DIR to keep screenshots (a failing script always tries to take one),
# E2E_KEEP=1 to keep the scratch directory.

set -u -o pipefail

E2E_NAME="$(basename "$0" .sh)"
E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck disable=SC2034  # for the scripts
REPO_DIR="$(cd "$E2E_DIR/../.." && pwd)"
E2E_TIMEOUT="${E2E_TIMEOUT:-20}"   # seconds allowed for any single wait

die() {
  echo "FAIL [$E2E_NAME]: $*" >&2
  exit 1
}

note() { echo "[$E2E_NAME] $*"; }

[[ $# -ge 1 ]] || die "usage: bash $0 PATH_TO_GIRTHMINDER"
GIRTH_EXE="$(realpath -e "$1" 2>/dev/null)" || die "no such executable: $1"
[[ -x "$GIRTH_EXE" && ! -d "$GIRTH_EXE" ]] || die "not an executable file: $GIRTH_EXE"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || die "$tool is missing (apt-get install xvfb xdotool imagemagick)"
done

E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/girth-e2e.XXXXXX")" || die "cannot create a scratch directory"
WORK="$E2E_TMP/work"        # the program's current directory
mkdir -p "$WORK" "$E2E_TMP/home" "$E2E_TMP/runtime"
chmod 700 "$E2E_TMP/runtime"

# A clean, predictable session: the X backend, no desktop environment, no session bus (so the
# desktop opener is plain xdg-open), nothing from the caller's home.
export HOME="$E2E_TMP/home" XDG_RUNTIME_DIR="$E2E_TMP/runtime" QT_QPA_PLATFORM=xcb
export XDG_DATA_HOME="$E2E_TMP/data"   # where rescue files go
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID \
  WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME
export LANG="${LANG:-C.UTF-8}"
# No session bus, and none started behind our back: where dbus-x11 is installed, a program
# without a bus address autolaunches a bus daemon that outlives it (and keeps strace waiting).
export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-session-bus"

XVFB_PID=""
E2E_HELPER_PIDS=()  # other helpers a script starts (a session bus), ended on exit
APP_PID=""
APP_RUNS=0
APP_ERR=""
APP_STATUS=""

screenshot() {  # screenshot NAME: the whole screen into $E2E_ARTIFACTS/<script>-NAME.png
  [[ -n "${E2E_ARTIFACTS:-}" && -n "${DISPLAY:-}" ]] || return 0
  mkdir -p "$E2E_ARTIFACTS" || return 0
  local file="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
  if timeout 10 import -window root "$file" 2>/dev/null; then
    note "screenshot: $file"
  else
    note "screenshot $1 failed"
  fi
}

app_running() {  # the program started last is alive (a zombie counts as ended)
  [[ -n "$APP_PID" && -r "/proc/$APP_PID/stat" ]] || return 1
  local stat
  stat="$(cat "/proc/$APP_PID/stat" 2>/dev/null)" || return 1
  stat="${stat##*) }"
  [[ "${stat%% *}" != Z ]]
}

show_app_log() {
  [[ -n "$APP_ERR" && -s "$APP_ERR" ]] || return 0
  echo "---- program's stderr (last 30 lines of $APP_ERR) ----" >&2
  tail -n 30 "$APP_ERR" >&2
  echo "----" >&2
}

e2e_cleanup() {
  local rc=$?
  trap - EXIT
  if [[ $rc -ne 0 ]]; then
    screenshot failure
    show_app_log
  fi
  if app_running; then
    kill -KILL "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
  fi
  local pid
  for pid in "${E2E_HELPER_PIDS[@]}"; do
    kill -TERM "$pid" 2>/dev/null
  done
  if [[ -n "$XVFB_PID" ]]; then
    kill -TERM "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  if [[ -n "${E2E_KEEP:-}" ]]; then
    note "kept $E2E_TMP"
  else
    rm -rf "$E2E_TMP"
  fi
  note "$( ((rc == 0)) && echo passed || echo FAILED) in $SECONDS s"
  exit "$rc"
}
trap e2e_cleanup EXIT
for sig in INT TERM HUP; do
  # shellcheck disable=SC2064  # the signal's name is fixed now, on purpose
  trap "die 'interrupted by SIG$sig'" "$sig"
done

start_xvfb() {  # a private server; -displayfd lets it pick a free display number itself
  local numfile="$E2E_TMP/display" deadline=$((SECONDS + E2E_TIMEOUT)) num=""
  # -noreset: no server reset (and refused connections) each time the last client leaves.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$numfile" >"$E2E_TMP/xvfb.log" 2>&1 &
  XVFB_PID=$!
  while :; do
    num="$(head -n 1 "$numfile" 2>/dev/null)"
    [[ "$num" =~ ^[0-9]+$ ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$E2E_TMP/xvfb.log" >&2; die "Xvfb did not start"; }
    ((SECONDS < deadline)) || die "Xvfb gave no display number within ${E2E_TIMEOUT} s"
    sleep 0.05
  done
  export DISPLAY=":$num"
  xdotool getdisplaygeometry >/dev/null 2>&1 || die "cannot talk to Xvfb on $DISPLAY"
}
start_xvfb

# ---- windows -------------------------------------------------------------------------------

find_windows() {  # find_windows TITLE: visible windows of the program with exactly this title
  local id
  app_running || return 0
  # xdotool matches titles without regard to case; "Girthminder" and "girthminder" differ.
  for id in $(xdotool search --onlyvisible --pid "$APP_PID" --name "^$1\$" 2>/dev/null); do
    [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$1" ]] && echo "$id"
  done
}

wait_window() {  # wait_window TITLE [SECONDS]: prints the id of the program's window TITLE
  local title="$1" deadline=$((SECONDS + ${2:-$E2E_TIMEOUT})) ids
  while :; do
    ids="$(find_windows "$title")"
    if [[ -n "$ids" ]]; then
      [[ "$(wc -l <<<"$ids")" -eq 1 ]] || die "more than one window titled '$title': $ids"
      echo "$ids"
      return 0
    fi
    app_running || die "the program ended while waiting for the window '$title'"
    ((SECONDS < deadline)) || die "no window titled '$title' within ${2:-$E2E_TIMEOUT} s"
    sleep 0.05
  done
}

wait_window_gone() {  # wait_window_gone TITLE [SECONDS]
  local title="$1" deadline=$((SECONDS + ${2:-$E2E_TIMEOUT}))
  while [[ -n "$(find_windows "$title")" ]]; do
    ((SECONDS < deadline)) || die "the window '$title' is still open after ${2:-$E2E_TIMEOUT} s"
    sleep 0.05
  done
}

focus_window() {  # focus_window ID: give it the keyboard (no window manager runs to do it)
  timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || die "cannot focus window $1"
  [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]] || die "window $1 did not take the focus"
}

wait_focus() {  # wait_focus ID WHAT: a new window takes the keyboard a moment after it is mapped
  local deadline=$((SECONDS + 5))
  until [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; do
    ((SECONDS < deadline)) || die "$2 did not take the keyboard focus"
    sleep 0.05
  done
}

focus_main() {  # after a box closes the focus falls back to the root window: take it back
  MAIN_WIN="$(wait_window Girthminder)" || exit 1
  focus_window "$MAIN_WIN"
}

# ---- keyboard ------------------------------------------------------------------------------

press() {  # press KEY...: xdotool key names (Tab, Return, Escape, space, shift+Tab, ...)
  xdotool key --delay 40 "$@" || die "xdotool could not press $*"
}

tabs() {  # tabs N: press Tab N times
  local i keys=()
  for ((i = 0; i < $1; i++)); do keys+=(Tab); done
  press "${keys[@]}"
}

type_text() {  # type_text TEXT: typed character by character into the focused control
  xdotool type --delay 30 -- "$1" || die "xdotool could not type '$1'"
}

# ---- the program ---------------------------------------------------------------------------

start_app() {  # start_app: run the program in $WORK, wait for its window, focus it
  # APP_ARGV0=NAME starts it under another program name (argv[0]), as a launcher may.
  app_running && die "start_app: the program is already running (pid $APP_PID)"
  APP_RUNS=$((APP_RUNS + 1))
  APP_ERR="$E2E_TMP/app.$APP_RUNS.err"
  APP_STATUS=""
  # APP_ULIMIT: arguments for bash's ulimit in the program's shell (e.g. "-f 2"), if any.
  # shellcheck disable=SC2086  # several arguments on purpose
  (cd "$WORK" && { [[ -z "${APP_ULIMIT:-}" ]] || ulimit ${APP_ULIMIT}; } &&
    exec -a "${APP_ARGV0:-$GIRTH_EXE}" "$GIRTH_EXE" >"$E2E_TMP/app.$APP_RUNS.out" 2>"$APP_ERR") &
  APP_PID=$!
  focus_main
}

wait_exit() {  # wait_exit [SECONDS]: waits for the program to end, sets APP_STATUS
  local deadline=$((SECONDS + ${1:-$E2E_TIMEOUT}))
  while app_running; do
    ((SECONDS < deadline)) || die "the program is still running after ${1:-$E2E_TIMEOUT} s"
    sleep 0.05
  done
  wait "$APP_PID" 2>/dev/null
  APP_STATUS=$?
  if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$APP_ERR" 2>/dev/null; then
    die "the sanitizers reported an error (exit status $APP_STATUS)"
  fi
  return 0
}

expect_clean_exit() {  # expect_clean_exit WHAT: the program ends by itself with status 0
  wait_exit 10
  [[ "$APP_STATUS" == 0 ]] || die "$1: exit status $APP_STATUS, expected 0"
}

add_entry_by_keyboard() {  # add_entry_by_keyboard WEIGHT ARM WAIST CHEST LEG NECK [CALENDAR KEYS...]
  # Starts with the focus in the date edit (as after start-up). Select opens the calendar,
  # the optional keys move its selection, Enter takes the day; the six edits are filled in
  # tab order and Add is pressed with space (Enter in an edit would press Quit instead).
  # Leaves the focus on Add.
  local values=("${@:1:6}") value calendar
  shift 6
  press Tab Return
  calendar="$(wait_window "Date Selection" 10)" || exit 1
  wait_focus "$calendar" "the date selection"
  (($# > 0)) && press "$@"
  press Return
  wait_window_gone "Date Selection"
  focus_main
  for value in "${values[@]}"; do
    press Tab
    type_text "$value"
  done
  screenshot "form-filled-$APP_RUNS"
  tabs 3  # Clear, the list, Add
  press space
}

confirm_added() {  # confirm_added [ANSWER KEY]: with the focus still on Add, press it again
  # The form still holds the date just added, so the program must ask whether to add it a
  # second time: the question proves that the focus is on Add and that the first press added
  # the entry, and that everything typed before has been handled. The answer key (n: No)
  # closes the question and gives the focus back to the main window; without one it stays.
  press space
  local box
  box="$(wait_window girthminder 10)" ||
    die "a second Add asked no duplicate question: the focus was not on Add, or Add added nothing"
  (($# == 0)) && return 0
  focus_window "$box"
  press "$1"
  wait_window_gone girthminder
  focus_main
}

# ---- files ---------------------------------------------------------------------------------

diet_file() {  # diet_file "DATE|WEIGHT|CHEST|NECK|ARM|LEG|WAIST"...: the log as the program writes it
  local record first=1 f
  for record in "$@"; do
    IFS='|' read -r -a f <<<"$record"
    ((${#f[@]} == 7)) || die "diet_file: record needs 7 fields: $record"
    if ((first)); then printf 'CREATOR=GIRTHMINDER 1.0\r\n'; else printf '\r\n'; fi
    first=0
    printf 'DATE=%s\r\nWEIGHT=%s\r\nCHEST=%s\r\nNECK=%s\r\nARM=%s\r\nLEG=%s\r\nWAIST=%s\r\n' "${f[@]}"
  done
}

expect_file() {  # expect_file EXPECTED ACTUAL WHAT: byte for byte, a readable diff otherwise
  [[ -f "$2" ]] || die "$3: $2 does not exist"
  if ! cmp -s "$1" "$2"; then
    echo "---- expected (cat -A) vs actual ----" >&2
    diff -u <(cat -A "$1") <(cat -A "$2") >&2
    die "$3: $(basename "$2") differs from what was expected"
  fi
}

fake_opener() {  # fake_opener: the desktop opener only records what it is asked to open
  mkdir -p "$E2E_TMP/bin"
  printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$E2E_TMP/opened.log" >"$E2E_TMP/bin/xdg-open"
  chmod +x "$E2E_TMP/bin/xdg-open"
  export PATH="$E2E_TMP/bin:$PATH"
}

no_temporaries() {  # no_temporaries WHAT: no temporary file of a save is left in $WORK
  compgen -G "$WORK/.diet.dat.tmp-*" >/dev/null && die "$1: a temporary file was left: $(ls -a "$WORK")"
  compgen -G "$WORK/.Report.htm.tmp-*" >/dev/null && die "$1: a temporary report was left: $(ls -a "$WORK")"
  return 0
}

wait_file() {  # wait_file PATH SECONDS [WHAT]: until PATH exists and is not empty
  local deadline=$((SECONDS + $2))
  until [[ -s "$1" ]]; do
    ((SECONDS < deadline)) || die "${3:-$1 did not appear} within $2 s"
    sleep 0.05
  done
}

# Another system's program is driven by the same scripts through a library of its own
# (tests/wine/wine_e2e.sh for the Windows program under Wine).
if [[ -n "${E2E_PLATFORM_LIB:-}" ]]; then
  # shellcheck disable=SC1090
  source "$E2E_PLATFORM_LIB"
fi
