#!/usr/bin/env bash
# qlnfax settings shows the settings as the program loads them: hexadecimal
# port numbers, receive keys falling back to their sending counterparts, the
# no-modem flag, and every default on a first start.
set -euo pipefail
qlnfax=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect() { grep -qxF -- "$2" <<<"$1" || fail "missing line \"$2\""; }

out=$("$qlnfax" settings --data-dir "$dir")
expect "$out" "Modem/ComPort=0"
expect "$out" "Dialing/DialAttempts=3"
expect "$out" "Default Font/Name=Arial"
expect "$out" "Version/Version=2.9z Build 8"
[ "$(tail -n1 <<<"$out")" = "NoModem=1" ] || fail "NoModem is not the last line or not 1"
[ ! -e "$dir/QLN.INI" ] || fail "showing the settings wrote the file"

printf '[modem]\r\ncomport=0x2\r\nInitString=AT&F1\r\nFaxClass=2\r\n[Dialing]\r\nECM=1\r\n' >"$dir/QLN.INI"
out=$("$qlnfax" settings --data-dir "$dir")
expect "$out" "Modem/ComPort=2"
expect "$out" "Modem/InitStringReceive=AT&F1"
expect "$out" "Modem/FaxClassReceive=2"
expect "$out" "Receive/ECMReceive=1"
expect "$out" "NoModem=0"
echo "qlnfax settings: ok"
