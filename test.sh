#!/usr/bin/env bash
# Builds everything (installing what is missing), with every warning in our code an error, and
# runs every test through CTest: the core tests, the same tests under ASan + UBSan, the Qt tests
# offscreen and the end-to-end tests under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIREV_WERROR=ON >/dev/null
cmake --build build
cd build
ctest --output-on-failure --timeout 900 "$@"
