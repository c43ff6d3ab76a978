#!/usr/bin/env bash
# Runs the built program as a user would: on its own X server (Xvfb) with a
# small window manager, over stores seeded in a temporary data directory,
# driven by real mouse and keyboard events (xdotool). What it did is read back
# through the stores with orvalla-stores, and each page is photographed.
#
# usage: run.sh PROGRAM ORVALLA_STORES [SCREENSHOT_DIR]
#   SCREENSHOT_DIR defaults to $E2E_OUT, else to a new temporary directory,
#   which is kept. E2E_TIMEOUT caps each wait, in seconds (default 30),
#   E2E_X_TIMEOUT each request to the X server (default 10), E2E_RUN_TIMEOUT
#   the whole run (default 300).
# shellcheck source-path=SCRIPTDIR
set -euo pipefail

readonly RUN_TIMEOUT=${E2E_RUN_TIMEOUT:-300}
if [[ -z ${E2E_CAPPED:-} ]]; then
    E2E_CAPPED=1 exec timeout --foreground -k 10 "$RUN_TIMEOUT" "$BASH" "${BASH_SOURCE[0]}" "$@"
fi

readonly CAPTION="Veltrane - Orvalla v1.0"
readonly CLIENT_WIDTH=522
readonly CLIENT_HEIGHT=396
readonly SCREEN_WIDTH=1024
readonly SCREEN_HEIGHT=768
readonly TIMEOUT=${E2E_TIMEOUT:-30}

# Layout of the window, in client pixels: the page control's top edge, and
# the controls' places relative to the page that holds them. Where a page's
# contents start depends on the tab bar's height, which is measured.
readonly PAGE_CONTROL_TOP=32
readonly TAB_WIDTH=100
readonly GROUP_LEFT=8 GROUP_TOP=0
readonly LIST_LEFT=10 LIST_TOP=16 LIST_WIDTH=477 LIST_HEIGHT=261
readonly BEVEL_LEFT=10 BEVEL_TOP=283 BEVEL_WIDTH=479
readonly BUTTON_TOP=292 BUTTON_HEIGHT=25
readonly DELETE_LEFT=12 DELETE_WIDTH=90
readonly CHECK_LEFT=255 CHECK_WIDTH=75
readonly CLEAR_HISTORY_LEFT=76 CLEAR_HISTORY_WIDTH=90

usage() {
    echo "usage: $0 PROGRAM ORVALLA_STORES [SCREENSHOT_DIR]" >&2
    exit 2
}

(($# >= 2 && $# <= 3)) || usage
PROGRAM=$(realpath "$1")
STORES=$(realpath "$2")
OUT=${3:-${E2E_OUT:-}}

log() { printf 'e2e: %s\n' "$*"; }
check() { printf 'e2e: check: %s\n' "$*"; }

E2E_DIR=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
# shellcheck source=session.sh
source "$E2E_DIR/session.sh"
require_session_tools
[[ -x $PROGRAM ]] || { echo "e2e: FAIL: no program at $PROGRAM" >&2; exit 1; }
[[ -x $STORES ]] || { echo "e2e: FAIL: no orvalla-stores at $STORES" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvalla-e2e.XXXXXX")
trap end_session EXIT
trap 'exit 130' INT
trap 'echo "e2e: FAIL: ended by SIGTERM (the whole run may last ${RUN_TIMEOUT} s)" >&2; exit 143' TERM
if [[ -z $OUT ]]; then
    OUT=$(mktemp -d "${TMPDIR:-/tmp}/orvalla-e2e-screens.XXXXXX")
fi
mkdir -p "$OUT"
readonly SCREENSHOTS=(cookies.png cookies-deleted.png history.png history-cleared.png failure.png)
(cd "$OUT" && rm -f "${SCREENSHOTS[@]}")

# --- the window's layout ---------------------------------------------------------

# The group box title, which names the page in front.
page_title_sum() {
    crop_sum $((PAGE_X + GROUP_LEFT)) $((PAGE_Y + GROUP_TOP)) 200 14
}

title_is() { [[ $(page_title_sum) == "$1" ]]; }
title_is_not() { [[ $(page_title_sum) != "$1" ]]; }

# Finds where a page's contents start from a picture of the "Cookies" page:
# the one place where the rule under the list and the list's left and right
# frame edges fall where the layout puts them.
measure_page_origin() {
    local found
    found=$(convert "$1" -colorspace Gray -depth 8 -compress none pgm:- | awk \
        -v gl=$GROUP_LEFT -v gt=$GROUP_TOP -v ll=$LIST_LEFT -v lt=$LIST_TOP \
        -v lw=$LIST_WIDTH -v lh=$LIST_HEIGHT -v bl=$BEVEL_LEFT -v bt=$BEVEL_TOP \
        -v bw=$BEVEL_WIDTH -v top=$PAGE_CONTROL_TOP '
        { for (i = 1; i <= NF; i++) tok[n++] = $i }
        function p(x, y) { return tok[4 + y * w + x] + 0 }
        function row_even(y, x0, x1,   x) {
            for (x = x0 + 1; x <= x1; x++) if (p(x, y) != p(x0, y)) return 0
            return 1
        }
        function column_even(x, y0, y1,   y) {
            for (y = y0 + 1; y <= y1; y++) if (p(x, y) != p(x, y0)) return 0
            return 1
        }
        END {
            w = tok[1]; h = tok[2]
            for (py = top + 8; py <= top + 48; py++) {
                for (px = 0; px <= 12; px++) {
                    y = py + gt + bt; x0 = px + gl + bl + 4; x1 = px + gl + bl + bw - 5
                    if (y + 1 >= h) continue
                    if (!row_even(y, x0, x1) || !row_even(y + 1, x0, x1)) continue
                    if (p(x0, y) >= p(x0, y + 1)) continue
                    xl = px + gl + ll; xr = xl + lw - 1
                    y0 = py + gt + lt + 4; y1 = py + gt + lt + lh - 5
                    if (!column_even(xl, y0, y1) || !column_even(xr, y0, y1)) continue
                    if (p(xl, y0) != p(xr, y0) || p(xl, y0) > 230) continue
                    print px, py
                }
            }
        }')
    [[ $(wc -l <<<"$found") == 1 && -n $found ]] ||
        fail "could not find the page layout in $1 (candidates: ${found:-none})"
    read -r PAGE_X PAGE_Y <<<"$found"
    log "page contents start at ($PAGE_X, $PAGE_Y) in the client area"
}

# --- stores -------------------------------------------------------------------

cache_lines() { "$STORES" list-cache; }
non_cookie_lines() { cache_lines | grep -v '^cookie ' || true; }
# The addresses of the cookie entries, in walk order (the list's row order).
cookie_addresses() {
    cache_lines | grep '^cookie ' | sed -E 's/^([^ ]+ ){4}//' || true
}
history_lines() { "$STORES" list-history; }

cookies_are() { [[ $(cookie_addresses | sort) == "$(printf '%s' "$1" | sort)" ]]; }
history_is_empty() { [[ -z $(history_lines) ]]; }

# Waits for the cookies to be EXPECTED (addresses, one a line), lets the
# program finish what it was doing, and checks once more that the cookies
# are still those and that no other entry was touched.
expect_cookies() {
    local expected=$1 others=$2 what=$3
    wait_until "$what" cookies_are "$expected"
    settle
    cookies_are "$expected" ||
        fail "$what: the store holds the cookies [$(cookie_addresses | paste -sd' ')]," \
            "expected [$(paste -sd' ' <<<"$expected")]"
    [[ $(non_cookie_lines) == "$others" ]] ||
        fail "$what: entries that are not cookies changed:"$'\n'"$(diff <(echo "$others") <(non_cookie_lines) || true)"
}

without_line() { grep -vxF -- "$2" <<<"$1" || true; }

# --- checks -------------------------------------------------------------------

check_window() {
    check "the caption is \"$CAPTION\""
    local caption
    caption=$(xdotool getwindowname "$WID")
    [[ $caption == "$CAPTION" ]] || fail "the caption is \"$caption\""

    check "the client area is ${CLIENT_WIDTH} x ${CLIENT_HEIGHT}"
    [[ $WIN_WIDTH == "$CLIENT_WIDTH" && $WIN_HEIGHT == "$CLIENT_HEIGHT" ]] ||
        fail "the client area is $WIN_WIDTH x $WIN_HEIGHT"

    check "the window asks for a fixed size and offers no minimise or maximise"
    local hints
    hints=$(xprop -id "$WID" WM_NORMAL_HINTS)
    if ! grep -q "minimum size: $CLIENT_WIDTH by $CLIENT_HEIGHT" <<<"$hints" ||
        ! grep -q "maximum size: $CLIENT_WIDTH by $CLIENT_HEIGHT" <<<"$hints"; then
        fail "the size hints do not fix the size:"$'\n'"$hints"
    fi
    local motif functions
    motif=$(xprop -id "$WID" _MOTIF_WM_HINTS)
    functions=$(sed -nE 's/.*= *(0x[0-9a-f]+), *(0x[0-9a-f]+).*/\1 \2/p' <<<"$motif")
    [[ -n $functions ]] || fail "no window manager hints: $motif"
    local flags allowed
    read -r flags allowed <<<"$functions"
    # Bit 0 of the functions means "all but those listed".
    if ((!(flags & 1))); then
        fail "the hints do not restrict the window's functions: $motif"
    fi
    if ((allowed & 1)); then
        allowed=$((~allowed))
    fi
    if ((allowed & 0x18)); then
        fail "minimising or maximising is allowed: $motif"
    fi

    check "the window, frame included, sits at the centre of the screen"
    local left right top bottom
    read -r left right top bottom < <(xprop -id "$WID" _NET_FRAME_EXTENTS |
        sed -nE 's/.* = *([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)$/\1 \2 \3 \4/p') || true
    [[ -n $bottom ]] || fail "the window manager names no frame extents"
    # In half pixels, so that an odd spare pixel may fall on either side.
    local dx=$((2 * (WIN_X - left) + left + CLIENT_WIDTH + right - SCREEN_WIDTH))
    local dy=$((2 * (WIN_Y - top) + top + CLIENT_HEIGHT + bottom - SCREEN_HEIGHT))
    ((dx * dx <= 1 && dy * dy <= 1)) ||
        fail "the frame is off the centre by ($dx, $dy) half pixels"

    check "the window carries a 16 x 16 icon"
    xprop -id "$WID" _NET_WM_ICON | grep -q 'Icon (16 x 16)' || fail "no 16 x 16 icon"
}

check_banner() {
    check "the banner is a dark blue band"
    local colours
    colours=$(convert "$1" -crop "${CLIENT_WIDTH}x30+0+0" +repage \
        -format '%[fx:mean.b > mean.r + 0.15 && mean < 0.5 ? 1 : 0]' info:)
    [[ $colours == 1 ]] || fail "the banner is not dark blue"
}

# Cookies page with the mouse: check all, delete, and only cookies go.
mouse_delete_all_cookies() {
    local others
    others=$(non_cookie_lines)
    local y=$((PAGE_Y + GROUP_TOP + BUTTON_TOP + BUTTON_HEIGHT / 2))
    log "click \"Check All\", then \"Delete Cookies\""
    click_at $((PAGE_X + GROUP_LEFT + CHECK_LEFT + CHECK_WIDTH / 2)) "$y"
    click_at $((PAGE_X + GROUP_LEFT + DELETE_LEFT + DELETE_WIDTH / 2)) "$y"
    check "every cookie entry is gone from the cache and every other entry is unchanged"
    expect_cookies "" "$others" "the cookies to be deleted"
}

# History page with the mouse: open it, clear it, and the store is empty.
mouse_clear_history() {
    local cookies_title
    cookies_title=$(page_title_sum)
    log "click the \"History\" tab"
    click_at $((TAB_WIDTH + TAB_WIDTH / 2)) $(((PAGE_CONTROL_TOP + PAGE_Y) / 2))
    wait_until "the History page to come to the front" title_is_not "$cookies_title"
    screenshot history.png
    log "click \"Clear History\""
    click_at $((PAGE_X + CLEAR_HISTORY_LEFT + CLEAR_HISTORY_WIDTH / 2)) \
        $((PAGE_Y + BUTTON_TOP + BUTTON_HEIGHT / 2))
    check "the history store is empty"
    wait_until "the history to be cleared" history_is_empty
    screenshot history-cleared.png
}

# At start the list holds the focus, on its first row. The tab order of the
# "Cookies" page is the tab bar, "Refresh", "Uncheck All", "Check All",
# "Delete Cookies", the list; each stop is proven by what a key does there.
keyboard_space_and_tab_to_delete() {
    local cookies others first cookies_title
    cookies=$(cookie_addresses)
    others=$(non_cookie_lines)
    first=$(head -n1 <<<"$cookies")
    cookies_title=$(page_title_sum)

    check "the list has the focus on its first row, where Space checks the box;" \
        "Tab reaches the tab bar, where Right and Left switch pages"
    press space Tab Right
    wait_until "Right on the tab bar to bring the History page to the front" \
        title_is_not "$cookies_title"
    press Left
    wait_until "Left on the tab bar to bring the Cookies page back" title_is "$cookies_title"

    check "four more Tabs reach \"Delete Cookies\", whose Space deletes the checked row only"
    press Tab Tab Tab Tab space
    expect_cookies "$(without_line "$cookies" "$first")" "$others" \
        "\"$first\" alone to be deleted"
}

# Only a refresh lists a cookie added behind the program's back, so its
# deletion proves "Refresh" was pressed.
keyboard_refresh_and_check_all() {
    local others
    others=$(non_cookie_lines)
    "$STORES" add-cache "Cookie:e2e@refresh.example.com/"

    check "two Tabs from the list reach \"Refresh\", which lists a cookie added meanwhile;" \
        "four Tabs from the list reach \"Check All\", one more \"Delete Cookies\""
    press Tab Tab space
    repeat_key Tab 4
    press space Tab space
    expect_cookies "" "$others" "every cookie, the added one too, to be deleted"
}

# With no rows, "Uncheck All", "Check All" and "Delete Cookies" are disabled
# and Tab passes them by.
keyboard_uncheck_and_disabled_buttons() {
    local others
    others=$(non_cookie_lines)
    "$STORES" add-cache "Cookie:e2e@first.example.com/"
    "$STORES" add-cache "Cookie:e2e@second.example.com/"
    local cookies first
    cookies=$(cookie_addresses)
    first=$(head -n1 <<<"$cookies")

    log "click the empty list"
    click_at $((PAGE_X + GROUP_LEFT + LIST_LEFT + LIST_WIDTH / 2)) \
        $((PAGE_Y + GROUP_TOP + LIST_TOP + LIST_HEIGHT - 30))
    check "with an empty list Tab skips the disabled buttons: five Tabs reach \"Refresh\" again"
    repeat_key Tab 5
    press space
    check "three Tabs from the list reach \"Uncheck All\", two more \"Delete Cookies\""
    # Checked, unchecked by "Uncheck All", so the deletion takes nothing; then
    # checked again and deleted.
    press space Tab Tab Tab space Tab Tab space
    press space
    repeat_key Tab 5
    press space
    expect_cookies "$(without_line "$cookies" "$first")" "$others" \
        "\"$first\" alone to be deleted"
}

# The "History" page: the tab bar, the grid, "Refresh", "Clear History".
keyboard_clear_history() {
    local cookies_title
    cookies_title=$(page_title_sum)
    check "on the History page Tab goes from the tab bar to the grid, \"Refresh\"," \
        "\"Clear History\", whose Space clears the history"
    press Tab Right
    wait_until "the History page to come to the front" title_is_not "$cookies_title"
    press Tab Tab Tab space
    wait_until "Space on \"Clear History\" (reached by tab bar, grid, \"Refresh\") to clear the history" \
        history_is_empty
}

# --- the run ------------------------------------------------------------------

started=$SECONDS
start_display

log "seed the stores"
"$STORES" sample
[[ $(cookie_addresses | wc -l) -ge 2 && -n $(non_cookie_lines) && -n $(history_lines) ]] ||
    fail "the sample stores lack cookies, other entries or history"

log "start $PROGRAM"
start_program
check_window
screenshot cookies.png
check_banner "$OUT/cookies.png"
measure_page_origin "$OUT/cookies.png"
mouse_delete_all_cookies
screenshot cookies-deleted.png
mouse_clear_history
close_program

log "seed the stores again, and start the program for the keyboard"
"$STORES" sample
start_program
keyboard_space_and_tab_to_delete
keyboard_refresh_and_check_all
keyboard_uncheck_and_disabled_buttons
keyboard_clear_history
close_program

log "all checks passed in $((SECONDS - started)) s; screenshots in $OUT"
