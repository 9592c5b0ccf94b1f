#!/usr/bin/env bash
# packages: cmake dpkg-dev desktop-file-utils appstream lintian man-db xvfb xdotool imagemagick
#
# Checks what Girthminder installs: the files of `cmake --install`, the desktop entry and the
# AppStream metadata, the manual page, the Debian package made by `cpack -G DEB` (lintian-clean,
# installed with dpkg into a scratch root), the menu's launcher, and that the installed program
# started as the menu starts it works in the user's data folder with the sample templates.
#
# Usage: check_install.sh BUILD_DIR
#   BUILD_DIR is a configured Release build in which the girthminder target has been built.
# Nothing is installed system-wide: everything goes to a scratch folder that is removed at the end.
set -uo pipefail

readonly APP_ID=org.girthminder.Girthminder
SOURCE_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
readonly SOURCE_DIR

passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAIL: $*" >&2
}
# Stops at once when a step that everything after it needs has failed.
fatal() {
  echo "FAIL: $*" >&2
  echo "packaging: $passed passed, $((failed + 1)) failed"
  exit 1
}
check() {  # check DESCRIPTION COMMAND...: runs the command, output shown only on failure
  local description="$1" output
  shift
  if output="$("$@" 2>&1)"; then
    pass
  else
    fail "$description"
    [ -n "$output" ] && printf '%s\n' "$output" | sed 's/^/    /' >&2
  fi
}

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build="$(cd "$1" 2>/dev/null && pwd)" || fatal "no build directory: $1"
[ -f "$build/CMakeCache.txt" ] || fatal "$build is not a configured CMake build directory"
[ -x "$build/src/girthminder" ] || fatal "the girthminder target is not built in $build"
for tool in cmake cpack dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate appstreamcli \
  lintian man lexgrog Xvfb xdotool import; do
  command -v "$tool" >/dev/null || fatal "$tool is missing; install the packages listed at the top of $0"
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/girthminder-pkg.XXXXXX")" || fatal "cannot create a scratch folder"
trap 'rm -rf "$scratch"' EXIT

# The width and height of a PNG, from its IHDR chunk.
png_size() {
  local bytes
  read -r -a bytes < <(od -An -tu1 -w8 -j16 -N8 "$1")
  [ ${#bytes[@]} -eq 8 ] || return 1
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}
png_is() {  # png_is FILE SIZE
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || { echo "$1 is not a PNG"; return 1; }
  local size
  size="$(png_size "$1")"
  [ "$size" = "$2" ] || { echo "$1 is $size pixels, expected $2"; return 1; }
}
# The value of KEY in the [Desktop Entry] group of a desktop file.
desktop_value() {
  sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n 1
}

# Checks one installed tree. ROOT is the folder that holds bin/ and share/ (the install prefix).
check_tree() {
  local label="$1" root="$2" size file
  local desktop="$root/share/applications/$APP_ID.desktop"
  local metainfo="$root/share/metainfo/$APP_ID.metainfo.xml"
  local icons="$root/share/icons/hicolor"

  for file in girthminder girthminder-desktop; do
    check "$label: bin/$file is an executable file" test -f "$root/bin/$file" -a -x "$root/bin/$file"
  done
  for size in 16 32 48 128; do
    check "$label: ${size}x${size} icon" png_is "$icons/${size}x${size}/apps/$APP_ID.png" "${size}x${size}"
  done
  check "$label: scalable icon is an SVG" grep -q '<svg' "$icons/scalable/apps/$APP_ID.svg"
  for file in templates/ReportOutter.htm templates/ReportInner.htm; do
    check "$label: share/girthminder/$file is the sample template" cmp "$SOURCE_DIR/$file" "$root/share/girthminder/$file"
  done
  check "$label: share/girthminder/manual.htm is the manual" cmp "$SOURCE_DIR/docs/manual.htm" "$root/share/girthminder/manual.htm"
  check "$label: licence in share/doc/girthminder/copyright" cmp "$SOURCE_DIR/LICENSE" "$root/share/doc/girthminder/copyright"
  check "$label: share/man/man1/girthminder.1.gz is the manual page" \
    cmp "$SOURCE_DIR/packaging/girthminder.1" <(gzip -dc "$root/share/man/man1/girthminder.1.gz")
  check "$label: the launcher's manual page is girthminder(1)" \
    test "$(readlink "$root/share/man/man1/girthminder-desktop.1.gz")" = girthminder.1.gz
  check "$label: share/doc/girthminder/changelog.gz is the changelog" \
    cmp "$SOURCE_DIR/packaging/changelog" <(gzip -dc "$root/share/doc/girthminder/changelog.gz")

  if [ -f "$desktop" ]; then
    check "$label: desktop-file-validate $APP_ID.desktop" desktop-file-validate "$desktop"
    # The menu entry must start the installed launcher and show an installed icon.
    local exec icon
    exec="$(desktop_value "$desktop" Exec)"
    icon="$(desktop_value "$desktop" Icon)"
    check "$label: desktop entry Exec ($exec) names bin/girthminder-desktop" \
      test "$exec" = girthminder-desktop -a -x "$root/bin/$exec"
    check "$label: desktop entry Icon ($icon) is installed in every size" \
      test -n "$icon" -a -f "$icons/16x16/apps/$icon.png" -a -f "$icons/32x32/apps/$icon.png" \
      -a -f "$icons/48x48/apps/$icon.png" -a -f "$icons/128x128/apps/$icon.png" -a -f "$icons/scalable/apps/$icon.svg"
  else
    fail "$label: no desktop entry $desktop"
  fi

  if [ -f "$metainfo" ]; then
    check "$label: appstreamcli validate --no-net $APP_ID.metainfo.xml" appstreamcli validate --no-net "$metainfo"
    check "$label: metainfo id is $APP_ID" grep -q "<id>$APP_ID</id>" "$metainfo"
    check "$label: metainfo launches $APP_ID.desktop" grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo"
  else
    fail "$label: no metainfo $metainfo"
  fi
}

# 1. cmake --install into a scratch prefix.
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { sed 's/^/    /' "$scratch/install.log" >&2; fatal "cmake --install $build failed"; }
pass
check_tree install "$prefix"

# 2. The Debian package.
(cd "$build" && cpack -G DEB -B "$scratch/cpack") >"$scratch/cpack.log" 2>&1 ||
  { sed 's/^/    /' "$scratch/cpack.log" >&2; fatal "cpack -G DEB failed in $build"; }
debs=("$scratch"/cpack/girthminder_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fatal "cpack made not exactly one girthminder_*.deb (found: $(ls "$scratch/cpack"))"
fi
deb="${debs[0]}"
pass

info="$(dpkg-deb -I "$deb" 2>&1)" || fatal "dpkg-deb -I cannot read $deb: $info"
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
check "deb: Package is girthminder" test "$(field Package)" = girthminder
check "deb: Version is 1.0" test "$(field Version)" = 1.0
check "deb: Section is utils" test "$(field Section)" = utils
depends="$(field Depends)"
# The linked Qt libraries come from dpkg-shlibdeps; the window-system plugin is named by hand.
for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libc6; do
  check "deb: Depends names $package (Depends: $depends)" grep -Eq "(^|, )$package( |,|$)" <<<"$depends"
done
# Every dependency must be satisfiable here: apt resolves them without installing anything.
check "deb: apt can resolve the dependencies" apt-get install --simulate --no-install-recommends "$deb"

# lintian: no error and no warning.
if lint="$(lintian --fail-on error,warning "$deb" 2>&1)" && ! grep -Eq '^[EW]: ' <<<"$lint"; then pass; else
  fail "lintian finds errors or warnings in $(basename "$deb")"
  printf '%s\n' "$lint" | sed 's/^/    /' >&2
fi

# The changelog's newest entry is this version, and the manual page renders without a warning
# and names both commands for whatis and apropos.
changelog="$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/girthminder/changelog.gz | gzip -dc)"
check "deb: the changelog's newest version is the package's ($(field Version))" \
  test "$(dpkg-parsechangelog -l - -S Version <<<"$changelog")" = "$(field Version)"
check "deb: the changelog names the package" test "$(dpkg-parsechangelog -l - -S Source <<<"$changelog")" = girthminder

# Installed with dpkg into a scratch root with its own package database: the real unpacking,
# without touching the system. The dependencies were checked with apt above.
root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers" &&
  touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available" || fatal "cannot make a scratch root"
dpkg_root() {
  PATH="$PATH:/usr/sbin:/sbin" dpkg --root="$root" --log="$scratch/dpkg.log" --force-not-root "$@"
}
dpkg_root --force-depends -i "$deb" >"$scratch/dpkg-install.log" 2>&1 ||
  { sed 's/^/    /' "$scratch/dpkg-install.log" >&2; fatal "dpkg -i $deb into $root failed"; }
check "deb: dpkg records girthminder as installed" \
  grep -q '^Status: install ok installed' <(dpkg_root -s girthminder 2>&1)
check "deb: files are installed under /usr" test -d "$root/usr/bin" -a ! -e "$root/usr/local"
check_tree deb "$root/usr"
check "deb: appstreamcli validate-tree" appstreamcli validate-tree --no-net "$root"

man_page="$root/usr/share/man/man1/girthminder.1.gz"
check "deb: man girthminder renders without warnings" \
  test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$man_page" 2>&1 >/dev/null)"
whatis="$(lexgrog "$man_page" 2>&1)"
for name in girthminder girthminder-desktop; do
  check "deb: whatis knows $name (lexgrog: $whatis)" grep -q ": \"$name - " <<<"$whatis"
done
rendered="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_page" 2>/dev/null)"
for word in diet.dat ReportOutter.htm ReportInner.htm Report.htm backup XDG_DATA_HOME/girthminder rescue; do
  check "deb: the manual page speaks of $word" grep -qF "$word" <<<"$rendered"
done

# 3. The menu's launcher, and the installed program started as the menu starts it.
check "launcher: where it runs the program, the first start's templates, nothing replaced" \
  bash "$SOURCE_DIR/tests/packaging/check_launcher.sh" "$root/usr"
exec_command="$(desktop_value "$root/usr/share/applications/$APP_ID.desktop" Exec)"
check "menu: started by Exec=$exec_command with an empty home, Report gives the sample report" \
  env PATH="$root/usr/bin:$PATH" bash -c 'exec bash "$1" "$(command -v "$2")" "$3"' _ \
  "$SOURCE_DIR/tests/packaging/menu_start.sh" "${exec_command%% *}" "$root/usr/share/girthminder/templates"

# 4. Removing the package takes every file it installed.
dpkg_root -P girthminder >"$scratch/dpkg-purge.log" 2>&1 || fail "dpkg -P girthminder failed: $(cat "$scratch/dpkg-purge.log")"
check "deb: nothing is left under /usr after dpkg -P" test -z "$(find "$root/usr" ! -type d 2>/dev/null)"

echo "packaging: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
