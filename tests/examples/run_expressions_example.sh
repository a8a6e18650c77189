#!/usr/bin/env bash
# examples/expressions on the Plus/4 model: assembled by qv3run as qv3asm
# does, run for 30 frames, and its screen compared with the expected text.
#
# usage: run_expressions_example.sh QV3RUN SOURCE_DIR
set -euo pipefail
qv3run=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT


cp "$source_dir/examples/expressions/expressions.qv3" "$work/"
cd "$work"
"$qv3run" --plus4 --frames 30 --screen-text expressions.qv3 > out.txt 2> err.txt || {
  cat out.txt err.txt
  exit 1
}
# The assembler's Status lines go to standard error, the screen to output.
grep -q '^Success (expressions)!$' err.txt || { cat err.txt; exit 1; }
head -n 25 out.txt > screen.txt
diff -u "$source_dir/tests/examples/expressions.screen.txt" screen.txt
echo "the screen of examples/expressions is as expected"
