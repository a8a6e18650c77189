#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes docs/debug-raster-irq.png: the workbench debugging examples/raster on
# the Plus/4 model, stopped at a breakpoint inside the raster interrupt
# handler, the Screen pane showing the TED's picture, in a second session.
# Runs qv3 on an X server of its own (Xvfb) under openbox, driven by its keys
# through xdotool.
#   docs/take-debug-screenshot.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
. "$root/docs/workbench_under_x.sh"
start_workbench "$root/examples/raster/raster.qv3"

# The breakpoint on the handler's store to the border.
line=$(grep -n "STA BORDER" "$scratch/raster.qv3" | head -1 | cut -d: -f1)
xdotool key ctrl+g
sleep 0.5
xdotool type "$line"
xdotool key Return
sleep 0.3
xdotool key F5
# Start, then continue through a frame and more of stops, so that the last
# complete picture has all its bars; twice, the second session opening the
# panes as the first left them.
for session in 1 2; do
  for _ in $(seq 30); do
    xdotool key shift+F9
    sleep 0.3
  done
  [ "$session" = 1 ] && xdotool key ctrl+F2 && sleep 1
done
sleep 1
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$root/docs/debug-raster-irq.png"
echo "wrote $root/docs/debug-raster-irq.png"
