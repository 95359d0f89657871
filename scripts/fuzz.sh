#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset fuzz) and runs each over a copy of its seed corpus
# for a bounded time (FUZZ_SECONDS, 20 by default). Fails on the first crash, leak, sanitizer report
# or broken round trip, leaving the input that caused it in build-fuzz/findings/. Without clang it
# says so and does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found, skipped (apt-get install clang libclang-rt-14-dev)" >&2
    exit 0
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
mkdir -p build-fuzz/findings
for target in build-fuzz/bin/*_fuzz; do
    name=$(basename "$target" _fuzz)
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/"
    echo "fuzz: $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
            -artifact_prefix="build-fuzz/findings/$name-" "$work" >"build-fuzz/findings/$name.log" 2>&1; then
        tail -n 40 "build-fuzz/findings/$name.log" >&2
        rm -rf "$work"
        echo "fuzz: $name failed; the input is in build-fuzz/findings/" >&2
        exit 1
    fi
    rm -rf "$work"
done
