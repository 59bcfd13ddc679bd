# A file on the command line opens in a maximised window; Ctrl+N, typed as a real key, makes
# TeX1; the window keys move between and close document windows, and no other shortcut
# does; at exit the file is in the recent-file list.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

file="$E2E_TMP/thesis.tex"
# "\section{表}" in code page 932: 表 is 95 5C.
printf '\\section{\x95\x5c}\r\nline two\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[thesis\.tex\]$' 30) || e2e_fail "no window for the file"

e2e_keys "$window" ctrl+n
e2e_window '^Mirev - \[TeX1\]$' 20 >/dev/null || e2e_fail "Ctrl+N did not make TeX1"
e2e_keys "$window" ctrl+w ctrl+F6
e2e_window '^Mirev - \[thesis\.tex\]$' 20 >/dev/null || e2e_fail "Ctrl+F6 did not go back to the file"
e2e_keys "$window" ctrl+F4
e2e_window '^Mirev - \[TeX1\]$' 20 >/dev/null || e2e_fail "Ctrl+F4 did not close the file's window"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
grep -qxF "File1=$file" "$PROFILE" || e2e_fail "recent-file list: $(cat "$PROFILE")"
cmp -s "$file" <(printf '\\section{\x95\x5c}\r\nline two\r\n') || e2e_fail "the file was changed"
echo "ok"
