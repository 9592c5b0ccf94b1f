#!/usr/bin/env bash
# Takes the README's pictures of the program on a small desktop: openbox with a tint2 taskbar
# in a private Xvfb. Writes docs/screenshots/{main-window,date-dialog,duplicate-question,
# failed-save,save-to-file-box}.png.
#
# usage: tools/screenshots/desktop_shots.sh PATH_TO_GIRTHMINDER
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$here/scripts/lib/packages.sh"
ensure_packages xvfb xdotool imagemagick openbox tint2 x11-utils
exe="$(realpath -e "$1")"
out="$here/docs/screenshots"

tmp="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir -p "$tmp/work" "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
unset DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP WAYLAND_DISPLAY

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [[ -s "$tmp/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$tmp/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
tint2 >/dev/null 2>&1 &
pids+=($!)
sleep 1

window() {  # window TITLE: the id of the visible window with exactly that title
  local id
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      [[ "$(xdotool getwindowname "$id")" == "$1" ]] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "no window '$1'" >&2
  return 1
}
shoot() {  # shoot NAME [WINDOW]: the screen, or one window with its frame, as a small PNG
  sleep 0.7
  if [[ $# -gt 1 ]]; then
    import -window "$2" -frame "$tmp/shot.png"
  else
    import -window root "$tmp/shot.png"
  fi
  convert "$tmp/shot.png" -colors 128 -define png:compression-level=9 "$out/$1.png"
  echo "$out/$1.png"
}

printf 'CREATOR=GIRTHMINDER 1.0\r\nDATE=2026-01-05\r\nWEIGHT=84.2\r\nCHEST=106\r\nNECK=42\r\nARM=36\r\nLEG=61\r\nWAIST=99\r\n\r\nDATE=2026-01-12\r\nWEIGHT=83.6\r\nCHEST=105\r\nNECK=42\r\nARM=36\r\nLEG=60.5\r\nWAIST=98\r\n' >"$tmp/work/diet.dat"
(cd "$tmp/work" && exec "$exe") &
pids+=($!)
main="$(window Girthminder)"
xdotool windowactivate --sync "$main"
shoot main-window

xdotool key --delay 80 Tab Return
window "Date Selection" >/dev/null
shoot date-dialog
xdotool key Return
sleep 0.5
xdotool windowactivate --sync "$main"
xdotool key --delay 60 Tab
xdotool type --delay 30 82.9
xdotool key --delay 60 Tab Tab Tab Tab Tab Tab Tab Tab space
sleep 0.3
xdotool key space
window girthminder >/dev/null
shoot duplicate-question
xdotool key n
sleep 0.5

# The folder is taken away under the log: the save at the end fails, and says so.
rm "$tmp/work/diet.dat"
mkdir "$tmp/work/diet.dat"
xdotool windowactivate --sync "$main"
xdotool key Escape
box="$(window "Error Writing File")"
shoot failed-save
shoot save-to-file-box "$box"
xdotool windowactivate --sync "$box"
xdotool key Return
