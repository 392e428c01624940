#!/usr/bin/env python3
"""Before and after: two builds of orvex-cli on the same corpus, byte for byte.

Writes a corpus with sox, ffmpeg and libsndfile (sndfile-convert) into a temporary folder:
every container and encoding Orvex reads, in one, two and six channels where the writer
allows, IMA and Microsoft ADPCM at every block size the writers choose or take (sox and
libsndfile by sample rate, ffmpeg's -block_size), and damaged copies of the ADPCM files (cut
short at spread offsets, a stray chunk after the data, header fields and block headers
overwritten). Each file is described (`info --json`) and converted whole and in two parts
by both builds; every exit status, message and output byte must be the same.

  tools/compare-builds.py BEFORE/orvex-cli AFTER/orvex-cli [--keep DIR]

Prints one line per difference and a summary; exits 1 on any difference.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

SOX = [  # extension, sox options, channel counts
    ("wav", "-e unsigned -b 8", (1, 2, 6)), ("wav", "-b 16", (1, 2, 6)), ("wav", "-b 24", (1, 2, 6)),
    ("wav", "-b 32", (1, 2, 6)), ("wav", "-e float -b 32", (1, 2, 6)), ("wav", "-e u-law", (1, 2)),
    ("wav", "-e a-law", (1, 2)), ("wav", "-e ima-adpcm", (1, 2)), ("wav", "-e ms-adpcm", (1, 2)),
    ("wav", "-e gsm-full-rate", (1,)), ("aiff", "-b 16", (1, 2, 6)), ("aiff", "-b 24", (1, 2)),
    ("aifc", "-e float -b 32", (1, 2)), ("au", "-e u-law", (1, 2)), ("au", "-b 16", (1, 2, 6)),
    ("au", "-e float -b 32", (1, 2)), ("8svx", "-b 8", (1, 2)), ("paf", "-b 24", (1, 2)),
]
FFMPEG = [  # extension, codec, extra options, channel counts
    ("wav", "pcm_s16le", [], (1, 2, 6)), ("wav", "pcm_s24le", [], (1, 2)),
    ("wav", "pcm_f32le", [], (1, 2)), ("aiff", "pcm_s16be", [], (1, 2)),
    ("au", "pcm_s16be", [], (1, 2)),
] + [("wav", codec, ["-block_size", str(size)], (1, 2))
     for codec in ("adpcm_ima_wav", "adpcm_ms") for size in (256, 512, 1024, 2048, 4096, 8192)]
SNDFILE = ["-ima-adpcm", "-ms-adpcm", "-gsm610"]
RATES = (8000, 11025, 22050, 44100, 48000)


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, **kw)


def make_corpus(folder):
    files = []
    seconds = 1.37
    for rate in RATES:
        for ext, opts, channels in SOX:
            for ch in channels:
                if "gsm" in opts and rate != 8000:
                    continue
                path = folder / f"sox-{rate}-{ch}-{opts.replace(' ', '')}.{ext}"
                tones = [f"sine {300 + 97 * c}" for c in range(ch)]
                cmd = (["sox", "-R", "-r", str(rate), "-c", str(ch), "-n", *opts.split(), str(path),
                        "synth", str(seconds), *" ".join(tones).split(), "gain", "-2"])
                if run(cmd).returncode == 0:
                    files.append(path)
        for ext, codec, extra, channels in FFMPEG:
            for ch in channels:
                path = folder / f"ffmpeg-{rate}-{ch}-{codec}{''.join(extra)}.{ext}"
                expr = "|".join(f"0.7*sin(2*PI*{310 + 121 * c}*t)" for c in range(ch))
                cmd = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                       f"aevalsrc={expr}:s={rate}:d={seconds}", "-c:a", codec, *extra, str(path)]
                if run(cmd).returncode == 0:
                    files.append(path)
        for ch in (1, 2):
            source = folder / f"pcm-{rate}-{ch}.wav"
            run(["sox", "-R", "-r", str(rate), "-c", str(ch), "-n", "-b", "16", str(source),
                 "synth", str(seconds), *" ".join(f"sine {440 + 115 * c}" for c in range(ch)).split()])
            for codec in SNDFILE:
                if codec == "-gsm610" and (rate != 8000 or ch != 1):
                    continue
                path = folder / f"sndfile-{rate}-{ch}{codec}.wav"
                if run(["sndfile-convert", codec, str(source), str(path)]).returncode == 0:
                    files.append(path)
            source.unlink()
    return files


def riff_chunks(data):
    """(id, body offset, size) of each chunk after the RIFF header."""
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        yield cid, at + 8, size
        at += 8 + size + (size & 1)


def damaged(path):
    """Damaged copies of an ADPCM WAV file, as (name, bytes)."""
    data = path.read_bytes()
    chunks = {cid: (body, size) for cid, body, size in riff_chunks(data)}
    if b"fmt " not in chunks or b"data" not in chunks:
        return
    fmt, _ = chunks[b"fmt "]
    if struct.unpack_from("<H", data, fmt)[0] not in (2, 17):
        return
    body, size = chunks[b"data"]
    align = struct.unpack_from("<H", data, fmt + 12)[0]
    for k, at in enumerate(sorted({body + 3, body + align // 2, body + align + 5,
                                   body + size // 3, body + size - align // 3 - 1, body + size - 1})):
        yield f"cut{k}", data[:at]
    yield "stray-chunk", data + b"LIST\x0c\x00\x00\x00INFOabcdefgh"
    yield "odd-tail", data[:body + size - 1] + b"Z" + data[body + size:]
    per_block = struct.unpack_from("<H", data, fmt + 18)[0]
    for name, offset, form, value in (("align-1", 12, "<H", align - 1), ("align+1", 12, "<H", align + 1),
                                      ("align+8", 12, "<H", align + 8),
                                      ("per-block-1", 18, "<H", per_block - 1),
                                      ("per-block-2", 18, "<H", per_block - 2),
                                      ("rate", 4, "<I", 0x80000000)):
        out = bytearray(data)
        struct.pack_into(form, out, fmt + offset, value)
        yield name, bytes(out)
    # Another block size that the header states consistently, over the same bytes: blocks
    # that start where none did, stereo IMA blocks of partial groups of eight bytes among them.
    channels = struct.unpack_from("<H", data, fmt + 2)[0]
    ima = struct.unpack_from("<H", data, fmt)[0] == 17
    for new_align in (align - 1, align - 3, align - 5, 9 * channels + 3):
        per = (2 * (new_align - 4 * channels) // channels + 1 if ima
               else 2 * (new_align - 6 * channels) // channels)
        out = bytearray(data)
        struct.pack_into("<H", out, fmt + 12, new_align)
        struct.pack_into("<H", out, fmt + 18, per)
        yield f"realigned{new_align}", bytes(out)
    for block in (0, 1):
        for k, byte in ((2, 0xFF), (2, 89), (0, 0x80), (1, 7), (6, 0xFF), (3, 0xFF)):
            out = bytearray(data)
            if body + block * align + k < len(out):
                out[body + block * align + k] = byte
                yield f"block{block}-{k}-{byte}", bytes(out)


def outcome(cli, path, work, extra):
    out = work / "out.wav"
    if out.exists():
        out.unlink()
    r = run([cli, "convert", "--quiet", *extra, str(path), str(out)])
    data = out.read_bytes() if out.exists() else b""
    return r.returncode, r.stderr.replace(bytes(path), b"IN").replace(bytes(out), b"OUT"), data


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("before")
    ap.add_argument("after")
    ap.add_argument("--keep", help="write the corpus here and keep it")
    args = ap.parse_args()
    folder = Path(args.keep or tempfile.mkdtemp(prefix="orvex-compare-"))
    folder.mkdir(parents=True, exist_ok=True)
    work = folder / "work"
    work.mkdir(exist_ok=True)
    try:
        files = make_corpus(folder)
        written = len(files)
        for path in list(files):
            for name, data in damaged(path):
                copy = folder / f"{path.stem}-{name}.wav"
                copy.write_bytes(data)
                files.append(copy)
        differences = 0
        for path in files:
            checks = [("info", None)] + [("convert", extra) for extra in
                                         ([], ["--start", "0.31", "--length", "0.4"],
                                          ["--start", "777f"])]
            for what, extra in checks:
                if what == "info":
                    got = [run([cli, "info", "--json", str(path)]) for cli in (args.before, args.after)]
                    same = len({(r.returncode, r.stdout, r.stderr) for r in got}) == 1
                else:
                    got = [outcome(cli, path, work, extra) for cli in (args.before, args.after)]
                    same = got[0] == got[1]
                if not same:
                    differences += 1
                    print(f"DIFFERENT: {path.name} {what} {' '.join(extra or [])}")
        print(f"compare-builds: {len(files)} files ({written} written by sox, ffmpeg and "
              f"libsndfile, {len(files) - written} damaged copies), {4 * len(files)} runs each "
              f"build, {differences} differences")
        return 1 if differences else 0
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
