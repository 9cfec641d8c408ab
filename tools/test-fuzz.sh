#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each briefly from its seeds; a longer run:
# FUZZ_SECONDS=600 tools/test-fuzz.sh. Ends with "N passed, N failed".
set -u
cd "$(dirname "$0")/.."
root=$PWD
seconds=${FUZZ_SECONDS:-15}
build=$root/build-fuzz
passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work" "$work.log"' EXIT
if ! cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        >"$work.log" 2>&1 || ! cmake --build "$build" -j2 >>"$work.log" 2>&1; then
    tail -30 "$work.log"
    echo "0 passed, 1 failed"
    exit 1
fi
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for source in fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp | sed 's/^fuzz_//')
    fuzzer=$build/fuzz_$name
    mkdir -p "$work/$name"
    dict=()
    [ -f "fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
    if (cd "$work" && "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${dict[@]}" \
            "$work/$name" "$root/fuzz/seeds/$name" -print_final_stats=1 >"$work/$name.log" 2>&1); then
        echo "PASS $name: $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$work/$name.log")"
        passed=$((passed + 1))
    else
        tail -40 "$work/$name.log"
        echo "FAIL $name"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
