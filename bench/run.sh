#!/bin/sh
# The whole benchmark in one command: generate the workloads at scale 1 and 5
# into a temporary folder, check that every tool writes identical bytes, then
# time qv3asm and the peers side by side and print the table.
#
#   bench/run.sh
#
# Environment: QV3ASM (default build-bench/qv3asm), BENCH_RUNS (10),
# BENCH_WARMUP (3), BENCH_BUDGET (60 s per tool and workload), BENCH_ROUNDS (3),
# BENCH_SCALES ("1 5"), BENCH_KEEP=1 keeps the generated files.
set -eu
bench=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qv3bench.XXXXXX")
if [ "${BENCH_KEEP:-0}" != 1 ]; then
  trap 'rm -rf "$work"' EXIT
else
  echo "generated files kept in $work"
fi

echo "load before: $(uptime)"
folders=""
for scale in ${BENCH_SCALES:-1 5}; do
  python3 "$bench/generate.py" --scale "$scale" --out "$work/x$scale"
  folders="$folders $work/x$scale"
done

echo
echo "== identical .prg bytes"
# shellcheck disable=SC2086
if ! python3 "$bench/harness.py" check $folders; then
  echo "WARNING: some outputs differ; their timings below are not comparable"
fi

echo
echo "== timing (hyperfine medians, peak RSS from /usr/bin/time -v)"
# shellcheck disable=SC2086
python3 "$bench/harness.py" measure $folders
echo
echo "load after: $(uptime)"
