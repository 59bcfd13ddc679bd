#!/usr/bin/env bash
# Builds Mirev (installing what is missing) and starts it: ./run.sh [file]
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target mirev
exec ./build/mirev "$@"
