# Crash recovery against the real program: a session is replayed through the canvas's event
# paths into a document that keeps its record, the picture is exported, the process is killed
# with SIGKILL, and a new process restores the record. The restored picture must equal, pixel
# for pixel, the picture up to the last finished stroke.
. "$(dirname "$0")/harness.sh"

# Sessions: a few lines of JSON each.
settings() {
    printf '{"t":0,"event":"action","name":"setActiveColor:","value":1}\n'
    printf '{"t":0,"event":"action","name":"setColor:","value":[0.1,0.2,0.7,1]}\n'
    printf '{"t":0,"event":"action","name":"setBrushSize:","value":12}\n'
    printf '{"t":0,"event":"proximity","enter":true,"pointer":"pen","id":0}\n'
}
# A pen stroke from ($1, $2) to ($3, $4) with pointer $5 (pen); without its release when $6 is
# "unfinished".
stroke() {
    pointer=${5:-pen}
    awk -v x0="$1" -v y0="$2" -v x1="$3" -v y1="$4" -v p="$pointer" -v end="${6:-}" 'BEGIN {
        n = 24
        for (i = 0; i <= n; i++) {
            kind = i == 0 ? "press" : (i == n ? "release" : "move")
            if (i == n && end == "unfinished") break
            x = x0 + (x1 - x0) * i / n; y = y0 + (y1 - y0) * i / n + 30 * sin(i / 4)
            printf "{\"t\":%d,\"event\":\"%s\",\"pointer\":\"%s\",\"x\":%.2f,\"y\":%.2f,\"pressure\":%.3f}\n",
                   i, kind, p, x, y, 0.2 + 0.7 * i / n
        }
    }'
}
# A mouse click at ($1, $2) with modifier $3.
click() {
    for kind in press release; do
        printf '{"t":0,"event":"%s","pointer":"mouse","x":%s,"y":%s,"modifiers":["%s"]}\n' \
            "$kind" "$1" "$2" "$3"
    done
}
hover() {
    printf '{"t":0,"event":"hover","pointer":"mouse","x":%s,"y":%s}\n' "$1" "$2"
}
action() {
    printf '{"t":0,"event":"action","name":"%s"%s}\n' "$1" "${2:+,\"value\":$2}"
}

export QT_QPA_PLATFORM=offscreen

# Replays session $1 and exports the picture to $2; with "kill" as $3 the program stays open
# after the export and is killed with SIGKILL.
replay() {
    rm -f "$2"
    : >"$work/app.log"
    if [ "${3:-}" = kill ]; then
        start_inkpond --replay "$1" --export "$2" --keep-open
        for _ in $(seq 300); do
            grep -q replayed "$work/app.log" 2>/dev/null && [ -s "$2" ] && break
            sleep 0.1
        done
        [ -s "$2" ] || fail "the replay of $1 did not finish"
        kill -KILL "$inkpond"
        wait "$inkpond" 2>/dev/null || true
        inkpond=""
    else
        start_inkpond --replay "$1" --export "$2"
        wait_exit
    fi
}

# Restores what the killed process left and compares it with picture $1.
restore_and_compare() {
    rm -rf "$work/restored"
    start_inkpond --recover-to "$work/restored"
    wait_exit
    [ -s "$work/restored/recovered-1.png" ] || fail "$2: nothing restored"
    [ ! -e "$work/restored/recovered-2.png" ] || fail "$2: more than one picture restored"
    differing=$(compare -metric AE "$1" "$work/restored/recovered-1.png" null: 2>&1) || true
    [ "$differing" = 0 ] || fail "$2: $differing pixels differ from the picture before the kill"
    [ -z "$(ls -A "$work/data/Inkpond/recovery" 2>/dev/null)" ] || fail "$2: records left behind"
    echo "ok: $2"
}

s="$work/session.jsonl"

{ settings; stroke 80 400 500 420; stroke 80 300 500 250; } >"$s"
replay "$s" "$work/before.png" kill
restore_and_compare "$work/before.png" "killed just after a stroke"

{ settings; stroke 80 400 500 420; stroke 80 300 500 250; } >"$work/finished.jsonl"
replay "$work/finished.jsonl" "$work/finished.png"
{ cat "$work/finished.jsonl"; stroke 100 100 500 150 pen unfinished; } >"$s"
replay "$s" "$work/midway.png" kill
differing=$(compare -metric AE "$work/finished.png" "$work/midway.png" null: 2>&1) || true
[ "$differing" != 0 ] || fail "the unfinished stroke painted nothing before the kill"
restore_and_compare "$work/finished.png" "killed in the middle of a stroke"

{ settings; stroke 80 400 500 420; action setActiveColor: 2; click 100 100 shift; click 300 200 ctrl
  hover 400 120; } >"$s"
replay "$s" "$work/before.png" kill
restore_and_compare "$work/before.png" "killed with a chain of lines pending"

{ settings; stroke 80 400 500 420; action cropResizeToFixedSize: 2
  printf '{"t":0,"event":"answer","answer":"default"}\n'; stroke 20 20 380 280; } >"$s"
replay "$s" "$work/before.png" kill
[ "$(identify -format %wx%h "$work/before.png")" = 400x300 ] || fail "the crop did not happen"
restore_and_compare "$work/before.png" "killed after a crop"

{ settings; stroke 80 400 500 420; stroke 80 300 500 250
  printf '{"t":0,"event":"proximity","enter":false,"pointer":"pen","id":0}\n'
  printf '{"t":0,"event":"proximity","enter":true,"pointer":"eraser","id":0}\n'
  stroke 300 550 320 100 eraser; } >"$s"
replay "$s" "$work/before.png" kill
restore_and_compare "$work/before.png" "killed after the eraser end erased"

# A journal cut in the middle of its last line: the strokes before it come back.
{ settings; stroke 80 400 500 420; } >"$work/first.jsonl"
replay "$work/first.jsonl" "$work/first.png"
{ cat "$work/first.jsonl"; stroke 80 300 500 250; } >"$s"
replay "$s" "$work/before.png" kill
journal=$(ls "$work"/data/Inkpond/recovery/*/journal-*.jsonl)
size=$(wc -c <"$journal")
truncate -s $((size - 20)) "$journal"
restore_and_compare "$work/first.png" "journal cut in its last line"

# A longer session: pressure strokes, colours, lines, the eraser, an undo.
replay "$(dirname "$0")/../../resources/demo/demo.jsonl" "$work/before.png" kill
restore_and_compare "$work/before.png" "killed after the demonstration session"

# Through the X server: a drag with the X pointer, SIGKILL, and the question at the next start,
# answered with Return (Restore).
unset QT_QPA_PLATFORM
start_inkpond
window=$(wait_window Untitled)
window_geometry "$window"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
drag $((cx - 150)) "$cy" $((cx + 150)) "$cy"
# The stroke has ended once the window says it has changes; it is in the record once the
# journal holds its release.
wait_window 'Untitled\*' >/dev/null
for _ in $(seq 300); do
    grep -qs '"release"' "$work"/data/Inkpond/recovery/*/journal-*.jsonl && break
    sleep 0.1
done
grep -qs '"release"' "$work"/data/Inkpond/recovery/*/journal-*.jsonl ||
    fail "the stroke never reached the recovery journal"
drawn=$(screen_pixel "$cx" "$cy")
[ "$(alpha_of "$drawn")" = 255 ] && ! near "$drawn" "255 255 255 255" 60 ||
    fail "the drag painted nothing: $drawn"
kill -KILL "$inkpond"
wait "$inkpond" 2>/dev/null || true
inkpond=""
start_inkpond
question=$(wait_other_window)
focus_window "$question"
keys Return
wait_window 'Untitled\*' >/dev/null
for _ in $(seq 100); do
    restored=$(screen_pixel "$cx" "$cy")
    near "$drawn" "$restored" 0 && break
    sleep 0.1
done
near "$drawn" "$restored" 0 || fail "restored $restored where the stroke was $drawn"
echo "ok: killed on the X server, restored through the question"
