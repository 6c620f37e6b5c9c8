#!/usr/bin/env bash
# Configures and builds Quillon into ./build (or $BUILD_DIR).
# BUILD_TYPE sets the CMake build type. Without it the build is
# RelWithDebInfo when the test packages are installed (install-deps.sh
# --tests), and Release otherwise: the programs alone, without debug
# information, which compiles about a fifth faster.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
if [ -z "${BUILD_TYPE:-}" ]; then
  if dpkg-query -W -f='${Status}' libgtest-dev 2>/dev/null | grep -q 'install ok installed'; then
    BUILD_TYPE=RelWithDebInfo
  else
    BUILD_TYPE=Release
  fi
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" >/dev/null
cmake --build "$build" -j"$(nproc)"
