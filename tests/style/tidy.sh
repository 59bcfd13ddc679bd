#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the sources of the named folders, using
# the build's compile database, and fails on any finding. A file that passed is checked again
# only once its object file is rebuilt (it or a header it includes changed) or .clang-tidy
# changes. Without clang-tidy it reports itself skipped (77).
# Usage: tidy.sh BUILD_DIR SOURCE_DIR FOLDER...
set -uo pipefail
build=$(cd "$1" && pwd) || exit 1
source=$(cd "$2" && pwd) || exit 1
shift 2

tidy=$(command -v clang-tidy || ls /usr/bin/clang-tidy-[0-9]* 2>/dev/null | sort -V | tail -n 1)
if [ -z "$tidy" ]; then
  echo "skipped: clang-tidy is not installed (apt-get install clang-tidy)"
  exit 77
fi
database=$build/compile_commands.json
[ -f "$database" ] || { echo "no compile database at $database" >&2; exit 1; }

# Each source's object file, from the database's "-o OBJECT -c SOURCE".
declare -A objects
while read -r file object; do
  objects[$file]=$object
done < <(sed -n 's/^  "command": ".* -o \([^ ]*\) -c \([^ "]*\)",$/\2 \1/p' "$database")

stamps=$build/tidy-passed
todo=()
for folder; do
  for file in "$source/$folder"/*.cpp; do
    [ -f "$file" ] || continue
    object=$build/${objects[$file]:-}
    stamp=$stamps/${file#"$source"/}.ok
    if [ -f "$object" ] && [ "$stamp" -nt "$object" ] && [ "$stamp" -nt "$source/.clang-tidy" ]; then
      continue
    fi
    todo+=("$file")
  done
done

check() {
  local file=$1 stamp=$2 output
  output=$("$tidy" -p "$build" --quiet "$file" 2>&1)
  if [ $? -ne 0 ] || grep -q ': \(warning\|error\): ' <<<"$output"; then
    grep -v ' warnings\? generated\.$' <<<"$output"
    return 1
  fi
  mkdir -p "$(dirname "$stamp")" && touch "$stamp"
}
export -f check
export tidy build

failed=0
if [ ${#todo[@]} -gt 0 ]; then
  for file in "${todo[@]}"; do
    printf '%s\0%s\0' "$file" "$stamps/${file#"$source"/}.ok"
  done | xargs -0 -n 2 -P "$(nproc)" bash -c 'check "$1" "$2"' _ || failed=1
fi
echo "$tidy: ${#todo[@]} files checked, the others unchanged since they passed"
exit $failed
