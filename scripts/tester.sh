#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests on Qt's offscreen platform):
# first the ordinary build, then the same tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Set CORV_SANS_SANITISEURS=1 to skip the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh test
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${CORV_SANS_SANITISEURS:-0}" != 1 ]; then
  echo "=== Tests sous AddressSanitizer et UndefinedBehaviorSanitizer ==="
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANDELLE_SANITIZE=ON -DCORVANDELLE_BENCH=OFF > /dev/null
  cmake --build build-asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
fi
