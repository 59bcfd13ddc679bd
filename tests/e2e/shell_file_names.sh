# File names as the kernel reads them: "x/lnk/../f.tex" on the command line opens and saves the
# f.tex beside the folder the link leads to, not the one beside the link; a name in code page
# 932 (not UTF-8) opens from the command line and through the running instance's channel, is
# shown with a mark for each byte that is no text, and is written back to the same file.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

mkdir -p "$E2E_TMP/x/sub/deeper"
ln -s sub/deeper "$E2E_TMP/x/lnk"
printf 'read me\r\n' >"$E2E_TMP/x/sub/f.tex"
printf 'beside the link\r\n' >"$E2E_TMP/x/f.tex"
# 表 is 95 5C; 漢字 is 8A BF 8E 9A.
sjis_first="$E2E_TMP/$(printf '\x95\x5c').tex"
sjis_second="$E2E_TMP/$(printf '\x8a\xbf\x8e\x9a').tex"
printf 'one\r\n' >"$sjis_first"
printf 'two\r\n' >"$sjis_second"

cd "$E2E_TMP"
e2e_start x/lnk/../f.tex
pid=$E2E_LAST_PID
window=$(e2e_window '^Mirev - \[f\.tex\]$' 30) || e2e_fail "no window for x/lnk/../f.tex"
e2e_keys "$window" n e w space ctrl+s
e2e_wait 20 'cmp -s x/sub/f.tex <(printf "new read me\r\n")' ||
  e2e_fail "x/sub/f.tex holds: $(od -An -c x/sub/f.tex | tr -s ' ')"
cmp -s x/f.tex <(printf 'beside the link\r\n') || e2e_fail "the file beside the link was written"

# A code page 932 name handed over, as the desktop does, and one on a command line of its own.
replacement=$(printf '\xef\xbf\xbd')
"$MIREV" --open "$sjis_first" >>"$E2E_TMP/handoff.log" 2>&1 || e2e_fail "the hand-off failed"
e2e_named_window "Mirev - [$replacement\\.tex]" 20 >/dev/null ||
  e2e_fail "no window for the handed-over name; windows: $(e2e_window_names)"
window=$(e2e_named_window "Mirev - [$replacement\\.tex]" 5)
e2e_keys "$window" End x ctrl+s
e2e_wait 20 'cmp -s "$sjis_first" <(printf "onex\r\n")' || e2e_fail "the handed-over file was not written"
e2e_keys "$window" alt+f x
e2e_exited "$pid" 20 || e2e_fail "the exit command did not end the program"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
grep -qxF "File2=$E2E_TMP/x/sub/f.tex" "$PROFILE" || e2e_fail "recent-file list: $(cat "$PROFILE")"
grep -q '^File1=@ByteArray(' "$PROFILE" || e2e_fail "the code page 932 name is not kept as bytes: $(cat "$PROFILE")"

e2e_start "$sjis_second"
pid=$E2E_LAST_PID
e2e_named_window "Mirev - [$replacement$replacement$replacement$replacement.tex]" 30 >/dev/null ||
  e2e_fail "no window for the name on the command line; windows: $(e2e_window_names)"
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended"
echo "ok"
