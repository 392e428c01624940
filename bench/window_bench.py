#!/usr/bin/python3
"""Responsiveness of the real window: how long it goes without answering, phase by phase.

What it measures
  The real `orvex` runs under its own Xvfb, with a PulseAudio server (a null sink) of its
  own, started as Vandrel starts it (four parameters) and driven by the keyboard through
  xdotool as a user would: Tab, Space to the open picker, the path typed, Return; Tab, Tab,
  Tab, Space to "Convert and Go". Meanwhile a pinger process sends the window an EWMH
  _NET_WM_PING every 10 ms (the next one once the last is answered) and logs each round
  trip. A Qt window answers on its user-interface thread, so a round trip is how long that
  thread was busy elsewhere. For each phase the table shows the longest round trip of the
  pings that were out during it:

    describe     pick a 40-minute IMA ADPCM WAV and wait for its waveform (10 s)
    play         Play (Alt+P) for 2 s, then Stop (Alt+P again), on that file
    convert      pick the file, press Convert and Go 0.3 s later, until the program ends
    seek         a click near the end of a 40-minute GSM 6.10 WAV's waveform: it plays
                 from there (the codec cannot seek, so the player reads up to it), then Stop
    hung path    pick a FIFO that nobody writes to, then another file, then Esc; the
                 program must end (a "never ended" there is a failure of its own)
    zoom 4 h     pick a 4-hour stereo IMA ADPCM WAV and wait until its waveform is read,
                 then Ctrl+wheel over the waveform, a notch at a time, from the whole file
                 down to frames 16 columns wide
    scroll 4 h   then the wheel along the file, and drags along the bar under the waveform
                 across the whole file at three zooms (frames 16 columns wide, some 60 frames a
                 column, some 16,000), where each step shows a new part of it

  The goal is at most 50 ms in every phase, in every run. After the table: the memory the
  window holds for the 4-hour file (its resident size before the pick, once the waveform is
  read, and at most while zooming and scrolling).

How
  Inputs are made once with sox into bench/out/inputs/window/ and reused. --busy N runs N
  processes that keep a core busy each for the whole run, as other work on a shared machine
  would. The pinger is this script started with --ping.

Run
  make bench-window                       # build orvex, then this (make bench runs it too)
  /usr/bin/python3 bench/window_bench.py --runs 2 [--busy 2] [--only convert]
  Options: --orvex PATH (default build/default/host/orvex), --runs N (default 2),
  --busy N (default 0), --only PHASE (repeatable).
"""
import argparse
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CACHE = ROOT / "bench" / "out" / "inputs" / "window"
GOAL_MS = 50.0
PHASES = ["describe", "play", "convert", "seek", "hung path", "zoom 4 h", "scroll 4 h"]
TITLE = "^Vandrel File Importer$"


# ---- The pinger (a process of its own, so that the driver's work cannot delay it) ----------

def ping(wid, out):
    from Xlib import X, display, error
    from Xlib.protocol import event

    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    # The pinger's own wake-ups must not count against the window: it takes the real-time
    # class where it may (it sleeps nearly all the time), else a higher priority, else none.
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
    except (AttributeError, OSError):
        try:
            os.nice(-10)
        except OSError:
            pass
    d = display.Display()
    d.set_error_handler(lambda *_: None)  # a window that went away: seen as DestroyNotify
    root = d.screen().root
    win = d.create_resource_object("window", wid)
    protocols, ping_atom = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("_NET_WM_PING")
    root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
    d.flush()
    serial = 0
    with open(out, "w", buffering=1) as log:
        while not stop:
            serial += 1
            sent = time.monotonic()
            try:
                win.send_event(event.ClientMessage(window=win, client_type=protocols,
                                                   data=(32, [ping_atom, serial, wid, 0, 0])),
                               event_mask=0)
                d.flush()
            except error.XError:
                return
            while not stop:
                gone = answered = False
                while d.pending_events():
                    e = d.next_event()
                    if e.type in (X.DestroyNotify, X.UnmapNotify) and e.window.id == wid:
                        gone = True
                    if (e.type == X.ClientMessage and e.client_type == protocols
                            and e.data[1][0] == ping_atom and e.data[1][1] == serial):
                        answered = True
                if gone:
                    return  # a window that is gone answers nothing: not a stall
                if answered:
                    log.write("%.4f %.1f\n" % (sent, (time.monotonic() - sent) * 1000))
                    break
                select.select([d], [], [], 0.05)
            else:
                # Stopped while a ping was out: it counts as far as it got.
                log.write("%.4f %.1f\n" % (sent, (time.monotonic() - sent) * 1000))
            rest = 0.01 - (time.monotonic() - sent)
            if rest > 0:
                time.sleep(rest)


# ---- The driver ---------------------------------------------------------------------------

def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, **kw).stdout


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def windows(title):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return [int(w) for w in r.stdout.split()]


def key(*keys):
    run(["xdotool", "key", "--delay", "30"] + list(keys))


def playing(env):
    """Whether the sound server has a stream playing: a phase that should play, did."""
    return bool(subprocess.run(["pactl", "list", "sink-inputs", "short"], env=env,
                               stdout=subprocess.PIPE, text=True).stdout.strip())


def make_inputs():
    CACHE.mkdir(parents=True, exist_ok=True)
    made = {
        "ima": (CACHE / "ima_adpcm_40min.wav",
                ["-r", "44100", "-c", "2", "-e", "ima-adpcm"], ["sine", "220", "sine", "331"]),
        "gsm": (CACHE / "gsm_40min.wav",
                ["-r", "8000", "-c", "1", "-e", "gsm-full-rate"], ["sine", "220"]),
    }
    made["long"] = (CACHE / "ima_adpcm_4h.wav", made["ima"][1], made["ima"][2])
    for name, (path, options, tones) in made.items():
        if not path.exists():
            minutes = 240 if name == "long" else 40
            print("making %s (%d minutes) with sox..." % (path.name, minutes), flush=True)
            tmp = path.with_suffix(".part.wav")
            run(["sox", "-n"] + options + [str(tmp), "synth", str(minutes * 60)] + tones +
                ["tremolo", "0.2", "40", "vol", "0.7"])
            tmp.rename(path)
    small = CACHE / "small.wav"
    if not small.exists():
        run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", str(small), "synth", "1", "sine", "440"])
    return made["ima"][0], made["gsm"][0], small, made["long"][0]


class Session:
    """One orvex started as Vandrel starts it, with a pinger on its window."""

    def __init__(self, bench, output):
        self.bench = bench
        bench.ensure_display()
        self.errors = bench.work / "orvex.log"
        with open(self.errors, "w") as errors:
            # A session of its own, so that it has a share of the machine of its own, as a
            # desktop gives each program.
            self.proc = subprocess.Popen([bench.orvex, "first", "second", str(output), "fourth"],
                                         env=bench.env, stdout=errors, stderr=errors,
                                         start_new_session=True)
        if not wait_for(lambda: windows(TITLE), 30):
            raise SystemExit("window_bench: the window did not appear (orvex %s): %s"
                             % ("running" if self.proc.poll() is None else
                                "ended with %s" % self.proc.returncode,
                                self.errors.read_text()[-2000:]))
        self.wid = windows(TITLE)[0]
        self.log = bench.work / ("ping-%d.log" % self.proc.pid)
        self.pinger = subprocess.Popen([sys.executable, __file__, "--ping", str(self.wid),
                                        str(self.log)], env=bench.env, start_new_session=True)
        self.picks = 0
        self.marks = []
        time.sleep(0.8)
        self.focus()

    def mark(self, what):
        self.marks.append((what, time.monotonic()))

    def focus(self):
        # There is no window manager to give the window the keyboard focus (without it Qt
        # takes no shortcuts): give it here, as a desktop does on a click.
        run(["xdotool", "windowfocus", str(self.wid)])

    def pick(self, path):
        # Focus starts in the path box: Tab reaches "..."; after a pick it is back on "...".
        self.mark("keys to the picker")
        key(*(["Tab", "space"] if self.picks == 0 else ["space"]))
        self.picks += 1
        if not wait_for(lambda: windows("^Open$"), 20):
            raise SystemExit("window_bench: the open picker did not appear")
        self.mark("picker shown")
        time.sleep(0.3)
        run(["xdotool", "type", "--delay", "5", str(path)])
        self.mark("path typed")
        key("Return")
        wait_for(lambda: not windows("^Open$"), 20)
        self.mark("picker gone")
        self.focus()

    def click_near_end(self):
        # The waveform's middle row, 94% along it, from the window's size: the strip spans
        # dialog units 10 to 255 of 320 across and ends 8 of 212 above the bottom.
        geometry = run(["xdotool", "getwindowgeometry", "--shell", str(self.wid)])
        g = dict(line.split("=") for line in geometry.split())
        x, y, w, h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        client = h - 22  # below a menu bar of about this height
        run(["xdotool", "mousemove", str(x + int(w * 240 / 320)),
             str(y + h - int(client * 38 / 212)), "click", "1"])

    def strip(self):
        """The waveform's left and right edges, its middle row and the bar's row, on screen:
        the strip spans dialog units 10 to 255 of 320 across and 144 to 204 of 212 down."""
        geometry = run(["xdotool", "getwindowgeometry", "--shell", str(self.wid)])
        g = dict(line.split("=") for line in geometry.split())
        x, y, w, h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        client = h - 22  # below a menu bar of about this height
        bottom = y + h - int(client * 8 / 212)
        return (x + int(w * 10 / 320) + 2, x + int(w * 255 / 320) - 2,
                y + h - int(client * 38 / 212), bottom - 3)

    def memory(self):
        """The resident size now and at most so far, in MB."""
        status = dict(line.split(":", 1) for line in
                      Path("/proc/%d/status" % self.proc.pid).read_text().splitlines())
        return tuple(int(status[k].split()[0]) / 1024 for k in ("VmRSS", "VmHWM"))

    def settle(self, seconds):
        """Waits until the program has used the processor for less than a tenth of the last
        two seconds (its work is done), for at most `seconds`; whether it did."""
        def used():
            fields = Path("/proc/%d/stat" % self.proc.pid).read_text().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            before = used()
            time.sleep(2)
            if used() - before < 0.2:
                return True
        return False

    def ended(self, seconds):
        try:
            self.proc.wait(seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.pinger.send_signal(signal.SIGTERM)
        self.pinger.wait()

    def longest(self, start, end):
        worst, when = 0.0, 0.0
        for line in self.log.read_text().split("\n"):
            if line:
                sent, ms = (float(v) for v in line.split())
                if sent <= end and sent + ms / 1000 >= start and ms > worst:
                    worst, when = ms, sent - start
        if self.bench.detail:
            print("    longest %.1f ms, %.2f s into the phase; %s" % (
                worst, when, ", ".join("%s %.2f" % (what, at - start)
                                       for what, at in self.marks if start <= at <= end)),
                flush=True)
        return worst


class Bench:
    def __init__(self, args):
        self.orvex = str(Path(args.orvex).resolve())
        self.detail = args.detail
        self.work = Path(tempfile.mkdtemp(prefix="orvex-window-bench-"))
        self.children = []
        (self.work / "rt").mkdir()
        # What is typed into the picker lies outside /tmp: Qt's picker watches each folder it
        # passes through, and on a machine whose /tmp sees heavy traffic, adding that watch
        # costs the picker, not orvex, hundreds of milliseconds in the kernel.
        self.picks = Path(tempfile.mkdtemp(prefix="picks-", dir=CACHE))
        self.env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=str(self.work / "rt"),
                        XDG_CONFIG_HOME=str(self.work / "config"), HOME=str(self.work))
        self.env.pop("PULSE_SERVER", None)
        self.xvfb = None
        self.ensure_display()
        self.children.append(subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "--disable-shm=yes",
             "--load=module-null-sink sink_name=bench rate=48000 channels=2",
             "--load=module-native-protocol-unix auth-anonymous=1"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                        stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL).returncode == 0, 10)
        for _ in range(args.busy):
            self.children.append(subprocess.Popen(
                [sys.executable, "-c", "while True: pass"]))

    def ensure_display(self):
        """Starts an Xvfb of our own, or a new one where the last no longer takes clients."""
        if self.xvfb is not None:
            if self.xvfb.poll() is None and subprocess.run(
                    ["xdotool", "getdisplaygeometry"], stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0:
                return
            print("    (the X server went away; starting another)", flush=True)
            self.xvfb.kill()
            self.xvfb.wait()
        display_pipe = self.work / "display"
        with open(display_pipe, "w") as fd:
            # -noreset: a server whose last client left resets, and refuses the next program
            # that connects meanwhile, as the next session's orvex would.
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(fd.fileno()), "-noreset", "-screen", "0",
                 "1024x768x24", "-nolisten", "tcp"], pass_fds=[fd.fileno()],
                stderr=subprocess.DEVNULL, start_new_session=True)
        if not wait_for(lambda: display_pipe.read_text().strip(), 10):
            raise SystemExit("window_bench: Xvfb did not start")
        # The X server carries the pings: like the pinger it is the instrument, and a busy
        # machine must not make it late. A higher priority for it, and for its session's
        # share of the machine, where that is allowed.
        try:
            os.setpriority(os.PRIO_PROCESS, self.xvfb.pid, -10)
            Path("/proc/%d/autogroup" % self.xvfb.pid).write_text("-10")
        except OSError:
            pass
        self.env["DISPLAY"] = ":" + display_pipe.read_text().strip()
        os.environ["DISPLAY"] = self.env["DISPLAY"]  # for xdotool

    def stop(self):
        for child in reversed(self.children + [self.xvfb]):
            child.kill()
            child.wait()
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.picks, ignore_errors=True)


def run_once(bench, ima, gsm, small, long, only):
    results = {}
    out = bench.work / "for vandrel.wav"
    fifo = bench.picks / "never.wav"
    if not fifo.exists():
        os.mkfifo(fifo)

    if {"describe", "play"} & only:
        s = Session(bench, out)
        start = time.monotonic()
        s.pick(ima)
        time.sleep(10)
        results["describe"] = s.longest(start, time.monotonic())
        start = time.monotonic()
        key("alt+p")
        time.sleep(2)
        played = playing(bench.env)
        key("alt+p")
        time.sleep(1)
        results["play"] = s.longest(start, time.monotonic()) if played else "did not play"
        key("Escape")
        s.ended(10)
        s.close()

    if "convert" in only:
        out.unlink(missing_ok=True)
        s = Session(bench, out)
        start = time.monotonic()
        s.pick(ima)
        time.sleep(0.3)
        s.mark("Convert and Go")
        key("Tab", "Tab", "Tab", "space")  # from "..." past Cancel and Save As WAV
        ended = s.ended(300)
        results["convert"] = s.longest(start, time.monotonic())
        s.close()
        if not ended or not out.exists():
            results["convert"] = "no WAV written" if ended else "never ended"

    if "seek" in only:
        s = Session(bench, out)
        s.pick(gsm)
        time.sleep(8)
        start = time.monotonic()
        s.click_near_end()
        time.sleep(3)
        played = playing(bench.env)
        key("alt+p")
        time.sleep(1)
        results["seek"] = s.longest(start, time.monotonic()) if played else "did not play"
        key("Escape")
        s.ended(10)
        s.close()

    if {"zoom 4 h", "scroll 4 h"} & only:
        s = Session(bench, out)
        before = s.memory()[0]
        s.pick(long)
        read = s.settle(600)
        after = s.memory()[0]
        left, right, middle, bar = s.strip()
        run(["xdotool", "mousemove", str((left + right) // 2), str(middle)])
        time.sleep(0.5)
        start = time.monotonic()
        s.mark("zoom in")
        for _ in range(26):  # 635 million frames in some 450 columns, to 16 columns a frame
            run(["xdotool", "keydown", "ctrl", "click", "4", "keyup", "ctrl"])
            time.sleep(0.15)
        results["zoom 4 h"] = s.longest(start, time.monotonic())
        start = time.monotonic()
        s.mark("wheel along")
        run(["xdotool", "click", "--repeat", "40", "--delay", "50", "5"])

        def drag_bar(backwards):
            s.mark("bar")
            ends = [right, left] if backwards else [left, right]
            run(["xdotool", "mousemove", str(ends[0]), str(bar), "mousedown", "1"])
            for i in range(1, 41):
                run(["xdotool", "mousemove", str(ends[0] + (ends[1] - ends[0]) * i // 40), str(bar)])
                time.sleep(0.05)
            run(["xdotool", "mouseup", "1", "mousemove", str((left + right) // 2), str(middle)])

        drag_bar(False)
        for notches, backwards in ((10, True), (8, False)):
            run(["xdotool", "keydown", "ctrl", "click", "--repeat", str(notches), "--delay", "100",
                 "5", "keyup", "ctrl"])
            drag_bar(backwards)
        time.sleep(1)
        results["scroll 4 h"] = s.longest(start, time.monotonic())
        results["memory"] = ("%.0f MB before the pick, %.0f MB once its waveform is read (+%.1f MB),"
                             " %.0f MB at most while zooming and scrolling" % (
                                 before, after, after - before, s.memory()[1]))
        if not read:
            results["zoom 4 h"] = results["scroll 4 h"] = "never read"
        key("Escape")
        s.ended(10)
        s.close()

    if "hung path" in only:
        s = Session(bench, out)
        start = time.monotonic()
        s.pick(fifo)
        time.sleep(3)
        s.pick(small)
        time.sleep(2)
        key("Escape")
        ended = s.ended(10)
        results["hung path"] = s.longest(start, time.monotonic()) if ended else "never ended"
        s.close()
    return results


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--ping":
        ping(int(sys.argv[2], 0), sys.argv[3])
        return 0
    parser = argparse.ArgumentParser(description="Responsiveness of the real orvex window.")
    parser.add_argument("--orvex", default=str(ROOT / "build" / "default" / "host" / "orvex"))
    parser.add_argument("--runs", type=int, default=2)
    parser.add_argument("--busy", type=int, default=0)
    parser.add_argument("--only", action="append", choices=PHASES)
    parser.add_argument("--detail", action="store_true",
                        help="say when in its phase each longest round trip began")
    args = parser.parse_args()
    for tool in ["Xvfb", "xdotool", "sox", "pulseaudio", "pactl"]:
        if shutil.which(tool) is None:
            raise SystemExit("window_bench: %s is not installed" % tool)
    only = set(args.only or PHASES)
    ima, gsm, small, long = make_inputs()
    bench = Bench(args)
    runs = []
    try:
        for i in range(args.runs):
            print("run %d of %d..." % (i + 1, args.runs), flush=True)
            runs.append(run_once(bench, ima, gsm, small, long, only))
    finally:
        bench.stop()

    print("\n== The window's longest unanswered ping, per phase (ms; goal <= %.0f) ==" % GOAL_MS)
    if args.busy:
        print("   with %d busy processes beside it" % args.busy)
    print("%-12s" % "phase" + "".join("%14s" % ("run %d" % (i + 1)) for i in range(len(runs)))
          + "   goal")
    failed = False
    for phase in [p for p in PHASES if p in only]:
        values = [r.get(phase, "-") for r in runs]
        met = all(isinstance(v, float) and v <= GOAL_MS for v in values)
        failed = failed or not met
        print("%-12s" % phase
              + "".join("%14s" % ("%.1f" % v if isinstance(v, float) else v) for v in values)
              + ("   met" if met else "   NOT met"))
    for i, r in enumerate(runs):
        if "memory" in r:
            print("run %d, the 4-hour file: %s" % (i + 1, r["memory"]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
