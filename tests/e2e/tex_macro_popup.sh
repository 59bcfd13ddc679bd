# The macro popup with the repository's sample file, found by its default name from the folder
# the program starts in: F10 opens it, the access keys of 見出し(&S) and 節(&S) insert
# \section{*} with the asterisk selected, the title typed replaces it, and F8 goes on to the
# asterisk after it. Shift and the right button give the edit popup instead, whose first item
# cuts the selection.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$repo/plind.mac" ] || e2e_fail "no sample macro file in $repo"

file="$E2E_TMP/paper.tex"
printf '\r\n\\label{sec:*}\r\nxy\r\n' >"$file"
cd "$repo"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[paper\.tex\]$' 30) || e2e_fail "no window for the file"

# A busy machine may lose a key; close whatever opened and try again.
chosen=""
for attempt in 1 2 3; do
  e2e_keys "$window" F10
  if popup=$(e2e_new_window 10 "$window"); then
    xdotool key --clearmodifiers --delay 300 s s
    e2e_gone "$popup" 10 && chosen=yes && break
  fi
  xdotool key --clearmodifiers Escape Escape
  sleep 1
done
[ -n "$chosen" ] || e2e_fail "F10 showed no popup to choose from; windows: $(e2e_window_names)"
e2e_keys "$window" I n t r o F8 i n t r o
# Down twice to the last line, then "xy" selected from its start.
e2e_keys "$window" Down Home shift+End

xdotool mousemove --window "$window" 400 300
sleep 0.2
xdotool keydown shift click 3
sleep 0.3
xdotool keyup shift
popup=$(e2e_new_window 10 "$window") || e2e_fail "Shift and the right button showed no popup"
xdotool key --clearmodifiers --delay 200 Down Return
e2e_gone "$popup" 10 || e2e_fail "the edit popup did not close"
e2e_keys "$window" ctrl+s

expected="$E2E_TMP/expected"
printf '\\section{Intro}\r\n\\label{sec:intro}\r\n\r\n' >"$expected"
if ! e2e_wait 20 'cmp -s "$file" "$expected"'; then
  e2e_fail "saved bytes: $(od -An -c "$file" | tr -s ' ')"
fi
# The cut text is on the clipboard.
e2e_keys "$window" ctrl+v ctrl+s
printf '\\section{Intro}\r\n\\label{sec:intro}\r\nxy\r\n' >"$expected"
e2e_wait 20 'cmp -s "$file" "$expected"' || e2e_fail "after pasting: $(od -An -c "$file" | tr -s ' ')"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
# The macro file was never chosen: its name is not written.
e2e_profile_values | grep -q '^Settings/MacroName=' && e2e_fail "the macro file name was written"
echo "ok"
