#!/bin/sh
# Emulated cycles per second of the 6502 core on the public functional test,
# in a Release build of its own (build-bench/, shared with bench/run.sh).
#
#   bench/cpu_speed.sh [FOLDER] [ROUNDS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QV3_BENCH_BUILD:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQV3_BUILD_WORKBENCH=OFF -DQV3_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target cpu_speed -j2 >/dev/null
echo "load before: $(uptime)"
"$build/cpu_speed" "$@"
echo "load after: $(uptime)"
