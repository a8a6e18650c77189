#!/bin/sh
# The workbench's "Compile" of the code workload (23,834 lines) timed
# headless against qv3asm on the same file, both from a Release build.
#
#   bench/workbench.sh            (BENCH_RUNS: 10)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench-workbench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQV3_BUILD_TESTS=OFF >/dev/null
if ! cmake --build "$build" -j2 --target qv3asm workbench_compile >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3wb.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/generate.py" --scale 1 --out "$work" >/dev/null
echo "load before: $(uptime)"
QT_QPA_PLATFORM=offscreen "$build/workbench_compile" "$work/code.qv3" "$build/qv3asm" "${BENCH_RUNS:-10}"
echo "load after: $(uptime)"
