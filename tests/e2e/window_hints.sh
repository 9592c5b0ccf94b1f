#!/usr/bin/env bash
# What the windows ask of a real X desktop: the main window is an application window of its
# own (a taskbar button, owned by no other window) without minimise and maximise and of fixed
# size; the boxes belong to it; the duplicate question offers no close and ignores Escape.
source "$(dirname "$0")/lib.sh" "$@"
command -v xprop >/dev/null || die "xprop is missing (apt-get install x11-utils)"

# _MOTIF_WM_HINTS: flags, functions, decorations. Functions: 0x8 minimise, 0x10 maximise,
# 0x20 close; decorations: 0x20 minimise, 0x40 maximise.
motif() {  # motif WINDOW FIELD(1-3): one field of the hints, as a number
  local values
  values="$(xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/.*= //p')"
  [[ -n "$values" ]] || die "window $1 has no _MOTIF_WM_HINTS"
  echo $(($(cut -d, -f"$2" <<<"$values")))
}

fixed_size() {  # fixed_size WINDOW: its minimum and maximum sizes are one and the same
  local hints min max
  hints="$(xprop -id "$1" WM_NORMAL_HINTS)"
  min="$(sed -n 's/.*minimum size: //p' <<<"$hints")"
  max="$(sed -n 's/.*maximum size: //p' <<<"$hints")"
  [[ -n "$min" && "$min" == "$max" ]]
}

window_type() { xprop -id "$1" _NET_WM_WINDOW_TYPE | sed -n 's/.*= \([A-Z_]*\).*/\1/p'; }
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/.*# //p'; }

start_app
main="$MAIN_WIN"
[[ "$(window_type "$main")" == _NET_WM_WINDOW_TYPE_NORMAL ]] ||
  die "the main window is of type $(window_type "$main"), not an application window"
[[ -z "$(transient_for "$main")" ]] || die "the main window belongs to window $(transient_for "$main")"
(($(motif "$main" 1) & 1)) || die "the main window leaves its functions to the window manager"
(($(motif "$main" 2) & 0x18)) && die "the main window offers minimise or maximise"
(($(motif "$main" 3) & 0x60)) && die "the main window asks for minimise or maximise boxes"
(($(motif "$main" 2) & 0x20)) || die "the main window offers no close"
fixed_size "$main" || die "the main window can be resized"

# The date dialog: a dialog of the main window with a close box and nothing more.
press Tab Return
calendar="$(wait_window "Date Selection")" || exit 1
[[ "$(window_type "$calendar")" == _NET_WM_WINDOW_TYPE_DIALOG ]] || die "the date selection is no dialog"
[[ "$(printf '%d' "$(transient_for "$calendar")")" == "$main" ]] || die "the date selection does not belong to the main window"
(($(motif "$calendar" 2) & 0x18)) && die "the date selection offers minimise or maximise"
(($(motif "$calendar" 2) & 0x20)) || die "the date selection offers no close"
fixed_size "$calendar" || die "the date selection can be resized"
wait_focus "$calendar" "the date selection"
press Return
wait_window_gone "Date Selection"
focus_main
for value in 82.5 35 96 104 60 41; do
  press Tab
  type_text "$value"
done
tabs 3
press space

# The duplicate question.
confirm_added
box="$(wait_window girthminder)" || exit 1
screenshot question
[[ "$(printf '%d' "$(transient_for "$box")")" == "$main" ]] || die "the question does not belong to the main window"
(($(motif "$box" 1) & 1)) || die "the question leaves its functions to the window manager"
(($(motif "$box" 2) & 0x38)) && die "the question offers close, minimise or maximise"
fixed_size "$box" || die "the question can be resized"
focus_window "$box"
press Escape
sleep 0.5
[[ -n "$(find_windows girthminder)" ]] || die "Escape answered the question"
press n
wait_window_gone girthminder
focus_main
press Escape
expect_clean_exit "Escape"
diet_file "$(date +%F)|82.5|104|41|35|60|96" >"$E2E_TMP/one.dat"
expect_file "$E2E_TMP/one.dat" "$WORK/diet.dat" "one entry after No"
