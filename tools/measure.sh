#!/usr/bin/env bash
# Measures a Release build of Podivex over a real Impress show: processor use while attached and
# idle over SECONDS (default 60) and the time from a tap on "next" to the key at the show. Prints
# the figures; it is no test.
set -u
cd "$(dirname "$0")/.."
PODIVEX_BUILD=${PODIVEX_BUILD:-build-release}
if [ ! -f "$PODIVEX_BUILD/build.ninja" ]; then
    cmake -S . -B "$PODIVEX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
fi
. tools/e2e/common.sh
build_targets
start_display
python3 tools/e2e/measure.py "$PWD/$build/Podivex" "$PWD/$build/tests/impress_show" "$artefacts" \
    "${1:-60}"
stop_display
