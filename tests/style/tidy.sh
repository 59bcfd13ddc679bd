#!/usr/bin/env bash
# tidy.sh BUILD_DIR SOURCE_DIR FOLDER...: clang-tidy over the folders' sources fails on any
# finding; a file that passed is checked again once its object or .clang-tidy changes.
set -uo pipefail
build=$(cd "$1" && pwd) && source=$(cd "$2" && pwd) || exit 1
shift 2
tidy=$(command -v clang-tidy || ls /usr/bin/clang-tidy-[0-9]* 2>/dev/null | sort -V | tail -n 1)
[ -n "$tidy" ] || { echo "skipped: clang-tidy is not installed (apt-get install clang-tidy)"; exit 77; }
[ -f "$build/compile_commands.json" ] || { echo "no compile database in $build" >&2; exit 1; }
declare -A objects
while read -r file object; do
  objects[$file]=$object
done < <(sed -n 's/^  "command": ".* -o \([^ ]*\) -c \([^ "]*\)",$/\2 \1/p' "$build/compile_commands.json")

check() {
  local output
  output=$("$tidy" -p "$build" --quiet "$1" 2>&1)
  if [ $? -ne 0 ] || grep -q ': \(warning\|error\): ' <<<"$output"; then
    grep -v ' warnings\? generated\.$' <<<"$output"
    return 1
  fi
  mkdir -p "$(dirname "$2")" && touch "$2"
}
export -f check
export tidy build

todo=()
for folder; do
  for file in "$source/$folder"/*.cpp; do
    object=$build/${objects[$file]:-}
    stamp=$build/tidy-passed/${file#"$source"/}.ok
    [ -f "$file" ] || continue
    [ -f "$object" ] && [ "$stamp" -nt "$object" ] && [ "$stamp" -nt "$source/.clang-tidy" ] && continue
    todo+=("$file" "$stamp")
  done
done
failed=0
[ ${#todo[@]} -eq 0 ] || printf '%s\0' "${todo[@]}" | xargs -0 -n 2 -P "$(nproc)" bash -c 'check "$1" "$2"' _ || failed=1
echo "$tidy: $((${#todo[@]} / 2)) files checked, the others unchanged since they passed"
exit $failed
