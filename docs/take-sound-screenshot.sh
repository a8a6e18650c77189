#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes docs/debug-sound.png: the workbench debugging examples/sound on the
# Plus/4 model while it runs and plays (the program has returned to BASIC;
# its interrupt plays the scale), the Screen pane showing READY. Runs qv3
# on an X server of its own (Xvfb) under openbox, driven by its keys through
# xdotool; Xvfb has no audio device, so the sound output stays silent.
#   docs/take-sound-screenshot.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
. "$root/docs/workbench_under_x.sh"
start_workbench "$root/examples/sound/sound.qv3"
xdotool key shift+F9
sleep 3
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$root/docs/debug-sound.png"
echo "wrote $root/docs/debug-sound.png"
