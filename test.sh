#!/usr/bin/env bash
# Builds everything (installing what is missing), with every warning in our code an error, and
# runs every test through CTest: the core tests, the core and Qt tests again under ASan + UBSan,
# the Qt tests offscreen, the end-to-end tests under Xvfb, the benchmarks' smoke runs and the
# source checks.
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -f build/build.ninja ]; then
  echo "First run: installing what is missing and building everything takes about 15 minutes and"
  echo "1.6 GB (1 GB of packages, 0.6 GB of build) on two cores; later runs rebuild only what changed."
fi
./scripts/deps.sh
# The benchmarks are built here only for their smoke tests.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIREV_BENCH=ON -DMIREV_WERROR=ON >/dev/null
cmake --build build
cd build
ctest --output-on-failure --timeout 900 "$@"
