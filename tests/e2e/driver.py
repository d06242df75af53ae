"""Drives roundcut.exe under Wine the way a person would, with xdotool only:
the pointer, clicks and typed keys on the X display, screenshots from it.

Facts this relies on (Wine without a window manager, in Xvfb): a top-level
window's X window is exactly its client area, so its geometry is the client
origin; typed keys reach the Wine window under the pointer (synthetic events
sent to a window are ignored), so the pointer is moved over a dialog before
typing into it.

It waits on what it can see rather than for fixed times: windows appearing
and going, files appearing, and what tests/e2e/window_probe.c (built with
the windows preset) reads from the running tool: its status bar, whether it
is idle and painted, a dialog's focus, folder and typed text.
"""
import atexit
import os
import re
import select
import subprocess
import tempfile
import time

from PIL import ImageGrab

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.path.join(ROOT, "build", "windows", "app", "roundcut.exe")
PROBE = os.path.join(ROOT, "build", "windows", "tests", "window_probe.exe")
ARTEFACTS = os.path.join(ROOT, "build", "reports", "e2e")

# Client coordinates of the main window's gadgets (centres of buttons).
LOAD = (765, 635)
BACK_COLOR = (885, 635)
START = (1005, 635)
SAVE_JPG = (1130, 635)
SAVE_PNG = (1260, 635)
X_PLUS, X_MINUS = (25, 635), (125, 635)
Y_PLUS, Y_MINUS = (185, 635), (285, 635)
XY_PLUS, XY_MINUS = (355, 635), (455, 635)
# Edit parts of the spins (the up-down arrows sit at their right ends).
RADIUS_EDIT = (645, 80)
STEP_X_EDIT = (62, 640)
STEP_Y_EDIT = (222, 640)
STEP_XY_EDIT = (392, 640)
# Trackbars: 40 x 500 at x 620 and 670, y 110.
OUTER_TRACKBAR_X = 640
INNER_TRACKBAR_X = 690
TRACKBAR_TOP, TRACKBAR_BOTTOM = 110, 610

DIALOG_TITLE = "SELECT IMAGE"
COLOUR_TITLE = "Color"
# In the colour dialog, relative to it: the basic colour swatches (8 columns,
# 6 rows) and the OK and Cancel buttons.
COLOUR_OK, COLOUR_CANCEL = (51, 282), (146, 282)


def swatch(row, column):
    return 20 + 30 * column, 32 + 23 * row


def xdo(*args, check=True):
    result = subprocess.run(["xdotool", *[str(a) for a in args]], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
    return result.stdout


def wait_for(predicate, timeout, step=0.1):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


def visible_windows(name=None):
    args = ["search", "--onlyvisible"]
    args += ["--name", name] if name else ["--name", ".*"]
    out = xdo(*args, check=False)
    return [int(w) for w in out.split()]


def geometry(window):
    """(x, y, width, height) of an X window on the screen."""
    out = xdo("getwindowgeometry", "--shell", window, check=False)
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    if not values:
        return None
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def to_windows_path(path):
    """The path as a Wine program sees it: the Linux root is drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Probe:
    """One window_probe.exe under Wine, asked one question a line."""

    def __init__(self):
        if not os.path.exists(PROBE):
            raise RuntimeError(f"{PROBE} is missing: build the windows preset first")
        self.process = subprocess.Popen(["wine", PROBE], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.pending = b""

    def ask(self, *words, timeout=30):
        self.process.stdin.write(("\t".join(words) + "\n").encode())
        self.process.stdin.flush()
        end = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = end - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise RuntimeError(f"window_probe gave no answer to {words} in {timeout} s")
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                raise RuntimeError(f"window_probe ended while asked {words}")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("utf-8").rstrip("\r")

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()


_probe = None


def probe(*words, timeout=30):
    """The probe's answer to a question (see window_probe.c)."""
    global _probe
    if _probe is None or _probe.process.poll() is not None:
        _probe = Probe()
        atexit.register(_probe.close)
    return _probe.ask(*words, timeout=timeout)


def shown_windows():
    """[(title, client area)] of the tool's shown windows."""
    words = probe("windows").split("\t")
    if words == ["none"]:
        return []
    return [(title, tuple(int(v) for v in place.split())) for title, place in zip(words[::2], words[1::2])]


def wait_file(path, timeout=5):
    """Whether the file is there, its size the same twice in a row."""
    last = [None]

    def steady():
        size = os.path.getsize(path) if os.path.exists(path) else None
        same = size is not None and size == last[0]
        last[0] = size
        return same

    return wait_for(steady, timeout, 0.05)


def screenshot(name=None):
    image = ImageGrab.grab()
    if name:
        os.makedirs(ARTEFACTS, exist_ok=True)
        image.save(os.path.join(ARTEFACTS, name))
    return image


class Tool:
    """One running roundcut.exe and its main window."""

    def __init__(self, cwd, appdata=None):
        self.cwd = cwd
        # The tool remembers its settings under %APPDATA%: each tool gets a
        # folder of its own (a fresh one unless given), so no run sees
        # another's settings.
        self.appdata = appdata or tempfile.mkdtemp(prefix="roundcut-appdata-")
        self.process = None
        self.origin = None

    # -- life ---------------------------------------------------------------
    def start(self, timeout=60):
        before = set(visible_windows())
        log = open(os.path.join(ARTEFACTS, "roundcut-wine.log"), "w")
        # Wine sets APPDATA afresh for a program started from Linux, but a
        # Windows parent hands its own environment on: cmd sets it and waits
        # for the tool.
        command = f"set APPDATA={to_windows_path(self.appdata)}&& {to_windows_path(EXE)}"
        self.process = subprocess.Popen(["wine", "cmd", "/c", command], cwd=self.cwd, stdout=log,
                                        stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)

        def main_window():
            for w in visible_windows():
                if w in before:
                    continue
                g = geometry(w)
                # The X window holds the menu bar above the 1330 x 680 client.
                if g and g[2] == 1330 and 680 <= g[3] < 760:
                    return w
            return None

        window = wait_for(main_window, timeout, 0.1)
        if not window:
            raise RuntimeError("the main window (client 1330 x 680) did not appear")

        # The window shows before its menu bar is attached, which makes it
        # taller and moves it to stay centred: take its place once the bar is
        # there and the place holds still.
        last = [None]

        def settled():
            g = geometry(window)
            steady = g is not None and g == last[0] and g[3] > 680
            last[0] = g
            return g if steady else None

        g = wait_for(settled, 20, 0.1) or last[0]
        if not g:
            raise RuntimeError("the main window went away while starting")
        self.menu_height = g[3] - 680
        self.origin = (g[0], g[1] + self.menu_height)
        self.settle()
        # The first key after start-up can be lost: a harmless one first.
        self.move(700, 300)
        xdo("key", "shift")
        return g

    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait()
            # The launcher is gone; the tool it started goes too.
            subprocess.run(["wine", "taskkill", "/f", "/im", "roundcut.exe"], capture_output=True, timeout=30)

    # -- what it shows --------------------------------------------------------
    def settle(self):
        """Waits until the tool has handled what it was sent and painted it."""
        answer = probe("idle")
        if answer not in ("idle", "none"):
            raise RuntimeError(f"the tool is not idle: {answer}")

    def status(self):
        """The six status bar fields."""
        return probe("status").split("\t")

    # -- pointer and keys -----------------------------------------------------
    # Input goes through the X server in order, so an action needs no pause
    # before the next one; a test waits only before it looks.
    def screen(self, x, y):
        return self.origin[0] + x, self.origin[1] + y

    def move(self, x, y):
        xdo("mousemove", *self.screen(x, y))

    def click(self, point):
        self.move(*point)
        xdo("click", "1")

    def drag(self, start, end, steps=10):
        self.move(*start)
        xdo("mousedown", "1")
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            self.move(x, y)
            time.sleep(0.01)
        xdo("mouseup", "1")

    def key(self, *keys, repeat=1):
        args = ["key"]
        if repeat > 1:
            args += ["--repeat", repeat, "--delay", 15]
        xdo(*args, *keys)

    def type(self, text, window=None):
        """Types the text into the focused control of the window titled so
        (the main window by default) and waits until all of it is there."""
        where = (window,) if window else ()
        for attempt in range(3):
            if attempt:
                # A character went missing: clear the field and type again.
                self.key("End")
                self.key("shift+Home")
                self.key("BackSpace")
            # Characters outside ASCII reach Wine through a key that xdotool
            # maps to each of them in turn; typed at the usual pace, some
            # arrive after the key has been remapped again and are lost.
            # Those go slowly.
            for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]+", text):
                slow = not run.isascii()
                xdo("type", "--delay", 150 if slow else 5, run)
                if slow:
                    time.sleep(0.15)
            if wait_for(lambda: probe("typed", *where).endswith(text), 3, 0.05):
                return
        raise RuntimeError(f"typed {text!r}, the field holds {probe('typed', *where)!r}")

    def type_into_spin(self, edit, value):
        """Replaces a spin's text as typed by hand."""
        self.click(edit)
        self.key("End")
        self.key("BackSpace", repeat=6)
        self.type(str(value))

    def screenshot(self, name=None):
        """The client area of the main window, once the tool is idle and
        the screen holds still."""
        self.settle()
        x, y = self.origin
        box = (x, y, x + 1330, y + 680)
        image = screenshot(None).crop(box)
        for _ in range(20):
            again = screenshot(None).crop(box)
            if again.tobytes() == image.tobytes():
                break
            image = again
        if name:
            os.makedirs(ARTEFACTS, exist_ok=True)
            image.save(os.path.join(ARTEFACTS, name))
        return image

    # -- dialogs --------------------------------------------------------------
    # Under Wine with no window manager, a closing window's X window stays up
    # to two seconds while its program waits for a manager's word: whether a
    # window is there and where is asked of the program's side instead.
    def wait_dialog(self, title, timeout=20):
        """The dialog's client area (x, y, width, height) on the screen, once
        it is painted and has the focus."""
        if not wait_for(lambda: probe("shown", title) != "none", timeout, 0.05) or probe("ready", title) != "ready":
            raise RuntimeError(f'no "{title}" dialog appeared')
        return tuple(int(v) for v in probe("shown", title).split())

    def dialog_gone(self, title, timeout=10):
        return wait_for(lambda: probe("shown", title) == "none", timeout, 0.05)

    def point_at_dialog(self, dialog):
        x, y, width, _ = dialog
        # Over the dialog's upper part, away from its controls' default actions.
        xdo("mousemove", x + width // 2, y + 10)

    def answer_file_dialog(self, path):
        """Answers the open "SELECT IMAGE" dialog with a file: a name as it
        is typed, or a Linux path, typed as a bare name when the dialog
        already shows its folder."""
        window = self.wait_dialog(DIALOG_TITLE)
        name = path
        if os.path.isabs(path):
            folder, name = os.path.split(path)
            if probe("folder", DIALOG_TITLE) != to_windows_path(folder):
                name = to_windows_path(path)
        self.point_at_dialog(window)
        self.type(name, DIALOG_TITLE)
        self.key("Return")
        # The first Return may only close the name-completion list.  A second
        # one goes only to a dialog still there: on the main window it would
        # press the focused button.
        if not self.dialog_gone(DIALOG_TITLE, 2):
            self.point_at_dialog(window)
            self.key("Return")
        if not self.dialog_gone(DIALOG_TITLE, 10):
            raise RuntimeError(f"the file dialog did not close after {name}")
        self.settle()

    def answer_dialog(self, title, text=None):
        """Types the text (when given) into the dialog with this title, then
        Return, as often as it takes the dialog to close."""
        window = self.wait_dialog(title)
        self.point_at_dialog(window)
        if text is not None:
            self.type(text, title)
        for _ in range(2):
            self.key("Return")
            if self.dialog_gone(title, 2):
                break
            self.point_at_dialog(window)
        if not self.dialog_gone(title, 10):
            raise RuntimeError(f'the "{title}" dialog did not close')
        self.settle()

    def cancel_file_dialog(self):
        window = self.wait_dialog(DIALOG_TITLE)
        self.point_at_dialog(window)
        self.key("Escape")
        if not self.dialog_gone(DIALOG_TITLE, 2):
            self.point_at_dialog(window)
            self.key("Escape")
        if not self.dialog_gone(DIALOG_TITLE, 10):
            raise RuntimeError("the file dialog did not close on Escape")
        self.settle()

    def choose_colour(self, row, column):
        """Picks a basic colour with one click on its swatch and OK; returns
        the colour as the dialog showed it."""
        self.click(BACK_COLOR)
        x, y, _, _ = self.wait_dialog(COLOUR_TITLE)
        sx, sy = swatch(row, column)
        colour = screenshot("colour-dialog.png").getpixel((x + sx, y + sy))[:3]
        xdo("mousemove", x + sx, y + sy)
        xdo("click", "1")
        xdo("mousemove", x + COLOUR_OK[0], y + COLOUR_OK[1])
        xdo("click", "1")
        if not self.dialog_gone(COLOUR_TITLE):
            raise RuntimeError("the colour dialog stayed open after OK")
        self.settle()
        return colour

    def cancel_colour(self):
        self.click(BACK_COLOR)
        x, y, _, _ = self.wait_dialog(COLOUR_TITLE)
        xdo("mousemove", x + COLOUR_CANCEL[0], y + COLOUR_CANCEL[1])
        xdo("click", "1")
        if not self.dialog_gone(COLOUR_TITLE):
            raise RuntimeError("the colour dialog stayed open after Cancel")
        self.settle()

    # -- trackbars --------------------------------------------------------------
    def thumb_y(self, trackbar_x):
        """The centre row of a vertical trackbar's thumb, from the screen: the
        thumb's white body is the only light run in the column left of the
        channel."""
        shot = self.screenshot()
        column = trackbar_x - 14
        rows = [y for y in range(TRACKBAR_TOP, TRACKBAR_BOTTOM) if min(shot.getpixel((column, y))[:3]) >= 250]
        if not rows:
            raise RuntimeError(f"no trackbar thumb found at x {trackbar_x}")
        return (rows[0] + rows[-1]) // 2

    def drag_thumb(self, trackbar_x, to_y):
        y = self.thumb_y(trackbar_x)
        self.drag((trackbar_x - 10, y), (trackbar_x - 10, to_y))

    def drag_thumb_to_bottom(self, trackbar_x):
        self.drag_thumb(trackbar_x, TRACKBAR_BOTTOM + 60)
