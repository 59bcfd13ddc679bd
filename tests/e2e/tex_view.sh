# The TeX view by real keys and the mouse, with the repository's sample macro file found by its
# default name from the folder the program starts in. Auto-indent is switched on in the
# settings dialog (Alt+V, Up to its last item "各種設定", Tab twice to "オートインデント機能",
# Space, Return for OK). F10 opens the macro popup; the access keys of 見出し(&S) and 節(&S)
# insert \section{*} with the asterisk selected, the title typed replaces it, F8 goes on to the
# asterisk after it. Shift and the right button give the edit popup, whose first item cuts.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$repo/plind.mac" ] || e2e_fail "no sample macro file in $repo"

file="$E2E_TMP/paper.tex"
printf '\r\n\\label{sec:*}\r\n\tab\r\n' >"$file"
cd "$repo"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[paper\.tex\]$' 30) || e2e_fail "no window for the file"

# e2e_menu KEY...: types the keys that open a popup, then waits for it; a busy machine may lose
# a key, so whatever opened is closed and the keys typed again.
e2e_menu() {
  local attempt
  for attempt in 1 2 3; do
    e2e_keys "$window" "$@"
    popup=$(e2e_new_window 10 "$window") && return 0
    xdotool key --clearmodifiers Escape Escape
    sleep 1
  done
  e2e_fail "$* showed no popup; windows: $(e2e_window_names)"
}

e2e_menu alt+v
xdotool key --clearmodifiers --delay 200 Up Return
dialog=$(e2e_named_window "各種設定" 15) || e2e_fail "the settings menu item showed no dialog"
e2e_keys "$dialog" Tab Tab space Return
e2e_gone "$dialog" 20 || e2e_fail "the settings dialog did not close with OK"

e2e_menu F10
xdotool key --clearmodifiers --delay 300 s s
e2e_gone "$popup" 10 || e2e_fail "the macro popup did not close with its entry chosen"
e2e_keys "$window" I n t r o F8 i n t r o
# At the end of the tab-indented last line, Enter indents the new one; "cd" goes there.
e2e_keys "$window" Down End Return c d
# "ab" selected, then cut from the edit popup.
e2e_keys "$window" Up Home shift+End
xdotool mousemove --window "$window" 400 300
sleep 0.2
xdotool keydown shift click 3
sleep 0.3
xdotool keyup shift
popup=$(e2e_new_window 10 "$window") || e2e_fail "Shift and the right button showed no popup"
xdotool key --clearmodifiers --delay 200 Down Return
e2e_gone "$popup" 10 || e2e_fail "the edit popup did not close with its first item chosen"
e2e_keys "$window" ctrl+s

expected="$E2E_TMP/expected"
printf '\\section{Intro}\r\n\\label{sec:intro}\r\n\r\n\tcd\r\n' >"$expected"
if ! e2e_wait 20 'cmp -s "$file" "$expected"'; then
  e2e_fail "saved bytes: $(od -An -c "$file" | tr -s ' ')"
fi

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
settings="$(e2e_profile_values | grep -v '^Recent File List/')"
[ "$settings" = "Settings/AutoIndent=1" ] || e2e_fail "profile values besides the recent files: '$settings'"
echo "ok"
