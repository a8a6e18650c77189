#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a packager
# ships: the programs, the desktop entry, the icon, the MIME type of the
# sources and the man pages of the command-line programs (qv3-lsp among them).
# Usage: check_install.sh CMAKE BUILD_DIR BINDIR DATADIR MANDIR WITH_WORKBENCH(0|1) [EMULATOR_FILES]
# EMULATOR_FILES: the npm folder of the built-in Plus/4's files, given when
# the build has the built-in Plus/4.
set -u

cmake_command=$1 build_dir=$2 bindir=$3 datadir=$4 mandir=$5 with_workbench=$6 emulator_files=${7:-}
failures=0
skipped=()
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "skipped: $*"; skipped+=("$1"); }

prefix=$(mktemp -d "${TMPDIR:-/tmp}/qv3-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

if ! "$cmake_command" --install "$build_dir" --prefix "$prefix" >"$prefix/install.log" 2>&1; then
  cat "$prefix/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi

expect_file() { [ -f "$prefix/$1" ] || fail "missing $1"; }
expect_program() { [ -x "$prefix/$1" ] && [ -f "$prefix/$1" ] || fail "missing or not executable: $1"; }

desktop=$datadir/applications/qv3.desktop
icon=$datadir/icons/hicolor/scalable/apps/qv3.svg
mime=$datadir/mime/packages/qv3.xml

programs=(qv3asm qv3run)
# The language server is built where Qt Core is found.
[ -x "$build_dir/qv3-lsp" ] && programs+=(qv3-lsp)
for program in "${programs[@]}"; do
  expect_program "$bindir/$program"
  expect_file "$mandir/man1/$program.1"
done
expect_file "$mandir/man7/qv3.7"  # the language
if [ "$with_workbench" = 1 ]; then
  expect_program "$bindir/qv3"
  expect_file "$desktop"
  expect_file "$icon"
  for size in 16 32 48 256; do expect_file "$datadir/icons/hicolor/${size}x${size}/apps/qv3.png"; done
  expect_file "$mime"
fi
# The built-in Plus/4's files, where the installed workbench looks first
# (beside its program: ../share/qv3/emulator).
if [ -n "$emulator_files" ]; then
  if [ -f "$emulator_files/core-vice_xplus4/vice_xplus4-legacy-wasm.data" ]; then
    expect_file "$datadir/qv3/emulator/emulatorjs/data/loader.js"
    expect_file "$datadir/qv3/emulator/emulatorjs/data/src/emulator.js"
    expect_file "$datadir/qv3/emulator/core-vice_xplus4/vice_xplus4-legacy-wasm.data"
    expect_file "$datadir/qv3/emulator/core-vice_xplus4/reports/vice_xplus4.json"
  else
    skip "the built-in Plus/4's files (not installed by npm ci yet)"
  fi
fi

# Each installed command-line program runs, and its help and version match
# its man page.
check_man_page() {
  local program=$1 man_page=$mandir/man1/$1.1 help version man_version rendered options_section help_options
  help=$("$prefix/$bindir/$program" --help) || fail "$program --help"
  version=$("$prefix/$bindir/$program" --version) || fail "$program --version"
  man_version=$(sed -n 's/^\.TH .*"QV3 \([0-9.]*\)".*/\1/p' "$prefix/$man_page")
  [ -n "$man_version" ] && [[ "$version" == *"v$man_version"* ]] ||
    fail "$program: man page version '$man_version' differs from '$version'"

  if command -v groff >/dev/null; then
    rendered=$(groff -man -Tascii -P-cbou -ww "$prefix/$man_page" 2>"$prefix/groff.err")
    [ -s "$prefix/groff.err" ] && fail "groff warns on $program.1: $(cat "$prefix/groff.err")"
    options_section=$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$rendered")
    # The help's option column: the lines that start with an option, up to
    # the gap before their description.
    help_options=$(grep -E '^ +-' <<<"$help" | sed -E 's/^ +//; s/  .*//' | grep -oE -- '-{1,2}[a-zA-Z][a-zA-Z0-9-]*' | sort -u)
    [ -n "$help_options" ] || fail "no options found in $program --help"
    for option in $help_options; do
      grep -qE -- "(^|[ ,])$option([ ,=]|$)" <<<"$options_section" || fail "$program.1 lacks option $option"
    done
    grep -q 'EXIT STATUS' <<<"$rendered" || fail "$program.1 lacks EXIT STATUS"
  else
    skip "groff (man page options)"
  fi
  if command -v man >/dev/null; then
    MANWIDTH=80 man --warnings -l "$prefix/$man_page" >"$prefix/man.out" 2>"$prefix/man.err" || fail "man -l $program.1 failed"
    [ -s "$prefix/man.err" ] && fail "man warns on $program.1: $(cat "$prefix/man.err")"
    grep -q "$program" "$prefix/man.out" || fail "man -l $program.1 rendered nothing"
  else
    skip "man (rendering)"
  fi
}
for program in "${programs[@]}"; do check_man_page "$program"; done

if [ "$with_workbench" = 1 ] && [ -f "$prefix/$desktop" ] && [ -f "$prefix/$mime" ]; then
  entry=$prefix/$desktop
  # A file manager hands the chosen sources over as local paths.
  grep -qx 'Exec=qv3 %F' "$entry" || fail "Exec is not exactly 'qv3 %F'"
  grep -qE '^Categories=(.*;)?Development;' "$entry" || fail "Categories lacks Development"
  grep -qx 'Icon=qv3' "$entry" || fail "Icon is not qv3"
  mime_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$prefix/$mime")
  [ -n "$mime_type" ] || fail "no MIME type in $mime"
  grep -qE "^MimeType=(.*;)?${mime_type//./\\.};" "$entry" || fail "MimeType does not list $mime_type"

  if command -v xmllint >/dev/null; then
    xmllint --noout "$prefix/$mime" "$prefix/$icon" || fail "malformed XML"
  fi
  grep -q '<svg' "$prefix/$icon" || fail "icon is no SVG"

  if command -v update-mime-database >/dev/null; then
    cp -r "$prefix/$datadir/mime" "$prefix/mime-check"
    update-mime-database "$prefix/mime-check" 2>"$prefix/mime.err" || fail "update-mime-database: $(cat "$prefix/mime.err")"
    grep -q "^[0-9]*:$mime_type:\*\.qv3$" "$prefix/mime-check/globs2" || fail "*.qv3 not mapped to $mime_type"
  else
    skip "update-mime-database"
  fi

  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
  else
    skip "desktop-file-validate"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
# The desktop entry's validation is part of what this test promises.
for what in "${skipped[@]}"; do [ "$what" = desktop-file-validate ] && exit 77; done
echo "install layout OK under $prefix"
