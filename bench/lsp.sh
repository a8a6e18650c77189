#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# qv3-lsp on the code workload (23,834 lines): the engine time of the check
# that answers a change with its diagnostics (target: under 30 ms), the time
# from the change to the diagnostics, and the server's memory with the
# document open. Release build in build-bench/.
#
#   bench/lsp.sh            (BENCH_RUNS: 20)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DQV3_BUILD_WORKBENCH=OFF -DQV3_BUILD_TESTS=OFF >/dev/null
if ! cmake --build "$build" -j2 --target qv3-lsp >"$build/lsp-build.log" 2>&1; then
  cat "$build/lsp-build.log"
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3lsp.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/generate.py" --scale 1 --out "$work" --workloads code >/dev/null
echo "load before: $(uptime)"
python3 "$root/bench/lsp_change.py" "$build/qv3-lsp" "$work/code.qv3" "${BENCH_RUNS:-20}"
echo "load after: $(uptime)"
