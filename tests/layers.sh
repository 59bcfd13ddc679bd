#!/usr/bin/env bash
# layers.sh [SRC]: each core folder of base < sys < doc < view < tex includes only itself and the
# folders below it, no Qt and nothing of the Qt side; only sys/ includes the system's headers.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
[ -d "$src/base" ] || { echo "no core folders in $src" >&2; exit 1; }
layers=" base sys doc view tex "
os_headers='^<(unistd\.h|fcntl\.h|dirent\.h|pthread\.h|dlfcn\.h|windows\.h|sys/.*)>'
problems=0
for folder in $layers; do
  allowed="${layers%% "$folder" *} $folder "
  while IFS=: read -r file number text; do
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*//' <<<"$text")
    name=${header:1}
    name=${name%%[\">]*}
    case $header in
      \<[Qq]*) why="Qt" ;;
      \<*) [[ $folder != sys && $header =~ $os_headers ]] && why="a system header outside sys/" || continue ;;
      \"*..*) why="a path out of its folder" ;;
      \"*/*) [[ $allowed == *" ${name%%/*} "* ]] && continue || why="a higher layer or no core folder" ;;
      \"*) [ -e "$(dirname "$file")/$name" ] && continue || why="an unknown header" ;;
      *) why="what this check cannot read" ;;
    esac
    echo "$file:$number: $folder/ includes $why: $header" >&2
    problems=$((problems + 1))
  done < <(grep -EHnr '^[[:space:]]*#[[:space:]]*include' --include='*.h' --include='*.cpp' --include='*.inc' \
             "$src/$folder")
done
[ "$problems" -eq 0 ] || { echo "$problems include(s) break the layers" >&2; exit 1; }
echo "layers hold:$layers"
