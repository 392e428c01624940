#!/bin/sh
# What the real orvex-cli says, and its exit status: its version and help; a usage error (2,
# and the usage on standard error) for every command line it cannot take; after "--" a name
# that starts with a dash is a file; a single clipped sample is said, and --quiet says
# nothing; a file shorter than its header says is described and converted as far as it goes,
# and said to be, also where its header claims more than a WAV file could hold; --json gives
# durations without trailing zeros. info describes each file in a block, headed by its name
# where there are several, and goes on past a file it refuses; --json gives one object a file,
# a refused one with its code, message and hint.
# Usage: test_messages.sh ORVEX_CLI
set -u
. "$(dirname "$0")/sox_scratch.sh"

# The bytes of a little-endian value of $2 bytes.
le() { n=$1; i=0; while [ $i -lt "$2" ]; do printf "\\$(printf %o $((n & 255)))"; n=$((n >> 8)); i=$((i + 1)); done; }

[ "$("$cli" --version)" = "orvex-cli 1.0.0.1" ] || fail "version: $("$cli" --version)"
"$cli" --help | grep -qF 'info [--json] FILE...' || fail "the help has no info line"
for args in "" frobnicate info "info --xml a" "convert a" "convert a b c" "convert '' b"; do
    eval "set -- $args"
    "$cli" "$@" 2>err
    status=$?
    [ $status -eq 2 ] && grep -q 'usage:' err || fail "'$args': status $status, $(cat err)"
done
"$cli" info -- -nonexistent 2>err
printf '%s\n' "orvex-cli: -nonexistent: Could not open file. (code 2)" \
    "orvex-cli: -nonexistent: -nonexistent does not exist." | cmp -s - err ||
    fail "after --: $(cat err)"

# Three floats, 2, -1 and 0.5, of which the first clips.
{ printf RIFF; le 48 4; printf 'WAVEfmt '; le 16 4; le 3 2; le 1 2; le 8000 4; le 32000 4
  le 4 2; le 32 2; printf data; le 12 4; le 1073741824 4; le 3212836864 4; le 1056964608 4
} >f.wav
"$cli" convert f.wav o.wav 2>err || fail "the clipping float did not convert: $(cat err)"
head -n 1 err | grep -q '^orvex-cli: f.wav: 1 sample' || fail "one clipped sample: $(cat err)"
"$cli" convert --quiet f.wav o.wav 2>err && [ ! -s err ] || fail "--quiet said $(cat err)"

# 1,000 frames promised, 3 held; and an AIFF file of one frame whose header promises
# 2,147,483,647.
sox -D -r 8000 -n -c 1 -b 16 cut.wav synth 1000s sine 300 || fail "sox"
data=$(offset data cut.wav)
truncate -s $((data + 14)) cut.wav
sox -D -r 44100 -n -c 2 -b 16 long.aif synth 1s sine 300 || fail "sox"
comm=$(offset COMM long.aif)
printf '\177\377\377\377' | dd of=long.aif bs=1 seek=$((comm + 10)) conv=notrunc 2>/dev/null
"$cli" info cut.wav >out 2>err || fail "cut.wav was not described"
grep -q '^Number of Samples: 3$' out || fail "cut.wav: $(cat out)"
[ "$(cat err)" = "orvex-cli: cut.wav: the file ends early: it holds 3 of the 1,000 frames its \
header promises" ] || fail "cut.wav described: $(cat err)"
for case in "cut.wav 3 of 1,000" "long.aif 1 of 2,147,483,647"; do
    set -- $case
    "$cli" convert "$1" o.wav 2>err || fail "$1 did not convert"
    [ "$(cat err)" = "orvex-cli: $1: the file ends early: $2 $3 $4 frames were converted" ] ||
        fail "$1 converted: $(cat err)"
done

# --json gives the duration in seconds to the millisecond, with no trailing zeros.
for case in "4000s 0.5" "960s 0.12" "8008s 1.001" "8000s 1" "1s 0"; do
    set -- $case
    sox -D -r 8000 -n -c 1 -b 16 d.wav synth "$1" sine 300 || fail "sox"
    "$cli" info --json d.wav | grep -q "\"seconds\":$2}" || fail "$1: $("$cli" info --json d.wav)"
done

sox -D -r 44100 -n -c 2 -b 16 a.wav synth 3s sine 300 || fail "sox"
{ printf 'dns.'; le 24 4; le 6 4; le 3 4; le 1 4; le 1 4; le 1 2; le 2 2; le 3 2; } >le.au # 3 s
printf 'not audio at all' >x.bin
block="Format: WAV
Sample Rate: 44100
Number of Samples: 3
Channels: 2
Bit Width: 16
Encoding: 16-bit PCM
Duration: 0:00.000"
[ "$("$cli" info a.wav)" = "$block" ] || fail "info a.wav: $("$cli" info a.wav)"
"$cli" info a.wav x.bin a.wav >out 2>err
[ $? -eq 1 ] || fail "a refused file among others: not status 1"
[ "$(cat out)" = "==> a.wav <==
$block

==> a.wav <==
$block" ] || fail "info of several: $(cat out)"
refused="Error while opening RAW file for read. Must specify format, pcmbitwidth and channels."
hint=$(sed -n 2p err | sed 's/^orvex-cli: x.bin: //')
[ "$(sed -n 1p err)" = "orvex-cli: x.bin: $refused (code 51)" ] &&
    case $hint in "x.bin is not an audio file that Orvex recognises. Orvex reads "*" files.") ;;
    *) false ;; esac || fail "x.bin refused: $(cat err)"
"$cli" info --json a.wav le.au x.bin >out 2>/dev/null
[ $? -eq 1 ] || fail "--json with a refused file: not status 1"
cat >want <<END
{"path":"a.wav","format":"WAV","sampleRate":44100,"samples":3,"channels":2,"bitWidth":16,"kind":"WAV","encoding":"PCM","encodingName":"16-bit PCM","seconds":0}
{"path":"le.au","format":"DEC AU","sampleRate":1,"samples":3,"channels":1,"bitWidth":16,"kind":"AULE","encoding":"PCM","encodingName":"16-bit PCM","seconds":3}
{"path":"x.bin","error":51,"message":"$refused","detected":null,"hint":"$hint"}
END
cmp -s out want || fail "--json: $(diff want out)"
echo "ok"
