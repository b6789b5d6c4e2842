#!/bin/sh
# The command line of the real program: --version and --help answer without a display, an
# unknown switch is refused, every file opens in a window of its own showing its picture, and a
# file that cannot be opened is reported while the others still open.
. "$(dirname "$0")/harness.sh"

version=$(env -u DISPLAY ASAN_OPTIONS=detect_leaks=0 "$app" --version) \
    || fail "--version failed without a display"
case "$version" in "Inkpond "[0-9]*) ;; *) fail "--version said: $version" ;; esac
env -u DISPLAY ASAN_OPTIONS=detect_leaks=0 "$app" --help | grep -q "^Usage: inkpond " \
    || fail "--help gave no usage"
status=0
ASAN_OPTIONS=detect_leaks=0 "$app" --no-such-switch >"$work/refused.log" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "an unknown switch gave status $status"
grep -q "no-such-switch" "$work/refused.log" || fail "the unknown switch was not named"

cd "$work/files"
convert -size 400x300 xc:'#ff0000' red.png
convert -size 300x240 xc:'#0000ff' "blue picture.png"
printf 'no picture in here' >broken.png
start_inkpond red.png broken.png "$work/files/blue picture.png"
red=$(wait_window red.png)
blue=$(wait_window "blue picture.png")
alert=$(wait_other_window "$red" "$blue")
shot open_files-windows

# Each window shows its own picture in its middle.
for pair in "$red 255 0 0" "$blue 0 0 255"; do
    set -- $pair
    xdotool windowraise "$1"
    sleep 0.3
    window_geometry "$1"
    seen=$(screen_pixel $((X + WIDTH / 2)) $((Y + HEIGHT / 2)))
    near "$seen" "$2 $3 $4 255" 8 || fail "window $1 shows $seen in its middle, not $2 $3 $4"
done

# Once the report is read and the windows are closed, nothing is left to run.
focus_window "$alert"
keys Return
wait_hidden "$alert"
for w in "$red" "$blue"; do
    focus_window "$w"
    keys ctrl+w
    wait_hidden "$w"
done
wait_exit
echo "two windows with their pictures and one report"
