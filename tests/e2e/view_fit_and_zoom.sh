#!/bin/sh
# A picture far larger than the window: after Actual Size (Ctrl+0), Fit to Window (Ctrl+9) shows all
# four of its corners, and Ctrl with the wheel zooms in about the pointer, which stays on the same
# spot of the picture.
. "$(dirname "$0")/harness.sh"

# How many pixels of colour $2 the screenshot $1 has in the window's area.
count_colour() {
    convert "$1" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -alpha off -fuzz 12% \
        -transparent "$2" -alpha extract -negate -format "%[fx:round(mean*w*h)]" info:
}

# Sets BW, BH, BX, BY to the box around colour $2 in the screenshot $1, in screen pixels.
colour_box() {
    box=$(convert "$1" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -alpha off -fuzz 12% \
        -transparent "$2" -alpha extract -negate -threshold 50% -format "%@" info:)
    BW=${box%%x*}
    rest=${box#*x}
    BH=${rest%%+*}
    rest=${rest#*+}
    BX=$((X + ${rest%%+*}))
    BY=$((Y + ${rest#*+}))
}

corners="#ff0000 #00ff00 #0000ff #ff00ff"
# Whether every corner's colour shows in the screenshot $1, 40 pixels of each at least.
all_corners_shown() {
    for colour in $corners; do
        [ "$(count_colour "$1" "$colour")" -ge 40 ] || return 1
    done
}

cd "$work/files"
convert -size 6000x4000 xc:'#808080' \
    -fill '#ff0000' -draw 'rectangle 0,0 199,199' \
    -fill '#00ff00' -draw 'rectangle 5800,0 5999,199' \
    -fill '#0000ff' -draw 'rectangle 0,3800 199,3999' \
    -fill '#ff00ff' -draw 'rectangle 5800,3800 5999,3999' big.png
start_inkpond big.png
win=$(wait_window big.png)
focus_window "$win"
window_geometry "$win"
# It opens fitted; at actual size the corners are off the window until Fit to Window.
keys ctrl+0
actual=""
for _ in $(seq 100); do
    import -window root "$work/actual.png"
    if ! all_corners_shown "$work/actual.png"; then
        actual=yes
        break
    fi
    sleep 0.1
done
[ -n "$actual" ] || fail "Actual Size still shows all four corners of a 6000 × 4000 picture"

keys ctrl+9
fitted=""
for _ in $(seq 100); do
    import -window root "$work/fitted.png"
    if all_corners_shown "$work/fitted.png"; then
        fitted=yes
        break
    fi
    sleep 0.1
done
shot view_fit_and_zoom-fitted
[ -n "$fitted" ] || fail "Fit to Window does not show all four corners"

# A point in the red corner, a quarter of the way across it: after zooming in about it, it is
# still red and still a quarter of the way across the grown square.
colour_box "$work/fitted.png" "#ff0000"
before_w=$BW
px=$((BX + BW / 4))
py=$((BY + BH / 4))
xdotool mousemove "$px" "$py"
sleep 0.2
xdotool keydown ctrl click --repeat 2 --delay 50 4 keyup ctrl
zoomed=""
for _ in $(seq 100); do
    import -window root "$work/zoomed.png"
    colour_box "$work/zoomed.png" "#ff0000"
    if [ "$BW" -ge $((before_w * 13 / 10)) ]; then
        zoomed=yes
        break
    fi
    sleep 0.1
done
shot view_fit_and_zoom-zoomed
[ -n "$zoomed" ] || fail "Ctrl+wheel did not zoom in: the red corner is $BW pixels wide, was $before_w"
# The brush outline follows the pointer: the picture under it shows once the pointer has left.
xdotool mousemove 0 0
for _ in $(seq 50); do
    import -window root "$work/zoomed.png"
    under=$(pixel "$work/zoomed.png" "$px" "$py")
    near "$under" "255 0 0 255" 24 && break
    sleep 0.1
done
near "$under" "255 0 0 255" 24 || fail "the pointer is over $under after zooming, not the red corner"
# Where the pointer lies across the square, in hundredths, before and after.
across=$(((px - BX) * 100 / BW))
down=$(((py - BY) * 100 / BH))
[ "$across" -ge 18 ] && [ "$across" -le 32 ] && [ "$down" -ge 18 ] && [ "$down" -le 32 ] \
    || fail "the pointer moved on the picture: now ${across}% across and ${down}% down the square"
echo "fitted: every corner shown; zoomed about the pointer: the red corner ${before_w} -> $BW pixels"
