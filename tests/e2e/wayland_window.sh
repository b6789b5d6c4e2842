#!/bin/sh
# The real program on a Wayland desktop of its own (Weston, headless, green): it starts natively
# there, its window with the paper shows, and with the see-through paper the desktop's green
# shows through the sheet and its surround, which an X server without a compositor cannot do.
# Skips (77) only when a tool is missing; scripts/setup test installs them all.
set -eu
app="$1"
for tool in weston weston-screenshooter convert awk; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/setup test installs it)"
        exit 77
    fi
done
plugin=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so
if ! [ -e "$plugin" ]; then
    echo "skipped: Qt's Wayland platform plugin is not installed (scripts/setup test installs it)"
    exit 77
fi

work=$(mktemp -d)
weston=""
inkpond=""
cleanup() {
    for pid in $inkpond $weston; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in app weston; do
        if [ -s "$work/$log.log" ]; then
            echo "--- $log's output:" >&2
            cat "$work/$log.log" >&2
        fi
    done
    if [ -n "${E2E_KEEP_SHOTS:-}" ] && [ -s "$work/shot.png" ]; then
        cp "$work/shot.png" "$E2E_KEEP_SHOTS/wayland_window-failure.png" || true
    fi
    exit 1
}

mkdir -p "$work/home" "$work/config" "$work/data" "$work/runtime" "$work/shots"
chmod 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime"
WAYLAND_DISPLAY="inkpond-e2e-$$"
export XDG_RUNTIME_DIR WAYLAND_DISPLAY
desktop="0 170 0"
printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xff00aa00\npanel-position=none\n' \
    >"$work/weston.ini"
# --debug lets weston-screenshooter read the screen.
weston --backend=headless-backend.so --use-pixman --debug --socket="$WAYLAND_DISPLAY" \
    --width=1280 --height=1024 --config="$work/weston.ini" >"$work/weston.log" 2>&1 &
weston=$!
for _ in $(seq 200); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$weston" 2>/dev/null || fail "weston ended"
    sleep 0.05
done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "weston did not open its socket"

start_inkpond() {
    QT_QPA_PLATFORM=wayland HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
        XDG_DATA_HOME="$work/data" ASAN_OPTIONS=detect_leaks=0 "$app" >>"$work/app.log" 2>&1 &
    inkpond=$!
}

stop_inkpond() {
    kill "$inkpond"
    wait "$inkpond" 2>/dev/null || true
    inkpond=""
}

# The screen, as $work/shot.png.
screenshot() {
    rm -f "$work/shots"/*.png
    (cd "$work/shots" && weston-screenshooter) >>"$work/weston.log" 2>&1 ||
        fail "weston-screenshooter failed"
    mv "$work/shots"/wayland-screenshot-*.png "$work/shot.png"
}

# Keeps the screenshot as $E2E_KEEP_SHOTS/$1.png when that folder is given.
keep_shot() {
    if [ -n "${E2E_KEEP_SHOTS:-}" ]; then
        cp "$work/shot.png" "$E2E_KEEP_SHOTS/$1.png"
    fi
}

# "R G B" of pixel ($1, $2) of the screenshot.
pixel() {
    convert "$work/shot.png" -format \
        "%[fx:int(255*p{$1,$2}.r+0.5)] %[fx:int(255*p{$1,$2}.g+0.5)] %[fx:int(255*p{$1,$2}.b+0.5)]" \
        info:
}

# Whether the colours "R G B" $1 and $2 differ by at most $3 in every channel.
near() {
    echo "$1 $2 $3" | awk '{ for (i = 1; i <= 3; i++) { d = $i - $(i + 3); if (d < 0) d = -d;
                                                        if (d > $7) exit 1 } }'
}

# Sets W, H, X, Y to the box around the large patches of about the colour $1 ("R G B") on the
# screenshot, and FILL to the percentage of the box they fill; W is 0 when there are none. Rules
# cut the paper into strips; small patches elsewhere (a slider's knob) are left out.
find_colour() {
    convert "$work/shot.png" -fuzz 2% -fill white -opaque "rgb($(echo "$1" | tr ' ' ,))" -fuzz 0 \
        -fill black +opaque white "$work/mask.png"
    read -r W H X Y FILL <<EOF
$(convert "$work/mask.png" -define connected-components:verbose=true -connected-components 4 \
        null: | awk '
        NR > 1 && $NF ~ /255/ {
            split($2, b, /[x+]/)
            if (b[1] < 20 || b[2] < 20) next
            n++
            if (n == 1 || b[3] < x0) x0 = b[3]
            if (n == 1 || b[4] < y0) y0 = b[4]
            if (n == 1 || b[3] + b[1] > x1) x1 = b[3] + b[1]
            if (n == 1 || b[4] + b[2] > y1) y1 = b[4] + b[2]
            area += $4
        }
        END {
            if (n) print x1 - x0, y1 - y0, x0, y0, int(100 * area / ((x1 - x0) * (y1 - y0)))
            else print 0, 0, 0, 0, 0
        }')
EOF
}

# Waits until the screen shows a box of at least 200 by 200 pixels filled with colour $1
# ("R G B"), and sets W, H, X, Y to it; fails after 30 s.
wait_sheet() {
    end=$(($(date +%s) + 30))
    while :; do
        if ! kill -0 "$inkpond" 2>/dev/null; then
            status=0
            wait "$inkpond" || status=$?
            inkpond=""
            fail "inkpond ended with status $status"
        fi
        screenshot
        find_colour "$1"
        [ "$W" -ge 200 ] && [ "$H" -ge 200 ] && [ "$FILL" -ge 90 ] && return 0
        [ "$(date +%s)" -lt "$end" ] || fail "no sheet of colour $1 on the screen (${W}x$H, $FILL %)"
        sleep 0.2
    done
}

# Whether the screenshot's pixels 20 pixels outside the box's four sides are all "R G B" $1.
surround_is() {
    for spot in "$((X - 20)) $((Y + H / 2))" "$((X + W + 20)) $((Y + H / 2))" \
        "$((X + W / 2)) $((Y - 20))" "$((X + W / 2)) $((Y + H + 20))"; do
        near "$(pixel "${spot% *}" "${spot#* }")" "$1" 3 || return 1
    done
}

# No X server to fall back on: the window is Wayland's or none.
unset DISPLAY
start_inkpond
paper="255 255 250"
grey="170 170 170"
wait_sheet "$paper"
sheet="${W}x$H"
at="+$X+$Y"
[ "$sheet" = "600x600" ] || fail "the paper is $sheet on the screen, not the new sheet's 600x600"
surround_is "$grey" || fail "the paper at $at is not in the grey surround $grey"
keep_shot wayland_window-paper
find_colour "$desktop"
[ "$FILL" -ge 25 ] || fail "the desktop's green fills only $FILL % of the screen"
echo "paper $sheet$at in grey on the green desktop"

stop_inkpond
# Killed, it left a record of its blank picture; whether a restore is offered is not looked at here.
rm -rf "$work/data/Inkpond/recovery"
# The paper is kept with the other settings; 3 is see-through.
conf="$work/config/Inkpond/Inkpond.conf"
if grep -q '^BgType=' "$conf" 2>/dev/null; then
    sed -i 's/^BgType=.*/BgType=3/' "$conf"
else
    printf '[General]\nBgType=3\n' >>"$conf"
fi
start_inkpond
# The green desktop under the paper at a quarter of its strength and the grey at four fifths.
faint_paper="64 191 62"
faint_grey="136 170 136"
wait_sheet "$faint_paper"
[ "${W}x$H" = "$sheet" ] || fail "the see-through paper is ${W}x$H, not $sheet"
middle=$(pixel $((X + W / 2)) $((Y + H / 2)))
near "$middle" "$faint_paper" 3 || fail "the middle of the sheet is $middle, not $faint_paper"
surround_is "$faint_grey" || fail "the surround of the paper at +$X+$Y is not $faint_grey"
keep_shot wayland_window-see-through
echo "see-through paper ${W}x$H+$X+$Y is $middle, its surround $faint_grey"
