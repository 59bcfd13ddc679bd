# The real mouse: a drag selects across lines and typing replaces the selection; with the
# repository's sample macro file found from the starting folder, Shift and the right button
# still give the edit popup, whose first item cuts; Ctrl+wheel away from the user makes the rows
# taller, one step of 2 pixels a notch, up to 24.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
cd "$(dirname "$0")/../.." && [ -f plind.mac ] || e2e_fail "no sample macro file in $PWD"

file="$E2E_TMP/drag.tex"
printf '0123456789\r\nabcdefghij\r\nABCDEFGHIJ\r\nklmnopqrst\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [drag.tex]" 30) || e2e_fail "no window for the file"
xdotool windowfocus --sync "$window" 2>/dev/null

# The green margin strip is the viewport's left edge; it is two cells wide and rows are 18
# pixels high at the default size.
e2e_shot start
read -r mx my mw mh < <(e2e_box start 00FF00) || e2e_fail "no margin on the screen"
cell=$((mw / 2))
row=18
[ "$cell" -eq 9 ] || e2e_fail "cells $cell pixels wide at the default size, not 9"
at() { echo $((mx + mw + $1 * cell + cell / 2)) $((my + $2 * row + row / 2)); }

# From line 0 column 2 to line 2 column 5, then a typed Z in place of the selection; Shift+End
# selects the rest of that line for the popup.
xdotool mousemove $(at 2 0) mousedown 1
sleep 0.2
xdotool mousemove $(at 4 1)
sleep 0.2
xdotool mousemove $(at 5 2) mouseup 1
e2e_keys "$window" Z shift+End
xdotool mousemove $(at 3 1) keydown shift click 3
sleep 0.3
xdotool keyup shift
popup=$(e2e_new_window 10 "$window") || e2e_fail "Shift and the right button showed no popup"
xdotool key --clearmodifiers --delay 200 Down Return
e2e_gone "$popup" 10 || e2e_fail "the edit popup did not close with its first item chosen"
e2e_keys "$window" ctrl+s
e2e_saved "$file" '01Z\r\nklmnopqrst\r\n'

# The two lines selected are two rows of selection blue, 18 pixels high each; three notches
# away from the user make them 24, a fourth changes nothing.
e2e_keys "$window" ctrl+a
e2e_shot selected
read -r _ _ _ high < <(e2e_box selected 0000FF)
[ "${high:-0}" -eq 36 ] || e2e_fail "two selected rows ${high:-no} pixels high at the default size"
xdotool mousemove $(at 3 1)
for notch in 1 2 3 4; do
  xdotool keydown ctrl click 4 keyup ctrl
  sleep 0.2
done
e2e_shot zoomed
read -r _ _ _ high < <(e2e_box zoomed 0000FF)
[ "${high:-0}" -eq 48 ] || e2e_fail "two selected rows ${high:-no} pixels high after zooming in"

e2e_quit "$pid" "$window"
echo "ok"
