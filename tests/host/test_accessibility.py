#!/usr/bin/python3
"""The real orvex window as a screen reader reads it: over the AT-SPI accessibility bus of a
D-Bus session of its own, under a virtual X server, driven with the keyboard.

With a file picked (a float WAV that clips), every control of the window has a name and a
role; there is one Cancel and no hidden button; the path box is named by its caption and holds
the path; each value field is named by its caption and holds what orvex-cli info says; the
waveform is a slider that Tab reaches, described by the duration and the play position, which
End moves; the status line, a status bar, says what the import will clip, and says it as a
change of its name, which is how the screen reader hears of it. While a conversion runs, the
progress bar and its stop button are named, and there is still one Cancel.

Usage: test_accessibility.py ORVEX ORVEX_CLI   (exit 77: skipped)
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


# A D-Bus session of our own, with the accessibility bus in it.
if os.environ.get("ORVEX_A11Y_SESSION") != "1":
    if shutil.which("dbus-run-session") is None:
        skip("dbus-run-session is not installed")
    os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv,
               dict(os.environ, ORVEX_A11Y_SESSION="1"))

for tool in ["Xvfb", "xdotool", "sox", "dbus-send"]:
    if shutil.which(tool) is None:
        skip(tool + " is not installed")
if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
    skip("at-spi2-core is not installed")
try:
    import pyatspi
    from gi.repository import Atspi, GLib
except ImportError:
    skip("python3-pyatspi is not installed")

orvex, cli = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix="orvex-a11y-")
children = []
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def pump(seconds=0.0):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(predicate, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump()
        try:
            if predicate():
                return True
        except Exception:  # an object that went away while it was read
            pass
        time.sleep(0.1)
    return False


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


def controls():
    """The controls of the importer window, as the bus has them now."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Orvex":
            for window in app:
                if window is not None and window.name == "Vandrel File Importer":
                    client = [c for c in window if c.getRoleName() == "filler"][0]
                    return [c for c in client if c is not None]
    return []


def named(name, role=None):
    found = [c for c in controls() if c.name == name and (role is None or c.getRoleName() == role)]
    return found[0] if len(found) == 1 else None


def text_of(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


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
    key("Tab", "Tab", "space")
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


def ima_silence(path, megabytes):
    """A stereo IMA ADPCM WAV file of zeros, which decode as silence."""
    data = (megabytes << 20) - 60
    fmt = struct.pack("<HHIIHHHH", 17, 2, 44100, 44100 * 1024 // 1017, 2048, 4, 2, 2041)
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

    shown = controls()
    check(all(c.name for c in shown) and all(c.getRoleName() not in ("filler", "unknown")
                                             for c in shown),
          "a control without a name or a role: %s"
          % [(c.getRoleName(), c.name) for c in shown if not c.name])
    check([c.name for c in shown].count("Cancel") == 1, "more than one control called Cancel")
    check(not any(c.name == "Save As..." for c in shown), "the hidden Save As... is exposed")
    box = named("Import File", "text")
    check(box is not None and text_of(box) == loud, "the path box is not named Import File")
    check(named("Browse for a file", "push button") is not None, "... has no name of its own")
    for caption in ["Format", "Sample Rate", "Number of Samples", "Channels", "Bit Width"]:
        fields = [c for c in controls() if c.name == caption and text_of(c) is not None]
        check(len(fields) == 1 and text_of(fields[0]) == info[caption],
              "the %s field does not read %r" % (caption, info[caption]))
    line = status()[0].name
    check(line.endswith(" samples will be clipped to the 16-bit range. Peak 0.0 dBFS"),
          "the status line does not say what will be clipped: %r" % line)
    check(("status bar", line) in heard, "the status line's change was not announced")
    wave = named("Waveform", "slider")
    check(wave is not None and wave.description
          == "Duration %s, play position 0:00.000" % info["Duration"],
          "the waveform's description: %r" % (wave and wave.description))

    # Tab from "..." past Convert and Go and Save As WAV reaches the waveform, where End moves
    # the play position to the end.
    focus_window()
    key("Tab", "Tab", "Tab", "End")
    check(wait_for(lambda: named("Waveform").description.endswith(
        "play position " + info["Duration"]), 30)
          and abs(named("Waveform").queryValue().currentValue
                  - named("Waveform").queryValue().maximumValue) < 1e-6,
          "Tab and End do not move the waveform's play position to the end")
    key("Escape")
    app.wait(20)

    # ---- While a conversion runs: the progress bar and its stop button ----
    big = os.path.join(work, "long take.wav")
    ima_silence(big, 80)
    output = os.path.join(work, "for vandrel.wav")
    app = start(output)
    check(wait_for(lambda: controls(), 60),
          "the second window is not on the accessibility bus (running: %s)" % (app.poll() is None))
    pick(big)
    check(wait_for(lambda: named("Convert and Go") is not None
                   and named("Convert and Go").getState().contains(pyatspi.STATE_ENABLED), 60),
          "Convert and Go is not enabled after the pick")
    time.sleep(0.3)
    key("Tab", "space")
    check(wait_for(lambda: named("Conversion progress", "progress bar") is not None, 60),
          "no progress bar named Conversion progress while converting")
    names = [c.name for c in controls()]
    check("Stop converting" in names and names.count("Cancel") == 1,
          "the stop button while converting: %s" % names)
    app.wait(120)
    check(os.path.exists(output), "Convert and Go wrote nothing")
finally:
    for child in reversed(children):
        if child.poll() is None:
            child.kill()
            child.wait()
    shutil.rmtree(work, ignore_errors=True)

print("ok" if not failures else "%d failures" % len(failures))
sys.exit(1 if failures else 0)
