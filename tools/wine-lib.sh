# Sourced by the Wine suites: the MinGW-w64 Qt toolchain, the one cross-build tree they share, a
# private Xvfb display with a window manager, and a fresh Wine prefix. The caller defines abort.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-win
qt=$build/qt-6.4.2-mingw64
runtime=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix 2>/dev/null | tail -1)

wine_run_tools=(wine wineboot wineserver Xvfb openbox xprop)

winpath() { echo "Z:${1//\//\\}"; }

# The toolchain lies beside the clone (../shared/toolchains); PODIVEX_QT_MINGW may name the archive.
wine_toolchain() { # tools needed beyond the cross compiler...
    local archive=${PODIVEX_QT_MINGW:-} candidate tool
    for candidate in "$root/../shared/toolchains" "$root/../../shared/toolchains"; do
        [ -n "$archive" ] && break
        [ -f "$candidate/qt-6.4.2-mingw64.tar.xz" ] && archive=$candidate/qt-6.4.2-mingw64.tar.xz
    done
    [ -n "$archive" ] || abort "qt-6.4.2-mingw64.tar.xz not found in ../shared/toolchains"
    for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-strip "$@"; do
        command -v "$tool" >/dev/null || abort "$tool is missing (tools/install-deps.sh --test installs it)"
    done
    [ -n "$runtime" ] || abort "the MinGW-w64 posix runtime is missing"
    mkdir -p "$build"
    if [ ! -f "$qt/mingw-w64-qt6.cmake" ]; then
        tar xJf "$archive" -C "$build" || abort "unpacking $archive failed"
    fi
}

# Builds targets in the shared tree; version "default" is the one CMakeLists.txt names.
wine_cross_build() { # version, targets...
    local version=(-UPODIVEX_VERSION)
    [ "$1" = default ] || version=(-DPODIVEX_VERSION="$1")
    shift
    { cmake -S "$root" -B "$build/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt/mingw-w64-qt6.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DPODIVEX_BENCH=OFF "${version[@]}" &&
        cmake --build "$build/build" -j2 --target "$@"; } >"$build/build.log" 2>&1 || {
        tail -30 "$build/build.log"
        abort "the Windows build failed (log: $build/build.log)"
    }
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    kill ${wine_wm:-} ${wine_xvfb:-} 2>/dev/null
    wait ${wine_wm:-} ${wine_xvfb:-} 2>/dev/null
}

# A private display with a window manager, and a fresh Wine prefix: what a new user starts with.
# Menu entries that Wine would write into the real home folder are switched off. The prefix boots
# in the background; wine_ready waits for it.
wine_start() { # prefix folder
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$build/display" >/dev/null 2>&1 &
    wine_xvfb=$!
    for _ in $(seq 100); do [ -s "$build/display" ] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$build/display")"
    openbox --sm-disable >/dev/null 2>&1 &
    wine_wm=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
    export WINEDEBUG=-all WINEPREFIX=$1 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap wine_stop EXIT
    rm -rf "$WINEPREFIX"
    { wineboot -i && wineserver -w; } >/dev/null 2>&1 &
    wine_boot=$!
}

wine_ready() {
    wait $wine_boot || abort "wineboot failed"
}
