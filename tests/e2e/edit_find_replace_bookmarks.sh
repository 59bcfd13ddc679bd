# Real keys find, replace and mark lines: Ctrl+F, a text typed into the find dialog, Return,
# Escape, then F3 in the document for the next one; Ctrl+H and Replace All (Alt+A) from the
# caret on; F9 marks, F5 jumps in the order set, Alt+F9 clears; Ctrl+L ends a selection. The
# saved bytes show where every key left the caret.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

file="$E2E_TMP/find.tex"
printf 'abc\r\nfoo abc\r\nbar\r\n' >"$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[find\.tex' 30) || e2e_fail "no window for the file"

# open_dialog KEY TITLE: the key in the document window until the dialog shows (a busy machine
# may lose a key); its id is left in $dialog.
open_dialog() {
  dialog=""
  for attempt in 1 2 3; do
    e2e_keys "$window" "$1"
    dialog=$(e2e_named_window "$2" 10) && return 0
  done
  e2e_fail "$1 showed no dialog '$2'; windows: $(e2e_window_names)"
}

# Find "abc": the first one is selected; Escape closes the dialog; F3 goes on to the second,
# which typing then replaces.
open_dialog ctrl+f "検索"
e2e_keys "$dialog" a b c Return Escape
e2e_gone "$dialog" 20 || e2e_fail "Escape did not close the find dialog"
e2e_keys "$window" F3 X

# Replace every "a" from the caret on by "4": the "abc" above the caret stays.
open_dialog ctrl+h "置換"
e2e_keys "$dialog" a Tab 4 alt+a Escape
e2e_gone "$dialog" 20 || e2e_fail "Escape did not close the replace dialog"

# Marks on the first and last lines; the first jump goes to the mark set last, the next one
# round to the first; after Alt+F9 a jump stays put.
e2e_keys "$window" ctrl+Home F9 Down Down F9 ctrl+End F5 P F5 M alt+F9 F5 N
# Ctrl+L ends the selection of the "r" made with Shift+Left and leaves the caret before it: "Z"
# goes in there and the "r" stays.
e2e_keys "$window" ctrl+End shift+Left ctrl+l Z ctrl+s

expected="$E2E_TMP/expected"
printf 'MNabc\r\nfoo X\r\nPb4Zr\r\n' >"$expected"
if ! e2e_wait 20 'cmp -s "$file" "$expected"'; then
  e2e_fail "saved bytes: $(od -An -c "$file" | tr -s ' ')"
fi

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
echo "ok"
