#!/usr/bin/env bash
# SIGKILL at random moments of the save: diet.dat must always be whole, either the file that
# was there (old) or the one the program writes (new), never a mix or a cut.
#
# usage: bash tests/e2e/kill_during_save.sh PATH_TO_GIRTHMINDER
#
# Two large logs, A and B, are generated in two forms: LF line ends (what a run starts from)
# and the program's own CR LF form (what its save writes for the same entries). Each round
# copies the LF form of A or B in, starts the real program under a private X server, waits
# for its window and asks it to end with SIGTERM, which saves. A watcher sees the save's
# temporary file appear (inotify) and sends SIGKILL after a random part of the measured time
# the save takes from there to its rename, a third more so that some kills fall after it.
# The file must then equal the old or the new form of that round's log. Temporary files that
# the kills leave behind are counted, and whether later starts remove them is reported.
source "$(dirname "$0")/lib.sh" "$@"
set -e
command -v python3 >/dev/null || die "python3 is missing (apt-get install python3)"
exe="$GIRTH_EXE" tmp="$E2E_TMP" work="$WORK"

ENTRIES="${KILL_ENTRIES:-100000}"  # about 8 MB: a save of some tens of milliseconds
BUDGET="${KILL_BUDGET:-75}"       # seconds for the rounds of kills
WANTED=20                         # kills aimed at; at least 5 must land for the test to pass
MAX_ROUNDS=30

# The program's exact form: header, then per entry seven "CR LF KEY=value" lines and a
# closing CR LF. The LF form is the same text with the CRs taken out.
make_log() {  # make_log SEED FILE
  awk -v n="$ENTRIES" -v seed="$1" 'BEGIN {
    ORS = ""
    print "CREATOR=GIRTHMINDER 1.0"
    for (i = 0; i < n; i++) {
      d = 1 + (i + seed) % 28
      printf "\r\nDATE=%d-%02d-%02d\r\nWEIGHT=%d.%d\r\nCHEST=%d\r\nNECK=%d\r\nARM=%d\r\nLEG=%d\r\nWAIST=%d\r\n", \
        1900 + (i % 8000), 1 + (i % 12), d, 60 + (i * 7 + seed) % 60, (i + seed) % 10, \
        90 + i % 30, 35 + i % 9, 28 + (i + seed) % 12, 50 + i % 20, 80 + (i * 3 + seed) % 40
    }
  }' >"$2"
}
for log in A B; do
  make_log "$([[ $log == A ]] && echo 1 || echo 5)" "$tmp/$log.new"
  tr -d '\r' <"$tmp/$log.new" >"$tmp/$log.old"
done
cmp -s "$tmp/A.new" "$tmp/B.new" && die "the two logs are the same"
note "logs of $ENTRIES entries: $(stat -c %s "$tmp/A.new") bytes in the program's form, $(stat -c %s "$tmp/A.old") with LF line ends"

start_with_log() {  # start_with_log LOG: copies the LF form in, starts the program, waits for its window
  cp "$tmp/$1.old" "$work/diet.dat"
  (cd "$work" && exec "$exe") >>"$tmp/app.log" 2>&1 &
  APP_PID=$!
  timeout 60 xdotool search --sync --onlyvisible --pid "$APP_PID" --name '^Girthminder$' >/dev/null 2>&1 ||
    { tail -n 20 "$tmp/app.log" >&2; die "the window did not appear"; }
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }

# The timing is done by a small watcher that sees the save's files appear through inotify, so
# that a kill can fall within the few milliseconds that a save of this size may take.
cat >"$tmp/watch.py" <<'EOF'
import ctypes, os, random, select, signal, struct, sys, time

mode, pid, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
IN_CREATE, IN_MOVED_TO = 0x100, 0x80
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
if fd < 0 or libc.inotify_add_watch(fd, folder.encode(), IN_CREATE | IN_MOVED_TO) < 0:
    sys.exit("inotify is not available")

def running():
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False

def wait_for(test, deadline):  # the time of the first event whose name passes `test`, or None
    while time.monotonic() < deadline:
        if not select.select([fd], [], [], 0.05)[0]:
            if not running():
                return None
            continue
        data = os.read(fd, 65536)
        at = time.monotonic()
        while data:
            _, mask, _, size = struct.unpack_from("iIII", data)
            name = data[16:16 + size].split(b"\0", 1)[0].decode("latin-1")
            data = data[16 + size:]
            if test(mask, name):
                return at
    return None

def is_temp(mask, name): return mask & IN_CREATE and name.startswith(".diet.dat.")
def is_rename(mask, name): return mask & IN_MOVED_TO and name == "diet.dat"

os.kill(pid, signal.SIGTERM)
t0 = time.monotonic()
deadline = t0 + 60
created = wait_for(is_temp, deadline)
if mode == "calibrate":
    renamed = wait_for(is_rename, deadline) if created else None
    if created is None or renamed is None:
        sys.exit("the save's temporary file or its rename was not seen")
    print(f"{created - t0:.4f} {renamed - created:.4f}")
else:  # kill SPAN SEED: SIGKILL a random part of SPAN seconds after the temporary file appears
    span, rng = float(sys.argv[4]), random.Random(sys.argv[5])
    if created is None:
        print("late 0")
        sys.exit(0)
    delay = rng.uniform(0, span)
    time.sleep(max(0.0, delay - (time.monotonic() - created)))
    if running():
        os.kill(pid, signal.SIGKILL)
        print(f"killed {delay:.4f}")
    else:
        print(f"late {delay:.4f}")
EOF

# Where the save falls: when its temporary file appears after SIGTERM, and how long until it
# replaces diet.dat. The saved file must be exactly the program's form of the log, or old and
# new could not be told apart below.
calibrate() {  # calibrate LOG: prints "created writing" in seconds
  start_with_log "$1"
  local inode result
  inode="$(stat -c %i "$work/diet.dat")"
  result="$(python3 "$tmp/watch.py" calibrate "$APP_PID" "$work")" || die "watching the save failed"
  wait "$APP_PID" || die "the program failed when asked to end (status $?)"
  APP_PID=""
  cmp -s "$work/diet.dat" "$tmp/$1.new" || die "the save of log $1 did not give the program's form of it"
  [[ "$(stat -c %i "$work/diet.dat")" != "$inode" ]] || die "diet.dat was not replaced by the save"
  echo "$result"
}
read -r created_a writing_a < <(calibrate A)
read -r created_b writing_b < <(calibrate B)
compgen -G "$work/.diet.dat.*" >/dev/null && die "a clean save left a temporary file"
# The kills spread over a span a third longer than the longer of the two measured saves, so
# that some fall after the rename too.
span="$(awk -v a="$writing_a" -v b="$writing_b" 'BEGIN { printf "%.4f", (a > b ? a : b) * 1.33 }')"
note "after SIGTERM the temporary file appeared at ${created_a} s and ${created_b} s and replaced diet.dat ${writing_a} s and ${writing_b} s later"
note "each SIGKILL comes 0 to ${span} s after the temporary file appears"

declare -A known_temps=()
rounds=0 kills=0 late=0 checked=0 was_old=0 was_new=0 with_temp=0
start="$(now)"
while ((rounds < MAX_ROUNDS)); do
  used="$(elapsed "$start")"
  awk -v u="$used" -v b="$BUDGET" 'BEGIN { exit !(u < b) }' || break
  log=$([[ $((rounds % 2)) -eq 0 ]] && echo A || echo B)
  rounds=$((rounds + 1))
  start_with_log "$log"
  read -r outcome delay < <(python3 "$tmp/watch.py" kill "$APP_PID" "$work" "$span" "$RANDOM$rounds") ||
    die "watching the save failed"
  if [[ "$outcome" == killed ]]; then
    kills=$((kills + 1))
  else
    late=$((late + 1))  # it had ended already: the save was complete
  fi
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""

  [[ -n "${KILL_DEBUG:-}" ]] && note "round $rounds: $outcome, ${delay} s after the temporary file appeared"
  checked=$((checked + 1))
  if cmp -s "$work/diet.dat" "$tmp/$log.old"; then
    was_old=$((was_old + 1))
  elif cmp -s "$work/diet.dat" "$tmp/$log.new"; then
    was_new=$((was_new + 1))
  else
    cp "$work/diet.dat" "$(dirname "$tmp")/girth-kill-torn-diet.dat" 2>/dev/null || true
    die "round $rounds (log $log, SIGKILL ${delay} s after the temporary file appeared): diet.dat is neither the old nor the new log ($(stat -c %s "$work/diet.dat") bytes; kept as $(dirname "$tmp")/girth-kill-torn-diet.dat)"
  fi
  # The temporary files of earlier rounds stay, to see whether a later start removes them.
  for f in "$work"/.diet.dat.*; do
    [[ -e "$f" && -z "${known_temps[${f##*/}]:-}" ]] || continue
    known_temps[${f##*/}]=1
    with_temp=$((with_temp + 1))
  done
done

note "rounds: $rounds, SIGKILLs sent during the save: $kills, saves that had finished first: $late"
note "files checked: $checked; whole old log: $was_old (a temporary file left: $with_temp), whole new log: $was_new, torn: 0"
temps_left=${#known_temps[@]}
# The next save that completes removes what the killed ones left.
calibrate A >/dev/null
temps_still=$(find "$work" -maxdepth 1 -name '.diet.dat.*' | wc -l)
note "temporary files left by kills: $temps_left; still there after a completed save: $temps_still"
((temps_still == 0)) || die "a completed save left $temps_still temporary files of killed saves behind"
((kills >= 5)) || die "only $kills kills landed in a save: nothing was shown"
((kills >= WANTED)) || note "fewer kills than the $WANTED aimed at: the machine is slow or busy"
((with_temp > 0)) || note "no kill fell while the temporary file was being written"
((was_new > 0)) || note "no kill fell after the rename"
exit 0
