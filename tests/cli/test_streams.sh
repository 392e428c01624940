#!/bin/sh
# The real orvex-cli writes the same bytes whichever way its input comes and its output goes:
# to a file, to standard output redirected to a file or into a pipe (whose header, written
# first, must carry the final sizes), and from standard input, a pipe or a file. A stream
# whose header leaves its size unstated, as writers into pipes do (an AU size of 0xFFFFFFFF, a
# WAV data size of 0xFFFFFFFF or 0), is read to its end with no warning. Standard output
# appended to, or a terminal, gets no WAV file; standard output carries nothing but WAV
# files, so a failure speaks on standard error alone; empty standard input is said to be;
# and a pipe cannot be normalised, which reads the input twice.
# Usage: test_streams.sh ORVEX_CLI
set -u
. "$(dirname "$0")/sox_scratch.sh"

sox -n -r 44100 -c 2 -b 24 in.aif synth 3000s sine 300 sine 450 || fail "sox"
"$cli" convert in.aif file.wav || fail "file to file"
"$cli" convert in.aif - >piped.wav || fail "file to standard output"
cat in.aif | "$cli" convert - stdin.wav || fail "a pipe to a file"
"$cli" convert - redirected.wav <in.aif || fail "standard input to a file"
"$cli" convert in.aif - | cat >pipe.wav || fail "file into a pipe"
for name in piped stdin redirected pipe; do
    cmp -s file.wav "$name.wav" || fail "$name.wav differs from file to file"
done

# Puts the four bytes $2 (octal escapes) at offset $3 of a copy of $1 named unsized.
unsize() {
    cp "$1" unsized && printf "$2" | dd of=unsized bs=1 seek="$3" conv=notrunc 2>/dev/null
}
sox -n -r 8000 -c 1 -b 16 in.au synth 9001s sine 300 || fail "sox"
sox -n -r 8000 -c 2 -e floating-point -b 32 float.wav synth 999s sine 300 || fail "sox"
data=$(offset data float.wav)
for case in "in.au \377\377\377\377 8" "float.wav \377\377\377\377 $((data + 4))" \
    "float.wav \0\0\0\0 $((data + 4))"; do
    set -- $case
    unsize "$1" "$2" "$3"
    "$cli" convert "$1" whole.wav || fail "$1 did not convert"
    cat unsized | "$cli" convert - streamed.wav 2>err || fail "$case: the stream did not convert"
    cmp -s whole.wav streamed.wav || fail "$case: the stream converts otherwise"
    [ ! -s err ] || fail "$case: the stream was warned of: $(cat err)"
done

# Normalising reads the input twice, which a pipe cannot give: refused, nothing written.
cat in.aif | "$cli" convert --normalize - normalised.wav 2>err && fail "a pipe was normalised"
grep -q '(code 9)' err || fail "normalising a pipe: $(cat err)"
[ ! -e normalised.wav ] || fail "normalising a pipe left a file"

printf kept >log
"$cli" convert in.aif - >>log 2>/dev/null && fail "appended standard output was written to"
[ "$(cat log)" = kept ] || fail "appended standard output changed"
script -qec "'$cli' convert in.aif -" /dev/null >tty && fail "a terminal was written to"
size=$(wc -c <tty)
[ "$size" -gt 0 ] && [ "$size" -lt 1000 ] || fail "a terminal got $size bytes, not a sentence"
"$cli" convert in.aif /nonexistent/o.wav >out 2>/dev/null && fail "a missing folder worked"
[ ! -s out ] || fail "a failure wrote to standard output"
printf '' | "$cli" info - 2>&1 | grep -q 'input is empty' || fail "empty input not said"
printf x | "$cli" info - 2>&1 | grep -q 'not an audio file' || fail "a byte said to be empty"
echo "ok"
