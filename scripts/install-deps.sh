#!/usr/bin/env bash
# Installs the Debian packages Quillon needs (run as root):
#   install-deps.sh          what building and running need (packages.txt)
#   install-deps.sh --tests  that and what the tests add (packages-test.txt)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=("$here/packages.txt")
# Without recommended packages, the first list installs in a fraction of the
# time; the test tools keep theirs (fonts, helpers the tests rely on).
apt_opts=(--no-install-recommends)
if [ "${1:-}" = --tests ]; then
  lists+=("$here/packages-test.txt")
  apt_opts=()
elif [ $# -gt 0 ]; then
  echo "usage: install-deps.sh [--tests]" >&2
  exit 2
fi
mapfile -t pkgs < <(cat "${lists[@]}" | grep -v -E '^\s*(#|$)' | sort -u)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # Unpacking without an fsync per file: a fresh machine's install is many
  # times faster, and an interrupted one is simply run again.
  apt-get install -y -qq -o Dpkg::Options::=--force-unsafe-io "${apt_opts[@]}" "${missing[@]}"
fi
