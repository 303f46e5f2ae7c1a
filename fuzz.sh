#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan, and runs each for the
# given number of seconds (default 60) from the seed corpus in fuzz/corpus/<target>/. New inputs
# go to build-fuzz/corpus/<target>/, never into the repository; a finding stops the script.
set -euo pipefail
cd "$(dirname "$0")"
SECONDS_PER_TARGET=${1:-60}
source scripts/setup.sh
RADIOPROG_PACKAGES+=(clang-14 libclang-rt-14-dev)
radioprog_install_packages

BUILD=build-fuzz
TARGETS=(fuzz_planfile fuzz_imagefile fuzz_receive)
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DRADIOPROG_SANITIZE=ON -DRADIOPROG_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target "${TARGETS[@]}"

export QT_QPA_PLATFORM=offscreen
# Qt keeps caches for the life of the process; they are not leaks of ours.
export ASAN_OPTIONS=detect_leaks=0
printf '%-16s %10s %8s %8s\n' target execs/s cov ft
for target in "${TARGETS[@]}"; do
    work="$BUILD/corpus/$target"
    mkdir -p "$work"
    log="$BUILD/$target.log"
    if ! "$BUILD/fuzz/$target" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
        -artifact_prefix="$BUILD/$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        echo "$target: finding, see $log" >&2
        tail -40 "$log" >&2
        exit 1
    fi
    execs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-16s %10s %8s %8s\n' "$target" "$execs" "$cov" "$ft"
done
