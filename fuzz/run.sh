#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for its fixed number of
# inputs. A crash, leak or sanitizer report fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-${BUILD_DIR:-$top/build}/fuzz}
CC=clang-14 CXX=clang++-14 cmake -S "$top/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while read -r name runs corpus; do
  [ -n "$name" ] || continue
  dirs=("$work/$name")
  mkdir -p "$work/$name"
  [ -d "$corpus" ] && dirs+=("$corpus")
  if (cd "$work" && "$build/$(cd "$build" && find . -name "$name" -type f -perm -u+x | head -n1)" \
        -runs="$runs" -max_total_time=120 -print_final_stats=0 "${dirs[@]}" >"$work/$name.log" 2>&1); then
    echo "fuzz $name: $runs runs, no fault"
  else
    echo "fuzz $name: FAILED"; tail -n 40 "$work/$name.log"; status=1
  fi
done < "$build/fuzzers.txt"
exit $status
