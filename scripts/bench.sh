#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmark on three generated histories
# (kept in build-bench/bench-data: delete that folder to generate them again).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build-bench -j"$(nproc)" --target corvandelle_bench
build-bench/bench/corvandelle_bench build-bench/bench-data --benchmark_min_time=0.5 "$@"
