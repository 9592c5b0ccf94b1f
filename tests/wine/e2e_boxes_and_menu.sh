#!/usr/bin/env bash
# The Windows program's own windows under Wine, read from inside Wine: the blank-date box and
# the duplicate question with their exact texts, buttons and icons, the About item of the real
# system menu and its About box. Needs tests/wine/wine_e2e.sh (E2E_PLATFORM_LIB).
source "$(dirname "$0")/../e2e/lib.sh" "$@"
declare -F window_texts >/dev/null || die "run with E2E_PLATFORM_LIB=tests/wine/wine_e2e.sh"

expect_texts() {  # expect_texts TITLE EXPECTED WHAT: the window's texts, line for line
  local actual
  actual="$(window_texts "$1")"
  if [[ "$actual" != "$2" ]]; then
    diff -u <(echo "$2") <(echo "$actual") >&2
    die "$3: the window '$1' does not show what it should"
  fi
}

answer_box() {  # answer_box TITLE KEY
  local box
  box="$(wait_window "$1" 10)" || exit 1
  focus_window "$box"
  press "$2"
  wait_window_gone "$1"
  focus_main
}

start_app

note "Add with an empty date: the Error box, OK only, no icon"
tabs 10  # Select, six edits, Clear, the list, Add
press space
wait_window Error 10 >/dev/null
screenshot message-box
expect_texts Error "$(printf 'caption\tError\nIcon\t\thidden\nButton\tOK\tvisible\nStatic\tDate Cannot be Blank.\\r\\nNo entry added.\tvisible')" \
  "blank date"
answer_box Error Return

note "the same date twice: the question with the application's title, Yes and No, the exclamation icon"
press shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
add_entry_by_keyboard 80 30 90 100 55 40
press space
wait_window girthminder 10 >/dev/null
expect_texts girthminder "$(printf 'caption\tgirthminder\nIcon\t\tvisible\nButton\t&Yes\tvisible\nButton\t&No\tvisible\nStatic\tThis entry is already in the list.\\r\\nDo you really want to add this item?\tvisible')" \
  "duplicate date"
answer_box girthminder n

note "the system menu's About item opens the About box"
# Our item is the menu's last (Wine has an About Wine item of its own, also with the letter A).
press alt+space
sleep 0.5
press End Return
about="$(wait_window "About Girthminder" 10)" || exit 1
focus_window "$about"
screenshot about
expect_texts "About Girthminder" "$(printf 'caption\tAbout Girthminder\nIcon\t\tvisible\nStatic\tGirthminder Version 1.0\tvisible\nButton\tOK\tvisible')" \
  "About box"
press Escape
wait_window_gone "About Girthminder"
focus_main

press Escape
expect_clean_exit "Escape"
today="$(date +%F)"
diet_file "$today|80|100|40|30|55|90" >"$E2E_TMP/one.dat"
expect_file "$E2E_TMP/one.dat" "$WORK/diet.dat" "one entry: the question was answered No"
