#!/bin/sh
# Runs the real orvex as Vandrel does, under a virtual X server, and drives it as a person
# would: keyboard only, since the window's buttons are not X windows of their own. Focus
# starts on Cancel; Tab Tab reaches "...", whose picker takes a typed path; back on "...",
# Tab reaches "Convert and Go". The WAV at the third parameter must then exist, equal what
# orvex-cli writes, and the program must have ended.
# Usage: test_orvex_window.sh ORVEX ORVEX_CLI
set -u
orvex=$1
cli=$2
for tool in Xvfb xdotool sox; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/orvex-window-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/app.log" 2>/dev/null; exit 1; }

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
    limit=$1; shift
    i=0
    while ! "$@" >/dev/null 2>&1; do
        i=$((i + 1))
        [ "$i" -le $((limit * 10)) ] || return 1
        sleep 0.1
    done
}

input="$work/take one.wav"
output="$work/for vandrel.wav"
sox -n -r 22050 -c 2 -b 24 "$input" synth 0.5 sine 300 sine 450 || fail "sox could not make the input"

# A display of our own: Xvfb picks a free number and writes it to the pipe.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"

"$orvex" "first" "second" "$output" "fourth" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --name '^Vandrel File Importer$' || fail "the window did not appear"
sleep 0.5

xdotool key Tab Tab space
wait_for 20 xdotool search --name '^Open$' || fail "the open picker did not appear"
sleep 0.5
xdotool type --delay 10 "$input"
xdotool key Return
wait_for 20 sh -c "! xdotool search --name '^Open\$'" || fail "the picker did not close"
sleep 0.5

xdotool key Tab space
wait_for 30 sh -c "! kill -0 $app_pid" || fail "orvex did not end after Convert and Go"
wait "$app_pid"
app_pid=""

[ -f "$output" ] || fail "no WAV at the host's path"
"$cli" convert "$input" "$work/by cli.wav" || fail "orvex-cli could not convert the input"
cmp "$output" "$work/by cli.wav" || fail "the window's WAV differs from orvex-cli's"
# The program keeps no settings, not even the ones Qt's file picker would.
[ -z "$(ls -A "$work/config" 2>/dev/null)" ] || fail "settings were written: $(ls -A "$work/config")"
echo "ok: $(wc -c <"$output") bytes written where the host asked"
