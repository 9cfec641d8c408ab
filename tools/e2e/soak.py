#!/usr/bin/env python3
"""Soak: the real Podivex for a given time while Impress shows open and close and random taps and
strokes land on the screen. Reports the program's resident memory at the start and the end and
the sanitizer's findings; ends with "N passed, N failed". The display is the caller's."""
import os
import random
import statistics
import re
import subprocess
import sys
import time

from linux import SLIDES, Run, xdotool


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))
    except (OSError, AttributeError):
        return 0


def random_input(rng, until):
    while time.monotonic() < until:
        x, y = rng.randrange(0, 1920), rng.randrange(0, 1080)
        if rng.random() < 0.7:
            xdotool("mousemove", str(x), str(y), "click", "1", check=False)
        else:
            points = [(x + 15 * i, y + rng.randrange(-5, 6)) for i in range(12)]
            xdotool("mousemove", str(points[0][0]), str(points[0][1]), "mousedown", "1",
                    check=False)
            for px, py in points[1:]:
                xdotool("mousemove", str(px), str(py), check=False)
            xdotool("mouseup", "1", check=False)
        if rng.random() < 0.2:
            xdotool("key", rng.choice(["Next", "Prior", "space", "Home"]), check=False)
        time.sleep(rng.uniform(0.05, 0.4))


def main():
    exe, helper, artefacts, seconds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    os.makedirs(artefacts, exist_ok=True)
    run = Run(exe, helper, artefacts, "soak")
    log = os.path.join(artefacts, "soak-podivex.log")
    if os.path.exists(log):
        os.remove(log)
    rng = random.Random(13)
    run.start_podivex()
    deadline = time.monotonic() + seconds
    cycles, samples = 0, []
    while time.monotonic() < deadline and run.podivex.poll() is None:
        run.show = subprocess.Popen([helper] + SLIDES[:3], stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE, text=True, env=run.env())
        run.show.stdout.readline()
        random_input(rng, min(deadline, time.monotonic() + rng.uniform(2, 6)))
        run.stop_show()
        cycles += 1
        samples.append(rss_kb(run.podivex.pid))
    alive = run.podivex.poll() is None
    end_kb = rss_kb(run.podivex.pid) if alive else 0
    run.check(f"Podivex keeps running through {cycles} shows", alive)
    start_kb = samples[0] if samples else 0
    growth = end_kb - start_kb
    print(f"resident memory after each show (kB): {samples}")
    print(f"resident memory: {start_kb} kB after the first show, {end_kb} kB at the end, "
          f"growth {growth} kB over {cycles - 1} more shows")
    # Screen-sized buffers (ink, backdrop, the coverage of the last pages) are made on first use
    # and bounded, and the allocator's caches make single samples jumpy: compare the middle of each
    # half. A leak of a few megabytes a show still lifts the second half by more than two screens.
    half = len(samples) // 2
    late = statistics.median(samples[half:]) - statistics.median(samples[:half]) if half else 0
    run.check("resident memory stays flat", alive and late < 2 * 1920 * 1080 * 4 // 1024,
              f"the second half's median is {late:.0f} kB above the first half's")
    run.quit()
    with open(log, errors="replace") as text:
        findings = [line for line in text if "ERROR: AddressSanitizer" in line or
                    "runtime error:" in line]
    run.check("the sanitizers report nothing", not findings, "".join(findings[:5]))
    print(f"{run.passed} passed, {run.failed} failed", flush=True)
    return 0 if run.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
