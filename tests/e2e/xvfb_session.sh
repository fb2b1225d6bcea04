# Shared by the end-to-end scripts (source it): a private Xvfb on a free display, the
# tool started on it, and waits on conditions with time limits instead of fixed sleeps.
# Needs Xvfb, xdotool and x11-utils.

E2E_TIMEOUT=${E2E_TIMEOUT:-20}
xvfb_pid=""
tool_pid=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

stop_session() {
    if [ -n "$tool_pid" ] && kill -0 "$tool_pid" 2>/dev/null; then kill -KILL "$tool_pid"; fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid"; fi
    wait 2>/dev/null || true
}

# Starts Xvfb on a display it picks itself (-displayfd) and exports DISPLAY.
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    local display=""
    read -r -t "$E2E_TIMEOUT" display <"$fifo" || true
    rm -f "$fifo"
    [ -n "$display" ] || fail "Xvfb did not report a display"
    export DISPLAY=":$display"
}

# Polls until `"$@"` succeeds, for at most E2E_TIMEOUT seconds.
wait_until() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

# Prints the id of the first visible window whose name is exactly $1.
visible_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

window_shown() { [ -n "$(visible_window "$1")" ]; }
window_gone() { [ -z "$(visible_window "$1")" ]; }

# Waits for the window named $1, gives it the keyboard focus (there is no window manager
# to do it) and prints its id.
focus_window() {
    wait_until window_shown "$1" || fail "no window named '$1'"
    local id
    id=$(visible_window "$1")
    xdotool windowfocus --sync "$id" || fail "cannot focus '$1'"
    wait_until focused_is "$id" || fail "'$1' did not take the focus"
    echo "$id"
}

focused_is() {
    local f
    f=$(xdotool getwindowfocus 2>/dev/null) || return 1
    [ "$f" = "$1" ]
}

keys() { xdotool key --delay 30 "$@"; }
type_text() { xdotool type --delay 15 "$1"; }

# In the focused file dialog: replaces the file-name box's text with $1 and presses Enter
# (which also does when the completion list is open).
type_path_and_enter() {
    keys ctrl+a
    type_text "$1"
    keys Return
}
