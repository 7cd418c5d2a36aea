#!/usr/bin/env bash
# Builds Tavernix and starts it. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVERNIX_BUILD_TESTS=OFF -DTAVERNIX_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target tavernix
exec build/bin/tavernix "$@"
