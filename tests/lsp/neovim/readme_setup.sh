#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's Neovim set-up, copied from the README as printed into a fresh
# init.lua: opening a .qv3 file must give it its file type, start qv3-lsp
# from the PATH, attach it and show its diagnostics (readme_check.lua).
# Usage: readme_setup.sh QV3_LSP SOURCE_DIR   (exit 77: no Neovim here)
set -u
lsp=$1 source=$2
if ! command -v nvim >/dev/null; then
  [ -n "${CI:-}" ] && { echo "FAIL: nvim is not installed"; exit 1; }
  echo "skipped: nvim is not installed"
  exit 77
fi
folder=$(mktemp -d "${TMPDIR:-/tmp}/qv3-nvim-readme.XXXXXX")
trap 'rm -rf "$folder"' EXIT
mkdir -p "$folder/config/nvim" "$folder/bin" "$folder/project"
# The block after the README's Neovim line, between its ```lua and ``` lines.
awk '/^Neovim .* in `init.lua`/ { found = 1 }
     found && /^```lua$/ { inside = 1; next }
     inside && /^```$/ { exit }
     inside { print }' "$source/README.md" >"$folder/config/nvim/init.lua"
[ -s "$folder/config/nvim/init.lua" ] || { echo "FAIL: no Neovim snippet in README.md"; exit 1; }
ln -s "$lsp" "$folder/bin/qv3-lsp"
# lib is not assembled, so main's @LIB lines are file errors: diagnostics to wait for.
cp "$source/examples/twomodule/"{main.qv3,lib.qv3,shared.inc} "$folder/project/"
export PATH="$folder/bin:$PATH" HOME=$folder XDG_CONFIG_HOME=$folder/config XDG_DATA_HOME=$folder/data \
       XDG_STATE_HOME=$folder/state XDG_CACHE_HOME=$folder/cache
cd "$folder/project" || exit 1
timeout 60 nvim --headless -i NONE -n main.qv3 -c "luafile $source/tests/lsp/neovim/readme_check.lua" \
  </dev/null >"$folder/nvim.out" 2>&1
status=$?
cat "$folder/nvim.out"
[ "$status" -eq 0 ] || { echo "FAIL: nvim exited with $status ($(nvim --version | head -1))"; exit 1; }
echo "README Neovim set-up OK ($(nvim --version | head -1))"
