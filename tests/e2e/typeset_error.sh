# An undefined command on line 7: Ctrl+T gives one error entry; F4 puts the caret at the start
# of line 7 with the keys in the document, so a typed "%" comments the line out; the entry
# list copied from the pane (F6, Ctrl+A, Ctrl+C) and pasted on a new last line holds that one
# entry; Ctrl+T again (the pasted line comes after \end{document}) then makes the PDF.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
command -v platex >/dev/null || e2e_fail "platex is missing (scripts/deps.sh installs it)"

file="$E2E_TMP/bad.tex"
log="$E2E_TMP/bad.log"
cp "$(dirname "$0")/../data/typeset/docs/bad.tex" "$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[bad\.tex\]$' 30) || e2e_fail "no window for the file"

e2e_keys "$window" ctrl+t
# pLaTeX writes its log to the end, then stops the chain with its failure.
e2e_wait 120 'grep -q "^Output written" "$log" 2>/dev/null && [ -z "$(pgrep -P "$pid")" ]' ||
  e2e_fail "the run did not end: $(cat "$log" 2>/dev/null | tail -5)"
sleep 0.5

e2e_keys "$window" F4 percent ctrl+s
line7() { sed -n 7p "$file" | iconv -f CP932 -t UTF-8; }
e2e_wait 20 '[ "$(line7)" = "%表示\undefinedcommand{}の後。"$'"'\r'"' ]' ||
  e2e_fail "line 7 after F4 and %: '$(line7)'"

e2e_keys "$window" F6 ctrl+a ctrl+c F6 ctrl+End Return ctrl+v ctrl+s
last() { tail -n 1 "$file" | iconv -f CP932 -t UTF-8; }
e2e_wait 20 '[ "$(last)" = "bad.tex:7: Undefined control sequence."$'"'\r'"' ]' ||
  e2e_fail "the pane's entries, pasted: '$(tail -n 3 "$file" | iconv -f CP932 -t UTF-8)'"

e2e_keys "$window" ctrl+t
e2e_wait 120 '[ -s "$E2E_TMP/bad.pdf" ] && [ -z "$(pgrep -P "$pid")" ]' || e2e_fail "no PDF after the fix"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
echo "ok"
