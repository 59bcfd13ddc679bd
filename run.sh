#!/usr/bin/env bash
# Builds Mirev (installing what is missing) and starts it: ./run.sh [file]
# Mirev starts in the repository's folder, so that the macro file's default name, plind.mac,
# names the sample file there; a file given here is taken from where run.sh was called.
set -euo pipefail
args=()
for arg in "$@"; do
  if [[ -n "$arg" && "$arg" != -* ]]; then args+=("$(realpath -m -- "$arg")"); else args+=("$arg"); fi
done
cd "$(dirname "$0")"
# Without a display Qt would only suggest reinstalling; QT_QPA_PLATFORM picks a platform itself.
if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to show Mirev on (neither DISPLAY nor WAYLAND_DISPLAY is set); run it in a desktop session or with ssh -X" >&2
  exit 1
fi
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target mirev
exec ./build/mirev "${args[@]}"
