#!/usr/bin/env bash
# The real Podivex over a real LibreOffice Impress show on a private Xvfb display with openbox and
# the trayer tray host, once without and once with the xcompmgr compositor. Screenshots land in
# build-test/e2e/. The last line counts checks: "N passed, N failed".
set -u
cd "$(dirname "$0")/.."
. tools/e2e/common.sh
build_targets

passed=0
failed=0
for variant in ${PODIVEX_E2E_VARIANTS:-plain composited}; do
    start_display $variant
    python3 tools/e2e/linux.py "$PWD/$build/Podivex" "$PWD/$build/tests/impress_show" \
        "$artefacts" $variant | tee "$artefacts/$variant.txt"
    stop_display
    if [[ $(tail -1 "$artefacts/$variant.txt") =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
    else
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
