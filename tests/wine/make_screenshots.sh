#!/usr/bin/env bash
# The README's pictures of the Windows program under Wine: the main window with entries, the
# date dialog, the About box and a message box, each window on its own, into docs/screenshots.
#
#   bash tests/wine/make_screenshots.sh build/windows-x86_64/tests/wine/girthminder-wine
#
# Environment as for the Wine e2e tests (see tests/wine/CMakeLists.txt): GIRTH_WINE64,
# GIRTH_WINE_PREFIX, GIRTH_WINDOWTEXTS.
export E2E_PLATFORM_LIB="$(cd "$(dirname "$0")" && pwd)/wine_e2e.sh"
source "$(dirname "$0")/../e2e/lib.sh" "$@"
out="$REPO_DIR/docs/screenshots"

shot() {  # shot WINDOW-ID NAME
  sleep 0.5
  import -window "$1" "$out/$2.png" || die "no screenshot of $2"
  note "$out/$2.png"
}

diet_file "2006-01-31|82.5|104|41|35|60|96" "2006-02-07|81.9|103|41|35|59|95" \
  "2006-02-14|81.2|102.5|40.5|35|59|94" "2006-02-21|80,6 kg|102|40.5|34.5|58.5|93" \
  "2006-02-28|80.1|101|40|34.5|58|92" >"$WORK/diet.dat"
start_app
tabs 1
press Return
calendar="$(wait_window "Date Selection" 10)" || exit 1
focus_window "$calendar"
shot "$calendar" windows-date-dialog
press Return
wait_window_gone "Date Selection"
focus_main
for value in 79.6 34 91.5 100.5 57.5 39.5; do
  press Tab
  type_text "$value"
done
tabs 3
press space  # Add: the date is new, no question
press space  # Add again: the question
box="$(wait_window girthminder 10)" || exit 1
shot "$box" windows-message-box
focus_window "$box"
press n
wait_window_gone girthminder
focus_main
shot "$MAIN_WIN" windows-main-window

press alt+space
sleep 0.5
press End Return
about="$(wait_window "About Girthminder" 10)" || exit 1
shot "$about" windows-about-box
press Escape
wait_window_gone "About Girthminder"
focus_main
press Escape
wait_exit 20
