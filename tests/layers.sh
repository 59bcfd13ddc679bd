#!/usr/bin/env bash
# Checks the layers on every include line of the core: the core folders, lowest first
# base < sys < doc < view < tex, include no Qt and nothing of the Qt side (platform/, app/,
# res/), each includes only itself and the folders below it, and only sys/ includes the
# operating system's headers. Prints each offending line; fails when there is one.
#   tests/layers.sh [src folder]
set -euo pipefail

src=${1:-$(dirname "$0")/../src}
order=(base sys doc view tex)
qt_side=(platform app res)
os_headers='^(unistd\.h|fcntl\.h|dirent\.h|pthread\.h|dlfcn\.h|windows\.h|sys/.*)$'

rank() {
  local i
  for i in "${!order[@]}"; do
    if [ "${order[$i]}" = "$1" ]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

problems=0
report() {
  echo "$1: $2" >&2
  problems=$((problems + 1))
}

for folder in "${order[@]}"; do
  [ -d "$src/$folder" ] || continue
  own=$(rank "$folder")
  while IFS=: read -r file number text; do
    where=$file:$number
    line=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*//' <<<"$text")
    case $line in
      \<*)
        header=$(sed -E 's/^<([^>]*)>.*/\1/' <<<"$line")
        if [[ $header =~ ^[Qq] ]]; then
          report "$where" "$folder/ includes Qt: <$header>"
        elif [ "$folder" != sys ] && [[ $header =~ $os_headers ]]; then
          report "$where" "$folder/ includes a system header outside sys/: <$header>"
        fi
        ;;
      \"*)
        header=$(sed -E 's/^"([^"]*)".*/\1/' <<<"$line")
        if [[ $header == *..* ]]; then
          report "$where" "$folder/ reaches out of its folder: \"$header\""
          continue
        fi
        if [[ $header != */* ]]; then
          [ -e "$(dirname "$file")/$header" ] || report "$where" "$folder/ includes an unknown \"$header\""
          continue
        fi
        target=${header%%/*}
        for side in "${qt_side[@]}"; do
          [ "$target" = "$side" ] && report "$where" "$folder/ includes the Qt side: \"$header\""
        done
        theirs=$(rank "$target")
        if [ "$theirs" -gt "$own" ]; then
          report "$where" "$folder/ includes the higher layer $target/: \"$header\""
        elif [ "$theirs" -lt 0 ] && [[ " ${qt_side[*]} " != *" $target "* ]]; then
          report "$where" "$folder/ includes \"$header\" from outside the core"
        fi
        ;;
      *)
        report "$where" "an include this check cannot read: $line"
        ;;
    esac
  done < <(grep -EHn '^[[:space:]]*#[[:space:]]*include' "$src/$folder" -r --include='*.h' --include='*.cpp' \
             --include='*.inc' || true)
done

if [ "$problems" -gt 0 ]; then
  echo "$problems include(s) break the layers" >&2
  exit 1
fi
echo "layers hold: ${order[*]}"
