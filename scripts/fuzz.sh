#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# a while (default 60 s) from the seeds the protocol's definitions give.
# Fails when a target crashes, hangs or finds a broken invariant; the input
# that did it is kept in build-fuzz/fuzz-artifacts/. Without clang and its
# fuzzer runtime it says so and skips.
#   scripts/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(lineframer dispatcher board transfer sessionstore)
fi

cxx=""
for candidate in clang++ clang++-14; do
    if command -v "$candidate" >/dev/null 2>&1; then
        cxx="$candidate"
        break
    fi
done
probe_dir="$(mktemp -d)"
trap 'rm -rf "$probe_dir"' EXIT
if [ -n "$cxx" ]; then
    printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
        'extern "C" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }' \
        >"$probe_dir/probe.cpp"
    "$cxx" -fsanitize=fuzzer,address,undefined "$probe_dir/probe.cpp" -o "$probe_dir/probe" \
        >/dev/null 2>&1 || cxx=""
fi
if [ -z "$cxx" ]; then
    echo "FUZZ TARGETS SKIPPED: no clang++ that links -fsanitize=fuzzer,address,undefined" \
        "(Debian: apt-get install clang libclang-rt-14-dev, or scripts/setup-debian.sh --with-test-tools)."
    exit 0
fi

build=build-fuzz
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Only the libraries the targets link are built: no tests, no benchmarks.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DTAVERNIX_FUZZ=ON -DTAVERNIX_BUILD_TESTS=OFF -DTAVERNIX_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/bin/fuzz_seeds" "$seeds"
mkdir -p "$build/fuzz-artifacts"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$build/fuzz-runtime}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

failed=()
for t in "${targets[@]}"; do
    case "$t" in
    lineframer) dict=chat.dict max_len=2048 ;;
    dispatcher) dict=chat.dict max_len=2048 ;;
    board) dict=chat.dict max_len=1024 ;;
    transfer) dict=transfer.dict max_len=1024 ;;
    sessionstore) dict=session.dict max_len=4096 ;;
    *)
        echo "unknown fuzz target: $t" >&2
        exit 2
        ;;
    esac
    corpus="$build/fuzz-corpus/$t"
    mkdir -p "$corpus"
    log="$build/fuzz-artifacts/$t.log"
    echo "fuzz_$t: running for $seconds s"
    # An input that runs 10 s is a hang and fails like a crash.
    set +e
    "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -max_len="$max_len" \
        -dict="$seeds/$dict" -artifact_prefix="$build/fuzz-artifacts/$t-" -print_final_stats=1 \
        "$corpus" "$seeds/$t" >"$log" 2>&1
    rc=$?
    set -e
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    if [ "$rc" -eq 0 ]; then
        echo "fuzz_$t: ${runs:-?} runs, no crash, no broken invariant"
    else
        echo "fuzz_$t: FAILED (exit $rc) after ${runs:-?} runs; log $log"
        grep -E '^\*\*\* invariant|^\*\*\* |ERROR: (libFuzzer|AddressSanitizer)|runtime error|SUMMARY|Test unit written' \
            "$log" | head -n 20 || true
        failed+=("$t")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzz targets failed: ${failed[*]}"
    exit 1
fi
echo "Fuzz targets: all ${#targets[@]} passed."
