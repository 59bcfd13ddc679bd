# The TeX view by real keys, with the repository's sample macro file found by its default name
# from the folder the program starts in. Auto-indent is switched on in the settings dialog
# (Alt+V, Up to its last item "各種設定", Tab twice to "オートインデント機能", Space, Return for
# OK). F10 opens the macro popup; the access keys of 見出し(&S) and 節(&S) insert \section{*}
# with the asterisk selected, the title typed replaces it, F8 goes on to the asterisk after it.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$repo/plind.mac" ] || e2e_fail "no sample macro file in $repo"

file="$E2E_TMP/paper.tex"
printf '\r\n\\label{sec:*}\r\n\tab\r\n' >"$file"
cd "$repo"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [paper.tex]" 30) || e2e_fail "no window for the file"

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
dialog=$(e2e_window "各種設定" 15) || e2e_fail "the settings menu item showed no dialog"
e2e_keys "$dialog" Tab Tab space Return
e2e_gone "$dialog" 20 || e2e_fail "the settings dialog did not close with OK"

e2e_menu F10
xdotool key --clearmodifiers --delay 300 s s
e2e_gone "$popup" 10 || e2e_fail "the macro popup did not close with its entry chosen"
e2e_keys "$window" I n t r o F8 i n t r o
# At the end of the tab-indented last line, Enter indents the new one.
e2e_keys "$window" Down End Return c d ctrl+s
e2e_saved "$file" '\\section{Intro}\r\n\\label{sec:intro}\r\n\tab\r\n\tcd\r\n'
e2e_quit "$pid" "$window"
grep -qx 'AutoIndent=1' "$PROFILE" || e2e_fail "auto-indent not kept: $(cat "$PROFILE")"
echo "ok"
