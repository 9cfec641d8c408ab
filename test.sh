#!/usr/bin/env bash
# Installs what the tests need, builds, runs every suite (Linux, X11, Windows under Wine, fuzzing)
# and prints one summary line.
set -u
cd "$(dirname "$0")"
root=$PWD
tools/install-deps.sh --test || { echo "installing the packages failed"; exit 1; }

passed=0
failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }

# Linux: unit, widget and X11 suites, built with AddressSanitizer and UndefinedBehaviorSanitizer.
mkdir -p build-test
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1
if cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPODIVEX_SANITIZE=ON >build-test/build.log 2>&1 &&
    cmake --build build-test -j2 >>build-test/build.log 2>&1; then
    ctest --test-dir build-test -j2 --output-on-failure --timeout 600 | tee build-test/ctest.txt
    total=$(grep -oE 'tests failed out of [0-9]+' build-test/ctest.txt | grep -oE '[0-9]+$')
    bad=$(grep -oE '[0-9]+ tests failed' build-test/ctest.txt | grep -oE '^[0-9]+')
    count $(( ${total:-0} - ${bad:-0} )) "${bad:-0}"
    [ -n "${total:-}" ] || count 0 1
else
    tail -40 build-test/build.log
    echo "the Linux build failed"
    count 0 1
fi

# Further suites each print "N passed, N failed" as their last line.
for suite in tools/test-*.sh; do
    [ -x "$suite" ] || continue
    echo "== $suite"
    log="build-test/$(basename "$suite" .sh).log"
    "$suite" 2>&1 | tee "$log"
    out=$(tail -1 "$log")
    if [[ $out =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
        count "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
    else
        echo "$suite did not finish"
        count 0 1
    fi
done
cd "$root"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
