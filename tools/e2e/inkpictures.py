"""Annotated slides kept as pictures, tried as a presenter would: ink on a slide, the next slide by
the keyboard, ink there too, the show ended; then the pictures in the pictures folder are read back.
Shared by the Linux and the Wine runs; each gives its own way to end the show and its own folder."""
import glob
import os
import shutil
import time

from linux import PEN, active_is_show, drag, wait_until, xdotool
from screen import Grab, colour_distance

STROKES = {2: 300, 3: 500}  # the y of the stroke drawn on each slide


def stroke(y):
    drag([(600 + 10 * i, y + (i % 5)) for i in range(30)])
    time.sleep(0.5)


def own_windows(run):
    """Where the program's bar and toolbar stand: the picture must show the slide there."""
    spots = []
    for name in ("Podivex-BottomBar", "Podivex"):
        geo = run.geometry(name)
        if geo:
            x, y, w, h = geo
            spots += [(x + w // 4, y + h // 2), (x + w // 2, y + h // 2), (x + w // 2, y + h // 4)]
    return spots


def newest_folder(pattern, since):
    folders = [f for f in glob.glob(pattern) if os.path.getmtime(f) >= since - 1]
    return max(folders, key=os.path.getmtime) if folders else None


def check_pictures(run, folder, colours, spots):
    """colours: the slide colour the picture of each slide must show."""
    run.check("a folder is made for the show", folder is not None)
    if not folder:
        return
    for page, colour in colours.items():
        path = os.path.join(folder, f"slide-{page:02d}.png")
        if not run.check(f"slide {page} is saved as {os.path.basename(path)}",
                         wait_until(lambda: os.path.exists(path), 5), str(os.listdir(folder))):
            continue
        shutil.copy(path, os.path.join(run.artefacts, f"{run.variant}-saved-slide-{page:02d}.png"))
        picture = Grab(path)
        y = STROKES[page]
        ink = picture.count(600, y - 10, 300, 25, PEN)
        run.check(f"slide {page}'s picture holds its ink along the stroke", ink > 200,
                  f"{ink} pen pixels")
        background = picture.pixel(350, 50)
        run.check(f"slide {page}'s picture shows slide {page}",
                  colour_distance(background, colour) < 40, f"{background}, wanted {colour}")
        covered = [s for s in spots if colour_distance(picture.pixel(*s), colour) >= 40]
        run.check(f"slide {page}'s picture shows the slide where the controls stood",
                  bool(spots) and not covered, f"{covered} of {spots}")


def draw_two_slides(run, next_key_moves):
    """Ink on the slide shown, the next slide by the keyboard, ink there. next_key_moves tells
    whether the key reached the show. Returns where the controls stood."""
    annotate = run.toolbar_button(1)
    xdotool("mousemove", *map(str, annotate), "click", "1")
    run.check("drawing turns on", wait_until(lambda: run.visible("Podivex-Annotation"), 5))
    time.sleep(0.5)
    stroke(STROKES[2])
    run.shot("ink-slide2")
    xdotool("key", "Next")
    run.check("the keyboard moves the show on while drawing", next_key_moves())
    time.sleep(0.5)
    stroke(STROKES[3])
    run.shot("ink-slide3")
    return own_windows(run)


def linux(run, slide_colour, read_label, label_moved):
    """A real LibreOffice show; it ends with Escape."""
    since = time.time()
    run.start_podivex()
    run.start_show()
    if not run.check("attaches for the ink pictures",
                     wait_until(lambda: run.visible("Podivex-BottomBar"), 10)):
        return
    time.sleep(1)
    run.check("the show is in front", wait_until(active_is_show, 5), xdotool(
        "getactivewindow", "getwindowname", check=False).strip())
    before = read_label(run)
    xdotool("key", "Next")
    run.expect_slide("the keyboard moves the show to slide 2", 2)
    run.check("and the page label follows it", label_moved(before, read_label(run)))
    spots = draw_two_slides(run, lambda: wait_until(lambda: run.slide() == 3, 10))
    xdotool("key", "Escape")
    run.check("Escape ends the show", wait_until(lambda: not run.visible("Podivex-BottomBar"), 10))
    pictures = os.path.join(run.home, "Pictures", "Podivex")
    wait_until(lambda: newest_folder(os.path.join(pictures, "*"), since), 5)
    folder = newest_folder(os.path.join(pictures, "*"), since)
    check_pictures(run, folder, {2: slide_colour(2), 3: slide_colour(3)}, spots)
    run.stop_show()


# The stand-in show's colour on its second and third page.
STANDIN = {2: (0xc8, 0x28, 0x28), 3: (0x28, 0x3c, 0xd2)}


def wine(run):
    """The stand-in show under Wine, a colour per page; it ends when closed. Its pictures would go
    to the Wine user's pictures folder, which Wine may link to the Linux one."""
    since = time.time()
    if not run.start_show():
        return
    if not run.podivex or run.podivex.poll() is not None:
        run.start_podivex()
    if not run.check("attaches for the ink pictures",
                     wait_until(lambda: run.visible("Podivex-BottomBar"), 20)):
        return
    time.sleep(1.5)

    # Clear of the ink, the controls and the tray messages in the corner.
    def showing(page):
        return wait_until(lambda: colour_distance(Grab().pixel(960, 700), STANDIN[page]) < 40, 5)

    xdotool("key", "Next")
    run.check("the keyboard moves the show to page 2", showing(2))
    draw_two_slides(run, lambda: showing(3))
    run.stop_show()
    run.check("closing the show hides the bars",
              wait_until(lambda: not run.visible("Podivex-BottomBar"), 5))
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    patterns = [os.path.join(prefix, "drive_c", "users", "*", "Pictures", "Podivex", "*"),
                os.path.expanduser(os.path.join("~", "Pictures", "Podivex", "*"))]

    def newest():
        found = [f for f in (newest_folder(p, since) for p in patterns) if f]
        return max(found, key=os.path.getmtime) if found else None

    # Wine prints a window of another process as nothing at all: the program must say so rather
    # than keep the ink on a black slide. Real Windows prints it.
    wait_until(newest, 5)
    run.check("no picture of an unprintable show is saved", newest() is None, str(newest()))
    run.check("the program goes on", run.podivex.poll() is None)
