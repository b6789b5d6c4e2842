#!/bin/sh
# The tool keys, the colour picker and the paper menu as a user with a keyboard meets them: each
# changes what the next stroke paints, and the settings file holds the choices after quitting.
. "$(dirname "$0")/harness.sh"

start_inkpond
win=$(wait_window Untitled)
focus_window "$win"
window_geometry "$win"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))

# Plain paper, chosen from the View menu, so that the picker finds its colour under the pointer.
keys alt+v
menu=$(wait_other_window "$win")
keys p
wait_hidden "$menu"
focus_window "$win"

# Slot 3, three rungs wider: 10, 11, 12, 14 points.
keys 3 bracketright bracketright bracketright
drag $((cx - 150)) $((cy - 120)) $((cx + 150)) $((cy - 120))
# The eraser, five rungs narrower (10 down to 5.5), across that stroke; then slot 3 again.
keys e bracketleft bracketleft bracketleft bracketleft bracketleft
drag "$cx" $((cy - 160)) "$cx" $((cy - 80))
keys e
# The paper's colour into slot 3, which then paints with it.
keys i
xdotool mousemove $((cx - 200)) $((cy + 180)) click 1
drag $((cx - 150)) $((cy + 20)) $((cx + 150)) $((cy + 20))
# Slot 1 as it was.
keys 1
drag $((cx - 150)) $((cy + 120)) $((cx + 150)) $((cy + 120))
wait_window 'Untitled\*' >/dev/null
shot tool_keys-drawn

keys ctrl+s
dialog=$(wait_window "Save As")
focus_window "$dialog"
out="$work/files/keys.png"
type_path_and_accept "$out"
wait_file "$out"
wait_window keys.png >/dev/null
focus_window "$win"
keys ctrl+q
wait_exit

# Rows of the three strokes, from the sheet's top: the painted box starts at the first.
painted_box "$out"
top=$BY
ink="26 0 51 255"
paper="255 255 250 255" # the plain paper's warm white
height_at() { # painted rows in column $1 from row $2 to $3
    convert "$out" -crop "1x$(($3 - $2))+$1+$2" -alpha extract -threshold 50% -format "%[fx:int(mean*h+0.5)]" info:
}
left=$((BX + 40))
first=$(height_at "$left" "$top" $((top + 40)))
[ "$first" -ge 14 ] && [ "$first" -le 16 ] || fail "slot 3 after ]]] painted $first rows, not 14"
mid=$((BX + BW / 2))
gap=$(height_at "$mid" "$top" $((top + 40)))
[ "$gap" -eq 0 ] || fail "the eraser left $gap rows of the first stroke"
# 5.5 points across: clear 1 px either side of its middle, untouched 5 px off.
for dx in -1 1; do
    erased=$(height_at $((mid + dx)) "$top" $((top + 40)))
    [ "$erased" -eq 0 ] || fail "the eraser was narrower than 5.5 points: $erased rows at $dx px"
done
for dx in -5 5; do
    kept=$(height_at $((mid + dx)) "$top" $((top + 40)))
    [ "$kept" -ge 14 ] || fail "the eraser was wider than 5.5 points: $kept rows at $dx px"
done
near "$(pixel "$out" "$left" $((top + 7)))" "$ink" 3 || fail "slot 3 did not paint the ink"
near "$(pixel "$out" "$left" $((top + 147)))" "$paper" 3 ||
    fail "the picked colour painted $(pixel "$out" "$left" $((top + 147))), not the paper's $paper"
near "$(pixel "$out" "$left" $((top + 247)))" "$ink" 3 || fail "slot 1 did not paint the ink"

conf="$work/config/Inkpond/Inkpond.conf"
[ -s "$conf" ] || fail "no settings file"
setting() { sed -n "s/^$1=//p" "$conf"; }
[ "$(setting BrushSize2)" = "14" ] || fail "BrushSize2 is '$(setting BrushSize2)', not 14"
[ "$(setting BrushSize0)" = "10" ] || fail "BrushSize0 is '$(setting BrushSize0)', not 10"
[ "$(setting RubberSize)" = "5.5" ] || fail "RubberSize is '$(setting RubberSize)', not 5.5"
[ "$(setting BgType)" = "0" ] || fail "BgType is '$(setting BgType)', not 0 (plain)"
[ "$(setting PenColor)" = "1" ] || fail "PenColor is '$(setting PenColor)', not 1"
[ "$(setting Color2)" != "$(setting Color0)" ] || fail "Color2 was not changed by the picker"
echo "keys: slot 3 $first rows, eraser gap clean, paper picked; settings kept"
