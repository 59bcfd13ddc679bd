# Starting without a file shows the main window with TeX1; the exit command from the menu
# ends the program, which writes only the recent-file list and leaves the desktop entry.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

e2e_start
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[TeX1\]$' 30) || e2e_fail "no main window titled with TeX1"

entry="$XDG_DATA_HOME/applications/mirev.desktop"
[ -f "$entry" ] || e2e_fail "no desktop entry at $entry"
grep -q '^MimeType=text/x-tex;$' "$entry" || e2e_fail "desktop entry without the TeX type"
grep -qF "Exec=\"$(readlink -f "$MIREV")\" --open %f" "$entry" || e2e_fail "desktop entry runs: $(grep Exec "$entry")"

# Alt+F opens the file menu, X its exit item.
e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
if [ -f "$PROFILE" ]; then
  grep -v -e '^\[' -e '^$' "$PROFILE" && e2e_fail "values written although nothing changed"
fi
echo "ok"
