#!/bin/sh
# Runs the real orvex as Vandrel does, under a virtual X server, and drives it as a person
# would: keyboard only, since the window's buttons are not X windows of their own. Focus
# starts in the path box, where a typed path and Enter press no button; Tab reaches "...",
# whose picker takes a typed path; back on "...", Tab past Cancel and Save As WAV reaches
# "Convert and Go". The WAV at the third parameter must then exist, equal what orvex-cli
# writes, and the program must have ended. First, --help, -h and --version answer without a
# display, and end well.
# Usage: test_orvex_window.sh ORVEX ORVEX_CLI
set -u
orvex=$1
cli=$2
for tool in Xvfb xdotool sox; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/orvex-window-XXXXXX)
fail() { echo "FAIL: $*"; cat "$work/app.log" 2>/dev/null; exit 1; }
. "$(dirname "$0")/window_driving.sh"
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Help and version need no display: each spelling answers and ends.
for flag in --help -h; do
    "$orvex" $flag >"$work/said" && grep -q "^usage: orvex FIRST SECOND OUTPUT FOURTH" "$work/said" ||
        fail "no usage, or a failure, for $flag"
done
"$orvex" --version >"$work/said" && grep -q "^orvex [0-9]" "$work/said" || fail "no version"

input="$work/take one.wav"
output="$work/for vandrel.wav"
sox -n -r 22050 -c 2 -b 24 "$input" synth 0.5 sine 300 sine 450 || fail "sox could not make the input"

start_display

"$orvex" "first" "second" "$output" "fourth" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --name '^Vandrel File Importer$' || fail "the window did not appear"
sleep 0.5

# A path typed in the box and ended with Enter, or the keypad's Enter, is taken as picked and
# presses no button, even after the focus passed Convert and Go and came back: the window
# stays, writes nothing and opens nothing else.
keys_to_window Tab Tab Tab Tab shift+Tab shift+Tab shift+Tab shift+Tab
xdotool type --delay 10 "$input"
for key in Return KP_Enter; do
    keys_to_window "$key"
    sleep 1
    kill -0 "$app_pid" 2>/dev/null || fail "$key in the path box ended the window"
    [ ! -e "$output" ] || fail "$key in the path box wrote the output"
    others=$(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null \
             | grep -v '^Vandrel File Importer$')
    [ -z "$others" ] || fail "$key in the path box opened: $others"
done

pick "$input" Tab space
keys_to_window Tab Tab Tab space
wait_for 30 sh -c "! kill -0 $app_pid" || fail "orvex did not end after Convert and Go"
wait "$app_pid"
app_pid=""

[ -f "$output" ] || fail "no WAV at the host's path"
"$cli" convert "$input" "$work/by cli.wav" || fail "orvex-cli could not convert the input"
cmp "$output" "$work/by cli.wav" || fail "the window's WAV differs from orvex-cli's"
# A window nobody resized remembers nothing, and Qt's file picker keeps no settings either.
[ -z "$(ls -A "$work/config" 2>/dev/null)" ] || fail "settings were written: $(ls -A "$work/config")"
echo "ok: $(wc -c <"$output") bytes written where the host asked"
