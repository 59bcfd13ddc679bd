# pLaTeX's error messages in Japanese (written in UTF-8 to the terminal for a code page 932
# source, the file names in EUC-JP) show as Japanese in the pane: its entries, copied with
# F6, Ctrl+A, Ctrl+C and pasted into the document, save as the same text in code page 932.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
command -v platex >/dev/null || e2e_fail "platex is missing (scripts/deps.sh installs it)"

file="$E2E_TMP/jmsg.tex"
log="$E2E_TMP/jmsg.log"
cp "$(dirname "$0")/../data/typeset/docs/jmsg.tex" "$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[jmsg\.tex\]$' 30) || e2e_fail "no window for the file"

e2e_keys "$window" ctrl+t
e2e_wait 120 'grep -q "^Output written" "$log" 2>/dev/null && [ -z "$(pgrep -P "$pid")" ]' ||
  e2e_fail "the run did not end: $(cat "$log" 2>/dev/null | tail -5)"
sleep 0.5

e2e_keys "$window" F6 ctrl+a ctrl+c F6 ctrl+End Return ctrl+v ctrl+s
expected="$E2E_TMP/expected"
{
  printf 'jmsg.tex:5: Package mine Error: 日本語のエラーです：表示できますか.\r\n'
  printf 'jmsg.tex:6: Package mine Error: A long error message that goes on and on so that TeX wraps it past seventy-nine columns 日本語も.\r\n'
} | iconv -f UTF-8 -t CP932 >"$expected"
e2e_wait 20 'cmp -s <(tail -n 2 "$file") "$expected"' ||
  e2e_fail "the pane's entries, pasted: '$(tail -n 2 "$file" | iconv -f CP932 -t UTF-8 2>&1)'"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
echo "ok"
