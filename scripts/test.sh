#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the same tests under the address and
# undefined-behaviour sanitizers (both replay the fuzz corpora), then a short libFuzzer run of
# each fuzz target when clang is present. ccache keeps rebuilds short.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)
failed=0

run_ctest() {
    local dir=$1
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300) || failed=1
}

echo "== build and test (release)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
run_ctest build/release

echo "== build and test (address and undefined-behaviour sanitizers)"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON \
    -DCORVANE_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build/sanitize

if command -v clang++ >/dev/null 2>&1; then
    echo "== fuzz targets (short runs)"
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build build/fuzz -j "$jobs" --target fuzzers
    fuzz_pass=0
    fuzz_fail=0
    for target in build/fuzz/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        name=$(basename "$target")
        corpus=fuzz/corpus/${name#fuzz_}
        work=$(mktemp -d)
        [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
        if "$target" -runs=20000 -seed=1 -max_len=4096 "$work" >"$work.log" 2>&1; then
            echo "fuzz $name: passed"
            fuzz_pass=$((fuzz_pass + 1))
        else
            echo "fuzz $name: FAILED"; tail -n 40 "$work.log"
            fuzz_fail=$((fuzz_fail + 1))
            failed=1
        fi
        rm -rf "$work" "$work.log"
    done
    echo "fuzz: $fuzz_pass passed, $fuzz_fail failed"
else
    echo "clang++ not found: fuzz targets skipped"
fi

exit $failed
