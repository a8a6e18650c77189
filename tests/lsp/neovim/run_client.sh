#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Neovim, headless, drives qv3-lsp through client.lua on a copy of the
# two-module example; the renamed files must then assemble.
# Usage: run_client.sh QV3_LSP QV3ASM SOURCE_DIR   (exit 77: no Neovim here)
set -u
lsp=$1 asm=$2 source=$3
if ! command -v nvim >/dev/null; then
  # CI installs it (scripts/install-deps): there a missing Neovim is a failure.
  [ -n "${CI:-}" ] && { echo "FAIL: nvim is not installed"; exit 1; }
  echo "skipped: nvim is not installed"
  exit 77
fi
folder=$(mktemp -d "${TMPDIR:-/tmp}/qv3-nvim.XXXXXX")
trap 'rm -rf "$folder"' EXIT
cp "$source/examples/twomodule/"{main.qv3,lib.qv3,shared.inc} "$folder/"
export QV3_LSP=$lsp QV3_FOLDER=$folder HOME=$folder XDG_CONFIG_HOME=$folder/config XDG_DATA_HOME=$folder/data XDG_STATE_HOME=$folder/state
timeout 60 nvim --headless --clean -u NONE -i NONE -n -c "luafile $source/tests/lsp/neovim/client.lua" </dev/null 2>"$folder/nvim.err"
status=$?
cat "$folder/nvim.err"
[ "$status" -eq 0 ] || { echo "FAIL: nvim exited with $status"; exit 1; }
grep -q 'JSR @LIB.CLS ' "$folder/main.qv3" || { echo "FAIL: main.qv3 not renamed on disk"; exit 1; }
grep -q '^CLS:' "$folder/lib.qv3" || { echo "FAIL: lib.qv3 not renamed on disk"; exit 1; }
grep -q 'CLEARSCREEN:' "$folder/lib.qv3" && { echo "FAIL: lib.qv3 still defines CLEARSCREEN"; exit 1; }
(cd "$folder" && "$asm" main.qv3) || { echo "FAIL: the renamed modules do not assemble"; exit 1; }
echo "neovim client OK"
