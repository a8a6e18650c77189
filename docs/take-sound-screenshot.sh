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
if [ -z "${QV3_UNDER_X:-}" ]; then
  export QV3_UNDER_X=1
  exec xvfb-run -a -s "-screen 0 1280x960x24 -nolisten tcp" bash "$0" "$build"
fi
scratch=$(mktemp -d)
trap 'kill ${qv3:-} ${manager:-} 2>/dev/null || true; rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config  # no settings of the user's
cp "$root/examples/sound/sound.qv3" "$scratch/"

openbox --sm-disable >/dev/null 2>&1 &
manager=$!
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

"$build/qv3" "$scratch/sound.qv3" >/dev/null 2>&1 &
qv3=$!
window=$(xdotool search --sync --onlyvisible --pid "$qv3" | head -1)
xdotool windowactivate --sync "$window"
xdotool windowmove "$window" 0 0 windowsize "$window" 1280 960
sleep 1
xdotool key shift+F9
sleep 3
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$root/docs/debug-sound.png"
echo "wrote $root/docs/debug-sound.png"
