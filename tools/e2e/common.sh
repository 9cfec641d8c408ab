# Shared by the end-to-end scripts: the build they drive and a private display to drive it on.
# Source it from the repository root; it defines build, artefacts, abort, start_display and
# stop_display.
build=${PODIVEX_BUILD:-build-test}
artefacts=$build/e2e

abort() {
    echo "$(basename "$0"): $1"
    echo "0 passed, 1 failed"
    exit 1
}

# Builds the program and the show launcher, with the sanitizers as ./test.sh builds them.
build_targets() {
    for tool in Xvfb openbox trayer xcompmgr xdotool xwininfo xprop import soffice python3; do
        command -v $tool >/dev/null || abort "$tool is missing (tools/install-deps.sh --test installs it)"
    done
    if [ ! -f "$build/build.ninja" ]; then
        mkdir -p "$build"
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPODIVEX_SANITIZE=ON \
            >"$build/configure.log" 2>&1 || abort "configuring $build failed"
    fi
    mkdir -p "$artefacts"
    cmake --build "$build" -j2 --target Podivex impress_show >"$artefacts/build.log" 2>&1 ||
        { tail -20 "$artefacts/build.log"; abort "building Podivex failed"; }
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
}

# Xvfb with openbox and a tray host; "composited" adds xcompmgr.
start_display() {
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$artefacts/display" >/dev/null 2>&1 &
    display_pids=($!)
    for _ in $(seq 100); do [ -s "$artefacts/display" ] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$artefacts/display")"
    openbox --sm-disable >/dev/null 2>&1 &
    display_pids+=($!)
    # openbox loses map requests until its theme is loaded.
    for _ in $(seq 100); do xprop -root _OB_THEME 2>/dev/null | grep -q ' = ' && break; sleep 0.05; done
    trayer --edge top --align left --widthtype pixel --width 64 --height 32 --SetDockType true \
        >/dev/null 2>&1 &
    display_pids+=($!)
    if [ "${1:-}" = composited ]; then
        xcompmgr >/dev/null 2>&1 &
        display_pids+=($!)
    fi
    sleep 1
}

stop_display() {
    kill "${display_pids[@]}" 2>/dev/null
    wait "${display_pids[@]}" 2>/dev/null
}
