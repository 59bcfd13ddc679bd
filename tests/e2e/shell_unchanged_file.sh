# A file opened, looked through (caret keys, a selection) and left unchanged is not written at
# exit: same bytes, inode and modification time, though its LF breaks and missing last break are
# not how the program writes lines.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

file="$E2E_TMP/notes.tex"
# 表 is 95 5C, its trail byte a backslash.
printf '\\documentclass{jarticle}\n\x95\x5c\tx\nlast' >"$file"
touch -d '2001-02-03 04:05:06.123456789' "$file"
before="$(stat -c '%i %s %y' "$file")"
e2e_start "$file"
window=$(e2e_window "Mirev - [notes.tex]" 30) || e2e_fail "no window for the file"
e2e_keys "$window" ctrl+End Up Home shift+Down shift+End ctrl+Home
e2e_quit "$E2E_LAST_PID" "$window"
cmp -s "$file" <(printf '\\documentclass{jarticle}\n\x95\x5c\tx\nlast') || e2e_fail "the file's bytes changed"
[ "$before" = "$(stat -c '%i %s %y' "$file")" ] || e2e_fail "the file was written: before '$before'"
echo "ok"
