#!/usr/bin/env python3
"""Tremax beside the real Praat, as a user links them: under a private Xvfb display and a D-Bus
session of its own, with every store in a scratch HOME (Praat's folder is $HOME/.praat-dir).

Tremax opens the demo sequence (its first frame moved to 400, so that times are not frame
numbers), installs the Praat plugin, Praat opens a matching "demo.wav" in its sound editor, and:
  - "Link to Praat" with no Praat running says so once in the status bar;
  - every frame change moves Praat's editor cursor to (400 + frame) / 4000 s, read back from Praat
    through a script that writes the cursor into a file;
  - `tremax --show-time T` moves Tremax to frame floor(T * 4000) - 400, and stops playback;
  - the plugin's "Show in Tremax", run in Praat, does the same for the editor's cursor;
  - `tremax --show-time T FILE` with no Tremax running starts one that shows T once FILE is open.
The delays of both directions are printed.

    praat_journey.py --app PATH/tremax --gen PATH/tremax-gen-demo

Exit status 0: passed, 1: failed, 77: praat, Xvfb, dbus-run-session or the accessibility tools
are missing.
"""

import argparse
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "journeys"))
import journeys as j  # noqa: E402

RATE = 4000.0        # the demo's frames per second
FIRST = 400          # the first frame number written into the demo's header
SAMPLE_RATE = 16000


def sound_time(frame):
    # t = (F0 + i - T) / r + h, with T = 0 and h = 0 (no sound opened in Tremax)
    return (FIRST + frame) / RATE


def frame_at(seconds):
    # the frame shown at sound time t: floor(t * r) + T - F0
    return math.floor(seconds * RATE) - FIRST


class Praat:
    def __init__(self, session):
        self.session = session
        self.proc = None
        self.count = 0
        self.folder = os.path.join(session.home, "praat-scripts")
        os.makedirs(self.folder, exist_ok=True)

    def env(self):
        return self.session.env()

    def start(self, sound):
        self.proc = subprocess.Popen(["praat", "--open", sound], env=self.env(), stdout=subprocess.DEVNULL,
                                     stderr=open(os.path.join(self.session.home, "praat.err"), "ab"))
        pid_file = os.path.join(self.session.home, ".praat-dir", "pid")
        j.wait_for("Praat to start", lambda: os.path.exists(pid_file)
                   and open(pid_file).read().split()[:1] == [str(self.proc.pid)], timeout=20)
        # Praat takes scripts once its windows are up (a message before that would end it).
        j.wait_for("Praat's objects window", lambda: j.x_window_of(self.session, "^Praat Objects$"), timeout=20)
        time.sleep(0.5)
        self.check()

    def check(self):
        if self.proc.poll() is not None:
            raise j.Failure(f"Praat ended with status {self.proc.returncode}")

    def send(self, text):
        self.check()
        self.count += 1
        path = os.path.join(self.folder, f"script{self.count}.praat")
        with open(path, "w") as f:
            f.write(text)
        subprocess.run(["praat", "--send", path], env=self.env(), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=10)

    def cursor(self, timeout=5.0):
        """The editor's cursor of "Sound demo", as a script in Praat writes it."""
        self.count += 1
        out = os.path.join(self.folder, f"cursor{self.count}.txt")
        self.send(f'editor: "Sound demo"\nc = Get cursor\nendeditor\nwriteFileLine: "{out}", fixed$ (c, 6)\n')
        text = j.wait_for("Praat's cursor", lambda: os.path.exists(out) and open(out).read().strip(), timeout=timeout)
        return float(text)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def write_sound(path, seconds):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(SAMPLE_RATE)
        w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 150 * i / SAMPLE_RATE)))
                               for i in range(int(seconds * SAMPLE_RATE))))


def notice(app):
    bar = j.find(j.main_window(app), role="status bar")
    return " ".join(j.fresh(label).name or "" for label in j.children(bar))


def demo_with_first_frame(session):
    demo = session.demo()
    par = os.path.splitext(demo)[0] + ".par"
    text = open(par).read()
    if "FIRSTFRAME: 0" not in text:
        raise j.Failure(f"the demo's header has no 'FIRSTFRAME: 0': {text}")
    with open(par, "w") as f:
        f.write(text.replace("FIRSTFRAME: 0", f"FIRSTFRAME: {FIRST}"))
    return demo


def show_time(session, seconds, *files):
    started = time.monotonic()
    done = subprocess.run([session.args.app, "--show-time", f"{seconds:.6f}", *files], env=session.env(),
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=20)
    if done.returncode != 0:
        raise j.Failure(f"tremax --show-time {seconds} ended with {done.returncode}: {done.stderr.decode()}")
    return time.monotonic() - started


def wait_frame(app, frame, what, timeout=15.0):
    started = time.monotonic()
    j.wait_for(f"{what}: frame {frame} (shown {j.status_frame(app)})", lambda: j.status_frame(app) == frame,
               timeout=timeout, interval=0.01)
    return time.monotonic() - started


def answer(title, text):
    return "Yes" if "beside this recording" in text else j.default_answer(title, text)


def journey(session):
    demo = demo_with_first_frame(session)
    sound = os.path.join(os.path.dirname(demo), "demo.wav")
    write_sound(sound, 1.0)
    app, main, questions = j.started(session, demo, answer=answer)
    j.wait_for("the title naming the file", lambda: j.fresh(j.main_window(app)).name == f"{demo} - Tremax")
    # The sound beside the recording, offered and opened: Praat's editor is then the one of its name.
    if not any(text == f'Open the sound "{sound}" beside this recording?' for _, text in questions):
        raise j.Failure(f"the sound beside the recording was not offered: {questions}")
    j.window(app, name="Sound - demo.wav")
    report = []

    # The plugin, written with this program's path into the scratch HOME's Praat folder.
    j.choose(app, "View", "Install Praat plugin")
    plugin = os.path.join(session.home, ".praat-dir", "plugin_Tremax")
    j.wait_for("the notice of the install", lambda: "Praat plugin is installed" in notice(app))
    show_script = open(os.path.join(plugin, "show_in_tremax.praat")).read()
    if f"'{os.path.realpath(session.args.app)}' --show-time" not in show_script:
        raise j.Failure(f"the plugin does not run {session.args.app}: {show_script}")
    j.choose(app, "View", "Install Praat plugin")
    j.wait_for("the notice of a second install", lambda: "is up to date" in notice(app))

    # On without Praat: one notice, nothing else.
    j.choose(app, "View", "Link to Praat")
    j.wait_for("the notice that no Praat runs", lambda: "no Praat is running" in notice(app))
    if j.message_boxes(app):
        raise j.Failure("a message box came up for the missing Praat")

    praat = Praat(session)
    try:
        praat.start(sound)
        praat.send('selectObject: "Sound demo"\nView & Edit\n')
        j.wait_for("Praat's sound editor", lambda: praat.cursor() is not None, timeout=20)

        # What a read of the cursor alone takes, for the delays below.
        reads = []
        for _ in range(3):
            t0 = time.monotonic()
            praat.cursor()
            reads.append(time.monotonic() - t0)

        # Tremax -> Praat: each frame change, read back from Praat.
        delays, after_shown = [], []
        for key in ("Right", "Right", "End", "Home", "Right"):
            before = j.status_frame(app)
            t0 = time.monotonic()
            j.keys(session, " - Tremax$", key)
            j.wait_for(f"the frame to move with {key}", lambda: j.status_frame(app) != before, timeout=15,
                       interval=0.01)
            frame = j.status_frame(app)
            shown = time.monotonic()
            want = sound_time(frame)
            got = j.wait_for(f"Praat's cursor at {want:.6f} s for frame {frame}",
                             lambda: (lambda c: c if abs(c - want) < 5e-7 else None)(praat.cursor()), timeout=15,
                             interval=0.02)
            delays.append(time.monotonic() - t0)
            after_shown.append(time.monotonic() - shown)
            report.append(f"frame {frame} -> Praat {got:.6f} s")
        j.wait_for("the notice that Praat follows",
                   lambda: "cursor of \"Sound demo\" in Praat follows" in notice(app), timeout=10)

        # Praat -> Tremax: the plugin's entry point, a time inside a frame.
        for seconds in (0.15013, 0.25, 0.1):  # frames 200, 600, 0 (before the first: the first)
            want = max(frame_at(seconds), 0)
            spent = show_time(session, seconds)
            wait_frame(app, want, f"--show-time {seconds}")
            report.append(f"--show-time {seconds} -> frame {want} ({spent * 1000:.0f} ms)")
        # Clamped at the end: 2047 is the last frame.
        show_time(session, 5.0)
        wait_frame(app, 2047, "--show-time 5.0 (after the end)")

        # Playback stops when Praat moves the frame.
        play = j.find(j.find(j.main_window(app), role="tool bar"), name="Play", what="the Play button")
        j.keys(session, " - Tremax$", "Home")
        wait_frame(app, 0, "Home")
        j.press(play)
        j.wait_for("playback to move the frame", lambda: j.status_frame(app) != 0, timeout=10)
        show_time(session, 0.3)
        wait_frame(app, 800, "--show-time 0.3 during playback")
        time.sleep(0.6)
        if j.status_frame(app) != 800:
            raise j.Failure(f"playback went on after Praat moved the frame (now {j.status_frame(app)})")

        # The plugin's own command, run in Praat's sound editor.
        back = []
        for seconds, want in ((0.2, 400), (0.33337, 933)):
            t0 = time.monotonic()
            praat.send(f'editor: "Sound demo"\nMove cursor to: {seconds}\nShow in Tremax\nendeditor\n')
            wait_frame(app, want, f"Praat's \"Show in Tremax\" at {seconds}", timeout=10)
            back.append(time.monotonic() - t0)
            report.append(f"Praat \"Show in Tremax\" {seconds} s -> frame {want}")
        # Moved by Praat, not sent back: Praat's cursor stays where the user put it.
        time.sleep(0.3)
        if abs(praat.cursor() - 0.33337) > 5e-7:
            raise j.Failure(f"Praat's cursor was moved back: {praat.cursor()}")
    finally:
        praat.stop()

    # No Tremax running: --show-time starts one, which shows the time once the file is open.
    session.quit_app()
    session.app = subprocess.Popen([session.args.app, "--show-time", "0.2255", demo], env=session.env(),
                                   stdout=subprocess.DEVNULL,
                                   stderr=open(os.path.join(session.home, "tremax.err"), "ab"))
    j.wait_for("the program on the accessibility bus", session.application, timeout=30)
    app = session.application()
    # A new session asks again about the sound beside the recording.
    j.wait_for("the question about the sound beside", lambda: j.answer_one(app, answer), timeout=15)
    j.window(app, name="Sound - demo.wav")
    wait_frame(app, frame_at(0.2255), "a new Tremax started by --show-time 0.2255", timeout=15)

    ms = lambda values: "/".join(f"{v * 1000:.0f}" for v in values)  # noqa: E731
    return (f"{'; '.join(report)}; delays: key press -> Praat cursor read {ms(delays)} ms "
            f"(from the frame shown in Tremax's status bar {ms(after_shown)} ms), "
            f"Praat command -> Tremax frame {ms(back)} ms (a cursor read alone {ms(reads)} ms)")


def missing():
    gone = [tool for tool in ("praat",) if not shutil.which(tool)]
    return gone + j.missing_tools()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--gen", required=True)
    parser.add_argument("--inside", action="store_true")
    args = parser.parse_args()
    gone = missing()
    if gone or not j.ensure_pyatspi():
        print("skipped: missing " + ", ".join(gone + ([] if "pyatspi" in sys.modules else ["python3-pyatspi"])))
        return j.SKIP
    if not args.inside:
        command = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inside"] + sys.argv[1:]
        # Praat is another program with timing of its own: a failed walk is shown and walked once
        # more on a fresh display and bus; two failures fail the test.
        for attempt in (1, 2):
            outer = tempfile.mkdtemp(prefix="tremax-praat-bus-")
            env = dict(os.environ, HOME=outer, XDG_RUNTIME_DIR=outer, XDG_CACHE_HOME=os.path.join(outer, "cache"))
            try:
                status = subprocess.run(command, env=env).returncode
            finally:
                shutil.rmtree(outer, ignore_errors=True)
            if status != 1 or attempt == 2:
                return status
            print("the walk failed (above); once more on a fresh display and bus", flush=True)
    from gi.repository import Atspi
    Atspi.set_timeout(1500, 0)
    session = j.Session(args)
    try:
        session.start_display()
        started_at = time.monotonic()
        result = journey(session)
        print(f"PASS praat ({time.monotonic() - started_at:.1f} s): {result}")
        return 0
    except j.Failure as failure:
        print(f"FAIL praat: {failure}")
        for name in ("tremax.err", "praat.err"):
            err = os.path.join(session.home, name)
            if os.path.exists(err):
                sys.stdout.write(f"--- {name}\n" + open(err, errors="replace").read()[-2000:])
        return 1
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main())
