#!/usr/bin/env bash
# Demo: no modem hardware needed. Starts a virtual fax line in a temporary
# directory, sends a one-page sample fax from its first emulated modem to the
# line's remote fax machine (number 100), and shows what arrived: pages, the
# received TIFF file and a PNG of page 1. The line is always stopped at the end.
#
# The sending host is efax (Class 1) until Quillon's own engine sends from
# the command line.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
qlnfax="$build/tools/qlnfax/qlnfax"
speed=${DEMO_SPEED_UP:-4}
[[ -x $qlnfax ]] || { echo "qlnfax not built; run: bash scripts/build.sh" >&2; exit 1; }
for tool in efax efix convert; do
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

# The sample page: a short letter drawn with square pixels, then halved in
# height to the fax's normal resolution (1728 pixels wide, 204 x 98 dpi) and
# stored as a Group 3 TIFF file.
convert -size 1728x2200 xc:white -font DejaVu-Sans -fill black \
    -pointsize 64 -draw "text 120,340 'Quillon'" \
    -pointsize 34 -draw "text 120,520 'Demo fax over the virtual fax line'" \
    -draw "text 120,720 'To: the remote fax machine, number 100'" \
    -draw "text 120,840 'From: emulated Class 1 modem 1'" \
    -draw "text 120,1080 'If you can read this, the page crossed a simulated telephone'" \
    -draw "text 120,1200 'line as V.17 audio and arrived pixel for pixel.'" \
    -draw "rectangle 120,1400 1600,1412" \
    -scale 100%x50% -monochrome "$work/sample.pbm"
efix -i pbm -o tiffg3 -R 204x98 -r 204x98 "$work/sample.pbm" >"$work/sample.tif" 2>/dev/null
echo "sample fax: $work/sample.tif"

"$qlnfax" vline serve "$line" --speed-up "$speed" >"$work/vline.out" 2>&1 &
line_pid=$!
for _ in $(seq 100); do
    [[ -S $line/vline.sock ]] && break
    sleep 0.1
done
[[ -S $line/vline.sock ]] || { cat "$work/vline.out"; echo "the virtual line did not start" >&2; exit 1; }
echo "virtual fax line running in $line (line clock ${speed}x real time); modems: $(cd "$line" && echo modem*)"

echo "sending with efax from $line/modem1 to 100 ..."
if ! efax -d "$line/modem1" -o1 -l "+1 555 0001" -t 100 "$work/sample.tif" >"$work/efax.log" 2>&1; then
    tail -5 "$work/efax.log"
    echo "efax failed; its log: $work/efax.log, the line's log: $line/vline.log" >&2
    exit 1
fi
grep -E 'remote ID|sent [0-9]+\+|done' "$work/efax.log" | sed 's/^efax: /  efax: /'

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
