#!/bin/sh
# On a real X server of its own: a drag made with the X pointer paints a stroke that a screenshot
# of the screen shows. Skips (77) when Xvfb, xdotool or ImageMagick is missing.
set -eu
app="$1"
for tool in Xvfb xdotool import convert timeout; do
    command -v "$tool" >/dev/null 2>&1 || exit 77
done

work=$(mktemp -d)
xvfb=""
inkpond=""
cleanup() {
    [ -n "$inkpond" ] && kill "$inkpond" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1000x800x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY

XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" \
    ASAN_OPTIONS=detect_leaks=0 \
    "$app" >"$work/app.log" 2>&1 &
inkpond=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name Untitled | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
sleep 1

# The middle of the window lies on the sheet; the stroke runs across it.
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2 + 7))
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
import -window root "$work/before.png"
xdotool mousemove $((cx - 150)) "$cy" mousedown 1
for step in $(seq 1 30); do
    xdotool mousemove $((cx - 150 + step * 10)) "$cy"
    sleep 0.02
done
xdotool mouseup 1
sleep 1
import -window root "$work/after.png"

set -- $(pixel "$work/before.png" "$cx" "$cy")
if [ "$1" -lt 200 ] || [ "$2" -lt 200 ]; then
    echo "the sheet was not where the stroke was to go: $*" >&2
    exit 1
fi
set -- $(pixel "$work/after.png" "$cx" "$cy")
# The default ink is red 0.1, green 0, blue 0.2.
if [ "$1" -gt 60 ] || [ "$2" -gt 40 ] || [ "$3" -gt 90 ]; then
    echo "no stroke on screen at ($cx, $cy): $*" >&2
    cat "$work/app.log" >&2
    exit 1
fi
echo "stroke on screen at ($cx, $cy): $*"
