# A save beyond the file size limit does not end the program, nor change the file.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

file="$E2E_TMP/big.tex"
printf '%3000s\r\n' x >"$file"  # the paste below doubles it past the 4 KiB limit
cp "$file" "$E2E_TMP/before"
(ulimit -f 4 && exec "$MIREV" "$file") >>"$E2E_TMP/mirev.log" 2>&1 &
E2E_PIDS+=("$!")
window=$(e2e_window "Mirev - [big.tex]" 30) || e2e_fail "no window for the file"
e2e_keys "$window" ctrl+a ctrl+c ctrl+End ctrl+v ctrl+s
box=$(e2e_window "Mirev" 20) || e2e_fail "no message box; windows: $(e2e_window_names)"
e2e_keys "$box" Return
e2e_gone "$box" 20 || e2e_fail "the box stayed"
cmp -s "$file" "$E2E_TMP/before" || e2e_fail "the old file was changed"
kill -0 "${E2E_PIDS[-1]}" 2>/dev/null || e2e_fail "the program ended"
echo "ok"
