#!/bin/sh
# A picture copied in one Inkpond goes through the X clipboard into a new document of another:
# New from Clipboard makes an untitled, edited window in the second program, and saving it
# gives the copied stroke.
. "$(dirname "$0")/harness.sh"

start_inkpond
first=$inkpond
win=$(wait_window Untitled "$first")
focus_window "$win"
window_geometry "$win"
drag $((X + WIDTH / 2 - 100)) $((Y + HEIGHT / 2)) $((X + WIDTH / 2 + 100)) $((Y + HEIGHT / 2))
wait_window 'Untitled\*' "$first" >/dev/null
keys ctrl+c

# Another program, not a window of the first: the clipboard is to cross between processes.
start_inkpond --new-instance
second=$inkpond
other=$(wait_window Untitled "$second")
focus_window "$other"
keys ctrl+shift+v
pasted=$(wait_window 'Untitled 2\*' "$second")
shot clipboard_between_programs-pasted

focus_window "$pasted"
keys ctrl+s
dialog=$(wait_window "Save As" "$second")
focus_window "$dialog"
out="$work/files/pasted.png"
type_path_and_accept "$out"
wait_file "$out"
set -- $(identify -format "%w %h" "$out")
[ "$1 $2" = "600 600" ] || fail "the pasted picture is $1 x $2, not the copied sheet's 600 x 600"
painted_box "$out"
[ "$BW" -ge 205 ] && [ "$BW" -le 215 ] && [ "$BH" -ge 8 ] && [ "$BH" -le 12 ] \
    || fail "the pasted picture holds ${BW}x$BH+$BX+$BY, not the copied stroke"
# Copy leaves the paper out: around the stroke the pasted picture is transparent.
[ "$(alpha_of "$(pixel "$out" 5 5)")" -eq 0 ] || fail "the paper came along"
echo "pasted the stroke, ${BW}x$BH+$BX+$BY"
