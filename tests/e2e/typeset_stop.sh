# "中止" from the menu ends pLaTeX looping on \loop\iftrue\repeat, with everything its command
# started: the command's process group is empty soon after (the time is printed; the runner
# sends SIGTERM, then SIGKILL after half a second).
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
command -v platex >/dev/null || e2e_fail "platex is missing (scripts/deps.sh installs it)"

file="$E2E_TMP/loop.tex"
cp "$(dirname "$0")/../data/typeset/docs/loop.tex" "$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[loop\.tex\]$' 30) || e2e_fail "no window for the file"

e2e_keys "$window" ctrl+t
# The command leads a process group of its own, whose id is its process id.
group=""
e2e_wait 60 'group=$(pgrep -P "$pid" | head -n1); [ -n "$group" ] && pgrep -g "$group" -x platex >/dev/null' ||
  e2e_fail "platex never ran"
sleep 1
pgrep -g "$group" -x platex >/dev/null || e2e_fail "platex ended by itself"

# The menu opens on its first item, "タイプセット"; the next is "中止".
e2e_keys "$window" alt+t
menu=$(e2e_new_window 10 "$window") || e2e_fail "the menu did not open"
start=$(date +%s%N)
xdotool key --clearmodifiers Down Return
e2e_wait 10 '[ -z "$(pgrep -g "$group")" ]' || e2e_fail "still running after Stop: $(pgrep -a -g "$group")"
echo "process tree ended $((($(date +%s%N) - start) / 1000000)) ms after the menu's Return"
e2e_wait 10 '[ -z "$(pgrep -P "$pid")" ]' || e2e_fail "the program still has a child"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
echo "ok"
