#!/usr/bin/env bash
# Builds Tavernix with its tests and benchmarks and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh --with-test-tools
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"
# Tests open real sockets and windows on the offscreen platform; run two at a time.
ctest --test-dir build-test --output-on-failure -j2
