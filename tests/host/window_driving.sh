# Shared by the shell tests that drive the real orvex under a virtual X server: sourced,
# after the test has set $work (its scratch folder) and defined fail().
#
# There is no window manager: nothing gives a new window the keyboard focus, so the keys
# would go wherever the pointer happens to be. Every step that types first focuses the
# window meant to take the keys, and waits until the X server has done it.

xvfb_pid=""
app_pid=""

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

# A display of our own: Xvfb picks a free number and writes it to the pipe. -noreset keeps
# it taking clients after the last one leaves.
start_display() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
    # Only DISPLAY names the window system, as a desktop session starts programs.
    export DISPLAY=":$(cat "$work/display")"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
}

# Gives the keyboard to the window titled exactly $1. A window that had it when its picker
# closed may not hear that it is active again, so the focus goes by way of the root window.
focus() {
    xdotool search --maxdepth 0 --name '' windowfocus --sync >/dev/null 2>&1
    xdotool search --name "^$1\$" windowfocus --sync >/dev/null 2>&1
    sleep 0.3
}

# Sends the keys in $@ to the importer's window.
keys_to_window() {
    focus "Vandrel File Importer"
    xdotool key --delay 50 "$@"
}

# The picker's windows, oldest first: the picker, then the warning it shows for a name it
# cannot find.
picker_windows() { xdotool search --name '^Open$' 2>/dev/null | sort -n; }
picker_closed() { [ -z "$(picker_windows)" ]; }

# Picks $1 in the open picker, reached with the keys that follow. On a busy machine keys typed
# while the picker's completer pops up can be lost: the picker then warns that it cannot find
# the name and takes no keys until the warning is closed. So the warning is closed and the path
# typed again over whatever the name box holds, until the picker closes.
pick() {
    path=$1; shift
    keys_to_window "$@"
    wait_for 20 xdotool search --name '^Open$' || fail "the open picker did not appear"
    for attempt in 1 2 3 4; do
        warning=$(picker_windows | sed -n 2p)
        if [ -n "$warning" ]; then
            xdotool windowfocus --sync "$warning" >/dev/null 2>&1
            sleep 0.3
            xdotool key Return
            sleep 0.5
        fi
        # A picker that closed meanwhile took the path: typing again would reach the window.
        picker=$(picker_windows | head -n 1)
        [ -n "$picker" ] || break
        xdotool windowfocus --sync "$picker" >/dev/null 2>&1
        sleep 0.5
        xdotool key ctrl+a
        xdotool type --delay 10 "$path"
        sleep 0.3
        xdotool key Return
        wait_for 10 picker_closed && break
    done
    picker_closed || fail "the picker did not close"
    sleep 0.5
}
