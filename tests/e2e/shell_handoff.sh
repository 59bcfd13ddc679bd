# The desktop entry's command hands its file to the running instance and ends at once; a
# socket left by a killed instance is taken over by the next one.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

e2e_start
first=$E2E_LAST_PID
e2e_window '^Mirev - \[TeX1\]$' 30 >/dev/null || e2e_fail "no first window"
entry="$XDG_DATA_HOME/applications/mirev.desktop"
e2e_wait 10 '[ -f "$entry" ]' || e2e_fail "no desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")

# Runs the desktop entry's command for a file, as the desktop would (the path has no
# characters the entry's quoting would have to deal with).
open_from_desktop() {
  local command="${exec_line//%f/\"$1\"}"
  eval "timeout 20 $command" >>"$E2E_TMP/handoff.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

printf 'b\r\n' >"$E2E_TMP/b.tex"
open_from_desktop "$E2E_TMP/b.tex"
second=$E2E_LAST_PID
e2e_exited "$second" 20 || e2e_fail "the second start did not end"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the second start ended with $E2E_STATUS"
e2e_window '^Mirev - \[b\.tex\]$' 20 >/dev/null || e2e_fail "the first instance did not show b.tex"
[ "$(e2e_windows '^Mirev' | wc -l)" -eq 1 ] || e2e_fail "more than one main window"
kill -0 "$first" 2>/dev/null || e2e_fail "the first instance ended"

# A file that cannot be read is refused by the running instance, with its box.
open_from_desktop "$E2E_TMP/missing.tex"
e2e_exited "$E2E_LAST_PID" 20 || e2e_fail "the hand-off of a missing file did not end"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the hand-off of a missing file ended with $E2E_STATUS"
box=$(e2e_window '^error$' 20) || e2e_fail "no error box in the running instance"
e2e_keys "$box" Return
e2e_wait 20 '[ -z "$(e2e_windows "^error$")" ]' || e2e_fail "the box stayed"
kill -0 "$first" 2>/dev/null || e2e_fail "the running instance ended after the box"

# An instance that dies leaves its socket; the next start takes it over.
socket="$XDG_RUNTIME_DIR/mirev-$(id -u).sock"
[ -S "$socket" ] || e2e_fail "no socket at $socket"
kill -9 "$first"
wait "$first" 2>/dev/null
e2e_wait 20 '[ -z "$(e2e_windows "^Mirev")" ]' || e2e_fail "the killed instance's window stayed"
[ -S "$socket" ] || e2e_fail "the killed instance's socket is gone; nothing to take over"
printf 'c\r\n' >"$E2E_TMP/c.tex"
open_from_desktop "$E2E_TMP/c.tex"
third=$E2E_LAST_PID
e2e_window '^Mirev - \[c\.tex\]$' 30 >/dev/null || e2e_fail "no new instance with c.tex"
kill -0 "$third" 2>/dev/null || e2e_fail "the new instance ended"
printf 'd\r\n' >"$E2E_TMP/d.tex"
open_from_desktop "$E2E_TMP/d.tex"
e2e_exited "$E2E_LAST_PID" 20 || e2e_fail "the hand-off to the new instance did not end"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "the hand-off to the new instance ended with $E2E_STATUS"
e2e_window '^Mirev - \[d\.tex\]$' 20 >/dev/null || e2e_fail "the new instance did not show d.tex"
echo "ok"
