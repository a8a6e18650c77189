#!/bin/bash
# The Lorenz 6502 test suite (Plus/4 build) on the machine model: every
# program VICE passes must end with its debug-cartridge verdict 0
# ("stop: debug-exit", exit status 0), within the emulated time VICE needed.
#
# usage: lorenz_suite.sh QV3RUN SUITE_FOLDER [JOBS]
# Exit 77 (skipped) where the suite's folder is absent.
set -u
qv3run=$1
suite=$2
jobs=${3:-$(nproc)}

if [ ! -f "$suite/vice-verdicts.tsv" ]; then
  echo "SKIPPED: the Lorenz suite is not at '$suite' (see tests/plus4/lorenz_suite.sh)"
  exit 77
fi

# Programs VICE passes that the model does not pass yet, each with the reason.
# The goal is an empty list; a program listed here that passes fails the test
# too, so the list cannot go stale.
declare -A known_failures=(
)

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

run_one() {
  local qv3run=$1 suite=$2 results=$3 name=$4 seconds=$5
  local frames=$((seconds * 50))
  local output status
  output=$("$qv3run" --plus4 --frames "$frames" --cycles 4000000000 "$suite/$name-plus4.prg" 2>/dev/null)
  status=$?
  local stop
  stop=$(printf '%s\n' "$output" | tail -n 1)
  if [ $status -eq 0 ] && [[ $stop == "stop: debug-exit"* ]]; then
    echo pass >"$results/$name"
  else
    echo "fail (exit $status) $stop" >"$results/$name"
  fi
}
export -f run_one

start=$(date +%s)
awk -F'\t' '$2 == "pass" { print $1 " " $3 }' "$suite/vice-verdicts.tsv" |
  xargs -P "$jobs" -n 2 bash -c 'run_one "$0" "$1" "$2" "$3" "$4"' "$qv3run" "$suite" "$results"

passed=0 failed=0 unexpected=0 fixed=0
for file in "$results"/*; do
  name=$(basename "$file")
  verdict=$(cat "$file")
  if [ "$verdict" = pass ]; then
    passed=$((passed + 1))
    if [ -n "${known_failures[$name]+set}" ]; then
      echo "PASSES NOW (remove it from known_failures): $name"
      fixed=$((fixed + 1))
    fi
  else
    failed=$((failed + 1))
    if [ -n "${known_failures[$name]+set}" ]; then
      echo "known failure: $name: $verdict (${known_failures[$name]})"
    else
      echo "FAILED: $name: $verdict"
      unexpected=$((unexpected + 1))
    fi
  fi
done
total=$((passed + failed))
echo "Lorenz suite: $passed of $total programs VICE passes passed ($failed failed, $unexpected unexpected)" \
  "in $(($(date +%s) - start)) s"
[ "$total" -eq 240 ] || { echo "expected the 240 programs VICE passes, found $total"; exit 1; }
[ "$unexpected" -eq 0 ] && [ "$fixed" -eq 0 ]
