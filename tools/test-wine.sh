#!/usr/bin/env bash
# Cross-builds Podivex.exe and the Windows tests with MinGW-w64 and runs them under Wine on a private
# Xvfb display. The last line counts QtTest functions: "N passed, N failed".
set -u
source "$(dirname "$0")/wine-lib.sh"
out=$build/results

abort() {
    echo "test-wine: $1"
    echo "0 passed, 1 failed"
    exit 1
}

wine_toolchain "${wine_run_tools[@]}" xdotool import python3
mkdir -p "$out"
cd "$root"

# Windows test executables: every tests/*/win32/tst_*.cpp, plus the platform-free suites that mean
# something on Windows (they run on the offscreen platform there too).
portable=(tst_slidefinder tst_coordinates tst_bars tst_slidecontroller)
win_tests=()
for source in tests/*/win32/tst_*.cpp; do win_tests+=("$(basename "$source" .cpp)"); done
targets=(Podivex show_standin "${win_tests[@]}")
for name in "${portable[@]}"; do ls tests/*/"$name.cpp" >/dev/null 2>&1 && targets+=("$name"); done

echo "== cross-building ${targets[*]}"
wine_cross_build default "${targets[@]}"
deploy=$build/deploy
"$root/tools/deploy-win.sh" "$build/build/Podivex.exe" "$qt" "$deploy" || abort "deploying Podivex.exe failed"

echo "== new wineprefix"
wine_start "$build/wineprefix"
wine_ready
export WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH="$(winpath "$qt/plugins")"
export PODIVEX_EXE="$(winpath "$deploy/Podivex.exe")"
export PODIVEX_STANDIN="$(winpath "$build/build/tests/show_standin.exe")"

passed=0
failed=0
run_test() { # name, [environment assignments...]
    local name=$1 result=$out/$1.txt
    shift
    rm -f "$result"
    (cd "$build/build/tests" && env "$@" timeout 180 wine "$name.exe" -o "$(winpath "$result"),txt" \
        >"$out/$name.log" 2>&1)
    local rc=$?
    cat "$result" 2>/dev/null
    local totals
    totals=$(grep -E '^Totals: ' "$result" 2>/dev/null | tail -1)
    if [[ $totals =~ ^Totals:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
        [ $rc -eq 0 ] || [ "${BASH_REMATCH[2]}" -gt 0 ] || { failed=$((failed + 1)); echo "$name: exit $rc"; }
    else
        echo "$name: no result (exit $rc)"
        tail -5 "$out/$name.log"
        failed=$((failed + 1))
    fi
}

for name in "${win_tests[@]}"; do
    echo "== $name"
    run_test "$name"
done
for name in "${portable[@]}"; do
    [ -f "$build/build/tests/$name.exe" ] || continue
    echo "== $name (offscreen)"
    run_test "$name" QT_QPA_PLATFORM=offscreen
done

# End to end: the deployed program over the stand-in show, driven with xdotool.
echo "== Podivex.exe over the stand-in show"
python3 tools/e2e/wine.py "$deploy/Podivex.exe" "$build/build/tests/show_standin.exe" "$out" |
    tee "$out/e2e.txt"
if [[ $(tail -1 "$out/e2e.txt") =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    passed=$((passed + BASH_REMATCH[1]))
    failed=$((failed + BASH_REMATCH[2]))
else
    failed=$((failed + 1))
fi

echo "(counted: QtTest results, data rows included, of ${#win_tests[@]} Windows suites and the portable ones, and the end-to-end checks)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
