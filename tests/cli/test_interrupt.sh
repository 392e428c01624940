#!/bin/sh
# Interrupts orvex-cli half-way through converting a large file, as a user's Ctrl-C, a
# shutdown's SIGTERM, a closed terminal's SIGHUP or an out-of-memory SIGKILL would, and
# checks that the folder holds exactly what it held before: the earlier output whole and no
# temporary file. Then again where unnamed temporary files cannot be had (no /proc to reach
# them by, as in some containers), so that the named one must be removed by the signal
# handlers; that part needs the right to make a mount namespace, and is skipped without it.
# Last, a batch interrupted with two conversions in flight keeps the file it finished and, on
# a terminal, says how many it had finished; and a batch of 70 at once, where only named
# temporary files can be had, leaves none of them.
# Usage: test_interrupt.sh ORVEX_CLI
set -u
cli=$1
work=$(mktemp -d /tmp/orvex-interrupt-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# 60 MB of GSM 6.10, which libsndfile decodes for many seconds: a header, then zeros.
printf 'RIFF\370\377\277\003WAVEfmt \024\000\000\000\061\000\001\000\100\037\000\000\131\006\000\000\101\000\000\000\002\000\100\001data\320\377\277\003' >"$work/big.wav"
truncate -s 60M "$work/big.wav"
printf 'the earlier take' >"$work/out.wav"
before=$(find "$work" -mindepth 1 -printf "%P %s %m\n" | sort)

named=""
unshare -m sh -c 'mount -t tmpfs none /proc' 2>/dev/null && named="named"
for run in "unnamed TERM" "unnamed INT" "unnamed HUP" "unnamed KILL" \
           ${named:+"named TERM" "named INT" "named HUP"}; do
    signal=${run#* }
    # A background job starts with SIGINT ignored; a user's Ctrl-C reaches a foreground one.
    if [ "${run% *}" = named ]; then
        unshare -m sh -c 'mount -t tmpfs none /proc && exec env --default-signal=INT "$0" convert "$1" "$2"' \
            "$cli" "$work/big.wav" "$work/out.wav" &
    else
        env --default-signal=INT "$cli" convert "$work/big.wav" "$work/out.wav" &
    fi
    pid=$!
    # Half-way: the conversion's output, whatever its name, holds a few megabytes.
    i=0
    while :; do
        size=0
        for fd in /proc/$pid/fd/*; do
            case $(readlink "$fd" 2>/dev/null) in
            "$work"/*big.wav) ;;
            "$work"/*) size=$(stat -L -c %s "$fd" 2>/dev/null || echo 0) ;;
            esac
        done
        [ "$size" -gt 4000000 ] && break
        i=$((i + 1))
        [ $i -lt 300 ] || fail "$run: the conversion did not get under way"
        kill -0 $pid 2>/dev/null || fail "$run: the conversion ended before it was interrupted"
        sleep 0.02
    done
    kill -s "$signal" $pid
    wait $pid
    status=$?
    [ $status -gt 128 ] || fail "$run: orvex-cli ended with $status, not by the signal"
    after=$(find "$work" -mindepth 1 -printf "%P %s %m\n" | sort)
    [ "$before" = "$after" ] || fail "$run: the folder changed: $(ls -la "$work")"
    [ "$(cat "$work/out.wav")" = "the earlier take" ] || fail "$run: the earlier output changed"
done

# A batch: a short 16-bit file converts first, then both large ones are in flight at Ctrl-C.
mkdir "$work/in" "$work/out"
printf 'RIFF\054\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\100\037\000\000\200\076\000\000\002\000\020\000data\010\000\000\000\001\000\002\000\003\000\004\000' >"$work/in/a.wav"
ln "$work/big.wav" "$work/in/b.wav" && ln "$work/big.wav" "$work/in/c.wav"
"$cli" convert "$work/in/a.wav" "$work/alone.wav" || fail "batch: the short file alone failed"
env --default-signal=INT "$cli" convert -j 2 -t "$work/out" "$work/in/a.wav" "$work/in/b.wav" "$work/in/c.wav" &
pid=$!
i=0
until [ -e "$work/out/a.wav" ] && [ "$(ls /proc/$pid/fd 2>/dev/null | wc -l)" -ge 7 ]; do
    i=$((i + 1))
    [ $i -lt 300 ] || fail "batch: the conversions did not get under way"
    sleep 0.02
done
kill -s INT $pid
wait $pid
status=$?
[ $status -gt 128 ] || fail "batch: orvex-cli ended with $status, not by the signal"
[ "$(ls -A "$work/out")" = a.wav ] || fail "batch: the folder holds $(ls -A "$work/out")"
cmp -s "$work/out/a.wav" "$work/alone.wav" || fail "batch: the finished file differs from its lone conversion"

# The same on a terminal (script gives it one): the last line says what was finished.
if command -v script >/dev/null 2>&1; then
    rm -f "$work/out/a.wav"
    script -qec "exec env --default-signal=INT $cli convert -j 1 -t $work/out $work/in/a.wav $work/in/b.wav $work/in/c.wav" \
        "$work/tty.log" >/dev/null 2>&1 &
    i=0
    until [ -e "$work/out/a.wav" ] && pid=$(pgrep -n -f "convert -j 1 -t $work/out"); do
        i=$((i + 1))
        [ $i -lt 300 ] || fail "terminal: the batch did not get under way"
        sleep 0.02
    done
    sleep 0.2
    kill -s INT "$pid"
    wait
    grep -q "Interrupted: 1 of 3 files were converted before it." "$work/tty.log" ||
        fail "terminal: no word of what was finished: $(cat "$work/tty.log")"
fi

# Seventy at once, with named temporary files only: every one of them goes.
if [ -n "$named" ]; then
    mkdir "$work/wide" "$work/wideout"
    for i in $(seq 70); do ln "$work/big.wav" "$work/wide/$i.wav"; done
    unshare -m sh -c 'mount -t tmpfs none /proc && exec env --default-signal=INT "$0" convert -j 70 -t "$1" "$2"/*.wav' \
        "$cli" "$work/wideout" "$work/wide" >/dev/null 2>&1 &
    pid=$!
    i=0
    until [ "$(ls -A "$work/wideout" | wc -l)" -ge 70 ]; do
        i=$((i + 1))
        [ $i -lt 500 ] || fail "70 at once: only $(ls -A "$work/wideout" | wc -l) got under way"
        sleep 0.02
    done
    kill -s INT $pid
    wait $pid
    [ -z "$(ls -A "$work/wideout")" ] || fail "70 at once: left $(ls -A "$work/wideout" | wc -l) files"
fi
echo "ok: interrupted half-way, the folder is as it was (${named:-unnamed only: no mount namespace})"
