#!/usr/bin/env bash
# packages: cmake dpkg-dev desktop-file-utils appstream xvfb xauth x11-utils
#
# Checks what Girthminder installs: the files of `cmake --install`, the desktop entry and the
# AppStream metadata, the Debian package made by `cpack -G DEB`, and that the installed program
# starts, creates an empty diet.dat in its working folder and ends on SIGTERM.
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
for tool in cmake cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli xvfb-run xauth xwininfo; do
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

  check "$label: bin/girthminder is an executable file" test -f "$root/bin/girthminder" -a -x "$root/bin/girthminder"
  for size in 16 32 48 128; do
    check "$label: ${size}x${size} icon" png_is "$icons/${size}x${size}/apps/$APP_ID.png" "${size}x${size}"
  done
  check "$label: scalable icon is an SVG" grep -q '<svg' "$icons/scalable/apps/$APP_ID.svg"
  for file in templates/ReportOutter.htm templates/ReportInner.htm; do
    check "$label: share/girthminder/$file is the sample template" cmp "$SOURCE_DIR/$file" "$root/share/girthminder/$file"
  done
  check "$label: share/girthminder/manual.htm is the manual" cmp "$SOURCE_DIR/docs/manual.htm" "$root/share/girthminder/manual.htm"
  check "$label: licence in share/doc/girthminder/copyright" cmp "$SOURCE_DIR/LICENSE" "$root/share/doc/girthminder/copyright"

  if [ -f "$desktop" ]; then
    check "$label: desktop-file-validate $APP_ID.desktop" desktop-file-validate "$desktop"
    # The menu entry must start the installed program and show an installed icon.
    local exec icon
    exec="$(desktop_value "$desktop" Exec)"
    icon="$(desktop_value "$desktop" Icon)"
    check "$label: desktop entry Exec ($exec) names bin/girthminder" test "$exec" = girthminder -a -x "$root/bin/$exec"
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

# Starts the program in an empty folder under a virtual X server, checks that it shows its
# window and has created an empty diet.dat, then sends SIGTERM and checks that it ends.
check_start() {
  local label="$1" binary="$2"
  local work="$scratch/start-$label" runtime="$scratch/runtime-$label"
  mkdir -p "$work/data" "$work/home" "$runtime" && chmod 700 "$runtime"

  # Everything that must happen while the X server is up runs inside xvfb-run; the findings are
  # left as files in $work and judged afterwards.
  cat >"$work/run.sh" <<'EOF'
cd "$WORK/data" || exit 1
"$BINARY" >"$WORK/program.log" 2>&1 &
pid=$!
for _ in $(seq 1 40); do                                  # up to 4 s for the window to appear
  sleep 0.1
  kill -0 "$pid" 2>/dev/null || break
  xwininfo -root -tree 2>/dev/null | grep -q '"Girthminder"' && break
done
sleep 2
xwininfo -root -tree >"$WORK/windows.txt" 2>&1
if kill -0 "$pid" 2>/dev/null; then echo running >"$WORK/state"; else echo exited >"$WORK/state"; fi
ls -A >"$WORK/files-at-start.txt"
[ -f diet.dat ] && stat -c %s diet.dat >"$WORK/size-at-start.txt"
kill -TERM "$pid" 2>/dev/null
for _ in $(seq 1 50); do                                  # up to 5 s to end
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo hung >"$WORK/end"
  kill -KILL "$pid"
fi
wait "$pid"
echo $? >"$WORK/exit-code"
ls -A >"$WORK/files-at-end.txt"
EOF
  env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    QT_QPA_PLATFORM=xcb WORK="$work" BINARY="$binary" \
    timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/run.sh" >"$work/xvfb.log" 2>&1
  local status=$?
  if [ $status -ne 0 ] || [ ! -f "$work/exit-code" ]; then
    fail "$label: could not run the program under xvfb-run (exit $status)"
    sed 's/^/    /' "$work/xvfb.log" "$work/program.log" >&2 2>/dev/null
    return
  fi

  local state exit_code
  state="$(cat "$work/state")"
  exit_code="$(cat "$work/exit-code")"
  if [ "$state" = running ]; then pass; else
    fail "$label: the program ended by itself within 2 s of starting (exit code $exit_code)"
    sed 's/^/    /' "$work/program.log" >&2
  fi
  check "$label: the program shows its window \"Girthminder\"" grep -q '"Girthminder"' "$work/windows.txt"
  if [ "$(cat "$work/size-at-start.txt" 2>/dev/null)" = 0 ]; then pass; else
    fail "$label: no empty diet.dat in the working folder after start-up (found: $(tr '\n' ' ' <"$work/files-at-start.txt"))"
  fi
  if [ -f "$work/end" ]; then
    fail "$label: the program did not end within 5 s of SIGTERM"
  else
    # Ending cleanly (and saving) or being ended by the signal itself (128 + 15) are both accepted.
    case "$exit_code" in
      0 | 143) pass ;;
      *) fail "$label: the program ended with exit code $exit_code after SIGTERM"
         sed 's/^/    /' "$work/program.log" >&2 ;;
    esac
  fi
  # An empty log is saved as an empty file; nothing else is left in the working folder.
  if [ "$(cat "$work/files-at-end.txt")" = diet.dat ] && [ ! -s "$work/data/diet.dat" ]; then pass; else
    fail "$label: after the program ended the working folder holds \"$(tr '\n' ' ' <"$work/files-at-end.txt")\" (expected only an empty diet.dat)"
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

root="$scratch/root"
dpkg -x "$deb" "$root" || fatal "dpkg -x $deb failed"
check "deb: files are installed under /usr" test -d "$root/usr/bin" -a ! -e "$root/usr/local"
check_tree deb "$root/usr"
check "deb: appstreamcli validate-tree" appstreamcli validate-tree --no-net "$root"

# 3. The installed program starts.
check_start deb "$root/usr/bin/girthminder"

echo "packaging: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
