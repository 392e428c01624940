#!/bin/sh
# A path that never answers (a FIFO nobody writes to, as a hung network share) picked in the
# real orvex under a virtual X server: a thread of orvex waits in open() on it, and the window
# stays usable. The same keys as a user's pick another file, and "Convert and Go" writes it
# where the host asked, as orvex-cli would, and the program ends although that thread still
# waits.
# Usage: test_orvex_hung_path.sh ORVEX ORVEX_CLI
set -u
orvex=$1
cli=$2
for tool in Xvfb xdotool sox; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/orvex-hung-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
wait_for() {
    limit=$1; shift
    i=0
    while ! "$@" >/dev/null 2>&1; do
        i=$((i + 1))
        [ "$i" -le $((limit * 10)) ] || return 1
        sleep 0.1
    done
}
# Picks $1 in the open picker, reached with the keys in $2.
pick() {
    # shellcheck disable=SC2086
    xdotool key --delay 50 $2
    wait_for 20 xdotool search --name '^Open$' || fail "the open picker did not appear"
    sleep 0.5
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_for 20 sh -c "! xdotool search --name '^Open\$'" || fail "the picker did not close"
    sleep 0.5
}

mkfifo "$work/share.wav"
input="$work/take two.wav"
output="$work/for vandrel.wav"
sox -n -r 22050 -c 1 -b 16 "$input" synth 0.3 sine 440 || fail "sox could not make the input"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"

"$orvex" "first" "second" "$output" "fourth" >/dev/null 2>&1 &
app_pid=$!
wait_for 20 xdotool search --name '^Vandrel File Importer$' || fail "the window did not appear"
sleep 0.5

pick "$work/share.wav" "Tab Tab space"
wait_for 10 sh -c "grep -qE 'fifo_open|wait_for_partner' /proc/$app_pid/task/*/wchan" \
    || fail "no thread of orvex waits to open the FIFO"
# Back on "...", which opens the picker again: the window answers.
pick "$input" "space"
xdotool key Tab space
wait_for 30 sh -c "! kill -0 $app_pid" || fail "orvex did not end after Convert and Go"
wait "$app_pid"
app_pid=""
"$cli" convert "$input" "$work/by cli.wav" || fail "orvex-cli could not convert the input"
cmp "$output" "$work/by cli.wav" || fail "the window's WAV differs from orvex-cli's"
echo "ok: the window answered and ended while a thread waited on the FIFO"
