#!/bin/sh
# Assembles every workload in the given folders (written by generate.py) with
# qv3asm and the installed peers and compares each .prg, load address
# included, with the bytes the generator expects.
# Usage: bench/check_identical.sh DIR...
exec python3 "$(dirname "$0")/harness.py" check "$@"
