#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test binary on an X server of its own (Xvfb) under openbox, the
# window manager whose habits the tests check. Skips (77) where Xvfb or
# openbox is missing; under CI (CI set) that is a failure instead.
set -uo pipefail
binary=$1
shift
missing=""
for tool in xvfb-run openbox xprop xdotool; do
  command -v "$tool" >/dev/null 2>&1 || missing+=" $tool"
done
if [ -n "$missing" ]; then
  message="missing:$missing (scripts/install-deps installs them)"
  if [ -n "${CI:-}" ]; then
    echo "FAILED: the window manager tests must run in CI, but $message" >&2
    exit 1
  fi
  echo "SKIPPED: the window manager tests: $message" >&2
  exit 77
fi
if [ -z "${QV3_UNDER_OPENBOX:-}" ]; then
  export QV3_UNDER_OPENBOX=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$binary" "$@"
fi
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
# Openbox names the root's check window before its own, and lists the
# windows it manages only once it is ready to manage them.
for _ in $(seq 100); do
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q "^_NET_CLIENT_LIST(WINDOW)" && break
  sleep 0.1
done
"$binary" "$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit $status
