#!/bin/sh
# A part of a GSM 6.10 file, whose frames each depend on all before them and which is
# therefore read from its start, converts to the same bytes as the same part of a plain
# 16-bit twin that can be read from anywhere: with no level, normalised (the part's own peak,
# measured on a first pass that must skip to the part too), with a gain and dither, and from a
# pipe. The file is loud in its first half and quiet in its second, so a peak or a start
# taken from the wrong frames shows. The twin is orvex-cli's own plain conversion, which the
# C++ suite checks against libsndfile's reading.
# Usage: test_unseekable_parts.sh ORVEX_CLI
set -u
. "$(dirname "$0")/sox_scratch.sh"

sox -n -r 8000 -c 1 -b 16 loud.wav synth 2 sine 440 vol 0.9 || fail "sox"
sox -n -r 8000 -c 1 -b 16 quiet.wav synth 2 sine 300 vol 0.3 || fail "sox"
sox loud.wav quiet.wav both.wav && sox both.wav -e gsm-full-rate gsm.wav || fail "sox"
"$cli" info gsm.wav | grep -q "^Encoding: GSM 6.10$" || fail "sox did not write GSM 6.10"
"$cli" convert -q gsm.wav twin.wav || fail "the whole file did not convert"

checked=0
for part in "--start 2.5 --end 3.5" "--start 1.5 --length 1" "--start 20000f"; do
    for level in "" "--normalize" "--normalize=-6 --dither" "--gain 4.5 --dither" "--gain -3"; do
        # shellcheck disable=SC2086 # the options are words
        "$cli" convert -q $level $part gsm.wav from-gsm.wav || fail "GSM $level $part"
        # shellcheck disable=SC2086
        "$cli" convert -q $level $part twin.wav from-twin.wav || fail "twin $level $part"
        cmp -s from-gsm.wav from-twin.wav || fail "GSM and its twin differ with $level $part"
        checked=$((checked + 1))
    done
    # A pipe can be read once: the part is found by reading up to it.
    # shellcheck disable=SC2086
    "$cli" convert -q $part - from-pipe.wav <gsm.wav || fail "GSM from a pipe, $part"
    # shellcheck disable=SC2086
    "$cli" convert -q $part twin.wav from-twin.wav || fail "twin $part"
    cmp -s from-pipe.wav from-twin.wav || fail "GSM from a pipe and its twin differ with $part"
done
echo "ok: $checked parts and levels, and 3 parts from a pipe, as from the twin"
