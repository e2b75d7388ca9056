#!/usr/bin/env python3
"""Journeys through the real program, as a user walks them, driven and read through the
desktop's accessibility interface (AT-SPI): the windows, menus, dialogs, status panels, the
painted axes and plots are found by role and name and read by their names and descriptions.

Each journey runs the program under its own Xvfb display, its own D-Bus session with its own
accessibility bus, and every store (settings registry, desktop folders) in a scratch HOME.

    journeys.py --app PATH/tremax --gen PATH/tremax-gen-demo JOURNEY
    journeys.py --list
    journeys.py --app ... --gen ... --tree FILE   # the windows' trees as a screen reader reads them

Exit status 0: passed, 1: failed, 77: the tools are missing (Xvfb, dbus-run-session,
at-spi-bus-launcher, the Python bindings pyatspi).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
BUS_LAUNCHERS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")


def bus_launcher():
    for path in BUS_LAUNCHERS:
        if os.access(path, os.X_OK):
            return path
    return shutil.which("at-spi-bus-launcher")


def missing_tools():
    missing = [tool for tool in ("Xvfb", "dbus-run-session", "xdotool") if not shutil.which(tool)]
    if not bus_launcher():
        missing.append("at-spi-bus-launcher")
    return missing


def ensure_pyatspi():
    """The Debian bindings live in the system Python; another python3 first in PATH (pyenv, a
    virtual environment) runs this script again with the system one."""
    try:
        import pyatspi  # noqa: F401
        return True
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.realpath(sys.executable) != os.path.realpath(system) and os.access(system, os.X_OK):
            probe = subprocess.run([system, "-c", "import pyatspi"], capture_output=True)
            if probe.returncode == 0:
                os.execv(system, [system] + sys.argv)
        return False


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=15.0, interval=0.1):
    """probe() until it returns something true; that value, or Failure naming `what`."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except Exception as error:  # the tree changes under the reader while windows come and go
            last_error = error
        if time.monotonic() > end:
            raise Failure(f"timed out waiting for {what}" + (f" ({last_error})" if last_error else ""))
        time.sleep(interval)


# ----- the session: display, buses, scratch HOME, the program

class Session:
    def __init__(self, args, home=None):
        self.args = args
        self.own_home = home is None
        self.home = home or tempfile.mkdtemp(prefix="tremax-journey-")
        self.procs = []
        self.app = None
        self.display = None

    def env(self):
        h = self.home
        env = dict(os.environ)
        env.update({
            "HOME": h,
            "TREMAX_REGISTRY_USER_DIR": f"{h}/reg/user",
            "TREMAX_REGISTRY_MACHINE_DIR": f"{h}/reg/machine",
            "TREMAX_REGISTRY_CLASSES_DIR": f"{h}/reg/classes",
            "XDG_CONFIG_HOME": f"{h}/config",
            "XDG_DATA_HOME": f"{h}/data",
            "XDG_CACHE_HOME": f"{h}/cache",
            "XDG_DATA_DIRS": f"{h}/sysdata",
            "XDG_CONFIG_DIRS": f"{h}/sysconfig",
            "XDG_RUNTIME_DIR": f"{h}/runtime",
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            "QT_QPA_PLATFORMTHEME": "",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "NO_AT_BRIDGE": "0",
            "LC_ALL": "C.UTF-8",
        })
        env.pop("QT_ACCESSIBILITY_DISABLED", None)
        return env

    def start_display(self):
        os.makedirs(f"{self.home}/runtime", mode=0o700, exist_ok=True)
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
                                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read)
        self.procs.append(xvfb)
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        # The accessibility bus of this session, started at once.
        launcher = subprocess.Popen([bus_launcher(), "--launch-immediately"], env=self.env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(launcher)
        wait_for("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], capture_output=True).returncode == 0, timeout=10)

    def demo(self):
        path = os.path.join(self.home, "demo", "demo.bld")
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            subprocess.run([self.args.gen, path], check=True, stdout=subprocess.DEVNULL)
        return path

    def launch(self, *files, program=None, env=None):
        self.app = subprocess.Popen([program or self.args.app, *files], env=dict(self.env(), **(env or {})),
                                    stdout=subprocess.DEVNULL,
                                    stderr=open(os.path.join(self.home, "tremax.err"), "ab"))
        return wait_for("the program on the accessibility bus", self.application, timeout=30)

    def application(self):
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            child = desktop.getChildAtIndex(i)
            if child is not None and child.get_process_id() == self.app.pid:
                return child
        return None

    def quit_app(self, timeout=10):
        if self.app and self.app.poll() is None:
            self.app.send_signal(signal.SIGTERM)
            try:
                self.app.wait(timeout)
            except subprocess.TimeoutExpired:
                self.app.kill()
                self.app.wait()
        self.app = None

    def close(self):
        self.quit_app()
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        if self.own_home:
            shutil.rmtree(self.home, ignore_errors=True)


# ----- reading and driving through AT-SPI

def fresh(node):
    """Drops what the client side keeps of a node, so that its texts are read anew."""
    try:
        node.clear_cache()
    except Exception:
        pass
    return node


def children(node):
    try:
        return [c for c in (node.getChildAtIndex(i) for i in range(node.childCount)) if c is not None]
    except Exception:
        return []


def walk(node, depth=0, limit=40):
    yield node, depth
    if depth < limit:
        for child in children(node):
            yield from walk(child, depth + 1, limit)


def role_of(node):
    try:
        return node.getRoleName()
    except Exception:
        return "?"


def showing(node):
    import pyatspi
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def find_all(root, role=None, name=None, prefix=None, visible=False):
    found = []
    for node, _ in walk(root):
        if role and role_of(node) != role:
            continue
        text = node.name or ""
        if name is not None and text != name:
            continue
        if prefix is not None and not text.startswith(prefix):
            continue
        if visible and not showing(node):
            continue
        found.append(node)
    return found


def find(root, role=None, name=None, prefix=None, visible=False, what=None, timeout=10.0):
    return wait_for(what or f"{role or 'node'} {name or prefix or ''}".strip(),
                    lambda: next(iter(find_all(root, role, name, prefix, visible)), None), timeout=timeout)


def windows(app):
    return children(app)


def window(app, name=None, prefix=None, timeout=10.0):
    def probe():
        for w in windows(app):
            text = w.name or ""
            if (name is not None and text == name) or (prefix is not None and text.startswith(prefix)):
                return w
        return None
    return wait_for(f"window {name or prefix}", probe, timeout=timeout)


def press(node, opens_modal=False):
    """The node's first action (press, click, toggle, trigger). An action that opens a modal
    dialog answers only when the dialog closes: its call is left to time out."""
    from gi.repository import GLib
    action = node.queryAction()
    if action.nActions < 1:
        raise Failure(f"{node.name}: no action")
    try:
        action.doAction(0)
    except GLib.GError:
        if not opens_modal:
            raise


def menu_item(app, menu, item, prefix=False):
    bar = find(main_window(app), role="menu bar")
    bar_menu = next((m for m in children(bar) if m.name == menu), None)
    if bar_menu is None:
        raise Failure(f"no menu {menu!r}")
    return find(bar_menu, role="menu item", name=None if prefix else item, prefix=item if prefix else None,
                what=f"menu item {menu} -> {item}")


def choose(app, menu, item, opens_modal=False):
    press(menu_item(app, menu, item), opens_modal)


def main_window(app):
    return wait_for("the main window", lambda: next(
        (w for w in windows(app) if (w.name or "").endswith("Tremax") and role_of(w) == "frame"), None), timeout=20)


def description(node):
    return fresh(node).description or ""


def text_of(node):
    try:
        t = fresh(node).queryText()
        return t.getText(0, -1)
    except Exception:
        return node.name or ""


def set_text(node, value):
    editable = node.queryEditableText()
    editable.setTextContents(value)


def extents(node):
    import pyatspi
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def xdotool(*words, display):
    subprocess.run(["xdotool", *map(str, words)], check=True, env=dict(os.environ, DISPLAY=display),
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def x_window_of(session, title_regex):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title_regex], capture_output=True,
                         text=True, env=dict(os.environ, DISPLAY=session.display))
    ids = out.stdout.split()
    return ids[0] if ids else None


def keys(session, title_regex, *names):
    """Keys to the window whose title matches, through the X server as a keyboard would."""
    win = wait_for(f"X window {title_regex}", lambda: x_window_of(session, title_regex))
    for name in names:
        xdotool("windowfocus", "--sync", win, display=session.display)
        xdotool("key", "--clearmodifiers", name, display=session.display)
        time.sleep(0.25)


def click_at(session, x, y):
    xdotool("mousemove", "--sync", x, y, display=session.display)
    xdotool("click", 1, display=session.display)


def default_answer(title, text):
    """Yes to registering the program for its files, No to anything else (the version check)."""
    return "Yes" if "registered to do" in text else "No"


def message_boxes(app):
    """The message boxes up (not the dialogs, nor a progress window)."""
    return [w for w in windows(app) if role_of(w) == "alert" and showing(w)]


def answer_one(app, answer=default_answer):
    """Closes one message box that is up, with the button `answer` picks from its title and
    text; returns (title, text), or None when none is up."""
    boxes = message_boxes(app)
    if not boxes:
        return None
    box = boxes[0]
    title = box.name or ""
    text = " ".join(n.name for n, _ in walk(box) if role_of(n) == "label" and n.name)
    button = answer(title, text)
    target = next((b for b in find_all(box, role="push button")
                   if (b.name or "").replace("&", "") in (button, "OK")), None)
    if target is None:
        raise Failure(f"message box {title!r} has no {button!r} button: {text}")
    press(target, opens_modal=True)  # another box may follow at once
    wait_for("the message box to close", lambda: not showing(box), timeout=5)
    return (title, text)


def answer_questions(app, answer=default_answer, timeout=4.0):
    """Closes the message boxes that come up within `timeout` of each other."""
    seen = []
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        closed = answer_one(app, answer)
        if closed:
            seen.append(closed)
            end = time.monotonic() + timeout
        else:
            time.sleep(0.2)
    return seen


def started(session, *files, answer=default_answer, first=True, **launch):
    """The program started on `files`, its main window up; on a first start (a new HOME) until
    its version question was answered. Returns the questions asked."""
    app = session.launch(*files, **launch)
    questions = []

    def ready():
        closed = answer_one(app, answer)
        if closed:
            questions.append(closed)
        if not any((w.name or "").endswith("Tremax") and role_of(w) == "frame" and showing(w) for w in windows(app)):
            return False
        return not first or any(title == "Version check" for title, _ in questions)

    wait_for("the program to start" + (" and ask its first questions" if first else ""), ready, timeout=30)
    questions.extend(answer_questions(app, answer, timeout=1 if first else 2))
    return app, main_window(app), questions


def axis_range(app, window_prefix, axis_name):
    win = window(app, prefix=window_prefix)
    axis = find(win, name=axis_name, what=f"{axis_name} in {window_prefix}")
    text = description(axis)
    lo, _, rest = text.partition(" to ")
    hi = rest.split(",")[0]
    return float(lo), float(hi), text


def status_frame(app):
    """The frame the status bar shows; 0 before it shows one."""
    bar = find(main_window(app), role="status bar")
    for label in children(bar):
        text = fresh(label).name or ""
        if text.startswith("Frame #:"):
            return int(text.split(":")[1])
    return 0


# ----- the journeys

def journey_open_play_stop(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    wait_for("the title naming the file", lambda: fresh(main_window(app)).name == f"{demo} - Tremax")
    start = status_frame(app)
    play = find(find(main_window(app), role="tool bar"), name="Play", what="the Play button")
    press(play)
    wait_for("playback to move the frame", lambda: status_frame(app) != start, timeout=10)
    press(play)  # the same button stops
    time.sleep(0.4)
    stopped = status_frame(app)
    time.sleep(0.8)
    if status_frame(app) != stopped:
        raise Failure("playback went on after Stop")
    kymo_lo, kymo_hi, text = axis_range(app, "Kymo", "Frame axis")
    marker = float(text.rsplit("marker at ", 1)[1])
    if marker != stopped:
        raise Failure(f"the kymogram's frame marker ({marker}) is not the frame shown ({stopped})")
    return f"played from {start}, stopped at {stopped}; kymogram {text}"


def image_pixel_point(main, column, row, width, height):
    image = find(main, name="Image", what="the image box")
    x, y, w, h = extents(image)
    return x + int((column + 0.5) * w / width), y + int((row + 0.5) * h / height)


def journey_click_follows(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    main = main_window(app)
    column, row = 118, 60
    click_at(session, *image_pixel_point(main, column, row, 256, 128))
    image = find(main_window(app), name="Image")
    wait_for("the image to report the point", lambda: f"column {column}, row {row}" in description(image))
    want = {
        ("Kymo", "Kymogram"): f"Row {row} over frames",
        ("Spectrum at", "Point spectrum"): f"Spectrum at column {column}, row {row}",
        ("Waveform", "Waveform"): f"Grey values at column {column}, row {row}",
        ("Row spectrum", "Row spectrum"): f"selected row {row}",
    }
    # The row spectrum is opened from the Window menu, the others are open from the start.
    choose(app, "Window", "Row spectrum")
    read = []
    for (title, plot), expected in want.items():
        win = window(app, prefix=title)
        node = find(win, role="chart", name=plot, what=f"the {plot} plot")
        wait_for(f"{plot} to follow the click ({expected!r})", lambda: expected in description(node), timeout=8)
        read.append(f"{plot}: {description(node)}")
    kymo_title = window(app, prefix="Kymo").name
    if not kymo_title.endswith(f" {row}"):
        raise Failure(f"the kymogram's title names no row {row}: {kymo_title!r}")
    return "; ".join(read)


def options_dialog(app):
    choose(app, "Settings", "Options...", opens_modal=True)
    return window(app, name="Settings")


def journey_options_round_trip(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    dialog = options_dialog(app)
    fft = find(dialog, role="text", name="FFT/kymogram size [points]")
    cache = find(dialog, role="text", name="Cache size [frames]")
    if (text_of(fft), text_of(cache)) != ("256", "512"):
        raise Failure(f"the dialog shows {text_of(fft)!r}, {text_of(cache)!r}, not the defaults 256, 512")
    set_text(fft, "128")
    press(find(dialog, role="push button", name="Ok"), opens_modal=True)
    wait_for("the dialog to close", lambda: not any(w.name == "Settings" and showing(w) for w in windows(app)))
    dialog = options_dialog(app)
    fft = find(dialog, role="text", name="FFT/kymogram size [points]")
    shown = text_of(fft)
    press(find(dialog, role="push button", name="Cancel"))
    if shown != "128":
        raise Failure(f"reopened, the dialog shows {shown!r}, not 128")
    lo, hi, text = axis_range(app, "Waveform", "Frame axis")
    if hi - lo != 128:
        raise Failure(f"the waveform's frame axis does not span 128 frames: {text}")
    return f"128 kept; waveform {text}"


def journey_first_start(session):
    demo = session.demo()
    # Another copy of the program, started by another user of the same machine-wide file types,
    # has registered itself for ".bld" files: this one's first start asks to take them over.
    other = os.path.join(session.home, "elsewhere", "tremax")
    os.makedirs(os.path.dirname(other))
    shutil.copy2(session.args.app, other)
    started(session, demo, program=other, env={"TREMAX_REGISTRY_USER_DIR": f"{session.home}/reg/other-user"})
    session.quit_app()
    app, main, questions = started(session, demo)
    titles = [title for title, _ in questions]
    if "Version check" not in titles:
        raise Failure(f"no version question among {questions}")
    if not any("registered to do" in text and other in text for _, text in questions):
        raise Failure(f"no question about the file type registered to {other} among {questions}")
    main = main_window(app)
    # Usable: the windows answer, a click on the image reaches the kymogram.
    wait_for("the title naming the file", lambda: fresh(main_window(app)).name == f"{demo} - Tremax")
    click_at(session, *image_pixel_point(main_window(app), 40, 20, 256, 128))
    kymo = find(window(app, prefix="Kymo"), role="chart", name="Kymogram")
    wait_for("the kymogram to follow", lambda: "Row 20 over" in description(kymo), timeout=8)
    dialog = options_dialog(app)
    press(find(dialog, role="push button", name="Cancel"))
    # A second start asks no more.
    session.quit_app()
    app, main, again = started(session, demo, first=False)
    if again:
        raise Failure(f"the second start asked again: {again}")
    return "asked: " + " | ".join(f"{t}: {x}" for t, x in questions)


def x_geometry(session, title_regex):
    win = wait_for(f"X window {title_regex}", lambda: x_window_of(session, title_regex))
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", win], capture_output=True, text=True,
                         env=dict(os.environ, DISPLAY=session.display)).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return win, (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))


LAYOUT_WINDOWS = {  # title pattern: the place it is moved to (x, y, width, height; None: the position only)
    " - Tremax$": (400, 300, 420, 400),
    "^Controls$": (30, 620, None, None),
    "^Kymo": (880, 40, 333, 222),
    "^Spectrum at|^Point spectrum$": (880, 300, 344, 233),
    "^Waveform$": (880, 560, 355, 244),
}


def journey_layout_restored(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    time.sleep(1.0)  # the start-up placement follows the open
    for pattern, (x, y, w, h) in LAYOUT_WINDOWS.items():
        win, _ = x_geometry(session, pattern)
        if w:
            xdotool("windowsize", "--sync", win, w, h, display=session.display)
        xdotool("windowmove", "--sync", win, x, y, display=session.display)
    time.sleep(0.5)
    moved = {pattern: x_geometry(session, pattern)[1] for pattern in LAYOUT_WINDOWS}
    for pattern, (x, y, w, h) in LAYOUT_WINDOWS.items():
        got = moved[pattern]
        if got[:2] != (x, y) or (w and got[2:] != (w, h)):
            raise Failure(f"could not move {pattern} to {(x, y, w, h)}: it is at {got}")
    choose(app, "Settings", "Save now!")
    time.sleep(0.5)
    choose(app, "File", "Exit")
    wait_for("the program to end", lambda: session.app.poll() is not None, timeout=10)
    app, main, _ = started(session, demo, first=False)
    time.sleep(1.5)  # where the start-up placement would have acted
    wrong = []
    for pattern, want in moved.items():
        got = x_geometry(session, pattern)[1]
        expected_w = LAYOUT_WINDOWS[pattern][2]
        if got[:2] != want[:2] or (expected_w and got[2:] != want[2:]):
            wrong.append(f"{pattern}: saved {want}, came back {got}")
    if wrong:
        raise Failure("the saved layout did not come back: " + "; ".join(wrong))
    return "restored: " + ", ".join(f"{p} {g}" for p, g in moved.items())


def journey_span_keeps_width(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    lo, hi, first = axis_range(app, "Kymo", "Frame axis")
    width = hi - lo
    seen = [first]
    for key, want_lo in (("End", 2047 - width), ("Home", 0), ("End", 2047 - width), ("Home", 0)):
        keys(session, " - Tremax$", key)
        try:
            got = wait_for(f"the span after {key}", lambda: (lambda r: r if r[0] == want_lo else None)(
                axis_range(app, "Kymo", "Frame axis")), timeout=4)
        except Failure:
            got = axis_range(app, "Kymo", "Frame axis")
        seen.append(got[2])
        if got[1] - got[0] != width:
            raise Failure(f"after {key} the span is {got[2]}, not {width} frames wide: " + " -> ".join(seen))
    return " -> ".join(seen)


def journey_options_then_open(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    dialog = options_dialog(app)
    set_text(find(dialog, role="text", name="FFT/kymogram size [points]"), "1024")
    set_text(find(dialog, role="text", name="Cache size [frames]"), "2048")
    press(find(dialog, role="push button", name="Ok"), opens_modal=True)
    problems = answer_questions(app, timeout=2)
    if problems:
        raise Failure(f"applying the options said: {problems}")
    # Open the file again, from the recent-files list of the File menu.
    press(menu_item(app, "File", "1 /", prefix=True), opens_modal=True)
    messages = answer_questions(app, timeout=3)
    if messages:
        raise Failure(f"the open said: {messages}")
    title = fresh(main_window(app)).name
    if title != f"{demo} - Tremax":
        raise Failure(f"after the open the title is {title!r}")
    lo, hi, text = axis_range(app, "Waveform", "Frame axis")
    if hi - lo != 1024:
        raise Failure(f"the waveform does not span 1024 frames: {text}")
    return f"one open, title {title!r}, waveform {text}"


def journey_export_after_open(session):
    demo = session.demo()
    app, main, _ = started(session, demo)
    before = set(os.listdir(os.path.dirname(demo)))
    choose(app, "File", "Export data...", opens_modal=True)
    dialog = window(app, name="Export data")
    save = next((b for b in find_all(dialog, role="push button") if (b.name or "").replace("&", "") == "Save"), None)
    if save is None:
        raise Failure("the export dialog has no Save button")
    press(save, opens_modal=True)

    # The table, or a message saying why there is none. A table is written to a temporary file
    # renamed at the end: only a ".csv" counts.
    def written_or_said():
        said = [(box.name, " ".join(n.name for n, _ in walk(box) if role_of(n) == "label" and n.name))
                for box in message_boxes(app)]
        made = [n for n in sorted(set(os.listdir(os.path.dirname(demo))) - before) if n.endswith(".csv")]
        return ("said", said) if said else ("written", made) if made else None

    kind, what = wait_for("the exported table", written_or_said, timeout=90)
    if kind == "said":
        # Saying why it cannot, and writing nothing, is the other right answer.
        answer_questions(app, timeout=1)
        left = [n for n in set(os.listdir(os.path.dirname(demo))) - before if n.endswith(".csv")]
        if left:
            raise Failure(f"the export said {what} and still wrote {left}")
        return f"no table written; said {what}"
    written = what
    path = os.path.join(os.path.dirname(demo), written[0])
    time.sleep(0.5)
    with open(path) as table:
        lines = table.read().splitlines()
    blank = [i for i, line in enumerate(lines[1:], 2) if any(cell == "" for cell in line.split(","))]
    if blank:
        raise Failure(f"{written[0]}: {len(blank)} of {len(lines) - 1} rows have blank cells (line {blank[0]}: "
                      f"{lines[blank[0] - 1]!r})")
    return f"{written[0]}: {len(lines) - 1} rows, none blank"


JOURNEYS = {
    "open_play_stop": journey_open_play_stop,
    "click_follows": journey_click_follows,
    "options_round_trip": journey_options_round_trip,
    "first_start": journey_first_start,
    "layout_restored": journey_layout_restored,
    "span_keeps_width": journey_span_keeps_width,
    "options_then_open": journey_options_then_open,
    "export_after_open": journey_export_after_open,
}


# ----- the tree as a screen reader reads it

def dump_tree(session, out):
    demo = session.demo()
    app, main, _ = started(session, demo)
    click_at(session, *image_pixel_point(main_window(app), 118, 60, 256, 128))
    time.sleep(1.0)
    lines = []
    nodes = [(node, depth) for top in windows(app) for node, depth in walk(top)]
    for node, depth in nodes:
        if not showing(node) and depth > 0:
            continue
        name = fresh(node).name or ""
        desc = node.description or ""
        line = "  " * depth + f"[{role_of(node)}] {name!r}"
        if desc:
            line += f" - {desc}"
        lines.append(line)
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")
    return f"{len(lines)} nodes written to {out}"


def inside(args):
    from gi.repository import Atspi
    # Calls time out from the program's start on (an action that opens a modal dialog answers
    # only when it closes); readers retry.
    Atspi.set_timeout(1500, 0)
    session = Session(args)
    try:
        session.start_display()
        started_at = time.monotonic()
        if args.tree:
            result = dump_tree(session, args.tree)
        else:
            result = JOURNEYS[args.journey](session)
        print(f"PASS {args.journey or 'tree'} ({time.monotonic() - started_at:.1f} s): {result}")
        return 0
    except Failure as failure:
        print(f"FAIL {args.journey}: {failure}")
        err = os.path.join(session.home, "tremax.err")
        if os.path.exists(err):
            sys.stdout.write(open(err, errors="replace").read()[-2000:])
        return 1
    finally:
        session.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app")
    parser.add_argument("--gen")
    parser.add_argument("--tree")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--inside", action="store_true")
    parser.add_argument("journey", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(JOURNEYS))
        return 0
    if not args.tree and args.journey not in JOURNEYS:
        parser.error(f"journey must be one of {', '.join(JOURNEYS)}")
    missing = missing_tools()
    if missing or not ensure_pyatspi():
        print("skipped: missing " + ", ".join(missing + ([] if "pyatspi" in sys.modules else ["python3-pyatspi"])))
        return SKIP
    if not args.inside:
        # A D-Bus session of the journey's own, ended with it.
        # Services the bus starts on demand (a second accessibility bus, say) inherit its
        # environment: a scratch home and runtime folder, so that no socket of theirs lands in the
        # real home, where journeys running elsewhere at the same time would meet it.
        command = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inside"] + sys.argv[1:]
        outer = tempfile.mkdtemp(prefix="tremax-journey-bus-")
        env = dict(os.environ, HOME=outer, XDG_RUNTIME_DIR=outer, XDG_CACHE_HOME=os.path.join(outer, "cache"))
        try:
            return subprocess.run(command, env=env).returncode
        finally:
            shutil.rmtree(outer, ignore_errors=True)
    return inside(args)


if __name__ == "__main__":
    sys.exit(main())
