#!/usr/bin/env bash
# Installs what is needed and what the tests add, builds, runs the fuzzers
# briefly and then the whole test suite (unit and end-to-end labels).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh" --tests
bash "$top/scripts/build.sh"
build=${BUILD_DIR:-$top/build}
if [ -f "$top/fuzz/CMakeLists.txt" ]; then
  bash "$top/fuzz/run.sh"
fi
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 1500
