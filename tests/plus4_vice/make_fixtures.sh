#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes VICE's measurements on the built-in Plus/4 (VICE xplus4 under Qt
# WebEngine, on an X server of its own) for every program in programs/ and
# writes the fixtures beside this script: NAME.txt (registers and RAM ranges),
# NAME.png (the frame), and the palette list after palette.txt's RAM. Programs
# run in real time.
#   tests/plus4_vice/make_fixtures.sh [BUILD_DIR] [PROGRAM...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
cmake --build "$build" -j2 --target measure_on_vice qv3asm >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3-vice-fixtures.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The RAM ranges each program's results lie in (FIRST-LAST, hex); colour and
# screen memory for all, so that the test knows where glyphs are drawn.
declare -A ranges=(
  [start_state]="0000-00FF 0200-0FFF 2FFF-2FFF 3000-3FFF"
  [palette]="0800-0FFF 2FFF-2FFF"
  [kernal_facts]="0800-0FFF 2FFF-2FFF 3000-35FF"
  [raster_irq]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [cpu_rounds]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [timer_irq]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [chrout]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [bitmap_hires]="0800-0FFF 2FFF-2FFF"
  [bitmap_multicolour]="0800-0FFF 2FFF-2FFF"
  [keyboard]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [timer_start]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [kernal_timing]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [cpu_cycles]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [jiffy_clock]="0800-0FFF 2FFF-2FFF 3000-30FF 4000-63FF"
  [io_area]="0800-0FFF 2FFF-2FFF 3000-31FF"
  [basic_return]="0000-00FF 0800-0FFF 2FFF-2FFF 3000-30FF"
  [raster_write]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [charset_switch]="0800-0FFF 2FFF-2FFF 3000-30FF"
  [chrout_timing]="0800-0FFF 2FFF-2FFF 3000-30FF"
)
# Keys typed while a program runs (X key code = evdev code + 8, and text).
declare -A keys=(
  [keyboard]="--key 38:a"
  [kernal_facts]="--key 38:a --kernal-facts"
  [start_state]="--start-state"
  [basic_return]="--key 38:a"
)

measure() {
  local name=$1
  cp "$here/programs/$name.qv3" "$work/"
  "$build/qv3asm" "$work/$name.qv3" >"$work/$name.log" || { cat "$work/$name.log"; return 1; }
  local args=(--done 2FFF --timeout 60)
  for range in ${ranges[$name]:-}; do args+=(--ram "$range"); done
  # shellcheck disable=SC2206
  args+=(${keys[$name]:-})
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$build/measure_on_vice" "$work/$name.prg" "$here/$name" "${args[@]}" 2>"$work/$name.err" ||
    { tail -20 "$work/$name.err"; return 1; }
  echo "measured $name"
}

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for source in "$here"/programs/*.qv3; do programs+=("$(basename "$source" .qv3)"); done
fi
for name in "${programs[@]}"; do
  measure "$name"
  if [ "$name" = kernal_facts ]; then mv "$here/kernal_facts.png" "$work/"; fi
  if [ "$name" = palette ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
      "$build/measure_on_vice" --palette "$here/palette.png" >>"$here/palette.txt" 2>"$work/palette.err"
  fi
done
