#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests on Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dependances.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
