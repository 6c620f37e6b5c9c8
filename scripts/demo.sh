#!/usr/bin/env bash
# The main job on its embedded default: a fresh data directory in a temporary
# folder, the program's settings as loaded there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
qlnfax="$build/tools/qlnfax/qlnfax"
work=$(mktemp -d /tmp/quillon-demo.XXXXXX)
echo "Quillon demo in $work"
"$qlnfax" --version
"$qlnfax" settings --data-dir "$work"
