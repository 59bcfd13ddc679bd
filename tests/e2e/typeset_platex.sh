# Real pLaTeX and dvipdfmx through Ctrl+T under names with blanks and Japanese: F4 and a typed
# "%" fix the error and the saved fix makes a PDF; pLaTeX's Japanese messages copied from the pane
# paste as code page 932.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
which platex dvipdfmx pdftotext >/dev/null || e2e_fail "platex, dvipdfmx or pdftotext is missing (scripts/deps.sh)"

docs="$(cd "$(dirname "$0")/../data/typeset/docs" && pwd)"
dir="$E2E_TMP/日本語 フォルダ"
mkdir -p "$dir"
cp "$docs/bad.tex" "$dir/誤り 文書.tex"
cp "$docs/jmsg.tex" "$dir/"
cd "$dir"
e2e_start "$dir/誤り 文書.tex"
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [誤り 文書.tex]" 30) || e2e_fail "no window: $(e2e_window_names)"
# The chain's commands are the program's children: a run is over when none is left.
idle() { [ -z "$(pgrep -P "$pid")" ]; }
# run_typeset LOG: Ctrl+T, then waits for pLaTeX's new log and the chain's end.
run_typeset() {
  log="$1"
  rm -f "$log"
  e2e_keys "$window" ctrl+t
  e2e_wait 120 'grep -aq "^Output written" "$log" 2>/dev/null && idle' ||
    e2e_fail "the run did not end: $(tail -n 5 "$log" 2>/dev/null)"
  sleep 0.5
}
run_typeset "誤り 文書.log"
[ -e "誤り 文書.pdf" ] && e2e_fail "dvipdfmx ran after pLaTeX failed"

e2e_keys "$window" F4 percent
run_typeset "誤り 文書.log"
line7=$(sed -n 7p "誤り 文書.tex" | iconv -f CP932 -t UTF-8)
[ "$line7" = "%表示\undefinedcommand{}の後。"$'\r' ] || e2e_fail "line 7 after F4, % and Ctrl+T: '$line7'"
e2e_wait 20 '[ -s "誤り 文書.pdf" ] && idle' || e2e_fail "no PDF after the fix: $(ls -la)"
pdftotext "誤り 文書.pdf" - | grep -q 'この行は正しい' || e2e_fail "no Japanese text in the PDF"

"$MIREV" --open "$dir/jmsg.tex" >>"$E2E_TMP/handoff.log" 2>&1 || e2e_fail "the hand-off failed"
e2e_window "Mirev - [jmsg.tex]" 20 >/dev/null || e2e_fail "jmsg.tex not shown: $(e2e_window_names)"
run_typeset jmsg.log
e2e_keys "$window" F6 ctrl+a ctrl+c F6 ctrl+End Return ctrl+v ctrl+s
{
  printf 'jmsg.tex:5: Package mine Error: 日本語のエラーです：表示できますか.\r\n'
  printf 'jmsg.tex:6: Package mine Error: A long error message that goes on and on so that TeX wraps it past seventy-nine columns 日本語も.\r\n'
} | iconv -f UTF-8 -t CP932 >"$E2E_TMP/expected"
e2e_wait 20 'cmp -s <(tail -n 2 jmsg.tex) "$E2E_TMP/expected"' ||
  e2e_fail "the pane's entries, pasted: '$(tail -n 2 jmsg.tex | iconv -f CP932 -t UTF-8 2>&1)'"

e2e_quit "$pid" "$window"
echo "ok"
