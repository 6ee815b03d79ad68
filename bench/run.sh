#!/usr/bin/env bash
# Builds quillane and the calendar benchmark runner (release build with debug
# info) and prints the benchmark table: parsing, import into a fresh store,
# export, peak memory, and libical's parse and serialization of the same
# generated files when libical-dev is installed.
#   bench/run.sh [SIZES] [WORK] [STORE_LIMIT]
#     e.g. bench/run.sh 10000,100000 /tmp/quillane-bench 10000
# Sizes above STORE_LIMIT (default: all) are only parsed, not imported or
# exported.
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=${1:-10000,100000}
work=${2:-/tmp/quillane-bench}
limit=${3:-1000000000}

cmake --preset default >/dev/null
cmake --build --preset default --target quillane bench_calendar
build/default/bin/bench_calendar table --quillane "$PWD/build/default/bin/quillane" \
    --events "$sizes" --work "$work" --store-limit "$limit"
