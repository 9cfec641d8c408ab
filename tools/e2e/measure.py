#!/usr/bin/env python3
"""Figures for the real Podivex over a real Impress show on the caller's display: the processor
time it uses while attached and idle, and the time from a tap on "next" to the key at the show
(both seen by the X server as raw events). Prints the figures; checks nothing."""
import os
import re
import subprocess
import sys
import threading
import time

from linux import Run, wait_until, xdotool


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cpu(run, seconds):
    time.sleep(6)  # past the bars' idle fade
    start_cpu, start = cpu_seconds(run.podivex.pid), time.monotonic()
    time.sleep(seconds)
    used = cpu_seconds(run.podivex.pid) - start_cpu
    return 100 * used / (time.monotonic() - start)


def tap_to_key(run, taps):
    """Milliseconds from each tap's raw button press to the raw key press that follows it, as a
    second client of the X server sees them arrive."""
    watcher = subprocess.Popen(["stdbuf", "-oL", "xinput", "test-xi2", "--root"],
                               stdout=subprocess.PIPE, text=True)
    seen = []

    def read():
        for line in watcher.stdout:
            kind = re.search(r"\((Raw(?:ButtonPress|KeyPress))\)", line)
            if kind:
                seen.append((kind.group(1), time.monotonic()))

    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    time.sleep(1)
    next_button = run.bar_buttons()[5]
    for _ in range(taps):
        xdotool("mousemove", *map(str, next_button), "click", "1")
        time.sleep(1.2)
    watcher.terminate()
    reader.join(5)
    latencies, pressed = [], None
    for kind, stamp in seen:
        if kind == "RawButtonPress":
            pressed = stamp
        elif pressed is not None:
            latencies.append(round(1000 * (stamp - pressed), 1))
            pressed = None
    return latencies


def main():
    exe, helper, artefacts, seconds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    run = Run(exe, helper, artefacts, "measure")
    run.start_show()
    run.start_podivex()
    wait_until(lambda: run.visible("Podivex-BottomBar"), 10)
    print(f"attached and idle: {idle_cpu(run, seconds):.3f} % of one core over {seconds} s",
          flush=True)
    latencies = sorted(tap_to_key(run, 8))
    if latencies:
        print(f"tap on next to the key at the show: median {latencies[len(latencies) // 2]} ms, "
              f"all {latencies}")
    run.quit()


if __name__ == "__main__":
    sys.exit(main())
