#!/usr/bin/env bash
# Installs what is missing, builds Podivex and starts it on the current X display.
set -eu
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ]; then
    echo "Podivex needs an X display, and DISPLAY is not set." >&2
    echo "Run it from a desktop session, or start a virtual one first, for example:" >&2
    echo "  Xvfb :5 -screen 0 1920x1080x24 & openbox --sm-disable & DISPLAY=:5 ./run.sh" >&2
    exit 1
fi
tools/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPODIVEX_TESTS=OFF -DPODIVEX_BENCH=OFF >/dev/null
cmake --build build-run -j2 --target Podivex
exec build-run/Podivex "$@"
