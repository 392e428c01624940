#!/bin/sh
# orvex-cli convert -t DIR INPUT...: every file written exactly as converting it alone would
# write it, on three threads; a refused file and one that ends early said as each would alone
# say it, while the others go on; nothing else left in the folder. A batch whose inputs would
# collide, or that cannot run as asked, is refused before anything is written.
# Usage: test_batch.sh ORVEX_CLI
set -u
. "$(dirname "$0")/sox_scratch.sh"

mkdir in out
i=0
while [ $i -lt 20 ]; do
    case $((i % 5)) in
    0) name="take $i.wav" options="-b 24" ;;
    1) name="take $i.aif" options="-b 16" ;;
    2) name="take $i.wav" options="-e floating-point -b 32" ;;
    3) name="take $i.wav" options="-e ima-adpcm" ;;
    4) name="take $i.au" options="-e u-law" ;;
    esac
    sox -D -r $((8000 + 1000 * i)) -n -c $((1 + i % 2)) $options "in/$name" \
        synth $((3000 + 97 * i))s sine 300 || fail "sox $name"
    i=$((i + 1))
done
sox -D -r 8000 -n -c 1 -b 16 in/short.aif synth 1000s sine 300 || fail "sox short.aif"
truncate -s $(($(offset SSND in/short.aif) + 22)) in/short.aif
printf 'not audio' >in/notes.txt

"$cli" convert -j 3 -t out in/* 2>err
[ $? -eq 1 ] || fail "a batch with a refused file: not status 1"
"$cli" convert in/notes.txt alone.wav 2>refused
"$cli" convert in/short.aif alone.wav 2>early
{ cat refused early | cmp -s - err || cat early refused | cmp -s - err; } ||
    fail "the batch said: $(cat err)"
for input in in/take*; do
    "$cli" convert "$input" alone.wav || fail "$input alone"
    name=${input#in/}
    cmp -s alone.wav "out/${name%.*}.wav" || fail "$input converts otherwise in the batch"
done
[ "$(ls out | wc -l)" -eq 21 ] || fail "out holds $(ls -A out)"

# Refused before anything is written: each collision named, a folder that is the inputs' own,
# or not a folder, or missing, and a count of jobs out of range.
rm -r out && mkdir out && cp "in/take 1.aif" "in/take 0.aif"
"$cli" convert -t out "in/take 0.wav" "in/take 0.aif" 2>err
[ $? -eq 2 ] && [ "$(cat err)" = "orvex-cli: in/take 0.wav and in/take 0.aif would both be \
written to out/take 0.wav" ] || fail "a collision: $(cat err)"
for args in "-t in in/take?2.wav" "-t in/take?1.aif in/take?2.wav" "--jobs=0 -t out in/take?0.wav" \
    "--jobs=257 -t out in/take?0.wav" "-j 256 -t nowhere in/take?0.wav"; do
    "$cli" convert $args 2>/dev/null
    [ $? -eq 2 ] || fail "convert $args: not a usage error"
done
[ -z "$(ls -A out)" ] || fail "a refused batch wrote $(ls -A out)"
echo "ok"
