#!/usr/bin/env bash
# End to end: "qlnfax modem" checks, resets and queries the emulated Class 1,
# 2 and 2.0 modems of the virtual fax line.
set -u
qlnfax=$1
export QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
"$qlnfax" vline serve "$dir" --modems 1,2,2.0 >"$dir/serve.out" 2>&1 &
server=$!
cleanup() { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "$dir/modem3" ] && break
  sleep 0.1
done
[ -e "$dir/modem3" ] || { echo "virtual line did not start"; cat "$dir/serve.out"; exit 1; }
fail=0
expect() { # modem, action..., expected text in the output
  local m=$1 want=$2; shift 2
  out=$("$qlnfax" modem --data-dir "$dir" --device "$dir/$m" "$@" 2>&1)
  if ! grep -qF -- "$want" <<<"$out"; then
    echo "FAIL: $m $*: wanted '$want', got:"; echo "$out"; fail=1
  fi
}
expect modem1 "result: OK" check
expect modem1 "result: OK" reset
expect modem1 "0,1,1.0" send "+FCLASS=?"
expect modem2 "0,2\\r" send "+FCLASS=?"
expect modem3 "0,2.0" send "+FCLASS=?"
expect modem3 "command: AT&F" send "&F"
exit $fail
