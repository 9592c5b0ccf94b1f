#!/usr/bin/env bash
# The order of the system calls of a save, as the kernel sees them: the new log is written
# to a temporary file beside diet.dat and synced before it is renamed over diet.dat, and the
# folder is synced after the rename. Without that order a power cut can leave an empty or
# half-written diet.dat behind even though the program "replaced it in one rename".
#
# usage: bash tests/e2e/save_sync_order.sh PATH_TO_GIRTHMINDER      (needs strace)

source "$(dirname "$0")/lib.sh" "$@"
set -e
for tool in python3 strace; do
  command -v "$tool" >/dev/null || die "$tool is missing (apt-get install python3 strace)"
done
exe="$GIRTH_EXE" tmp="$E2E_TMP" work="$WORK"

# A small log in LF form, so that the save (CR LF) visibly writes something new.
printf 'CREATOR=GIRTHMINDER 1.0\nDATE=2006-01-31\nWEIGHT=82.5\nCHEST=104\nNECK=41\nARM=35\nLEG=60\nWAIST=96\n' >"$work/diet.dat"

trace="$tmp/strace.log"
# LeakSanitizer cannot run under ptrace: leaks are checked by the other tests.
(cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" exec strace -f -qq -e trace=openat,open,write,fsync,fdatasync,rename,renameat,renameat2,close \
  -o "$trace" "$exe") >"$tmp/app.log" 2>&1 &
strace_pid=$!
APP_PID=$strace_pid  # ended by the clean-up if the script fails
window=""
for _ in $(seq 600); do
  app_pid="$(pgrep -P "$strace_pid" | head -n1 || true)"
  if [[ -n "$app_pid" ]]; then
    window="$(xdotool search --onlyvisible --pid "$app_pid" --name '^Girthminder$' 2>/dev/null | head -n1 || true)"
    [[ -n "$window" ]] && break
  fi
  kill -0 "$strace_pid" 2>/dev/null || { tail -n 20 "$tmp/app.log" >&2; die "the program ended before its window showed"; }
  sleep 0.1
done
[[ -n "$window" ]] || die "the window did not appear"
kill -TERM "$app_pid"
for _ in $(seq 600); do
  kill -0 "$strace_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$strace_pid" 2>/dev/null && die "the program did not end after SIGTERM"
wait "$strace_pid" || die "the program failed when asked to end (status $?)"
strace_pid="" APP_PID=""

[[ "$(cat "$work/diet.dat")" == *$'\r\n'* ]] || die "diet.dat was not saved"

python3 - "$trace" <<'EOF'
import re, sys

# Join the halves of calls that strace printed apart ("<unfinished ...>" / "<... resumed>").
lines, pending = [], {}
for raw in open(sys.argv[1], encoding="latin-1"):
    m = re.match(r"(\d+)\s+(.*)$", raw.rstrip("\n"))
    if not m:
        continue
    pid, text = m.groups()
    if text.endswith("<unfinished ...>"):
        pending[pid] = text[: -len("<unfinished ...>")].rstrip()
        continue
    r = re.match(r"<\.\.\. \w+ resumed>\s?(.*)$", text)
    if r and pid in pending:
        text = pending.pop(pid) + r.group(1)
    lines.append(text)

shown = []

def fail(why):
    print("FAIL [save_sync_order]: " + why, file=sys.stderr)
    for text in shown:
        print("   " + text, file=sys.stderr)
    sys.exit(1)

call = re.compile(r"(\w+)\((.*)\)\s+=\s+(-?\d+)")
first_string = re.compile(r'"((?:[^"\\]|\\.)*)"')
open_fds = {}          # fd -> (path, flags text) while open
temp = temp_fd = None  # the temporary file and its descriptor
steps = []             # what happened to it, in order
dir_fd = None          # the descriptor the rename named the folder by
for text in lines:
    m = call.match(text)
    if not m:
        continue
    name, args, result = m.group(1), m.group(2), int(m.group(3))
    fd_arg = args.split(",")[0].strip()
    if name in ("open", "openat") and result >= 0:
        path = first_string.search(args)
        path = path.group(1) if path else ""
        open_fds[result] = (path, args, text)
        if re.search(r"(^|/)diet\.dat$", path) and re.search(r"O_WRONLY|O_RDWR|O_TRUNC", args):
            shown.append(text)
            fail("diet.dat itself was opened for writing")
        if re.search(r"(^|/)\.diet\.dat\.[^/]*$", path) and "O_CREAT" in args:
            if temp is not None:
                fail("a second temporary file was created")
            temp, temp_fd = path.split("/")[-1], result
            shown.append(text)
    elif temp_fd is not None and "rename" not in steps and fd_arg == str(temp_fd) and \
            name in ("write", "fsync", "fdatasync", "close"):
        step = "sync" if name in ("fsync", "fdatasync") else name
        if result < 0:
            shown.append(text)
            fail(f"{name} of the temporary file failed")
        if not steps or steps[-1] != step:  # one line for a run of writes
            shown.append(text if len(text) < 120 else text[:100] + " ...")
            steps.append(step)
        if name == "close":
            temp_fd = None
    elif name.startswith("rename") and temp is not None and temp in args:
        shown.append(text)
        if result != 0:
            fail("the rename failed")
        if not re.search(r'"(?:[^"]*/)?diet\.dat"', args.split(temp, 1)[1]):
            fail("the rename does not put the file at diet.dat")
        steps.append("rename")
        dir_fd = fd_arg if name != "rename" else "AT_FDCWD"
        if dir_fd.isdigit() and int(dir_fd) in open_fds:
            shown.insert(0, open_fds[int(dir_fd)][2])
    elif name in ("fsync", "fdatasync") and "rename" in steps and "dir sync" not in steps:
        path, flags, _ = open_fds.get(int(fd_arg), ("", "", "")) if fd_arg.isdigit() else ("", "", "")
        if "O_DIRECTORY" in flags and path == "." and dir_fd in ("AT_FDCWD", fd_arg):
            shown.append(text)
            if result != 0:
                fail("the folder's sync failed")
            steps.append("dir sync")
    elif name == "close" and fd_arg.isdigit() and result == 0:
        open_fds.pop(int(fd_arg), None)

if temp is None:
    fail("no temporary file was created beside diet.dat")
expected = ["write", "sync", "close", "rename", "dir sync"]
if steps != expected:
    fail("the steps were " + " -> ".join(steps) + "; expected " + " -> ".join(expected))
print("[save_sync_order] the save as the kernel saw it:")
for text in shown:
    print("   " + text)
print("[save_sync_order] temporary file written, synced, closed, renamed over diet.dat, folder synced")
EOF
