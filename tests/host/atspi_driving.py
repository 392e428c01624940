"""Shared by the tests that read and drive the real orvex over the accessibility bus (AT-SPI), as
a screen reader does: imported by the test, which first calls start_session().

start_session() runs the test again inside a D-Bus session of its own, which holds the
accessibility bus, and skips it (exit 77) where the bus or pyatspi is missing. The rest finds
the importer window's controls on the bus and records failed checks; clean_up() ends what the
test started, and finish() ends the test.
"""
import atexit
import os
import shutil
import sys
import tempfile
import time

SKIP = 77
failures = []
children = []  # the processes the test started, ended by clean_up


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


def start_session():
    if os.environ.get("ORVEX_A11Y_SESSION") != "1":
        if shutil.which("dbus-run-session") is None:
            skip("dbus-run-session is not installed")
        # A runtime folder of the session's own, where the accessibility bus puts its socket:
        # without one it goes under ~/.cache, shared with any other run at the same time.
        runtime = tempfile.mkdtemp(prefix="orvex-a11y-session-")
        os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv,
                   dict(os.environ, ORVEX_A11Y_SESSION="1", XDG_RUNTIME_DIR=runtime,
                        ORVEX_A11Y_RUNTIME=runtime))
    if "ORVEX_A11Y_RUNTIME" in os.environ:
        atexit.register(shutil.rmtree, os.environ["ORVEX_A11Y_RUNTIME"], True)
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        skip("at-spi2-core is not installed")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        skip("python3-pyatspi is not installed")


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def pump(seconds=0.0):
    from gi.repository import GLib
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


def windows(title):
    """Orvex's windows of that title, as the bus has them now. A program that has ended may
    still be listed for a while, and fails to answer: it is passed over."""
    import pyatspi
    found = []
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.name == "Orvex":
                found += [w for w in app if w is not None and w.name == title]
        except Exception:
            pass
    return found


def controls():
    """The controls of the importer window, in the order the bus gives them."""
    for window in windows("Vandrel File Importer"):
        client = [c for c in window if c.getRoleName() == "filler"][0]
        return [c for c in client if c is not None]
    return []


def named(name, role=None, within=None):
    found = [c for c in (controls() if within is None else within)
             if c.name == name and (role is None or c.getRoleName() == role)]
    return found[0] if len(found) == 1 else None


def text_of(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def press(obj):
    """Presses a button as assistive technology does: its first action."""
    obj.queryAction().doAction(0)


def descendant(obj, predicate):
    """The first object under obj, depth first, for which predicate holds."""
    for child in obj:
        if child is None:
            continue
        if predicate(child):
            return child
        found = descendant(child, predicate)
        if found is not None:
            return found
    return None


def clean_up(work):
    """Ends the processes the test started, newest first, and removes its folder."""
    for child in reversed(children):
        if child.poll() is None:
            child.kill()
            child.wait()
    shutil.rmtree(work, ignore_errors=True)


def finish():
    print("ok" if not failures else "%d failures" % len(failures))
    sys.exit(1 if failures else 0)
