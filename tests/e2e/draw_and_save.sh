#!/bin/sh
# Draws two strokes with the X pointer in a new window, saves with the menu shortcut through the
# Save dialog, and reads the saved file: both strokes are there in the ink's colour, the long one
# above the short one, and nothing else is painted (the paper is not saved).
. "$(dirname "$0")/harness.sh"

start_inkpond
win=$(wait_window Untitled)
focus_window "$win"
window_geometry "$win"
# The middle of a new window lies on its sheet.
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
drag $((cx - 150)) $((cy - 50)) $((cx + 150)) $((cy - 50))
drag $((cx - 150)) $((cy + 50)) $((cx - 50)) $((cy + 50))
wait_window 'Untitled\*' >/dev/null
shot draw_and_save-drawn

keys ctrl+s
dialog=$(wait_window "Save As")
focus_window "$dialog"
out="$work/files/drawing.png"
type_path_and_accept "$out"
wait_file "$out"
# The window now belongs to the file and has nothing unsaved.
wait_window drawing.png >/dev/null

set -- $(identify -format "%w %h" "$out")
[ "$1 $2" = "600 600" ] || fail "saved picture is $1 x $2, not the new sheet's 600 x 600"
painted_box "$out"
# 300 and 100 pixels of drag, drawn with a round pen 10 points wide.
[ "$BW" -ge 306 ] && [ "$BW" -le 314 ] || fail "painted width $BW (${BW}x$BH+$BX+$BY)"
[ "$BH" -ge 106 ] && [ "$BH" -le 114 ] || fail "painted height $BH (${BW}x$BH+$BX+$BY)"
ink="26 0 51 255"
long=$(pixel "$out" $((BX + BW - 30)) $((BY + 5)))
short=$(pixel "$out" $((BX + 30)) $((BY + BH - 5)))
beside_short=$(pixel "$out" $((BX + BW - 30)) $((BY + BH - 5)))
between=$(pixel "$out" $((BX + BW / 2)) $((BY + BH / 2)))
near "$long" "$ink" 3 || fail "the long stroke at the top right is $long, not the ink $ink"
near "$short" "$ink" 3 || fail "the short stroke at the bottom left is $short, not the ink $ink"
[ "$(alpha_of "$beside_short")" -eq 0 ] || fail "painted right of the short stroke: $beside_short"
[ "$(alpha_of "$between")" -eq 0 ] || fail "painted between the strokes: $between"
echo "saved strokes in ${BW}x$BH+$BX+$BY, ink $long"
