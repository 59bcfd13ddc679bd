# Auto-indent switched on in the settings dialog, by keys as a user would (Alt+V, Up to its
# last item "各種設定", Tab twice to the check box "オートインデント機能", Space, Return for OK):
# Enter then repeats the tabs that start the line, and one Undo takes back only those. The
# switch is written to the profile at exit.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

file="$E2E_TMP/list.tex"
printf '\\begin{itemize}\r\n\t\\item a\r\n\\end{itemize}\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[list\.tex\]$' 30) || e2e_fail "no window for the file"

dialog=""
for attempt in 1 2 3; do
  e2e_keys "$window" alt+v
  if menu=$(e2e_new_window 10 "$window"); then
    xdotool key --clearmodifiers --delay 200 Up Return
    dialog=$(e2e_named_window "各種設定" 15) && break
  fi
  dialog=""
  xdotool key --clearmodifiers Escape Escape
  sleep 1
done
[ -n "$dialog" ] || e2e_fail "the settings menu item showed no dialog; windows: $(e2e_window_names)"
e2e_keys "$dialog" Tab Tab space Return
e2e_gone "$dialog" 20 || e2e_fail "the settings dialog did not close with OK"

# At the end of "\t\item a": Enter gives a tab; "\item b" follows it. Then a second Enter and
# one Undo: the tab goes, the new line stays.
e2e_keys "$window" Down End Return backslash i t e m space b Return ctrl+z ctrl+s

expected="$E2E_TMP/expected"
printf '\\begin{itemize}\r\n\t\\item a\r\n\t\\item b\r\n\r\n\\end{itemize}\r\n' >"$expected"
if ! e2e_wait 20 'cmp -s "$file" "$expected"'; then
  e2e_fail "saved bytes: $(od -An -c "$file" | tr -s ' ')"
fi

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
settings="$(e2e_profile_values | grep -v '^Recent File List/')"
[ "$settings" = "Settings/AutoIndent=1" ] || e2e_fail "profile values besides the recent files: '$settings'"
echo "ok"
