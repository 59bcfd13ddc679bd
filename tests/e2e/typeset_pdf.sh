# Ctrl+T on a code page 932 jsarticle document in a Japanese folder with blanks in its names:
# the edit typed just before is saved first, and real pLaTeX and dvipdfmx make a PDF whose
# text pdftotext reads back, Japanese and the typed word alike.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
for tool in platex dvipdfmx pdftotext; do
  command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/deps.sh installs it)"
done

dir="$E2E_TMP/日本語 フォルダ"
mkdir -p "$dir"
file="$dir/文書 1.tex"
pdf="$dir/文書 1.pdf"
cp "$(dirname "$0")/../data/typeset/docs/good.tex" "$file"
e2e_start "$file"
pid=$E2E_LAST_PID
window=$(e2e_named_window "Mirev - [文書 1.tex]" 30) || e2e_fail "no window for the file: $(e2e_window_names)"

# A word at the end of the line of Japanese text, then Ctrl+T without saving.
e2e_keys "$window" ctrl+Home Down Down Down End space x y z z y
e2e_keys "$window" ctrl+t
# The PDF is the last step's; the run is over when the program has no child left.
e2e_wait 120 '[ -s "$pdf" ] && [ -z "$(pgrep -P "$pid")" ]' || e2e_fail "no PDF: $(ls -la "$dir")"

grep -q xyzzy "$file" || e2e_fail "the edit was not saved before typesetting"
text="$(pdftotext "$pdf" -)" || e2e_fail "pdftotext could not read the PDF"
grep -q 'これは日本語の文書です' <<<"$text" || e2e_fail "no Japanese text in the PDF: $text"
grep -q 'xyzzy' <<<"$text" || e2e_fail "the typed word is not in the PDF: $text"

e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
echo "ok"
