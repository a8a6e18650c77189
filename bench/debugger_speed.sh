#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The debugger's run speeds (a benchmark, not a test): the share of one core
# that qv3 takes while examples/raster runs in the debugger on the Plus/4
# model, at real speed (50 frames a second) and as fast as possible. Runs
# qv3 on an X server of its own (Xvfb) under openbox, driven by xdotool.
#   bench/debugger_speed.sh [BUILD_DIR] [SECONDS]      (default: build, 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-10}
. "$root/docs/workbench_under_x.sh"
cp "$root/examples/raster/raster.qv3" "$scratch/"

ticks_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hertz=$(getconf CLK_TCK)
echo "load before: $(uptime)"
for speed in true false; do
  mkdir -p "$XDG_CONFIG_HOME/QV3"
  printf '[debugger]\nrealSpeed=%s\n' "$speed" > "$XDG_CONFIG_HOME/QV3/qv3.conf"
  "$build/qv3" "$scratch/raster.qv3" >/dev/null 2>&1 &
  qv3=$!
  window=$(xdotool search --sync --onlyvisible --pid "$qv3" | head -1)
  xdotool windowactivate --sync "$window"
  sleep 1
  xdotool key shift+F9
  sleep 2
  before=$(ticks_of "$qv3")
  sleep "$seconds"
  after=$(ticks_of "$qv3")
  label=$([ "$speed" = true ] && echo "real speed" || echo "as fast as possible")
  awk -v t=$((after - before)) -v hz="$hertz" -v s="$seconds" -v l="$label" \
    'BEGIN { printf "%-20s %5.1f %% of a core over %d s\n", l, 100 * t / hz / s, s }'
  kill "$qv3"
  wait "$qv3" 2>/dev/null || true
done
echo "load after: $(uptime)"
