# A save beyond the file size limit does not end the program: it says the disk is full and
# keeps the old file and the unsaved text.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

file="$E2E_TMP/big.tex"
# 3000 bytes now, past the 4 KiB limit after the paste below.
head -c 2998 /dev/zero | tr '\0' 'a' >"$file"
printf '\r\n' >>"$file"
cp "$file" "$E2E_TMP/before"
(ulimit -f 4 && exec "$MIREV" "$file") >>"$E2E_TMP/mirev.log" 2>&1 &
pid=$!
E2E_PIDS+=("$pid")
window=$(e2e_window "Mirev - [big.tex]" 30) || e2e_fail "no window for the file"
# The line copied and pasted: 6000 bytes.
e2e_keys "$window" ctrl+a ctrl+c ctrl+End ctrl+v ctrl+s
box=$(e2e_window "Mirev" 20) || e2e_fail "no message box; windows: $(e2e_window_names)"
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended during the save"
e2e_keys "$box" Return
e2e_gone "$box" 20 || e2e_fail "the box stayed"
cmp -s "$file" "$E2E_TMP/before" || e2e_fail "the old file was changed"
[ -z "$(find "$E2E_TMP" -maxdepth 1 -name '.big.tex.*')" ] || e2e_fail "a new file was left behind"
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended after the box"
echo "ok"
