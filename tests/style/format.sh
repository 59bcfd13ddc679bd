#!/usr/bin/env bash
# Fails when a tracked C++ source is not what clang-format 14 makes of it with the repository's
# .clang-format. Other versions format differently, so without version 14 (or without git and a
# checkout to list the tracked files) it reports itself skipped (77).
# Usage: format.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1

skip() {
  echo "skipped: $*"
  exit 77
}

command -v git >/dev/null || skip "git is not installed"
# The checkout may belong to another user (a CI clone); reading its file list is safe.
git() { command git -c safe.directory="$PWD" "$@"; }
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || skip "$PWD is not a git checkout"
format=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    format=$candidate
    break
  fi
done
[ -n "$format" ] || skip "clang-format 14 is not installed (apt-get install clang-format-14)"

# The code page tables (*.inc) are generated and stay as the generator writes them.
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "no tracked sources found in $PWD" >&2; exit 1; }
drifting=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue  # deleted in the worktree, not yet committed
  "$format" --style=file "$file" | cmp -s - "$file" || drifting+=("$file")
done
if [ ${#drifting[@]} -gt 0 ]; then
  echo "${#drifting[@]} of ${#files[@]} sources differ from $format's layout; to fix them:"
  echo "  $format -i ${drifting[*]}"
  exit 1
fi
echo "${#files[@]} sources formatted"
