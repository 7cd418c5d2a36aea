#!/usr/bin/env bash
# Builds Tavernix with its tests and benchmarks and runs every test, then
# runs each fuzz target for a minute (skipped, and said so, without clang).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh --with-test-tools
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"
# Tests open real sockets and windows on the offscreen platform; run two at a time.
ctest --test-dir build-test --output-on-failure -j2
scripts/fuzz.sh 60
