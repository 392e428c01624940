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
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/window_driving.sh"
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/share.wav"
input="$work/take two.wav"
output="$work/for vandrel.wav"
sox -n -r 22050 -c 1 -b 16 "$input" synth 0.3 sine 440 || fail "sox could not make the input"

start_display

"$orvex" "first" "second" "$output" "fourth" >/dev/null 2>&1 &
app_pid=$!
wait_for 20 xdotool search --name '^Vandrel File Importer$' || fail "the window did not appear"
sleep 0.5

pick "$work/share.wav" Tab space
wait_for 10 sh -c "grep -qE 'fifo_open|wait_for_partner' /proc/$app_pid/task/*/wchan" \
    || fail "no thread of orvex waits to open the FIFO"
# Back on "...", which opens the picker again: the window answers.
pick "$input" space
keys_to_window Tab Tab Tab space
wait_for 30 sh -c "! kill -0 $app_pid" || fail "orvex did not end after Convert and Go"
wait "$app_pid"
app_pid=""
"$cli" convert "$input" "$work/by cli.wav" || fail "orvex-cli could not convert the input"
cmp "$output" "$work/by cli.wav" || fail "the window's WAV differs from orvex-cli's"
echo "ok: the window answered and ended while a thread waited on the FIFO"
