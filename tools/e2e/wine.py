#!/usr/bin/env python3
"""The real Podivex.exe under Wine over the stand-in show, driven with xdotool on the display and
Wine prefix that tools/test-wine.sh prepared: keys reach the show, a stroke and the first tap on the
pen-menu button after it, the faded toolbar, closing the show, and the annotated slides kept as
pictures. Ends with "N passed, N failed"."""
import os
import subprocess
import sys
import time

import inkpictures
from linux import PEN, Run, drag, mask_difference, probe, read_label, wait_until, xdotool
from screen import Grab, colour_distance

VK_LEFT, VK_RIGHT = 37, 39


class WineRun(Run):
    def env(self):
        # As from its installed folder: nothing of the toolchain's Qt on the path.
        env = dict(os.environ)
        for key in ("WINEPATH", "QT_PLUGIN_PATH"):
            env.pop(key, None)
        return env

    def start_podivex(self):
        log = open(os.path.join(self.artefacts, "wine-podivex.log"), "a")
        self.podivex = subprocess.Popen(["wine", self.exe], stdout=log, stderr=log,
                                        cwd=os.path.dirname(self.exe), env=self.env())
        return time.monotonic()

    def start_show(self):
        self.keys = os.path.join(self.artefacts, "standin-keys.txt")
        if os.path.exists(self.keys):
            os.remove(self.keys)
        self.show = subprocess.Popen(["wine", self.helper, "Z:" + self.keys.replace("/", "\\")],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        return self.check("the stand-in show appears", wait_until(
            lambda: xdotool("search", "--onlyvisible", "--name", "Slide Show", check=False), 20))

    def stop_show(self):
        if self.show:
            show = xdotool("search", "--onlyvisible", "--name", "Slide Show", check=False).split()
            if show:
                xdotool("windowclose", show[0], check=False)
            try:
                self.show.wait(10)
            except subprocess.TimeoutExpired:
                self.show.kill()
            self.show = None

    def keys_received(self):
        try:
            with open(self.keys) as log:
                return [int(line.split()[1]) for line in log if line.startswith("key ")]
        except OSError:
            return []


def scenario(run):
    if not run.start_show():
        return
    probe(run, ["wine", run.exe, "--probe"], "PowerPoint Slide Show", "SHOW_STANDIN.EXE")
    run.start_podivex()
    run.check("it attaches", wait_until(lambda: run.visible("Podivex-BottomBar"), 20))
    time.sleep(1.5)
    run.shot("attached")
    buttons = run.bar_buttons()
    if not run.check("the bar's seven faces are found", len(buttons) == 7, str(buttons)):
        return
    xdotool("mousemove", *map(str, buttons[5]), "click", "1")
    run.check("next delivers VK_RIGHT",
              wait_until(lambda: run.keys_received()[-1:] == [VK_RIGHT], 3), str(run.keys_received()))
    xdotool("mousemove", *map(str, buttons[3]), "click", "1")
    run.check("previous delivers VK_LEFT",
              wait_until(lambda: run.keys_received()[-1:] == [VK_LEFT], 3), str(run.keys_received()))

    # A clicker's key: the label follows it through the keyboard hook. (Under Wine the X focus
    # that xdotool types into may lag behind the foreground window, so the stand-in's own log is
    # not asked here; moving the X focus by hand lifts the stand-in over the overlay.)
    before = read_label(run)
    xdotool("key", "Next")
    time.sleep(0.5)
    diff = mask_difference(before, read_label(run))
    run.check("the label follows PageDown", 25 <= diff < 10 ** 6, f"{diff} pixels differ")

    annotate, pen_menu = run.toolbar_button(1), run.toolbar_button(2)
    xdotool("mousemove", *map(str, annotate), "click", "1")
    time.sleep(1)
    drag([(600 + 10 * i, 300 + (i % 5)) for i in range(30)])
    time.sleep(0.8)
    run.check("a stroke is drawn", Grab().count(600, 290, 300, 25, PEN) > 200)
    xdotool("mousemove", *map(str, pen_menu), "click", "1")
    opened = wait_until(lambda: run.visible("Podivex-AnnotPanel"), 3)
    time.sleep(0.5)
    run.shot("pen-menu")
    run.check("the first tap on the pen-menu button after it opens the menu", opened)
    x, y = pen_menu
    run.check("and draws nothing", Grab().count(x - 40, y - 40, 80, 80, PEN) < 10)

    xdotool("mousemove", *map(str, pen_menu), "click", "1")  # closes the menu again
    xdotool("mousemove", "900", "120")
    time.sleep(7)  # idle: both bars fade
    run.shot("faded")
    grab = Grab()
    slide = grab.pixel(350, 50)
    toolbar = run.geometry("Podivex")
    seen = toolbar and sum(colour_distance(grab.pixel(toolbar[0] + toolbar[2] // 2, yy), slide) > 30
                           for yy in range(toolbar[1], toolbar[1] + toolbar[3]))
    run.check("a faded toolbar can still be seen", bool(seen) and seen > 50, f"{seen} pixels")

    run.stop_show()
    t0 = time.monotonic()
    hidden = wait_until(lambda: not run.visible("Podivex-BottomBar"), 5)
    run.check("closing the stand-in hides the bars", hidden, f"{time.monotonic() - t0:.1f} s")


def main():
    exe, helper, artefacts = sys.argv[1:4]
    os.makedirs(artefacts, exist_ok=True)
    run = WineRun(exe, helper, artefacts, "wine")
    try:
        scenario(run)
        inkpictures.wine(run)
    except Exception as error:
        run.check("the run reached its end", False, repr(error))
    finally:
        if run.podivex and run.podivex.poll() is None:
            run.podivex.kill()
        run.stop_show()
    print(f"{run.passed} passed, {run.failed} failed", flush=True)
    return 0 if run.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
