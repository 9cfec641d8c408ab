#!/usr/bin/env bash
# Runs one command on a private Xvfb display with openbox managing it; the display ends with the command.
set -u
coproc xvfb { exec Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null; }
read -r -t 10 number <&"${xvfb[0]}"
export DISPLAY=":$number"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# openbox sets _NET_SUPPORTING_WM_CHECK early and loses map requests until its theme is loaded.
for _ in $(seq 100); do xprop -root _OB_THEME 2>/dev/null | grep -q ' = ' && break; sleep 0.05; done
"$@"
rc=$?
kill $wm $xvfb_PID 2>/dev/null
wait $wm $xvfb_PID 2>/dev/null
exit $rc
