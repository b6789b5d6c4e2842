# The end-to-end tests' common part, sourced with the inkpond binary as $1: an X server of the
# test's own (Xvfb -displayfd), the real program on it with settings, home and files in a
# temporary folder, and helpers that drive it with the X pointer and keys and read pictures.
# A test skips (77) only when a tool is missing; scripts/setup test installs them all.
set -eu
app="$1"
for tool in Xvfb xdotool convert identify import timeout awk; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/setup test installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb=""
inkpond=""
earlier="" # programs started before the last one
cleanup() {
    for pid in $inkpond $earlier; do
        kill "$pid" 2>/dev/null || true
    done
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$work/app.log" ]; then
        echo "--- inkpond's output:" >&2
        cat "$work/app.log" >&2
    fi
    if [ -n "${E2E_KEEP_SHOTS:-}" ]; then
        import -window root "$E2E_KEEP_SHOTS/$(basename "$0" .sh)-failure.png" || true
    fi
    exit 1
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
mkdir -p "$work/home" "$work/config" "$work/data" "$work/runtime" "$work/files"
chmod 700 "$work/runtime"

# Starts inkpond with the arguments, in the background; its process id is in $inkpond.
start_inkpond() {
    earlier="$earlier $inkpond"
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
        XDG_RUNTIME_DIR="$work/runtime" ASAN_OPTIONS=detect_leaks=0 \
        "$app" "$@" >>"$work/app.log" 2>&1 &
    inkpond=$!
}

# The id of the visible window whose title is exactly $1, once it shows (fails after 30 s); of
# the program with process id $2 when given.
# Polled rather than xdotool's --sync, which gives up when a window it looks at goes away (a
# closing dialog) meanwhile.
wait_window() {
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible ${2:+--all --pid "$2"} --name "^$1\$" 2>/dev/null |
            head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window \"$1\""
}

# The id of a visible window of inkpond other than the windows given, once one shows. Message
# boxes have no title of their own (only Qt's _NET_WM_NAME, which xdotool's name search does not
# read).
wait_other_window() {
    for _ in $(seq 300); do
        for id in $(xdotool search --onlyvisible --class inkpond 2>/dev/null); do
            case " $* " in
            *" $id "*) ;;
            *)
                echo "$id"
                return 0
                ;;
            esac
        done
        sleep 0.1
    done
    fail "no window beside $*"
}

# Waits until window $1 is no longer shown.
# A loaded machine can take many seconds to close a dialog whose accept does heavy work.
wait_hidden() {
    for _ in $(seq 600); do
        xdotool search --onlyvisible --class inkpond 2>/dev/null | grep -qx "$1" || return 0
        sleep 0.1
    done
    fail "window $1 still shown"
}

# Waits until no visible window has the title $1.
wait_window_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window \"$1\" still open"
}

# Gives the window the keyboard. There is no window manager: nothing gives it back to a window
# when a dialog closes.
focus_window() {
    xdotool windowfocus --sync "$1"
    sleep 0.1
}

# Sets X, Y, WIDTH, HEIGHT to the window's frame on the screen.
window_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

# A drag with the left button from ($1, $2) to ($3, $4), in 10-pixel steps.
drag() {
    x0=$1 y0=$2 x1=$3 y1=$4
    steps=$(( ( (x1 > x0 ? x1 - x0 : x0 - x1) + (y1 > y0 ? y1 - y0 : y0 - y1) ) / 10 + 1 ))
    xdotool mousemove "$x0" "$y0" mousedown 1
    for i in $(seq 1 "$steps"); do
        xdotool mousemove $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
        sleep 0.01
    done
    xdotool mouseup 1
}

keys() {
    xdotool key --clearmodifiers "$@"
}

# Types $1 into the focused field of a file dialog, replacing what is there, and accepts.
type_path_and_accept() {
    keys ctrl+a
    xdotool type --delay 5 "$1"
    sleep 0.2
    keys Return
}

# Waits until the file $1 exists and is not empty.
wait_file() {
    for _ in $(seq 100); do
        [ -s "$1" ] && return 0
        sleep 0.1
    done
    fail "$1 was not written"
}

# "R G B A" of pixel ($2, $3) of picture $1, 0 to 255, counted from the top-left.
pixel() {
    convert "$1" -format \
        "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)] %[fx:int(255*p{$2,$3}.a+0.5)]" \
        info:
}

# "R G B A" of the screen's pixel ($1, $2).
screen_pixel() {
    import -window root "$work/screen.png"
    pixel "$work/screen.png" "$1" "$2"
}

# Waits for the program to end by itself; fails unless it ends well.
wait_exit() {
    for _ in $(seq 100); do
        kill -0 "$inkpond" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$inkpond" 2>/dev/null && fail "inkpond still runs with no window left"
    status=0
    wait "$inkpond" || status=$?
    inkpond=""
    [ "$status" -eq 0 ] || fail "inkpond ended with status $status"
}

# Whether the colours "R G B A" $1 and $2 differ by at most $3 in every channel.
near() {
    echo "$1 $2 $3" | awk '{ for (i = 1; i <= 4; i++) { d = $i - $(i + 4); if (d < 0) d = -d;
                                                        if (d > $9) exit 1 } }'
}

# The alpha of "R G B A".
alpha_of() {
    set -- $1
    echo "$4"
}

# Sets BW, BH, BX, BY to the box around the painted (half-opaque or more) pixels of picture $1.
painted_box() {
    box=$(convert "$1" -alpha extract -threshold 50% -format "%@" info:)
    BW=${box%%x*}
    rest=${box#*x}
    BH=${rest%%+*}
    rest=${rest#*+}
    BX=${rest%%+*}
    BY=${rest#*+}
}

# Keeps a screenshot as $E2E_KEEP_SHOTS/$1.png when that folder is given.
shot() {
    if [ -n "${E2E_KEEP_SHOTS:-}" ]; then
        import -window root "$E2E_KEEP_SHOTS/$1.png"
    fi
}
