# Sourced by tests/e2e/lib.sh when E2E_PLATFORM_LIB names this file: the end-to-end scripts then
# drive the Windows program under wine64 in their private X server. The program's path ($1) is
# a wrapper that starts it with wine64 in the tests' own prefix (GIRTH_WINE_PREFIX).

[[ -x "${GIRTH_WINE64:-}" ]] || die "GIRTH_WINE64 does not name wine64"
[[ -n "${GIRTH_WINE_PREFIX:-}" ]] || die "GIRTH_WINE_PREFIX is not set"
export WINEPREFIX="$GIRTH_WINE_PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINESERVER="$(dirname "$GIRTH_WINE64")/wineserver"
[[ -x "$WINESERVER" ]] || WINESERVER="$(command -v wineserver)"

# The prefix is made once. Wine then draws the windows' frames itself and moves the focus
# between its own windows, as Windows does, since no window manager runs here.
wine_prepare_prefix() {  # the prefix's version: bump when the settings below change
  mkdir -p "$WINEPREFIX" || die "cannot create $WINEPREFIX"
  (
    flock 9
    [[ -f "$WINEPREFIX/.girth-e2e-ready-3" ]] && exit 0
    "$GIRTH_WINE64" wineboot -i >/dev/null 2>&1
    for value in Managed Decorated; do
      "$GIRTH_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null 2>&1 || exit 1
    done
    # Web pages open in the browser, as on an installed Windows; Wine's hands them to the
    # desktop's opener (xdg-open). Without its HTML engine the prefix does not say so itself.
    "$GIRTH_WINE64" reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null 2>&1 || exit 1
    # The frame's close box is a Marlett letter; the prefix does not find Wine's own copy.
    [[ -f /usr/share/wine/fonts/marlett.ttf ]] && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    "$WINESERVER" -w
    touch "$WINEPREFIX/.girth-e2e-ready-3"
  ) 9>"$WINEPREFIX.lock" || die "cannot prepare the Wine prefix $WINEPREFIX"
}
wine_prepare_prefix
# A Wine server left from another X server would draw there: this run starts its own, with
# Wine's background services up on this display before the program comes (their output goes
# nowhere, so that nothing waits for them).
"$WINESERVER" -k 2>/dev/null
"$WINESERVER" -w 2>/dev/null
"$WINESERVER" -p 2>/dev/null
"$GIRTH_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1

# Wine does not give the X focus to a window it opens: the scripts give it.
wait_focus() { focus_window "$1"; }

# window_texts TITLE: the caption and the controls of the program's window TITLE, one per line
# (class, text with \r and \n for line breaks, visible or hidden); see WindowTexts.cpp.
window_texts() {
  "$GIRTH_WINE64" "$GIRTH_WINDOWTEXTS" "$1" 2>/dev/null | tr -d '\r'
}

# The Wine server goes with the X server it drew on.
wine_cleanup() {
  local rc=$?
  trap - EXIT
  ((rc != 0)) && screenshot failure
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  unset E2E_ARTIFACTS  # the screenshot is taken
  (exit "$rc")
  e2e_cleanup
}
trap wine_cleanup EXIT
