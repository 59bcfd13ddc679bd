# "x/lnk/../f.tex" on the command line, with lnk -> sub/deeper, opens and saves x/sub/f.tex, as
# the kernel reads the name, and leaves the f.tex beside the link alone.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

mkdir -p "$E2E_TMP/x/sub/deeper"
ln -s sub/deeper "$E2E_TMP/x/lnk"
printf 'read me\r\n' >"$E2E_TMP/x/sub/f.tex"
printf 'beside the link\r\n' >"$E2E_TMP/x/f.tex"
cd "$E2E_TMP"
e2e_start x/lnk/../f.tex
pid=$E2E_LAST_PID
window=$(e2e_window "Mirev - [f.tex]" 30) || e2e_fail "no window; windows: $(e2e_window_names)"
e2e_keys "$window" n e w space ctrl+s
e2e_saved x/sub/f.tex 'new read me\r\n'
cmp -s x/f.tex <(printf 'beside the link\r\n') || e2e_fail "the file beside the link was written"
e2e_quit "$pid" "$window"
grep -qxF "File1=$E2E_TMP/x/sub/f.tex" "$PROFILE" || e2e_fail "recent-file list: $(cat "$PROFILE")"
echo "ok"
