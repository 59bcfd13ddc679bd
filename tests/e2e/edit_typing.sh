# Real keys edit a file: typed text, Enter, Backspace, undo and redo, selections made with Shift
# and the arrows, copy and paste through the X clipboard, and Ctrl+S; with the repository's
# sample macro file found from the starting folder, Shift and the right button still give the
# edit popup, whose first item cuts. The saved bytes are exactly the ones the keys make.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
cd "$(dirname "$0")/../.." && [ -f plind.mac ] || e2e_fail "no sample macro file in $PWD"

file="$E2E_TMP/edit.tex"
# Two lines, "ab" and 表 (95 5C, its trail byte a backslash).
printf 'ab\r\n\x95\x5c\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [edit.tex]" 30) || e2e_fail "no window for the file"

# "abcd", then a new line "xy"; Backspace, undo and redo leave "x".
e2e_keys "$window" End c d Return x y BackSpace ctrl+z ctrl+y
# Copy "x" with Shift+Left; paste it after 表 on the next line.
e2e_keys "$window" shift+Left ctrl+c Down End ctrl+v
# Copy "ab" with Shift+Right twice; paste it on a new last line.
e2e_keys "$window" ctrl+Home shift+Right shift+Right ctrl+c ctrl+End Return ctrl+v
# Cut "d" from the popup; paste it at the end.
e2e_keys "$window" ctrl+Home End shift+Left
xdotool mousemove --window "$window" 200 200 keydown shift click 3
sleep 0.3
xdotool keyup shift
popup=$(e2e_new_window 10 "$window") || e2e_fail "Shift and the right button showed no popup"
xdotool key --clearmodifiers --delay 200 Down Return
e2e_gone "$popup" 10 || e2e_fail "the edit popup did not close with its first item chosen"
e2e_keys "$window" ctrl+End ctrl+v ctrl+s
e2e_saved "$file" 'abc\r\nx\r\n\x95\x5cx\r\nabd\r\n'

# Saved: the program ends without asking.
e2e_quit "$pid" "$window"
cmp -s "$file" "$E2E_TMP/expected" || e2e_fail "the file changed after the save"
echo "ok"
