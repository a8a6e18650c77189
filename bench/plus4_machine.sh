#!/usr/bin/env bash
# The built-in Plus/4 measured (a benchmark, not a test): F9 to the program's
# first frame after autostart, cold (first run, no window) and warm (window
# open, changed program); emulated frames per second in real time; memory of
# the whole process tree. Runs RUNS times (default 3) under Xvfb.
#   bench/plus4_machine.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-3}
cmake --build "$build" -j2 --target plus4_machine qv3asm >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3-plus4-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp examples/hello/hello.qv3 "$work/hello.qv3"
sed 's/plus\/4 world!/plus\/4 again!/' examples/hello/hello.qv3 >"$work/again.qv3"
"$build/qv3asm" "$work/hello.qv3" >/dev/null
"$build/qv3asm" "$work/again.qv3" >/dev/null
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  echo "== run $run"
  shot=""
  [ "$run" = 1 ] && shot="${SCREENSHOT:-}"
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$build/plus4_machine" "$work/hello.prg" "$work/again.prg" $shot 2>/dev/null
done
