# shellcheck shell=bash
# The X session of the end-to-end run, sourced by run.sh: an X server with a
# window manager, the program's process and window, real input events, and
# pictures of the window. Expects from the caller E2E_DIR, WORK, OUT, TIMEOUT,
# PROGRAM, the screen's and the client area's sizes, log and check; the caller
# traps EXIT with end_session.
#
# Every wait is bounded: polls by TIMEOUT, each request to the X server by
# X_TIMEOUT (one about a window that is gone, a picture above all, may never
# return), and a program that ends while it should run fails the run at once.

readonly SESSION_TOOLS=(Xvfb openbox xdotool xwininfo xprop import convert identify md5sum)
readonly SESSION_PACKAGES="xvfb openbox xdotool x11-utils imagemagick"

require_session_tools() {
    local tool
    for tool in "${SESSION_TOOLS[@]}"; do
        if ! type -P "$tool" >/dev/null; then
            echo "e2e: FAIL: '$tool' is missing (packages: $SESSION_PACKAGES)" >&2
            exit 1
        fi
    done
}

readonly X_TIMEOUT=${E2E_X_TIMEOUT:-10}
xdotool() { timeout -k 2 "$X_TIMEOUT" xdotool "$@"; }
xprop() { timeout -k 2 "$X_TIMEOUT" xprop "$@"; }
xwininfo() { timeout -k 2 "$X_TIMEOUT" xwininfo "$@"; }
import() { timeout -k 2 "$X_TIMEOUT" import "$@"; }

XVFB_PID=""
WM_PID=""
PROGRAM_PID=""
PROGRAM_MAY_END=""
WID=""

# Ends one process we started: politely, then for sure.
stop_process() {
    local pid=$1
    [[ -n $pid ]] || return 0
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        local tries=0
        while kill -0 "$pid" 2>/dev/null && ((tries++ < 50)); do sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

end_session() {
    stop_process "$PROGRAM_PID"
    stop_process "$WM_PID"
    stop_process "$XVFB_PID"
    rm -rf "$WORK"
}

fail() {
    echo "e2e: FAIL: $*" >&2
    if [[ -n $XVFB_PID ]] && kill -0 "$XVFB_PID" 2>/dev/null; then
        import -window root "$OUT/failure.png" 2>/dev/null &&
            echo "e2e: the screen at the failure: $OUT/failure.png" >&2
    fi
    if [[ -n $PROGRAM_PID ]] && kill -0 "$PROGRAM_PID" 2>/dev/null; then
        echo "e2e: the program is still running; its window is" \
            "$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n1 || true)," \
            "the input focus $(xdotool getwindowfocus 2>/dev/null || true)" >&2
    elif [[ -n $PROGRAM_PID ]]; then
        reap_program
        echo "e2e: the program had ended, with $ENDED" >&2
    fi
    if [[ -s $WORK/wm.log ]]; then
        echo "e2e: the window manager's output:" >&2
        tail -n 10 "$WORK/wm.log" | sed 's/^/    /' >&2
    fi
    if [[ -s $WORK/program.log ]]; then
        echo "e2e: the program's output:" >&2
        tail -n 20 "$WORK/program.log" | sed 's/^/    /' >&2
    fi
    exit 1
}

# Polls COMMAND until it succeeds, for at most TIMEOUT seconds.
wait_until() {
    local what=$1
    shift
    local deadline=$((SECONDS + TIMEOUT))
    until expect_program_running && "$@"; do
        ((SECONDS < deadline)) || fail "timed out after ${TIMEOUT} s waiting for $what"
        sleep 0.1
    done
}

# Sets ENDED to how the ended program ended: "status N", and the signal's
# name when a signal ended it.
reap_program() {
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=""
    ENDED="status $status"
    if ((status > 128)); then
        ENDED+=" (SIG$(kill -l "$status"))"
    fi
    return 0
}

expect_program_running() {
    if [[ -n $PROGRAM_PID && -z $PROGRAM_MAY_END ]] && ! kill -0 "$PROGRAM_PID" 2>/dev/null; then
        reap_program
        fail "the program ended with $ENDED"
    fi
}

# --- X server, window manager, program --------------------------------------

start_display() {
    mkdir -p "$WORK/runtime" "$WORK/config" "$WORK/cache" "$WORK/data"
    chmod 700 "$WORK/runtime"
    export XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config
    export XDG_CACHE_HOME=$WORK/cache XDG_DATA_HOME=$WORK/data
    export QT_QPA_PLATFORM=xcb
    unset QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING
    unset QT_FONT_DPI SESSION_MANAGER
    # A sanitizer build ends with a leak report; the system's libraries' own
    # are not the program's.
    LSAN_OPTIONS="suppressions=$E2E_DIR/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    export LSAN_OPTIONS

    # Xvfb picks a free display and names it once it accepts clients. By
    # default an X server starts afresh whenever its last client leaves, and
    # a client connecting meanwhile is refused: the short-lived clients that
    # watch the session (xprop, xdotool) would make openbox, or the program,
    # lose that race now and then.
    Xvfb -displayfd 3 -screen 0 "${SCREEN_WIDTH}x${SCREEN_HEIGHT}x24" -dpi 96 -nolisten tcp -noreset \
        3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_until "Xvfb to accept clients" grep -qE '^[0-9]+$' "$WORK/display"
    DISPLAY=":$(head -n1 "$WORK/display")"
    export DISPLAY
    wait_until "the X server to answer on $DISPLAY" x_answers

    openbox --sm-disable >"$WORK/wm.log" 2>&1 &
    WM_PID=$!
    wait_until "the window manager to run" wm_running
    # The session's first key event switches the server's keyboard to the
    # test device's keymap, after which the window manager grabs its keys
    # anew; a binding pressed meanwhile (Alt+F4) would reach the window
    # instead. A Shift press, while no window is there, gets that done first.
    xdotool key shift
    log "X server on $DISPLAY with openbox"
}

x_answers() {
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb ended at start-up"
    xprop -root >/dev/null 2>&1
}

wm_running() {
    kill -0 "$WM_PID" 2>/dev/null || fail "the window manager ended at start-up"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

find_window() {
    WID=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | head -n1 || true)
    [[ -n $WID ]]
}

window_has_focus() {
    [[ $(xdotool getwindowfocus 2>/dev/null) == "$WID" ]]
}

# The client area's place on the screen, and its size.
read_geometry() {
    local info
    info=$(xwininfo -id "$WID")
    WIN_X=$(awk -F: '/Absolute upper-left X/ {print $2 + 0}' <<<"$info")
    WIN_Y=$(awk -F: '/Absolute upper-left Y/ {print $2 + 0}' <<<"$info")
    WIN_WIDTH=$(awk -F: '/^ *Width/ {print $2 + 0}' <<<"$info")
    WIN_HEIGHT=$(awk -F: '/^ *Height/ {print $2 + 0}' <<<"$info")
}

start_program() {
    "$PROGRAM" >"$WORK/program.log" 2>&1 &
    PROGRAM_PID=$!
    wait_until "the program's window to be shown" find_window
    # The manager activates a new window; the program then runs its
    # activation sequence before it reads any key.
    wait_until "the window to be activated" window_has_focus
    read_geometry
    settle
}

program_ended() {
    ! kill -0 "$PROGRAM_PID" 2>/dev/null
}

close_program() {
    check "Alt+F4 closes the window and the program ends with status 0"
    press alt+F4
    PROGRAM_MAY_END=1
    wait_until "the program to end after its window was closed" program_ended
    PROGRAM_MAY_END=""
    reap_program
    [[ $ENDED == "status 0" ]] || fail "the program ended with $ENDED"
}

# --- input --------------------------------------------------------------------

# A left click at client coordinates; the pointer then leaves the window so
# that no hover effect stays in the screenshots.
click_at() {
    expect_program_running
    window_has_focus || fail "the window lost the focus (an error box?)"
    xdotool mousemove --sync $((WIN_X + $1)) $((WIN_Y + $2)) click 1
    xdotool mousemove 1 1
}

# Keys go where the X input focus is, as a user's typing does.
press() {
    expect_program_running
    window_has_focus || fail "the window lost the focus (an error box?)"
    xdotool key --delay 40 "$@"
}

repeat_key() {
    local key=$1 count=$2 keys=() i
    for ((i = 0; i < count; i++)); do keys+=("$key"); done
    press "${keys[@]}"
}

# --- screen -------------------------------------------------------------------

window_sum() {
    import -window "$WID" rgb:- 2>/dev/null | md5sum
}

crop_sum() {
    import -window "$WID" -crop "$3x$4+$1+$2" +repage rgb:- 2>/dev/null | md5sum
}

# Waits until two pictures of the window in a row are alike: the program has
# drawn what the last input caused.
settle() {
    local previous current deadline=$((SECONDS + TIMEOUT))
    expect_program_running
    previous=$(window_sum) || fail "no picture of the window"
    while :; do
        sleep 0.15
        expect_program_running
        current=$(window_sum) || fail "no picture of the window"
        [[ $current == "$previous" ]] && return 0
        ((SECONDS < deadline)) || fail "timed out after ${TIMEOUT} s waiting for the window to settle"
        previous=$current
    done
}

screenshot() {
    local file=$OUT/$1
    settle
    import -window "$WID" "$file" || fail "no picture of the window for $file"
    check "screenshot $file is a non-blank ${CLIENT_WIDTH}x${CLIENT_HEIGHT} PNG"
    [[ -s $file ]] || fail "$file is empty"
    local format
    format=$(identify -format '%m %w %h' "$file")
    [[ $format == "PNG $CLIENT_WIDTH $CLIENT_HEIGHT" ]] ||
        fail "$file is '$format', not 'PNG $CLIENT_WIDTH $CLIENT_HEIGHT'"
    local spread
    spread=$(convert "$file" -format '%[fx:standard_deviation > 0.05 ? 1 : 0]' info:)
    [[ $spread == 1 ]] || fail "$file is blank"
}
