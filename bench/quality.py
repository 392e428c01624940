#!/usr/bin/python3
"""Quality benchmark: what bringing 24 bits to 16 does to a quiet tone, per converter.

What it measures
  A 997 Hz tone at -70 dBFS, 24-bit, 48 kHz, made here with numpy, is brought to 16 bits by
      orvex-cli convert IN OUT                  (truncation toward zero)
      orvex-cli convert --dither IN OUT         (triangular dither, rounding)
      sndfile-convert -pcm16 IN OUT             (rounding)
      ffmpeg -i IN -c:a pcm_s16le OUT           (rounding)
      sox IN -b 16 OUT                          (sox's default triangular dither)
  and of each output, 65,536 samples from the middle are taken:
    worst harmonic   the strongest of the tone's harmonics (2 x 997 Hz up to 24 kHz) in the
                     spectrum of the output (numpy's FFT, Blackman window), in dBFS: a full-
                     scale sine is 0 dBFS. A component's level is the largest bin within the
                     window's main lobe (3 bins either side), over the window's gain.
    error power      the mean square of what the converter changed (the output less the input
                     at 16-bit scale), in dBFS relative to a step of 1/32768 at full scale.
                     Triangular dither of +-1 step with rounding gives 1/12 + 1/6 of a step
                     squared: -96.3 dBFS, the theory the targets use.
  Then a tone at -100 dBFS, a third of a 16-bit step, through the same converters: its level in
  each output. Truncation and rounding leave silence; dither keeps it, under noise.

Targets (orvex-cli --dither): no harmonic above -125 dBFS; error power within 0.5 dB of
-96.3 dBFS; the -100 dBFS tone at its level within 1 dB.

--shaping measures instead what noise shaping would bring, with sox's shaped dithers for
the -70 dBFS tone at 44.1 and 48 kHz: the error power in all, in 1 to 5 kHz (where the ear
hears best), A-weighted, and above 15 kHz, against orvex-cli --dither's flat triangular
dither.

Run
  make bench-quality                        (builds orvex-cli, then this)
  /usr/bin/python3 bench/quality.py --cli build/default/cli/orvex-cli
Needs numpy (python3-numpy), sox, sndfile-convert (sndfile-programs) and ffmpeg.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parent.parent
RATE, TONE_HZ, SECONDS = 48000, 997.0, 3
N = 65536  # samples analysed, from the middle
LOBE = 3  # bins either side of a component: the Blackman window's main lobe
THEORY_DBFS = 10 * np.log10(0.25 / 32768**2)  # 1/12 (rounding) + 1/6 (dither) of a step^2
HARMONIC_LIMIT, POWER_SLACK, QUIET_SLACK = -125.0, 0.5, 1.0


def write_tone(path, dbfs, rate=RATE):
    """A 24-bit mono WAV of the tone at `dbfs` (its peak against full scale), rounded to 24 bits."""
    t = np.arange(SECONDS * rate) / rate
    values = np.round(2**23 * 10 ** (dbfs / 20) * np.sin(2 * np.pi * TONE_HZ * t)).astype("<i4")
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(3)
        w.setframerate(rate)
        w.writeframes(values.view(np.uint8).reshape(-1, 4)[:, :3].tobytes())
    return values / 256.0  # at 16-bit scale


def read16(path):
    with wave.open(str(path)) as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 1:
            raise ValueError(f"{path} is not 16-bit mono")
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64)


def middle(x):
    start = (len(x) - N) // 2
    return x[start:start + N]


def level_at(spectrum, window, hz):
    """The level (dBFS) of a sine at `hz`: the largest bin of the main lobe around it."""
    k = int(round(hz * N / RATE))
    amplitude = np.max(np.abs(spectrum[max(k - LOBE, 0):k + LOBE + 1])) / (np.sum(window) / 2)
    return 20 * np.log10(max(amplitude, 1e-12) / 32768)


def measure(out16, in16):
    window = np.blackman(N)
    spectrum = np.fft.rfft(middle(out16) * window)
    harmonics = [level_at(spectrum, window, h * TONE_HZ)
                 for h in range(2, int(RATE / 2 / TONE_HZ) + 1)]
    error = middle(out16) - middle(in16)
    power = 10 * np.log10(max(np.mean(error**2), 1e-30) / 32768**2)
    return max(harmonics), power, level_at(spectrum, window, TONE_HZ)


def a_weight(f):
    """IEC 61672's A-weighting as an amplitude factor, 1 at 1 kHz."""
    f2 = f * f
    ra = 12194**2 * f2**2 / ((f2 + 20.6**2) * np.sqrt((f2 + 107.7**2) * (f2 + 737.9**2))
                             * (f2 + 12194**2))
    return ra * 10 ** (2.0 / 20)


def shaping(cli, work):
    """The error's power by band, flat triangular dither against sox's noise shaping."""
    tools = {"orvex-cli --dither": [cli, "convert", "--dither", "IN", "OUT"],
             "sox dither (flat)": ["sox", "-R", "IN", "-b", "16", "OUT", "dither"]}
    for shape in ("shibata", "lipshitz", "improved-e-weighted"):
        tools[f"sox dither -f {shape}"] = ["sox", "-R", "IN", "-b", "16", "OUT", "dither",
                                           "-f", shape]
    for rate in (44100, 48000):
        in16 = write_tone(work / "tone.wav", -70, rate)
        print(f"\n== error power by band at {rate} Hz, dBFS ==")
        print(f"{'converter':<38}{'all':>7}{'1-5 kHz':>9}{'A-wtd':>8}{'>15 kHz':>9}")
        for name, argv in tools.items():
            subprocess.run([{"IN": str(work / "tone.wav"), "OUT": str(work / "out.wav")}.get(a, a)
                            for a in argv], check=True, stderr=subprocess.DEVNULL)
            window = np.hanning(N)
            error = middle(read16(work / "out.wav")) - middle(in16)
            power = np.abs(np.fft.rfft(error * window)) ** 2 * 2 / (N * np.sum(window**2))
            f = np.fft.rfftfreq(N, 1 / rate)
            bands = [power.sum(), power[(f >= 1000) & (f <= 5000)].sum(),
                     (power * a_weight(f) ** 2).sum(), power[f >= 15000].sum()]
            print(f"{name:<38}" + "".join(f"{10 * np.log10(b / 32768**2):>8.1f}" for b in bands))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--cli", default=str(ROOT / "build/default/cli/orvex-cli"))
    ap.add_argument("--shaping", action="store_true", help="noise shaping's effect, by band")
    args = ap.parse_args()
    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        sys.exit(f"quality: {cli} is not an executable; build it first (make bench-quality)")
    if args.shaping:
        work = Path(tempfile.mkdtemp(prefix="orvex-quality-"))
        try:
            shaping(cli, work)
        finally:
            shutil.rmtree(work, ignore_errors=True)
        return
    tools = {
        "orvex-cli convert (truncation)": [cli, "convert", "IN", "OUT"],
        "orvex-cli convert --dither": [cli, "convert", "--dither", "IN", "OUT"],
        "sndfile-convert -pcm16": ["sndfile-convert", "-pcm16", "IN", "OUT"],
        "ffmpeg pcm_s16le": ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", "IN",
                             "-c:a", "pcm_s16le", "OUT"],
        "sox -b 16 (its dither)": ["sox", "IN", "-b", "16", "OUT"],
    }
    for name, argv in list(tools.items()):
        if argv[0] != cli and not shutil.which(argv[0]):
            print(f"quality: {argv[0]} not found; {name} is left out")
            del tools[name]
    work = Path(tempfile.mkdtemp(prefix="orvex-quality-"))
    results = {}
    try:
        for dbfs in (-70, -100):
            source = work / f"tone{-dbfs}.wav"
            in16 = write_tone(source, dbfs)
            for name, argv in tools.items():
                out = work / "out.wav"
                subprocess.run([{"IN": str(source), "OUT": str(out)}.get(a, a) for a in argv],
                               check=True, stdin=subprocess.DEVNULL)
                results[name, dbfs] = measure(read16(out), in16)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"== 997 Hz at -70 dBFS, 24-bit {RATE} Hz, to 16 bits: {N} samples, Blackman window ==")
    print(f"{'converter':<34}{'worst harmonic':>15}{'error power':>13}{'-100 dBFS tone':>16}")
    for name in tools:
        harmonic, power, _ = results[name, -70]
        quiet = results[name, -100][2]
        shown = f"{quiet:.1f}" if quiet > -130 else "gone"
        print(f"{name:<34}{harmonic:>15.1f}{power:>13.1f}{shown:>16}")
    print(f"(dBFS; triangular dither's theory: error power {THEORY_DBFS:.1f})")

    name = "orvex-cli convert --dither"
    harmonic, power, _ = results[name, -70]
    quiet = results[name, -100][2]
    rows = [(f"worst harmonic <= {HARMONIC_LIMIT:.0f}", harmonic, harmonic <= HARMONIC_LIMIT),
            (f"error power within {POWER_SLACK} dB of {THEORY_DBFS:.1f}", power,
             abs(power - THEORY_DBFS) <= POWER_SLACK),
            (f"-100 dBFS tone within {QUIET_SLACK:.0f} dB", quiet,
             abs(quiet + 100) <= QUIET_SLACK)]
    print("\n== Targets (orvex-cli --dither) ==")
    for what, value, met in rows:
        print(f"{what:<44}{value:>8.2f}   {'met' if met else 'NOT met'}")
    print(f"{sum(r[2] for r in rows)} of {len(rows)} targets met")


if __name__ == "__main__":
    main()
