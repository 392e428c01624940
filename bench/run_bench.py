#!/usr/bin/env python3
"""Throughput benchmark: `orvex-cli convert` against its peers, side by side.

What it measures
  For each of six generated inputs of about 100 MB (24-bit stereo WAV, 16-bit
  stereo AIFF, 8 kHz u-law AU, IMA ADPCM stereo WAV, 32-bit float stereo WAV,
  24-bit 6-channel WAV) and ten minutes of Microsoft ADPCM stereo WAV (27 MB)
  it times converting to a 16-bit PCM WAV with
      orvex-cli convert IN OUT
      orvex-cli convert --dither IN OUT   (24-bit and float inputs)
      sndfile-convert -pcm16 IN OUT
      sox -D IN -b 16 -e signed-integer OUT
      ffmpeg -nostdin -loglevel error -y -i IN -c:a pcm_s16le OUT
  and two floors that no converter can beat: reading the input from the page
  cache (`cat IN > /dev/null`) and writing a 16-bit output of the same length
  (`cp REF16 OUT`, REF16 being orvex-cli's own output).

How
  Inputs are made once with sox into bench/out/inputs/<size>MB/ and reused.
  Outputs go to a tmpfs folder (/dev/shm/orvex-bench-*) removed at the end;
  each run starts with its output file deleted. Every tool gets one warm-up
  run, then --runs timed runs interleaved round-robin (the starting tool
  rotates each round), so drift on this shared machine hits all tools alike.
  Wall time is time.perf_counter() around spawn and wait; the table shows
  medians. Peak resident memory comes from GNU time (/usr/bin/time -f %M)
  during the warm-up run: a child spawned straight from Python would report
  Python's own peak RSS, because Linux carries the parent's high-water mark
  across exec.
  Before timing, orvex-cli's output is checked to be a 16-bit WAV with the
  input's frame count and channels; a tool that fails is reported, not timed.

Run
  make bench                                   # build orvex-cli, then this
  python3 bench/run_bench.py --size-mb 5 --runs 3   # quick smoke run
  Options: --cli PATH, --runs N, --only NAME, --regenerate, --size-mb N.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import wave
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CACHE = ROOT / "bench" / "out" / "inputs"

# name, file name, description, sox output options, rate, channels, bytes per frame.
# At this rate sox packs IMA ADPCM in stereo blocks of 512 bytes that hold 505 frames,
# Microsoft ADPCM in blocks of 2048 bytes that hold 2036.
INPUTS = [
    ("wav24", "wav24_stereo_48k.wav", "24-bit stereo 48 kHz WAV",
     ["-b", "24", "-e", "signed-integer"], 48000, 2, 6),
    ("aiff16", "aiff16_stereo_44k.aiff", "16-bit stereo 44.1 kHz AIFF",
     ["-b", "16", "-e", "signed-integer"], 44100, 2, 4),
    ("ulaw", "ulaw_mono_8k.au", "8 kHz u-law mono AU",
     ["-b", "8", "-e", "u-law"], 8000, 1, 1),
    ("ima_adpcm", "ima_adpcm_stereo_44k.wav", "IMA ADPCM stereo 44.1 kHz WAV",
     ["-e", "ima-adpcm"], 44100, 2, 512 / 505),
    ("float32", "float32_stereo_48k.wav", "32-bit float stereo 48 kHz WAV",
     ["-b", "32", "-e", "floating-point"], 48000, 2, 8),
    ("wav24_6ch", "wav24_6ch_48k.wav", "24-bit 6-channel 48 kHz WAV",
     ["-b", "24", "-e", "signed-integer"], 48000, 6, 18),
    ("ms_adpcm", "ms_adpcm_stereo_44k.wav", "Microsoft ADPCM stereo 44.1 kHz WAV",
     ["-e", "ms-adpcm"], 44100, 2, 2048 / 2036),
]
# Inputs of a length rather than a size: minutes at the default --size-mb of 100, and in
# proportion at others.
INPUT_MINUTES = {"ms_adpcm": 10}

# Five partials and a little pink noise; each output channel mixes them with
# the gains rotated, so channels differ. The gains sum to 0.88, so peaks stay
# below full scale, and two slow tremolos move the amplitude.
PARTIALS = ["sine", "220", "sine", "331", "sine", "441", "triangle", "110",
            "sine", "659", "pinknoise"]
GAINS = [0.28, 0.20, 0.15, 0.12, 0.10]
NOISE_GAIN = 0.03

# Small files: where starting the process, opening and closing cost as much as converting.
SMALL_INPUTS = [
    ("small_wav16", "small_wav16_stereo_44k.wav", "0.5 MB 16-bit stereo 44.1 kHz WAV",
     ["-b", "16", "-e", "signed-integer"], 44100, 2, 4),
    ("small_aiff24", "small_aiff24_stereo_44k.aiff", "0.5 MB 24-bit stereo 44.1 kHz AIFF",
     ["-b", "24", "-e", "signed-integer"], 44100, 2, 6),
]
# A short conversion is mostly starting up: ahead there means ahead, not level.
SMALL_MB, SMALL_RUNS, SMALL_TARGET = 0.5, 201, 0.90
SMALL_NAMES = {i[0] for i in SMALL_INPUTS}

# The batch: 400 files of 0.5 to 2 MB in the bench's formats but ADPCM (whose own rows time
# its decoders), converted into one folder.
BATCH_FILES, BATCH_RUNS = 400, 5
BATCH_LOOP_TARGET, BATCH_XARGS_TARGET, BATCH_RSS_MB = 0.35, 0.60, 20.0

# Largest acceptable ratio orvex-cli / sndfile-convert, per input.
SNDFILE_TARGET = {"wav24": 0.90, "aiff16": 0.90, "wav24_6ch": 0.90, "ulaw": 0.90,
                  "float32": 0.70, "small_wav16": SMALL_TARGET, "small_aiff24": SMALL_TARGET}
NOT_AHEAD_EXEMPT = {"small_wav16", "small_aiff24"}  # sox and ffmpeg: not here
# Largest acceptable ratio orvex-cli / the fastest of sndfile-convert, sox and ffmpeg: ADPCM,
# which our own code decodes.
FASTEST_PEER_TARGET = {"ima_adpcm": 0.60, "ms_adpcm": 0.60}
# The overview of IMA ADPCM against sndfile-convert: the overview went through libsndfile's
# decoder too, at 0.85 to 0.9 times sndfile-convert's time, and must now take at most 0.6
# times what it took then.
OVERVIEW_SNDFILE_TARGET = {"ima_adpcm": 0.50}
RSS_LIMIT_MB = 10.0

ORVEX, SNDFILE, SOX, FFMPEG = "orvex-cli", "sndfile-convert", "sox -D", "ffmpeg"
# 30 s (or a quarter of a short input) from the middle, against converting the whole: the
# start is found by seeking, so a part costs what it holds. The target is the share of the
# file's frames the part holds plus a tenth: 30 s are 9% of the stereo 24-bit file's 100 MB,
# 26% of the six-channel one's, where no way of cutting could cost less than that.
PART = "orvex-cli, 30 s part"
PART_SLACK = 0.10
# Dithered, on the inputs whose values carry more than 16 bits (elsewhere dither changes
# nothing and the plain road runs): at most 1.3 times the plain conversion of the same file,
# and still ahead of sndfile-convert.
DITHER = "orvex-cli --dither"
DITHER_TARGET = 1.3
DITHER_INPUTS = {"wav24", "float32", "wav24_6ch"}
# The window's waveform overview of the same file, against orvex-cli's conversion of it.
OVERVIEW = "orvex waveform overview"
OVERVIEW_TARGET = 1.2
READ_FLOOR, COPY_FLOOR = "floor: read (cat)", "floor: copy 16-bit (cp)"


def remix_args(channels):
    """sox remix arguments: one mix of the six synth channels per output channel."""
    mixes = []
    for c in range(channels):
        parts = [f"{i + 1}v{GAINS[(i + c) % len(GAINS)]}" for i in range(len(GAINS))]
        parts.append(f"{len(GAINS) + 1}v{NOISE_GAIN}")
        mixes.append(",".join(parts))
    return mixes


def generate(path, sox_opts, rate, channels, bytes_per_frame, size_mb):
    seconds = size_mb * 1e6 / (rate * bytes_per_frame)
    tmp = path.with_name(path.stem + ".partial" + path.suffix)
    cmd = (["sox", "-r", str(rate), "-c", str(len(GAINS) + 1), "-n",
            *sox_opts, "-c", str(channels), str(tmp),
            "synth", f"{seconds:.3f}", *PARTIALS, "remix", *remix_args(channels),
            "tremolo", "0.3", "50", "tremolo", "0.07", "40"])
    subprocess.run(cmd, check=True)
    os.replace(tmp, path)  # a half-written file never looks complete


def sndfile_frames_channels(path, rate=False):
    """Frames and channels (and the rate) as libsndfile sees the file (the last lines)."""
    text = subprocess.run(["sndfile-info", str(path)], capture_output=True,
                          text=True, check=True).stdout
    frames = int(re.findall(r"^Frames\s*:\s*(\d+)", text, re.M)[-1])
    channels = int(re.findall(r"^Channels\s*:\s*(\d+)", text, re.M)[-1])
    if rate:
        return frames, channels, int(re.findall(r"^Sample Rate\s*:\s*(\d+)", text, re.M)[-1])
    return frames, channels


def spawn(argv, stdout, stderr):
    """Run argv with stdin empty; return (wall seconds, exit code)."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, stdout, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, stderr, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    _, status, _ = os.wait4(pid, 0)
    return time.perf_counter() - start, os.waitstatus_to_exitcode(status)


def remove(path):
    if path:
        try:
            os.unlink(path)
        except FileNotFoundError:
            pass


def bench_input(name, src, desc, tools, runs, work, gnu_time):
    """Warm up, time and tabulate every tool on one input; return its results."""
    err = os.path.join(work, "stderr")
    results = {}  # tool -> {"ms": median, "rss": MB} or {"error": text}
    frames, channels, rate = sndfile_frames_channels(src, rate=True)
    print(f"\n== {name}: {desc}, {src.stat().st_size / 1e6:.1f} MB, {frames} frames ==")
    part = min(30 * rate, frames // 4)
    results["part share"] = part / frames

    # orvex-cli's own output, checked once, is also the copy floor's source.
    ref = os.path.join(work, "ref16.wav")
    _, code = spawn([tools[ORVEX][0][0], "convert", str(src), ref], os.devnull, err)
    problem = f"exit code {code}: {Path(err).read_text()[-300:].strip()}" if code else None
    if not problem:
        try:
            with wave.open(ref) as w:
                got = (w.getnframes(), w.getnchannels(), w.getsampwidth())
            if got != (frames, channels, 2):
                problem = f"output has (frames, channels, bytes) {got}, expected {(frames, channels, 2)}"
        except (wave.Error, EOFError) as e:
            problem = f"output is not a valid WAV: {e}"
    if problem:
        results[ORVEX] = {"error": problem}
        remove(ref)
        subprocess.run(["sox", "-D", str(src), "-b", "16", "-e", "signed-integer", ref], check=True)

    # Each tool: argv with IN/OUT filled in, the file it writes, where stdout goes.
    jobs = {}
    for tool, (argv, writes) in tools.items():
        if tool in results:
            continue
        out = os.path.join(work, f"out-{len(jobs)}.wav") if writes else None
        argv = [{"IN": str(src), "OUT": out, "REF16": ref, "MIDDLE": f"{(frames - part) // 2}f",
                 "PART": f"{part}f"}.get(a, a) for a in argv]
        jobs[tool] = (argv, out)

    # Warm-up under GNU time, which also gives the peak RSS and the exit status.
    rss_file = os.path.join(work, "rss")
    for tool, (argv, out) in list(jobs.items()):
        remove(out)
        _, code = spawn([gnu_time, "-f", "%M", "-o", rss_file, *argv], os.devnull, err)
        if code != 0:
            results[tool] = {"error": f"exit code {code}: {Path(err).read_text()[-300:].strip()}"}
            del jobs[tool]
        else:
            results[tool] = {"rss": int(Path(rss_file).read_text().split()[-1]) / 1024}

    # Timed runs, round-robin, starting one tool later each round.
    times = {tool: [] for tool in jobs}
    order = list(jobs)
    for r in range(runs):
        for tool in order[r % len(order):] + order[:r % len(order)]:
            argv, out = jobs[tool]
            remove(out)
            secs, code = spawn(argv, os.devnull, err)
            if code != 0:
                results[tool]["error"] = f"exit code {code} in a timed run"
            times[tool].append(secs)
    for tool, (_, out) in jobs.items():
        remove(out)
        results[tool]["ms"] = statistics.median(times[tool]) * 1000
    remove(ref)

    orvex_ms = results.get(ORVEX, {}).get("ms")
    print(f"{'tool':<26}{'median ms':>10}{'orvex/tool':>12}{'peak RSS MB':>13}")
    for tool in tools:
        res = results[tool]
        if "ms" not in res:
            print(f"{tool:<26}FAILED, not timed: {res['error']}")
            continue
        ratio = f"{orvex_ms / res['ms']:.2f}" if orvex_ms else "-"
        print(f"{tool:<26}{res['ms']:>10.1f}{ratio:>12}{res['rss']:>13.1f}")
        if "error" in res:
            print(f"{'':<26}warning: {res['error']}")
    return results


def targets(all_results):
    """(input, description, value, met) for every target."""
    rows = []
    for name, res in all_results.items():
        orvex = res.get(ORVEX, {})
        def ratio(peer):
            if "ms" in orvex and "ms" in res.get(peer, {}):
                return orvex["ms"] / res[peer]["ms"]
            return None
        if name in SNDFILE_TARGET:
            r, limit = ratio(SNDFILE), SNDFILE_TARGET[name]
            rows.append((name, f"orvex/sndfile-convert <= {limit:.2f}", r,
                         r is not None and r <= limit))
        if name in FASTEST_PEER_TARGET:
            peers = [ratio(p) for p in (SNDFILE, SOX, FFMPEG)]
            r = max((x for x in peers if x is not None), default=None)
            limit = FASTEST_PEER_TARGET[name]
            rows.append((name, f"orvex/fastest peer <= {limit:.2f}", r,
                         r is not None and r <= limit))
        if name in OVERVIEW_SNDFILE_TARGET and "ms" in res.get(OVERVIEW, {}) \
                and "ms" in res.get(SNDFILE, {}):
            r, limit = res[OVERVIEW]["ms"] / res[SNDFILE]["ms"], OVERVIEW_SNDFILE_TARGET[name]
            rows.append((name, f"overview/sndfile-convert <= {limit:.2f}", r, r <= limit))
        if name not in NOT_AHEAD_EXEMPT and name not in FASTEST_PEER_TARGET:
            for peer in (SOX, FFMPEG):
                r = ratio(peer)
                rows.append((name, f"orvex/{peer} < 1.00", r, r is not None and r < 1.0))
        if name not in SMALL_NAMES and "ms" in res.get(OVERVIEW, {}) and "ms" in orvex:
            r = res[OVERVIEW]["ms"] / orvex["ms"]
            rows.append((name, f"overview/orvex-cli <= {OVERVIEW_TARGET:.1f}", r, r <= OVERVIEW_TARGET))
        if "ms" in res.get(DITHER, {}) and "ms" in orvex:
            r = res[DITHER]["ms"] / orvex["ms"]
            rows.append((name, f"dither/orvex-cli <= {DITHER_TARGET:.1f}", r, r <= DITHER_TARGET))
            if "ms" in res.get(SNDFILE, {}):
                r = res[DITHER]["ms"] / res[SNDFILE]["ms"]
                rows.append((name, "dither/sndfile-convert < 1.00", r, r < 1.0))
        if "ms" in res.get(PART, {}) and "ms" in orvex:
            r, limit = res[PART]["ms"] / orvex["ms"], res["part share"] + PART_SLACK
            rows.append((name, f"part/orvex-cli <= {limit:.2f}", r, r <= limit))
        rss = orvex.get("rss")
        rows.append((name, f"orvex peak RSS <= {RSS_LIMIT_MB:.0f} MB", rss,
                     rss is not None and rss <= RSS_LIMIT_MB))
    return rows


def batch_inputs(root, regenerate):
    """The batch's files (cached), the formats of INPUTS but IMA ADPCM, 0.5 to 2 MB."""
    folder = root / f"batch{BATCH_FILES}"
    folder.mkdir(parents=True, exist_ok=True)
    kinds = [i for i in INPUTS if not i[0].endswith("adpcm")]
    paths, made = [], 0
    for n in range(BATCH_FILES):
        name, file, _, opts, rate, ch, bpf = kinds[n % len(kinds)]
        path = folder / f"{n:03d}_{file}"
        if regenerate or not path.exists():
            generate(path, opts, rate, ch, bpf, 0.5 + 1.5 * ((n * 37) % 100) / 99)
            made += 1
        paths.append(path)
    if made:
        print(f"generated {made} batch file(s) in {folder.relative_to(ROOT)}")
    return paths


def bench_batch(paths, cli, found, runs, work):
    """orvex-cli's batch against one sndfile-convert per file, in a loop and two at a time."""
    out = os.path.join(work, "batch-out")
    pairs = os.path.join(work, "pairs")
    sox_lines = os.path.join(work, "sox-lines")
    with open(pairs, "w") as p, open(sox_lines, "w") as q:
        for path in paths:
            dest = os.path.join(out, path.stem + ".wav")
            p.write(f"{path} {dest}\n")
            q.write(f"{path} -b 16 -e signed-integer {dest}\n")
    sh = shutil.which("sh")
    tools = {
        "orvex-cli convert -t OUT -j 2": [os.path.abspath(cli), "convert", "-j", "2", "-t", out,
                                         *map(str, paths)],
        "loop of sndfile-convert": [sh, "-c", f'while read i o; do "{found["sndfile-convert"]}" '
                                              f'-pcm16 "$i" "$o" || exit 1; done < {pairs}'],
        "xargs -P 2 sndfile-convert": [shutil.which("xargs"), "-a", pairs, "-P", "2", "-n", "2",
                                       found["sndfile-convert"], "-pcm16"],
        "xargs -P 2 sox -D": [shutil.which("xargs"), "-a", sox_lines, "-P", "2", "-n", "6",
                              found["sox"], "-D"],
    }
    total = sum(p.stat().st_size for p in paths) / 1e6
    print(f"\n== batch: {len(paths)} files, {total:.0f} MB, into one folder ==")
    err = os.path.join(work, "stderr")
    results = {}
    rss_file = os.path.join(work, "rss")
    for tool, argv in tools.items():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        _, code = spawn([found["time"], "-f", "%M", "-o", rss_file, *argv], os.devnull, err)
        results[tool] = ({"error": f"exit code {code}: {Path(err).read_text()[-300:]}"} if code
                         else {"rss": int(Path(rss_file).read_text().split()[-1]) / 1024})
    times = {tool: [] for tool in tools if "error" not in results[tool]}
    order = list(times)
    for r in range(runs):
        for tool in order[r % len(order):] + order[:r % len(order)]:
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            secs, _ = spawn(tools[tool], os.devnull, err)
            times[tool].append(secs)
    shutil.rmtree(out, ignore_errors=True)
    print(f"{'tool':<32}{'median ms':>10}{'peak RSS MB':>13}")
    for tool in tools:
        if "error" in results[tool]:
            print(f"{tool:<32}FAILED: {results[tool]['error']}")
            continue
        results[tool]["ms"] = statistics.median(times[tool]) * 1000
        print(f"{tool:<32}{results[tool]['ms']:>10.1f}{results[tool]['rss']:>13.1f}")
    orvex = results[next(iter(tools))]
    rows = []
    def ratio(peer):
        return orvex["ms"] / results[peer]["ms"] if "ms" in orvex and "ms" in results[peer] else None
    r = ratio("loop of sndfile-convert")
    rows.append(("batch", f"orvex/loop <= {BATCH_LOOP_TARGET:.2f}", r, r is not None and r <= BATCH_LOOP_TARGET))
    peers = [ratio(t) for t in ("xargs -P 2 sndfile-convert", "xargs -P 2 sox -D")]
    r = max((x for x in peers if x is not None), default=None)
    rows.append(("batch", f"orvex/best xargs -P 2 <= {BATCH_XARGS_TARGET:.2f}", r,
                 r is not None and r <= BATCH_XARGS_TARGET))
    rss = orvex.get("rss")
    rows.append(("batch", f"orvex peak RSS < {BATCH_RSS_MB:.0f} MB", rss, rss is not None and rss < BATCH_RSS_MB))
    return rows


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--cli", default=str(ROOT / "build/default/cli/orvex-cli"))
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--only", choices=[i[0] for i in INPUTS + SMALL_INPUTS] + ["batch"])
    ap.add_argument("--regenerate", action="store_true")
    ap.add_argument("--size-mb", type=float, default=100)
    args = ap.parse_args()

    need = ["sox", "sndfile-convert", "sndfile-info", "ffmpeg", "cat", "cp", "time", "xargs"]
    found = {n: shutil.which(n if n != "time" else "/usr/bin/time") for n in need}
    if not os.access(args.cli, os.X_OK):
        sys.exit(f"run_bench: {args.cli} is not an executable; build it first (make bench)")
    if None in (found["sox"], found["sndfile-info"], found["time"]):
        sys.exit("run_bench: needs sox, sndfile-info (sndfile-programs) and GNU time")
    # argv templates; the flag says whether the tool writes OUT.
    tools = {
        ORVEX: ([os.path.abspath(args.cli), "convert", "IN", "OUT"], True),
        PART: ([os.path.abspath(args.cli), "convert", "--start", "MIDDLE", "--length", "PART",
                "IN", "OUT"], True),
        DITHER: ([os.path.abspath(args.cli), "convert", "--dither", "IN", "OUT"], True),
        SNDFILE: ([found["sndfile-convert"], "-pcm16", "IN", "OUT"], True),
        SOX: ([found["sox"], "-D", "IN", "-b", "16", "-e", "signed-integer", "OUT"], True),
        FFMPEG: ([found["ffmpeg"], "-nostdin", "-loglevel", "error", "-y", "-i", "IN",
                  "-c:a", "pcm_s16le", "OUT"], True),
        OVERVIEW: ([os.path.join(os.path.dirname(os.path.abspath(args.cli)),
                                 "../bench/orvex-overview-bench"), "IN"], False),
        READ_FLOOR: ([found["cat"], "IN"], False),
        COPY_FLOOR: ([found["cp"], "REF16", "OUT"], True),
    }
    missing = [t for t, (argv, _) in tools.items() if argv[0] is None or not os.access(argv[0], os.X_OK)]
    for t in missing:
        print(f"run_bench: {t} not found; it is left out")
        del tools[t]

    inputs = [i for i in INPUTS if args.only in (None, i[0])]
    small = [i for i in SMALL_INPUTS if args.only in (None, i[0])]
    folder = CACHE / f"{args.size_mb:g}MB"
    small_folder = CACHE / f"{SMALL_MB:g}MB"
    folder.mkdir(parents=True, exist_ok=True)
    small_folder.mkdir(parents=True, exist_ok=True)
    start, made = time.perf_counter(), 0
    for where, size, group in ((folder, args.size_mb, inputs), (small_folder, SMALL_MB, small)):
        for name, file, desc, opts, rate, ch, bpf in group:
            path = where / file
            if args.regenerate or not path.exists():
                print(f"generating {path.relative_to(ROOT)} ...", flush=True)
                minutes = INPUT_MINUTES.get(name)
                generate(path, opts, rate, ch, bpf,
                         minutes * 60 * rate * bpf / 1e6 * size / 100 if minutes else size)
                made += 1
    if made:
        print(f"generated {made} input(s) in {time.perf_counter() - start:.1f} s")
    else:
        print(f"inputs cached in {folder.relative_to(ROOT)} (--regenerate to remake)")

    print(f"{args.runs} timed runs per tool after one warm-up; outputs on tmpfs")
    work = tempfile.mkdtemp(prefix="orvex-bench-", dir="/dev/shm")
    small_tools = {t: tools[t] for t in (ORVEX, SNDFILE) if t in tools}
    batch_rows = []
    try:
        all_results = {name: bench_input(name, folder / file, desc,
                                         {t: v for t, v in tools.items()
                                          if t != DITHER or name in DITHER_INPUTS},
                                         args.runs, work, found["time"])
                       for name, file, desc, *_ in inputs}
        for name, file, desc, *_ in small:
            all_results[name] = bench_input(name, small_folder / file, desc, small_tools,
                                            max(args.runs, SMALL_RUNS), work, found["time"])
        if args.only in (None, "batch"):
            batch_rows = bench_batch(batch_inputs(CACHE, args.regenerate), args.cli, found,
                                     BATCH_RUNS, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("\n== Targets (orvex-cli median / peer median, same run) ==")
    rows = targets(all_results) + batch_rows
    for name, what, value, met in rows:
        shown = "n/a" if value is None else f"{value:.3f}"
        print(f"{name:<14}{what:<36}{shown:>7}   {'met' if met else 'NOT met'}")
    print(f"{sum(r[3] for r in rows)} of {len(rows)} targets met")


if __name__ == "__main__":
    main()
