#!/usr/bin/env bash
# Times tovo-cli and the window against Info-ZIP zip/unzip and 7z on every
# row of the speed table; see bench/tovobench.py for the options.
# Run by hand after a build (and `cmake --build build --target bench_open`);
# never part of the test suite.
#
#   bench/run-bench.sh [--data DIR] [--runs N] [--before OLD_BIN_DIR] [ROW...]
set -euo pipefail
exec python3 "$(cd "$(dirname "$0")" && pwd)/tovobench.py" "$@"
