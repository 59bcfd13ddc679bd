# The desktop entry's command hands its file to the running instance and ends at once; a name in
# code page 932 is shown with a mark for each byte that is no UTF-8 and saved to the same file.
# A socket left by a killed instance is taken over by the next one. A file looked through and left
# unchanged is not written at exit, though its LF breaks and missing last one are not the program's.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

e2e_start
first=$E2E_LAST_PID
e2e_window "Mirev - [TeX1]" 30 >/dev/null || e2e_fail "no first window"
entry="$XDG_DATA_HOME/applications/mirev.desktop"
e2e_wait 10 '[ -f "$entry" ]' || e2e_fail "no desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")

# open_from_desktop FILE [STATUS]: the entry's command as the desktop runs it; with STATUS, waits
# for it to end so.
open_from_desktop() {
  eval "${2:+timeout 20} ${exec_line//%f/\"$1\"}" >>"$E2E_TMP/handoff.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
  [ -z "${2:-}" ] && return
  e2e_exited "$E2E_LAST_PID" 20 || e2e_fail "the hand-off of $1 did not end"
  [ "$E2E_STATUS" -eq "$2" ] || e2e_fail "the hand-off of $1 ended with $E2E_STATUS"
}

# 表 is 95 5C, its trail byte a backslash; 漢字 is 8A BF 8E 9A.
mark=$(printf '\xef\xbf\xbd')
first_name="$E2E_TMP/$(printf '\x95\x5c').tex"
second_name="$E2E_TMP/$(printf '\x8a\xbf\x8e\x9a').tex"
printf 'one\r\n' >"$first_name"
printf 'two\r\n' >"$second_name"
open_from_desktop "$first_name" 0
window=$(e2e_window "Mirev - [$mark\\.tex]" 20) || e2e_fail "no handed-over file: $(e2e_window_names)"
e2e_keys "$window" End x ctrl+s
e2e_saved "$first_name" 'onex\r\n'

socket="$XDG_RUNTIME_DIR/mirev-$(id -u).sock"
kill -9 "$first"
wait "$first" 2>/dev/null
e2e_wait 20 '[ -z "$(e2e_program_windows)" ]' || e2e_fail "the killed instance's window stayed"
[ -S "$socket" ] || e2e_fail "the killed instance left no socket at $socket to take over"
open_from_desktop "$second_name"
second=$E2E_LAST_PID
window=$(e2e_window "Mirev - [$mark$mark$mark$mark.tex]" 30) ||
  e2e_fail "no new instance with the name on its command line: $(e2e_window_names)"
printf '\\documentclass{jarticle}\n\x95\x5c\tx\nlast' >"$E2E_TMP/d.tex"
touch -d '2001-02-03 04:05:06.123456789' "$E2E_TMP/d.tex"
before="$(stat -c '%i %s %y' "$E2E_TMP/d.tex")"
open_from_desktop "$E2E_TMP/d.tex" 0
window=$(e2e_window "Mirev - [d.tex]" 20) || e2e_fail "the new instance did not show d.tex"
e2e_keys "$window" ctrl+End Up Home shift+Down shift+End ctrl+Home
e2e_quit "$second" "$window"
[ "$before" = "$(stat -c '%i %s %y' "$E2E_TMP/d.tex")" ] || e2e_fail "d.tex was written: before '$before'"
echo "ok"
