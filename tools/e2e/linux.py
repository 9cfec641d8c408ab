#!/usr/bin/env python3
"""The real Podivex over a real LibreOffice Impress show, driven as a user would with xdotool on
the X display the caller prepared (Xvfb, openbox, trayer, maybe a compositor). Prints one line per
check, keeps screenshots in the artefact folder, and ends with "N passed, N failed". It leaves the
display itself, and any Windows behaviour, to its callers."""
import os
import re
import subprocess
import sys
import tempfile
import time

from screen import Grab, colour_distance, save_screenshot

# Slide colours that the pen's red and the controls' greys never match.
SLIDES = ["#20a020", "#2040d0", "#d0c020", "#8020a0", "#20a0a0", "#a06020", "#606060"]
PEN = (255, 59, 48)
SAMPLE = (350, 50)  # clear of the bars, the toolbar and the panel
ATTACH_S = 1.5


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) for i in (1, 3, 5))


class Run:
    def __init__(self, exe, helper, artefacts, variant):
        self.exe, self.helper, self.artefacts, self.variant = exe, helper, artefacts, variant
        self.passed = self.failed = 0
        self.home = tempfile.mkdtemp(prefix="podivex-e2e-")
        self.podivex = None
        self.show = None

    # ---- reporting
    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        print(f"{'PASS' if ok else 'FAIL'} [{self.variant}] {name}{'' if ok else ': ' + detail}",
              flush=True)
        return ok

    def shot(self, name):
        save_screenshot(os.path.join(self.artefacts, f"{self.variant}-{name}.png"))

    # ---- processes
    def env(self):
        env = dict(os.environ)
        for key in ("DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORMTHEME"):
            env.pop(key, None)  # no status-notifier host: the icon must go to the X tray
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.home + "/config",
                   XDG_DATA_HOME=self.home + "/data", QT_QPA_PLATFORM="xcb")
        return env

    def start_podivex(self):
        self.podivex = subprocess.Popen([self.exe], env=self.env(), stdout=subprocess.DEVNULL,
                                        stderr=open(os.path.join(self.artefacts,
                                                                 f"{self.variant}-podivex.log"),
                                                    "a"))
        return time.monotonic()

    def start_show(self):
        self.show = subprocess.Popen([self.helper] + SLIDES, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, env=self.env())
        line = self.show.stdout.readline().split()
        self.check("the Impress show starts", line[:1] == ["ready"], " ".join(line))
        return int(line[2]) if len(line) == 3 else 0

    def stop_show(self):
        if self.show:
            self.show.stdin.close()
            self.show.wait(30)
            self.show = None

    # ---- desktop state
    def windows(self, name):
        out = xdotool("search", "--onlyvisible", "--name", f"^{name}$", check=False)
        return [int(w) for w in out.split()]

    def visible(self, name):
        return bool(self.windows(name))

    def geometry(self, name):
        ids = self.windows(name)
        if not ids:
            return None
        values = dict(line.split("=") for line in
                      xdotool("getwindowgeometry", "--shell", str(ids[0])).split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def slide(self):
        """The slide (1-based) whose colour the screen shows at the sample point; 0 if none."""
        seen = Grab().pixel(*SAMPLE)
        for i, colour in enumerate(SLIDES):
            if colour_distance(seen, rgb(colour)) < 40:
                return i + 1
        return 0

    def expect_slide(self, name, slide):
        ok = wait_until(lambda: self.slide() == slide, 10)
        self.check(name, ok, f"slide {self.slide()} on screen, wanted {slide}")
        time.sleep(0.5)  # the show drops keys while it is still changing slides

    def card_runs(self, points):
        """Runs of the given screen points that differ from the slide at the sample point: the
        controls' dark cards, composited or not."""
        grab = Grab()
        slide = grab.pixel(*SAMPLE)
        runs, start = [], None
        for i, (x, y) in enumerate(points):
            card = colour_distance(grab.pixel(x, y), slide) > 60
            if card and start is None:
                start = i
            if start is not None and (not card or i == len(points) - 1):
                if i - start > 40:
                    runs.append((points[start], points[i - 1]))
                start = None
        return runs

    def bar_buttons(self):
        """Centres of the bottom bar's faces, left to right: end, minimise, swap, then previous,
        page label, next, swap. Each card holds its faces evenly."""
        geo = self.geometry("Podivex-BottomBar")
        if not geo:
            return []
        x0, y0, w, h = geo
        row = [(x, y0 + h // 2) for x in range(x0, x0 + w)]
        runs = self.card_runs(row)
        if len(runs) != 2:
            return []
        faces = []
        for (first, last), n in zip(runs, (3, 4)):
            step = (last[0] - first[0]) / n
            faces += [(int(first[0] + step * (i + 0.5)), first[1]) for i in range(n)]
        return faces

    def label_image(self):
        buttons = self.bar_buttons()
        if len(buttons) < 7:
            return None
        x, y = buttons[4]
        return Grab().region(x - 32, y - 18, 64, 36)

    def toolbar_button(self, index):
        """Centre of the floating toolbar's switch: annotate 1, pen menu 2, the two bottom faces
        of its card."""
        x, y, w, h = self.geometry("Podivex")
        runs = self.card_runs([(x + w // 2, yy) for yy in range(y, y + h)])
        bottom = runs[-1][1][1] if runs else y + h
        return (x + w // 2, bottom - 50 - (2 - index) * 82)

    def tray_menu(self, *keys):
        """Opens the tray icon's menu through the tray host and walks it with keys."""
        icon = tray_icon()
        if not icon:
            return False
        # Sent to the icon itself: the full-screen show covers the tray host. Every other such
        # click is taken for the end of the previous menu's press, so try once more.
        for _ in range(2):
            before = podivex_windows()
            xdotool("click", "--window", str(icon), "3")
            if wait_until(lambda: set(podivex_windows()) - set(before), 1):
                break
        else:
            return False
        time.sleep(0.3)
        xdotool("key", "--delay", "250", *keys)
        return True

    def quit(self):
        if self.podivex and self.podivex.poll() is None:
            self.podivex.terminate()
            try:
                self.podivex.wait(10)
            except subprocess.TimeoutExpired:
                self.podivex.kill()
        self.stop_show()


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError(f"xdotool {' '.join(args)}: {result.stderr.strip()}")
    return result.stdout


def wait_until(predicate, timeout_s, step_s=0.1):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step_s)
    return bool(predicate())


def tray_icon():
    """The program's icon window, embedded in trayer's window."""
    for trayer in xdotool("search", "--class", "trayer", check=False).split():
        tree = subprocess.run(["xwininfo", "-tree", "-id", trayer], capture_output=True,
                              text=True).stdout
        for line in tree.splitlines():
            if '("Podivex" "Podivex")' in line:
                return int(line.split()[0], 16)
    return 0


def podivex_windows():
    return xdotool("search", "--onlyvisible", "--class", "Podivex", check=False).split()


def drag(points):
    xdotool("mousemove", str(points[0][0]), str(points[0][1]), "mousedown", "1")
    for x, y in points[1:]:
        xdotool("mousemove", str(x), str(y))
        time.sleep(0.02)
    xdotool("mouseup", "1")


def label_mask(pixels):
    """The page label's text as a mask, alike at any fade: its brighter half."""
    light = [sum(p) for p in pixels]
    middle = (min(light) + max(light)) / 2
    return [v > middle for v in light]


def mask_difference(a, b):
    """Pixels in which two pictures of the page label differ; 1 "2 / ?" and "3 / ?" differ in a
    few dozen, two pictures of one text in none or a handful."""
    if a is None or b is None:
        return 10 ** 6
    return sum(x != y for x, y in zip(label_mask(a), label_mask(b)))


def same_label(run, name, a, b):
    diff = mask_difference(a, b)
    return run.check(name, diff <= 8, f"{diff} pixels differ")


def other_label(run, name, a, b):
    diff = mask_difference(a, b)
    return run.check(name, 25 <= diff < 10 ** 6, f"{diff} pixels differ")


def probe(run, command, title_start, process):
    """Podivex --probe with the show on screen: the report beside the program names the show
    first and the editor behind it never qualifies; the verdict box closes with Enter."""
    report = os.path.join(os.path.dirname(run.exe), "probe.txt")
    if os.path.exists(report):
        os.remove(report)
    box = subprocess.Popen(command, env=run.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, cwd=os.path.dirname(run.exe))
    shown = wait_until(lambda: run.visible("窗口识别诊断"), 30)
    run.check("the probe shows its verdict", shown)
    blocks = re.findall(r"评分 +(\d+)\n  标题: (.*)\n  类名: .*\n  进程: (.*)\n",
                        open(report, encoding="utf-8").read() if os.path.exists(report) else "")
    run.check("the probe's report names the show first", bool(blocks) and int(blocks[0][0]) >= 60
              and blocks[0][1].startswith(title_start) and blocks[0][2] == process, str(blocks[:2]))
    run.check("the editor never qualifies", all(int(score) == 0 for score, title, _ in blocks
                                                if title.endswith(" - LibreOffice Impress")))
    if shown:
        run.shot("probe")
        xdotool("search", "--name", "^窗口识别诊断$", "windowactivate", "--sync", check=False)
        xdotool("key", "Return")
    try:
        code = box.wait(15)
    except subprocess.TimeoutExpired:
        box.kill()
        code = None
    run.check("the probe ends with exit code 0", code == 0, f"exit {code}")


def active_is_show():
    out = subprocess.run(["xdotool", "getactivewindow", "getwindowname"], capture_output=True,
                         text=True).stdout
    return out.startswith("Presenting:")


def show_listed():
    return bool(xdotool("search", "--onlyvisible", "--name", "^Presenting:", check=False).split())


def read_label(run):
    buttons = run.bar_buttons()
    if len(buttons) < 7:
        return None
    xdotool("mousemove", str(buttons[4][0]), str(buttons[4][1] - 20))  # wakes the faded bar
    time.sleep(0.5)
    image = run.label_image()
    xdotool("mousemove", "1000", "600")
    return image


def show_first(run):
    """A show already running when Podivex starts: navigation, drawing, the pen menu, end."""
    run.start_show()
    probe(run, [run.exe, "--probe"], "Presenting: deck", "SOFFICE.BIN")
    t0 = run.start_podivex()
    attached = wait_until(lambda: run.visible("Podivex-BottomBar"), 10, 0.05)
    run.check("attaches to a running show", attached)
    run.check("attaches within 1.5 s of starting", time.monotonic() - t0 <= ATTACH_S,
              f"{time.monotonic() - t0:.2f} s")
    time.sleep(1)
    run.check("focus stays on the show", active_is_show())
    run.shot("attached")
    buttons = run.bar_buttons()
    if not run.check("the bar's seven faces are found", len(buttons) == 7, str(buttons)):
        return
    label1 = read_label(run)

    xdotool("mousemove", *map(str, buttons[5]), "click", "1")
    run.expect_slide("next moves the show", 2)
    label2 = read_label(run)
    other_label(run, "the label follows next", label1, label2)
    xdotool("key", "Next")
    run.expect_slide("PageDown moves the show", 3)
    label3 = read_label(run)
    other_label(run, "the label follows PageDown", label2, label3)
    xdotool("key", "Left")
    run.expect_slide("Left moves the show back", 2)
    same_label(run, "the label follows Left", read_label(run), label2)
    run.shot("slide2")

    annotate, pen_menu = run.toolbar_button(1), run.toolbar_button(2)
    xdotool("mousemove", *map(str, annotate), "click", "1")
    # Drawing takes the whole screen: the overlay is mapped once it is ready for the pen.
    run.check("drawing turns on", wait_until(lambda: run.visible("Podivex-Annotation"), 5))
    time.sleep(0.5)
    drag([(600 + 10 * i, 300 + (i % 5)) for i in range(30)])
    time.sleep(0.5)
    run.check("a dragged stroke shows ink",
              Grab().count(600, 290, 300, 25, PEN) > 200, "no pen-coloured pixels")
    run.shot("stroke")
    run.check("drawing leaves the show on its slide", run.slide() == 2)

    xdotool("mousemove", *map(str, pen_menu), "click", "1")
    run.check("the pen menu opens", wait_until(lambda: run.visible("Podivex-AnnotPanel"), 3))
    run.shot("pen-menu")
    xdotool("mousemove", "700", "500", "click", "1")
    run.check("a press on the show closes the pen menu",
              wait_until(lambda: not run.visible("Podivex-AnnotPanel"), 3))
    drag([(600 + 10 * i, 420 + (i % 5)) for i in range(30)])
    time.sleep(0.5)
    run.check("drawing stays on after the press", Grab().count(600, 410, 300, 25, PEN) > 200)

    xdotool("mousemove", *map(str, pen_menu), "click", "1")
    if wait_until(lambda: run.visible("Podivex-AnnotPanel"), 3):
        px, py, _, _ = run.geometry("Podivex-AnnotPanel")
        xdotool("mousemove", str(px + 50), str(py + 50), "click", "1")  # the pointer tool
        time.sleep(0.5)
        xdotool("mousemove", "900", "700", "click", "1")
        run.expect_slide("the pointer tool lets a click through", 3)
        seen, moved = mask_difference(read_label(run), label3), mask_difference(label2, label3)
        run.check("the label follows a click on the show", seen <= 8 and 25 <= moved < 10 ** 6,
                  f"{seen} pixels from slide 3's label, which is {moved} from slide 2's")
    else:
        run.check("the pen menu opens again", False)
    run.check("focus is still on the show", active_is_show())

    show = xdotool("search", "--onlyvisible", "--name", "^Presenting:").split()[0]
    xdotool("mousemove", *map(str, run.bar_buttons()[1]), "click", "1")
    run.check("minimise iconifies the show", wait_until(lambda: not show_listed(), 5))
    run.check("and the controls leave with it",
              wait_until(lambda: not run.visible("Podivex-BottomBar"), 3))
    xdotool("windowactivate", show, check=False)
    run.check("the restored show is followed again",
              wait_until(lambda: run.visible("Podivex-BottomBar"), 5))
    time.sleep(1)

    xdotool("mousemove", *map(str, run.bar_buttons()[0]), "click", "1")
    gone = wait_until(lambda: not show_listed(), 10)
    t_end = time.monotonic()
    run.check("end ends the show", gone)
    hidden = wait_until(lambda: not run.visible("Podivex-BottomBar") and
                        not run.visible("Podivex") and not run.visible("Podivex-Annotation"), 5)
    run.check("the controls hide within 1.5 s of the show's end",
              hidden and time.monotonic() - t_end <= ATTACH_S + 0.5,  # polling takes time too
              f"{time.monotonic() - t_end:.2f} s")
    run.shot("ended")
    run.stop_show()


def podivex_first(run):
    """Podivex waiting when the show starts; then every tray-menu entry."""
    run.start_podivex()
    time.sleep(2)
    run.check("no controls without a show", not run.visible("Podivex-BottomBar"))
    run.start_show()
    t0 = time.monotonic()
    attached = wait_until(lambda: run.visible("Podivex-BottomBar"), 10, 0.05)
    run.check("attaches to a new show within 1.5 s",
              attached and time.monotonic() - t0 <= ATTACH_S, f"{time.monotonic() - t0:.2f} s")
    run.check("focus stays on the new show", active_is_show())

    before = podivex_windows()
    xdotool("mousemove", *map(str, run.toolbar_button(0)), "click", "3")
    run.check("a right-click on the grip opens the same menu",
              wait_until(lambda: set(podivex_windows()) - set(before), 3))
    run.shot("grip-menu")
    xdotool("key", "Escape")
    time.sleep(0.5)

    down = lambda n: ["Down"] * n
    run.check("the tray icon is in the tray", tray_icon() != 0)
    run.tray_menu(*down(1), "Return")
    run.check("the tray hides the controls",
              wait_until(lambda: not run.visible("Podivex-BottomBar"), 3))
    run.tray_menu(*down(1), "Return")
    run.check("the tray shows them again", wait_until(lambda: run.visible("Podivex-BottomBar"), 3))

    autostart = os.path.join(run.home, "config/autostart/Podivex.desktop")
    run.tray_menu(*down(4), "Return")
    run.check("start at log-on writes its entry", wait_until(lambda: os.path.exists(autostart), 3))
    run.tray_menu(*down(4), "Return")
    run.check("and removes it", wait_until(lambda: not os.path.exists(autostart), 3))

    settings = os.path.join(run.home, "data/Quillmere/Podivex.ini")
    for index, mode in enumerate(["silent", "ask", "off"]):
        run.tray_menu(*down(3), "Right", *down(index), "Return")
        run.check(f"the update mode becomes {mode}", wait_until(
            lambda: os.path.exists(settings) and f"mode={mode}" in open(settings).read(), 3))

    run.tray_menu(*down(5), "Return")
    shown = wait_until(lambda: run.visible("关于 Podivex"), 5)
    run.check("about opens its box", shown)
    if shown:
        run.shot("about")
        xdotool("key", "Return")
        run.check("and it closes", wait_until(lambda: not run.visible("关于 Podivex"), 5))

    run.tray_menu(*down(2), "Return")
    time.sleep(1)
    run.check("re-detect keeps the running show", run.visible("Podivex-BottomBar"))
    show = xdotool("search", "--onlyvisible", "--name", "^Presenting:").split()[0]
    xdotool("windowminimize", show)
    run.tray_menu(*down(2), "Return")
    time.sleep(0.5)
    run.shot("redetect-nothing")
    run.check("re-detect that finds nothing hides the controls",
              wait_until(lambda: not run.visible("Podivex-BottomBar"), 1))
    time.sleep(3)
    run.check("and they stay hidden", not run.visible("Podivex-BottomBar"))
    xdotool("windowactivate", show, check=False)
    run.check("the show is followed again after re-detect found nothing",
              wait_until(lambda: run.visible("Podivex-BottomBar"), 5))

    run.stop_show()
    t0 = time.monotonic()
    run.check("closing the show hides the controls within 1.5 s",
              wait_until(lambda: not run.visible("Podivex-BottomBar"), 5) and
              time.monotonic() - t0 <= ATTACH_S + 0.5, f"{time.monotonic() - t0:.2f} s")
    run.tray_menu("Up", "Return")
    try:
        code = run.podivex.wait(10)
    except subprocess.TimeoutExpired:
        code = None
    run.check("quit ends the program", code == 0, f"exit {code}")


def ink_pictures(run):
    """Annotated slides kept as pictures (inkpictures.py)."""
    import inkpictures
    inkpictures.linux(run, lambda page: rgb(SLIDES[page - 1]), read_label,
                      lambda a, b: 25 <= mask_difference(a, b) < 10 ** 6)


def main():
    exe, helper, artefacts, variant = sys.argv[1:5]
    os.makedirs(artefacts, exist_ok=True)
    run = Run(exe, helper, artefacts, variant)
    for scenario in (show_first, podivex_first, ink_pictures):
        try:
            scenario(run)
        except Exception as error:  # one broken step must not hide the other scenario's results
            run.check(f"{scenario.__name__} ran to its end", False, repr(error))
        finally:
            run.quit()
    print(f"{run.passed} passed, {run.failed} failed", flush=True)
    return 0 if run.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
