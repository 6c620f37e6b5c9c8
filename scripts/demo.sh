#!/usr/bin/env bash
# Demo: no modem hardware needed. Starts a virtual fax line in a temporary
# directory, sends a one-page sample fax from its first emulated modem to the
# line's remote fax machine (number 100), and shows what arrived: pages, the
# received TIFF file and a PNG of page 1. The line is always stopped at the end.
#
# The sending host is Quillon's own fax engine (qlnfax send, Class 1); the
# line runs in real time because the engine's pauses are real milliseconds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
qlnfax="$build/tools/qlnfax/qlnfax"
speed=${DEMO_SPEED_UP:-1}
[[ -x $qlnfax ]] || { echo "qlnfax not built; run: bash scripts/build.sh" >&2; exit 1; }
for tool in convert; do
    command -v "$tool" >/dev/null || { echo "$tool is missing; run: bash scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d /tmp/quillon-demo.XXXXXX)
line="$work/line"
line_pid=
stop_line() {
    if [[ -n $line_pid ]] && kill -0 "$line_pid" 2>/dev/null; then
        kill -TERM "$line_pid"
        wait "$line_pid" || true
    fi
}
trap stop_line EXIT

echo "Quillon demo in $work"
"$qlnfax" --version 2>/dev/null

# The sample page: the bundled letter, converted to an APF fax file with the
# built-in fax font.
"$qlnfax" convert "$top/samples/letter.txt" -o "$work/letter.apf" 2>/dev/null
"$qlnfax" info "$work/letter.apf" 2>/dev/null | sed 's/^/  /'

"$qlnfax" vline serve "$line" --speed-up "$speed" >"$work/vline.out" 2>&1 &
line_pid=$!
for _ in $(seq 100); do
    [[ -S $line/vline.sock ]] && break
    sleep 0.1
done
[[ -S $line/vline.sock ]] || { cat "$work/vline.out"; echo "the virtual line did not start" >&2; exit 1; }
echo "virtual fax line running in $line (line clock ${speed}x real time); modems: $(cd "$line" && echo modem*)"

echo "sending with qlnfax from $line/modem1 to 100 ..."
if ! "$qlnfax" send --device "$line/modem1" --class 1 --bps 14400 --station "+1 555 0001" \
        --header "Quillon demo" 100 "$work/letter.apf" >"$work/send.log" 2>&1; then
    grep -v QStandardPaths "$work/send.log" | tail -5
    echo "sending failed; its log: $work/send.log, the line's log: $line/vline.log" >&2
    exit 1
fi
grep -v QStandardPaths "$work/send.log" | sed 's/^/  qlnfax: /'

received="$line/remote/rx-0001.tif"
report="$line/remote/rx-0001.txt"
[[ -f $report ]] || { echo "the remote machine wrote no report" >&2; exit 1; }
echo "remote fax machine's report ($report):"
sed 's/^/  /' "$report"
if [[ -f $received ]]; then
    # Normal resolution pixels are twice as tall as wide: stretch for the screen.
    convert "$received[0]" -resize 100%x200% "$work/received-page1.png"
    echo "received TIFF: $received"
    echo "page 1 as PNG: $work/received-page1.png"
else
    echo "no page was received" >&2
    exit 1
fi
echo "line log: $line/vline.log"
