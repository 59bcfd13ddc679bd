# A file on the command line that cannot be opened: the "error" box, no main window, and once
# the box is dismissed the program ends with a failure status.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

e2e_start "$E2E_TMP/no such file.tex"
pid=$E2E_LAST_PID
box=$(e2e_window '^error$' 30) || e2e_fail "no error box"
[ -z "$(e2e_windows '^Mirev')" ] || e2e_fail "the main window is showing"
kill -0 "$pid" 2>/dev/null || e2e_fail "ended before the box was dismissed"

e2e_keys "$box" Return
e2e_exited "$pid" 20 || e2e_fail "still running after the box was dismissed"
[ "$E2E_STATUS" -ne 0 ] || e2e_fail "exit status 0 for a file that could not be opened"
echo "ok"
