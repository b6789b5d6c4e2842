#!/bin/sh
# Closing an edited window asks whether to save. Cancel keeps the window; Save goes through the
# Save dialog, writes the drawing, closes the window and, the last one gone, ends the program;
# in a second run Don't Save closes without writing anything.
. "$(dirname "$0")/harness.sh"

# A new window with one stroke across its middle; sets win.
draw_in_new_window() {
    start_inkpond
    win=$(wait_window Untitled)
    focus_window "$win"
    window_geometry "$win"
    drag $((X + WIDTH / 2 - 100)) $((Y + HEIGHT / 2)) $((X + WIDTH / 2 + 100)) $((Y + HEIGHT / 2))
    wait_window 'Untitled\*' >/dev/null
}

# Closes the window with the menu shortcut and waits for the question.
ask_to_close() {
    focus_window "$win"
    keys ctrl+w
    question=$(wait_other_window "$win")
    focus_window "$question"
}

draw_in_new_window
ask_to_close
shot close_asks_to_save-question
keys Escape
wait_hidden "$question"
wait_window 'Untitled\*' >/dev/null

ask_to_close
keys Return # Save, the default answer
dialog=$(wait_window "Save As")
focus_window "$dialog"
out="$work/files/kept.png"
type_path_and_accept "$out"
wait_file "$out"
wait_exit
painted_box "$out"
[ "$BW" -ge 205 ] && [ "$BW" -le 215 ] || fail "saved stroke is $BW wide, not 200 and the pen's"

rm -f "$work/files/"*
draw_in_new_window
ask_to_close
keys Tab space # from Save to Don't Save
wait_exit
[ -z "$(ls "$work/files")" ] || fail "Don't Save wrote $(ls "$work/files")"
echo "Cancel kept the window, Save wrote the drawing, Don't Save wrote nothing"
