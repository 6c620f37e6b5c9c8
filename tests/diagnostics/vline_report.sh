#!/usr/bin/env bash
# End to end: `qlnfax diagnostics` over a running virtual fax line lists the
# line's modems with their identification and fax classes, and a [Ports]
# device that does not exist is reported without ending the report.
set -u
qlnfax=$1
export QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
"$qlnfax" vline serve "$dir/line" --modems 1,2,2.0 >"$dir/serve.out" 2>&1 &
server=$!
cleanup() { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "$dir/line/modem3" ] && break
  sleep 0.1
done
[ -e "$dir/line/modem3" ] || { echo "virtual line did not start"; cat "$dir/serve.out"; exit 1; }
mkdir -p "$dir/data"
printf '[Ports]\nCOM4=/dev/quillon-missing-port\n' >"$dir/data/QLN.INI"
out=$(QLN_VLINE_DIRS="$dir/line" QLN_SERIAL_BY_ID_DIR="$dir/none" "$qlnfax" diagnostics --data-dir "$dir/data" --reply-ms 1500 2>&1)
rc=$?
fail=0
[ $rc -eq 0 ] || { echo "FAIL: exit status $rc"; fail=1; }
want() {
  grep -qF -- "$1" <<<"$out" || { echo "FAIL: wanted '$1'"; fail=1; }
}
want "Virtual line modem 1 ($dir/line)"
want "Virtual line modem 3 ($dir/line)"
want ": 0,1,1.0 (OK)"
want ": 0,2 (OK)"
want ": 0,2.0 (OK)"
want "Quillon virtual fax modem, Class 2.0 (OK)"
want "does not open: the device /dev/quillon-missing-port does not exist"
want "Operating system"
want "Locale"
[ $fail -eq 0 ] || echo "$out"
exit $fail
