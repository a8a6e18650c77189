# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the screenshot scripts and bench/debugger_speed.sh after they
# set root and build: runs the calling script again, with its arguments, on
# an X server of its own (Xvfb, 1280 x 960) under openbox, with no settings
# of the user's, and gives start_workbench FILE,
# which copies FILE into a scratch folder and opens it in qv3 (pid in qv3,
# its window in window, moved to the screen's corner and filling it).
if [ -z "${QV3_UNDER_X:-}" ]; then
  export QV3_UNDER_X=1
  exec xvfb-run -a -s "-screen 0 1280x960x24 -nolisten tcp" bash "$0" "$@"
fi
scratch=$(mktemp -d)
trap 'kill ${qv3:-} ${manager:-} 2>/dev/null || true; rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config

openbox --sm-disable >/dev/null 2>&1 &
manager=$!
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

start_workbench() {
  cp "$1" "$scratch/"
  "$build/qv3" "$scratch/$(basename "$1")" >/dev/null 2>&1 &
  qv3=$!
  window=$(xdotool search --sync --onlyvisible --pid "$qv3" | head -1)
  xdotool windowactivate --sync "$window"
  xdotool windowmove "$window" 0 0 windowsize "$window" 1280 960
  sleep 1
}
