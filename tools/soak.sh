#!/usr/bin/env bash
# Soak: the sanitizer build of Podivex for SECONDS (default 600) while Impress shows open and close
# and random taps and strokes land; reports memory growth. Last line: "N passed, N failed".
set -u
cd "$(dirname "$0")/.."
. tools/e2e/common.sh
build_targets
# A small quarantine: freed memory held back for use-after-free checks would read as growth.
export ASAN_OPTIONS="${ASAN_OPTIONS}:quarantine_size_mb=8"
start_display
python3 tools/e2e/soak.py "$PWD/$build/Podivex" "$PWD/$build/tests/impress_show" "$artefacts" \
    "${1:-600}" | tee "$artefacts/soak.txt"
stop_display
[[ $(tail -1 "$artefacts/soak.txt") =~ ^[0-9]+\ passed,\ 0\ failed ]]
