#!/usr/bin/env bash
# A short fuzzing round for CTest: builds the fuzzers with clang in their own build directory,
# replays the seed corpora, then fuzzes each harness for a bounded time. Any crash, failed
# check, leak, timeout or memory blow-up fails the test. Without clang and libFuzzer the test
# is skipped (exit 77); scripts/test installs them.
#
# usage: bash tests/fuzz_smoke.sh [BUILD_DIR]    (default: build/fuzz-smoke in the source tree)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/fuzz-smoke}"
seconds="${FUZZ_SMOKE_SECONDS:-15}"

if ! command -v clang++-14 >/dev/null || ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "SKIP: clang-14 with libFuzzer (clang-14, libclang-rt-14-dev) is not installed"
  exit 77
fi

CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGIRTH_FUZZ=ON -DGIRTH_TESTS=OFF -DGIRTH_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j2 >/dev/null

scratch="$(mktemp -d "${TMPDIR:-/tmp}/girth-fuzz-smoke.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

failed=0
for name in log_format text_mode report_text; do
  fuzzer="$build/fuzz/${name}_fuzzer"
  seeds=("$here/fuzz/corpus/$name/"*)

  # Every seed as it is: the oracles must hold on the realistic files before anything else.
  if ! "$fuzzer" -timeout=10 -rss_limit_mb=2048 "${seeds[@]}" >"$scratch/$name-replay.log" 2>&1; then
    echo "FAIL: $name does not pass its own seeds:" >&2
    tail -n 30 "$scratch/$name-replay.log" >&2
    failed=1
    continue
  fi

  mkdir -p "$scratch/$name" "$scratch/artifacts"
  cp "${seeds[@]}" "$scratch/$name/"
  if "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
      -dict="$here/fuzz/girthminder.dict" -artifact_prefix="$scratch/artifacts/$name-" \
      -print_final_stats=1 "$scratch/$name" >"$scratch/$name.log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$name.log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$scratch/$name.log")"
    echo "$name: ${#seeds[@]} seeds replayed; $runs runs in ${seconds} s ($rate exec/s), corpus $(ls "$scratch/$name" | wc -l) files"
  else
    echo "FAIL: $name found a problem:" >&2
    tail -n 40 "$scratch/$name.log" >&2
    for input in "$scratch/artifacts/$name-"*; do
      [[ -f "$input" ]] && { echo "input ($input):"; od -c "$input" | head -20; } >&2
    done
    failed=1
  fi
done
exit "$failed"
