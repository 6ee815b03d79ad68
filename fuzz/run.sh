#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds (default 60) on a working copy
# of its seed corpus. Crashes, leaks and hangs stop the run with the failing
# input saved as build/fuzz/artifacts/<target>/crash-*; keep such an input as
# a seed (and as a test case) once it is fixed.
#   fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(fuzz_parse_file fuzz_vcal_rule fuzz_ical_rule fuzz_outlook_filter fuzz_qp_decode
    fuzz_store_json)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

for target in "${targets[@]}"; do
    seeds=fuzz/corpus/${target#fuzz_}
    work=build/fuzz/corpus/${target}
    artifacts=build/fuzz/artifacts/${target}/
    mkdir -p "$work" "$artifacts"
    echo "+ $target for ${seconds}s"
    (cd build/fuzz/bin && "./$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="../../../$artifacts" "../../../$work" "../../../$seeds")
done
