# Real keys (typing, undo, redo, Shift selections, the X clipboard, Ctrl+S) save exactly the bytes
# they make; the program then ends without asking.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

file="$E2E_TMP/edit.tex"
# "ab" and 表 (95 5C, its trail byte a backslash).
printf 'ab\r\n\x95\x5c\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [edit.tex]" 30) || e2e_fail "no window for the file"
# "abcd" and a new line "x"; "x" pasted after 表; "ab" pasted on a new last line; "d" cut and
# pasted at the end.
e2e_keys "$window" End c d Return x y BackSpace ctrl+z ctrl+y
e2e_keys "$window" shift+Left ctrl+c Down End ctrl+v
e2e_keys "$window" ctrl+Home shift+Right shift+Right ctrl+c ctrl+End Return ctrl+v
e2e_keys "$window" ctrl+Home End shift+Left ctrl+x ctrl+End ctrl+v ctrl+s
e2e_saved "$file" 'abc\r\nx\r\n\x95\x5cx\r\nabd\r\n'
e2e_quit "$pid" "$window"
cmp -s "$file" "$E2E_TMP/expected" || e2e_fail "the file changed after the save"
echo "ok"
