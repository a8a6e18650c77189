#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The machine model's speed (a benchmark, not a test): 50 frames of
# bench/plus4_speed.qv3 (bitmap screen redrawn all the time, raster
# interrupt) with the picture drawn, beside the bare 6502 core's cycles per
# second, in a Release build of its own (build-bench/, shared with the other
# benches).
#
#   bench/plus4_speed.sh [ROUNDS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QV3_BENCH_BUILD:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQV3_BUILD_WORKBENCH=OFF -DQV3_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target plus4_speed cpu_speed qv3asm -j2 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3-plus4-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/bench/plus4_speed.qv3" "$work/"
"$build/qv3asm" "$work/plus4_speed.qv3" >/dev/null
echo "load before: $(uptime)"
"$build/plus4_speed" "$work/plus4_speed.prg" "${1:-9}"
"$build/cpu_speed" "${QV3_6502_FUNCTIONAL_TEST:-$root/tests/cpu/6502_functional_test}" 3 | grep -E "^(core|machine)"
echo "load after: $(uptime)"
