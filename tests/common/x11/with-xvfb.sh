#!/usr/bin/env bash
# Runs one command on a private Xvfb display with openbox managing it; the display ends with the command.
set -u
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>/tmp/podivex-xvfb.$$ >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s /tmp/podivex-xvfb.$$ ] && break; sleep 0.05; done
export DISPLAY=":$(cat /tmp/podivex-xvfb.$$)"
rm -f /tmp/podivex-xvfb.$$
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Wait until the window manager handles new windows before the test makes any: openbox sets
# _NET_SUPPORTING_WM_CHECK early and loses map requests until its theme (_OB_THEME) is loaded.
for _ in $(seq 100); do xprop -root _OB_THEME 2>/dev/null | grep -q ' = ' && break; sleep 0.05; done
"$@"
rc=$?
kill $wm $xvfb 2>/dev/null
wait $wm $xvfb 2>/dev/null
exit $rc
