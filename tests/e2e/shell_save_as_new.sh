# Save As (F12) on a new, empty document: a name typed without extension gets the standard
# extension "txt", and the empty document is written as one line break, CR LF.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

# The save dialog starts in the working directory.
MIREV="$(realpath "$MIREV")"
work="$E2E_TMP/work"
mkdir -p "$work"
cd "$work" || e2e_fail "no working directory"
e2e_start
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[TeX1\]$' 30) || e2e_fail "no window for TeX1"

# The dialog's title is the toolkit's own; it is the one new window. A busy machine may lose
# the first key before the window has the keyboard.
dialog=""
for attempt in 1 2 3; do
  e2e_keys "$window" F12
  dialog=$(e2e_new_window 15 "$window") && break
done
[ -n "$dialog" ] || e2e_fail "F12 showed no dialog"
# The name field has the focus and proposes ".txt"; replace it.
e2e_keys "$dialog" ctrl+a
xdotool type --clearmodifiers --delay 50 draft
xdotool key --clearmodifiers Return
e2e_window '^Mirev - \[draft\.txt\]$' 30 >/dev/null ||
  e2e_fail "the document did not take the saved name; windows: $(e2e_window_names)"
e2e_gone "$dialog" 20 || e2e_fail "the save dialog stayed open"

[ -f "$work/draft.txt" ] || e2e_fail "no draft.txt: $(ls -A "$work")"
[ ! -e "$work/draft" ] || e2e_fail "a file without the extension was written too"
cmp -s "$work/draft.txt" <(printf '\r\n') || e2e_fail "draft.txt holds $(od -An -c "$work/draft.txt")"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
cmp -s "$work/draft.txt" <(printf '\r\n') || e2e_fail "draft.txt changed at exit"
echo "ok"
