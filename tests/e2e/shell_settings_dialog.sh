# The settings dialog from its menu, by keys as a user would: Alt+V opens "表示・設定(&V)",
# Up wraps to its last item "各種設定". A new tab size confirmed with OK is, at exit, the only
# value written to the profile besides the recent-file list.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

file="$E2E_TMP/paper.tex"
printf 'a\tb\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[paper\.tex\]$' 30) || e2e_fail "no window for the file"

# A busy machine may lose a key; close whatever opened and try again.
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

# The tab size field has the focus; OK is the default button.
e2e_keys "$dialog" ctrl+a 4 Return
e2e_gone "$dialog" 20 || e2e_fail "the settings dialog did not close with OK"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"

values="$(e2e_profile_values)"
settings="$(grep -v '^Recent File List/' <<<"$values")"
[ "$settings" = "Settings/TabStops=4" ] || e2e_fail "profile values besides the recent files: '$settings'"
grep -qxF "Recent File List/File1=$file" <<<"$values" || e2e_fail "recent-file list: '$values'"
cmp -s "$file" <(printf 'a\tb\r\n') || e2e_fail "the file was changed"
echo "ok"
