#!/usr/bin/python3
"""The real orvex on a Wayland compositor and no X server: weston's headless backend, which has
no seat, so the window is driven over the accessibility bus as a screen reader would, and no
key is typed.

orvex starts as Vandrel starts it, with no DISPLAY and no QT_QPA_PLATFORM, and runs on Qt's
Wayland platform. "..." opens the picker, which is given a file name and opened; once the file
is described, "Convert and Go" writes the WAV where the host asked, byte for byte what
orvex-cli writes, and the program ends.

Usage: test_orvex_wayland.py ORVEX ORVEX_CLI   (exit 77: skipped)
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi_driving import (check, children, clean_up, descendant, finish, named,  # noqa: E402
                           press, skip, start_session, wait_for, windows)

start_session()
for tool in ["weston", "sox"]:
    if shutil.which(tool) is None:
        skip(tool + " is not installed")
import pyatspi  # noqa: E402
if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so"):
    skip("Qt's Wayland platform (qt6-wayland) is not installed")

orvex, cli = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix="orvex-wayland-")
try:
    # The compositor's socket and the program's runtime files in a folder of our own.
    os.chmod(work, 0o700)
    weston = subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=orvex-test",
                               "--idle-time=0"], env=dict(os.environ, XDG_RUNTIME_DIR=work),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    children.append(weston)
    if not wait_for(lambda: os.path.exists(os.path.join(work, "orvex-test")), 20):
        skip("weston's headless backend did not start")

    take = os.path.join(work, "take one.wav")
    output = os.path.join(work, "for vandrel.wav")
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "2", "-b", "24", take, "synth", "0.5",
                    "sine", "300", "sine", "450"], check=True)
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
    env.update(WAYLAND_DISPLAY="orvex-test", XDG_RUNTIME_DIR=work,
               XDG_CONFIG_HOME=os.path.join(work, "config"), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               PULSE_SERVER="unix:" + os.path.join(work, "no-sound-server"))
    app = subprocess.Popen([orvex, "first", "second", output, "fourth"], env=env)
    children.append(app)
    if not wait_for(lambda: named("Browse for a file") is not None, 60):
        raise SystemExit("FAIL: the window did not appear (running: %s)" % (app.poll() is None))
    with open("/proc/%d/maps" % app.pid) as maps:
        loaded = maps.read()
    check("libqwayland" in loaded and "libqxcb" not in loaded,
          "orvex does not run on Qt's Wayland platform")

    press(named("Browse for a file"))
    if not wait_for(lambda: windows("Open"), 30):
        raise SystemExit("FAIL: the open picker did not appear")
    picker = windows("Open")[0]
    name = descendant(picker, lambda o: o.getRoleName() == "text" and o.name == "File name:")
    name.queryEditableText().setTextContents(take)
    press(descendant(picker, lambda o: o.getRoleName() == "push button" and o.name == "Open"))
    check(wait_for(lambda: named("Convert and Go").getState().contains(pyatspi.STATE_ENABLED), 60),
          "Convert and Go is not enabled after the pick")
    press(named("Convert and Go"))
    try:
        app.wait(60)
    except subprocess.TimeoutExpired:
        check(False, "orvex did not end after Convert and Go")
    by_cli = os.path.join(work, "by cli.wav")
    subprocess.run([cli, "convert", take, by_cli], check=True)
    check(os.path.exists(output) and subprocess.run(["cmp", output, by_cli]).returncode == 0,
          "the window's WAV differs from orvex-cli's")
finally:
    clean_up(work)

finish()
