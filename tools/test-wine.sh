#!/usr/bin/env bash
# Cross-builds Podivex.exe and the Windows tests with MinGW-w64 and runs them under Wine on a private
# Xvfb display. The last line counts QtTest functions: "N passed, N failed".
set -u
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-win
qt=$build/qt-6.4.2-mingw64
out=$build/results

# The toolchain lies beside the clone (../shared/toolchains); PODIVEX_QT_MINGW may name the archive.
archive=${PODIVEX_QT_MINGW:-}
for candidate in "$root/../shared/toolchains" "$(dirname "$0")/../../shared/toolchains"; do
    [ -n "$archive" ] && break
    [ -f "$candidate/qt-6.4.2-mingw64.tar.xz" ] && archive=$candidate/qt-6.4.2-mingw64.tar.xz
done

abort() {
    echo "test-wine: $1"
    echo "0 passed, 1 failed"
    exit 1
}

[ -n "$archive" ] || abort "qt-6.4.2-mingw64.tar.xz not found in ../shared/toolchains"
for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver Xvfb openbox xdotool import python3; do
    command -v $tool >/dev/null || abort "$tool is missing (tools/install-deps.sh --test installs it)"
done

runtime=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix 2>/dev/null | tail -1)
[ -n "$runtime" ] || abort "the MinGW-w64 posix runtime is missing"
mkdir -p "$build" "$out"
if [ ! -f "$qt/mingw-w64-qt6.cmake" ]; then
    tar xJf "$archive" -C "$build" || abort "unpacking $archive failed"
fi

# Windows test executables: every tests/*/win32/tst_*.cpp, plus the platform-free suites that mean
# something on Windows (they run on the offscreen platform there too).
portable=(tst_slidefinder tst_coordinates tst_icons tst_touchbutton tst_slidecontroller)
win_tests=()
for source in tests/*/win32/tst_*.cpp; do win_tests+=("$(basename "$source" .cpp)"); done
targets=(Podivex show_standin "${win_tests[@]}")
for name in "${portable[@]}"; do ls tests/*/"$name.cpp" >/dev/null 2>&1 && targets+=("$name"); done

echo "== cross-building ${targets[*]}"
if ! { cmake -S . -B "$build/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt/mingw-w64-qt6.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DPODIVEX_BENCH=OFF &&
       cmake --build "$build/build" -j2 --target "${targets[@]}"; } >"$build/build.log" 2>&1; then
    tail -30 "$build/build.log"
    abort "the Windows build failed (log: $build/build.log)"
fi

# Podivex.exe deployed as windeployqt would: the Qt and compiler runtime DLLs and the plugins beside it.
deploy=$build/deploy
rm -rf "$deploy"
mkdir -p "$deploy/platforms" "$deploy/styles"
cp "$build/build/Podivex.exe" "$qt"/bin/Qt6{Core,Gui,Widgets,Network}.dll \
    "$runtime"/{libstdc++-6,libgcc_s_seh-1}.dll \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$deploy/" &&
    cp "$qt/plugins/platforms/qwindows.dll" "$deploy/platforms/" &&
    cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$deploy/styles/" || abort "deploying Podivex.exe failed"

# A private display with a window manager, and a fresh Wine prefix: what a new user starts with.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$build/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$build/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$build/display")"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done

winpath() { echo "Z:${1//\//\\}"; }
export WINEDEBUG=-all WINEPREFIX=$build/wineprefix WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH="$(winpath "$qt/plugins")"
export PODIVEX_EXE="$(winpath "$deploy/Podivex.exe")"
export PODIVEX_STANDIN="$(winpath "$build/build/tests/show_standin.exe")"

stop() {
    wineserver -k 2>/dev/null
    kill $wm $xvfb 2>/dev/null
    wait $wm $xvfb 2>/dev/null
}
trap stop EXIT

rm -rf "$WINEPREFIX"
echo "== new wineprefix"
{ wineboot -i && wineserver -w; } >/dev/null 2>&1 || { stop; abort "wineboot failed"; }

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

stop
trap - EXIT
echo "(counted: QtTest results, data rows included, of ${#win_tests[@]} Windows suites and the portable ones, and the end-to-end checks)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
