#!/bin/sh
# gentex small, then docbench: a CR LF file with a final break must come back byte for byte.
# Usage: docbench_roundtrip.sh GENTEX DOCBENCH
set -eu
gentex=$1
docbench=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$gentex" small "$dir/in.tex"
"$gentex" small "$dir/again.tex"
cmp "$dir/in.tex" "$dir/again.tex"
test "$(wc -l < "$dir/in.tex")" -eq 1000

"$docbench" "$dir/in.tex" "$dir/out.tex"
cmp "$dir/in.tex" "$dir/out.tex"

if "$docbench" "$dir/missing.tex" "$dir/out2.tex" 2>/dev/null; then
  echo "docbench reported success for a missing input" >&2
  exit 1
fi
test ! -e "$dir/out2.tex"
