#!/usr/bin/python3
"""The real orvex window as a screen reader reads it: over the AT-SPI accessibility bus of a
D-Bus session of its own, under a virtual X server, driven with the keyboard.

With a file picked (a float WAV that clips), every control of the window has a name and a
role, each name is heard once, the controls come in the order the window reads and no hidden
button is among them; the path box is named by its caption and holds the path; each value field
is a read-only text named by its caption that holds what orvex-cli info says; the waveform is a
slider that Tab reaches, described by the duration and the play position, which End moves; the
status line, a status bar, says what the import will clip, and says it as a change of its name,
which is how the screen reader hears of it. F10 opens the menus, the arrows walk them and Esc
closes them, not the window. The window opens at its smallest size; grown, the waveform takes
the new room, and the next run opens at that size. There, F10 and Down reach File > Save and
Exit; while its conversion runs, the progress bar and its stop button are named.

Usage: test_accessibility.py ORVEX ORVEX_CLI   (exit 77: skipped)
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi_driving import (check, children, clean_up, controls, finish, named, press,  # noqa: E402
                           skip, start_session, text_of, wait_for, windows)

start_session()
for tool in ["Xvfb", "xdotool", "sox", "dbus-send"]:
    if shutil.which(tool) is None:
        skip(tool + " is not installed")
import pyatspi  # noqa: E402
from gi.repository import Atspi  # noqa: E402
try:
    from Xlib import display as xdisplay
except ImportError:
    skip("python3-xlib is not installed")

orvex, cli = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix="orvex-a11y-")


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "50"] + list(keys), check=True)


def start(output):
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               XDG_RUNTIME_DIR=work, XDG_CONFIG_HOME=work + "/config",
               PULSE_SERVER="unix:" + work + "/no-sound-server")
    app = subprocess.Popen([orvex, "first", "second", output, "fourth"], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    children.append(app)
    return app


def focus_window():
    # There is no window manager to give the window the keyboard focus: give it here. A window
    # that had it when its picker closed may not hear that it has it again, so the focus goes
    # by way of the root window. (Without a window manager Qt may still not count the window as
    # active, and then reports no control focused: keys reach it all the same.)
    for window in [["--maxdepth", "0", ""], ["^Vandrel File Importer$"]]:
        subprocess.run(["xdotool", "search", "--name"] + window + ["windowfocus", "--sync"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.3)


def picker_windows():
    """The picker's windows, oldest first: the picker, then the warning it shows for a name it
    cannot find."""
    found = subprocess.run(["xdotool", "search", "--name", "^Open$"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True).stdout.split()
    return sorted(found, key=int)


def give_keys_to(window):
    subprocess.run(["xdotool", "windowfocus", "--sync", window],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def pick(path):
    focus_window()
    key("Tab", "space")  # from the path box, where the focus starts, to "..."
    if not wait_for(picker_windows, 20):
        raise SystemExit("FAIL: the open picker did not appear")
    # On a busy machine keys typed while the picker's completer pops up can be lost: the picker
    # then warns that it cannot find the name and takes no keys until the warning is closed.
    # So the warning is closed and the path typed again until the picker closes.
    for _ in range(4):
        if len(picker_windows()) > 1:
            give_keys_to(picker_windows()[1])
            time.sleep(0.3)
            key("Return")
            time.sleep(0.5)
        if not picker_windows():  # it took the path meanwhile: typing again would reach the window
            break
        give_keys_to(picker_windows()[0])
        time.sleep(0.5)
        key("ctrl+a")
        subprocess.run(["xdotool", "type", "--delay", "10", path], check=True)
        time.sleep(0.3)
        key("Return")
        if wait_for(lambda: not picker_windows(), 10):
            break
    if picker_windows():
        raise SystemExit("FAIL: the picker did not close")
    focus_window()


def extents(obj):
    e = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def reads_before(a, b):
    """Whether the control at extents a comes before the one at b as the window reads: on one
    row (tops less than half the lower one's height apart) left of it, else above it."""
    (ax, ay, _, ah), (bx, by, _, bh) = a, b
    return ax < bx if abs(ay - by) < min(ah, bh) / 2 else ay < by


def x_window():
    wid = subprocess.run(["xdotool", "search", "--name", "^Vandrel File Importer$"],
                         stdout=subprocess.PIPE, text=True).stdout.split()[0]
    return xdisplay.Display().create_resource_object("window", int(wid))


def menu(title):
    """The File or Help menu's popup on the bus."""
    window = windows("Vandrel File Importer")[0]
    bar = [c for c in window if c.getRoleName() == "menu bar"][0]
    return [item for item in bar if item.name == title][0][0]


def shows(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def slow_to_decode(path, megabytes):
    """A GSM 6.10 WAV file of zeros, which libsndfile takes seconds to decode."""
    data = (megabytes << 20) - 60
    fmt = struct.pack("<HHIIHHHH", 49, 1, 8000, 1625, 65, 0, 2, 320)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + data) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", data))
        f.truncate(f.tell() + data)


try:
    display_file = os.path.join(work, "display")
    with open(display_file, "w") as fd:
        # -noreset: between the two runs of orvex the server has no client, and a server
        # that resets then refuses the next one for a moment.
        children.append(subprocess.Popen(["Xvfb", "-displayfd", str(fd.fileno()), "-noreset",
                                          "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                         pass_fds=[fd.fileno()], stderr=subprocess.DEVNULL))
    if not wait_for(lambda: open(display_file).read().strip(), 10):
        raise SystemExit("FAIL: Xvfb did not start")
    os.environ["DISPLAY"] = ":" + open(display_file).read().strip()

    # ---- A file picked: names, roles, values, the waveform, the status line ----
    loud = os.path.join(work, "loud take.wav")
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "2", "-b", "32", "-e", "floating-point",
                    loud, "synth", "0.5", "sine", "300", "sine", "450", "vol", "1.5"],
                   check=True, stderr=subprocess.DEVNULL)
    info = dict(line.split(": ", 1) for line in
                subprocess.run([cli, "info", loud], check=True, stdout=subprocess.PIPE,
                               text=True).stdout.splitlines())
    heard = []

    def hear(event):
        try:
            heard.append((event.source.getRoleName(), event.source.name))
        except Exception:  # from an object gone since (the picker's)
            pass

    pyatspi.Registry.registerEventListener(hear, "object:property-change:accessible-name")
    # What the bus client would keep of states can miss a change (the window's activation
    # as its picker closes): every state is asked of the window itself.
    pyatspi.Registry.getDesktop(0).set_cache_mask(Atspi.Cache.NONE)
    app = start(os.path.join(work, "out.wav"))
    if not wait_for(lambda: controls(), 60):
        raise SystemExit("FAIL: the window did not appear on the accessibility bus")
    pick(loud)
    status = lambda: [c for c in controls() if c.getRoleName() == "status bar"]
    # A slow machine (or a sanitizer build) may take a while to read and draw the file; the
    # Tab order below holds only once it is described.
    if not wait_for(lambda: "dBFS" in status()[0].name, 90):
        raise SystemExit("FAIL: the level of the picked file never reached the status line")

    # Every control named, each name heard once (a caption is not heard again beside the field
    # it names), in the order the window reads: row by row from the top, left to right.
    shown = controls()
    names = [c.name for c in shown]
    check(all(names) and all(c.getRoleName() not in ("filler", "unknown") for c in shown),
          "a control without a name or a role: %s"
          % [(c.getRoleName(), c.name) for c in shown if not c.name])
    check(len(set(names)) == len(names), "a name is heard twice: %s" % names)
    check(not any(c.name == "Save As..." for c in shown), "the hidden Save As... is exposed")
    places = [extents(c) for c in shown]
    check(all(reads_before(a, b) for i, a in enumerate(places) for b in places[i + 1:]),
          "not in the order the window reads: %s" % list(zip(names, places)))
    box = named("Import File", "text")
    check(box is not None and text_of(box) == loud, "the path box is not named Import File")
    check(named("Browse for a file", "push button") is not None, "... has no name of its own")
    for caption in ["Format", "Sample Rate", "Number of Samples", "Channels", "Bit Width"]:
        field = named(caption, "text")
        states = field.getState() if field else None
        check(field is not None and text_of(field) == info[caption]
              and states.contains(pyatspi.STATE_READ_ONLY)
              and not states.contains(pyatspi.STATE_EDITABLE),
              "the %s field is not a read-only text reading %r" % (caption, info[caption]))
    line = status()[0].name
    for name, role in [("Normalise the peak to -1.0 dBFS", "check box"), ("Gain in dB", "text"),
                       ("Dither", "check box")]:
        check(named(name, role) is not None, "the level's %s is no %s" % (name, role))
    check(line.endswith(" samples will be clipped to the 16-bit range. Peak 0.0 dBFS"),
          "the status line does not say what will be clipped: %r" % line)
    check(("status bar", line) in heard, "the status line's change was not announced")
    wave = named("Waveform", "slider")
    check(wave is not None and wave.description
          == "Duration %s, play position 0:00.000" % info["Duration"],
          "the waveform's description: %r" % (wave and wave.description))

    # Tab from "..." past Cancel, Save As WAV and Convert and Go reaches the waveform, where
    # End moves the play position to the end.
    focus_window()
    key("Tab", "Tab", "Tab", "Tab", "End")
    check(wait_for(lambda: named("Waveform").description.endswith(
        "play position " + info["Duration"]), 30)
          and abs(named("Waveform").queryValue().currentValue
                  - named("Waveform").queryValue().maximumValue) < 1e-6,
          "Tab and End do not move the waveform's play position to the end")

    # F10 opens the File menu, the arrows walk to Help and back, and Esc closes the menu, then
    # leaves the menu bar: the window stays.
    key("F10")
    check(wait_for(lambda: shows(menu("File"))), "F10 does not open the File menu")
    key("Right")
    check(wait_for(lambda: shows(menu("Help")) and not shows(menu("File"))),
          "Right does not walk from File to Help")
    key("Left", "Escape", "Escape")
    check(wait_for(lambda: not shows(menu("File"))) and not wait_for(lambda: app.poll(), 1),
          "Esc in the open menu did not just close it")

    # The window opens at its smallest size; grown, the waveform takes all the new room, Play
    # and the level's controls keep beside it and the status line runs as wide, and every other control keeps its place.
    window = x_window()
    size = window.get_geometry()
    hints = window.get_wm_normal_hints()
    check((hints.min_width, hints.min_height) == (size.width, size.height),
          "the window opens at %dx%d, its smallest size is %dx%d"
          % (size.width, size.height, hints.min_width, hints.min_height))
    before = {c.name: extents(c) for c in controls()}
    grown = (size.width + 200, size.height + 120)
    subprocess.run(["xdotool", "windowsize", str(window.id)] + [str(n) for n in grown], check=True)
    wait_for(lambda: extents(named("Waveform")) != before["Waveform"])
    after = {c.name: extents(c) for c in controls()}
    moves = {name: tuple(b - a for a, b in zip(before[name], after[name]))
             for name in before if after.get(name) != before[name]}
    level = ["Normalise the peak to -1.0 dBFS", "Gain in dB", "dB", "Dither"]
    check(moves == dict({"Waveform": (0, 0, 200, 120), "Play": (200, 0, 0, 0),
                         line: (0, 0, 200, 0)}, **{name: (200, 0, 0, 0) for name in level}),
          "grown by 200x120, the controls moved by %s" % moves)
    # Cancel, pressed as assistive technology presses it, ends it. (Esc, typed here, was lost
    # about one run in four under AddressSanitizer: without a window manager the grown window
    # does not always have the keyboard again. The window tests and the dialog tests check Esc.)
    press(named("Cancel"))
    app.wait(20)

    # ---- While a conversion runs: the progress bar and its stop button ----
    big = os.path.join(work, "long take.wav")
    slow_to_decode(big, 16)
    output = os.path.join(work, "for vandrel.wav")
    app = start(output)
    check(wait_for(lambda: controls(), 60),
          "the second window is not on the accessibility bus (running: %s)" % (app.poll() is None))
    # It opens at the size it was left at, the waveform as large as it was.
    size = x_window().get_geometry()
    check((size.width, size.height) == grown
          and extents(named("Waveform"))[2:] == after["Waveform"][2:],
          "the window opens at %dx%d, not the %dx%d it was left at"
          % ((size.width, size.height) + grown))
    pick(big)
    check(wait_for(lambda: named("Convert and Go") is not None
                   and named("Convert and Go").getState().contains(pyatspi.STATE_ENABLED), 60),
          "Convert and Go is not enabled after the pick")
    time.sleep(0.3)
    # File > Save and Exit from the keyboard: F10, Down, Enter.
    key("F10", "Down")
    save = [item for item in menu("File") if item.name == "Save and Exit"][0]
    check(wait_for(lambda: save.getState().contains(pyatspi.STATE_FOCUSED)),
          "F10, Down do not reach Save and Exit")
    key("Return")
    check(wait_for(lambda: named("Conversion progress", "progress bar") is not None, 60),
          "no progress bar named Conversion progress while converting")
    names = [c.name for c in controls()]
    check("Stop converting" in names and len(set(names)) == len(names),
          "the stop button while converting: %s" % names)
    app.wait(120)
    check(os.path.exists(output), "Save and Exit wrote nothing")
finally:
    clean_up(work)

finish()
