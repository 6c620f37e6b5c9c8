#!/usr/bin/env bash
# Demo: no modem hardware needed. Makes a fresh data directory in which
# "Virtual modem (test line)" is the chosen modem and one sample fax to the
# line's fax machine (number 100) waits in the Outgoing Faxes list.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set): opens Quillon on that data
# directory; select the fax and click Send.
#
# Without one (or with DEMO_HEADLESS=1): runs the program's own jobs with
# qlnfax, which drives the same objects as the windows:
#   1. sends the sample fax as the send window does (qlnfax fax send): the
#      virtual modem's line starts, the fax goes to number 100;
#   2. turns receive mode on as the Receive button does (qlnfax station) and
#      lets the line's fax machine call in with the page it received;
#   3. shows both lists, and leaves PNG files of the received page and of the
#      main window on this data directory (taken under Xvfb), printing their
#      paths.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
qlnfax="$build/tools/qlnfax/qlnfax"
quillon="$build/src/app/quillon"
[[ -x $qlnfax && -x $quillon ]] || { echo "Quillon is not built; run: bash scripts/build.sh" >&2; exit 1; }

work=$(mktemp -d /tmp/quillon-demo.XXXXXX)
data="$work/data"
mkdir -p "$data"
station_pid=
window_pid=
xvfb_pid=
stop_all() {
    for pid in $station_pid $window_pid $xvfb_pid; do
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
}
trap stop_all EXIT
# Quiet the toolkit's note about the runtime directory in a bare shell.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi

echo "Quillon demo in $data"

# --- A fresh data directory: the virtual modem chosen, one fax ready to send.
cat >"$data/QLN.INI" <<'EOF'
[User]
Name=Quillon Demo
Fax=+1 555 0100
[Modem]
ComPort=0
UseTAPI=1
TAPIDevice=Virtual modem (test line)
FaxClass=1
MaximumBPS=14400
FaxClassReceive=1
MaximumBPSReceive=14400
[Receive]
DisableReceivingFaxesNotification=1
EOF
"$qlnfax" tables init --data-dir "$data" >/dev/null
record=$("$qlnfax" fax add --data-dir "$data" --to "Fax machine on the virtual line" --phone 100 \
    --subject "Welcome to Quillon" "$top/samples/letter.txt" | tail -1)
echo "sample fax ready to send: record $record, to 100 (the virtual line's fax machine)"

if [[ -z ${DEMO_HEADLESS:-} && ( -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ) ]]; then
    echo "opening Quillon: select the fax on the Outgoing Faxes tab and click Send."
    trap - EXIT
    exec "$quillon" --data-dir "$data" --instance-name "quillon-demo-$$"
fi

# --- 1. Send, as the send window does.
echo
echo "1. sending the fax through \"Virtual modem (test line)\" (about half a minute) ..."
if ! "$qlnfax" fax send --data-dir "$data" "$record" >"$work/send.out" 2>&1; then
    grep -v QStandardPaths "$work/send.out" | tail -8
    echo "sending failed; the send log: $data/Lastsend.log" >&2
    exit 1
fi
grep -v QStandardPaths "$work/send.out" | sed 's/^/   /'
remote="$data/vline/remote"
[[ -f $remote/rx-0001.tif ]] || { echo "the fax machine on 100 received nothing" >&2; exit 1; }
echo "   the fax machine on 100 reports:"
sed 's/^/     /' "$remote/rx-0001.txt"

# --- 2. Receive, as receive mode does: the line's fax machine calls back.
echo
echo "2. receive mode on; the fax machine on the line calls in with the page it got ..."
"$qlnfax" station --data-dir "$data" >"$work/station.out" 2>&1 &
station_pid=$!
for _ in $(seq 200); do
    grep -q "receive mode on" "$work/station.out" 2>/dev/null && break
    kill -0 "$station_pid" 2>/dev/null || break
    sleep 0.1
done
grep -q "receive mode on" "$work/station.out" || { cat "$work/station.out"; echo "receive mode did not start" >&2; exit 1; }
if ! "$qlnfax" vline call "$data/vline" --to 1 --send "$remote/rx-0001.tif" >"$work/call.out" 2>&1; then
    cat "$work/call.out"
    echo "the call to the station failed" >&2
    exit 1
fi
# The station stores the fax after the call; give it a moment, then stop it.
for _ in $(seq 100); do
    ls "$data"/receive/* >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1
kill -TERM "$station_pid"
wait "$station_pid" || true
station_pid=
# Receive mode's events, without the progress of each page.
grep -e '^receive mode' -e '^received:' -e '^error:' "$work/station.out" | grep -v 'Cancel requested' | sed 's/^/   /'
received=$(ls "$data"/receive/* 2>/dev/null | head -1)
[[ -n $received ]] || { echo "no fax was stored" >&2; exit 1; }

# --- 3. The outcome.
echo
echo "3. the lists of the main window:"
echo "   Outgoing Faxes:"
"$qlnfax" list outgoing --data-dir "$data" 2>/dev/null | sed 's/^/     /'
echo "   Incoming Faxes:"
"$qlnfax" list received --data-dir "$data" 2>/dev/null | sed 's/^/     /'

page_png="$work/received-page1.png"
"$qlnfax" export "$received" --page 1 -o "$page_png" >/dev/null 2>&1 ||
    { echo "could not turn the received fax into a PNG" >&2; exit 1; }

window_png="$work/main-window.png"
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null; then
    display=":$((90 + RANDOM % 400))"
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    DISPLAY=$display "$quillon" --data-dir "$data" --instance-name "quillon-demo-$$" >/dev/null 2>&1 &
    window_pid=$!
    wid=
    for _ in $(seq 100); do
        wid=$(DISPLAY=$display xdotool search --onlyvisible --name '^Quillon' 2>/dev/null | head -1) || true
        [[ -n $wid ]] && break
        sleep 0.1
    done
    if [[ -n $wid ]]; then
        sleep 1  # let the lists fill and paint
        DISPLAY=$display import -window "$wid" "$window_png" 2>/dev/null || true
    fi
    stop_all
    window_pid=
    xvfb_pid=
fi

echo
echo "received page (PNG): $page_png"
if [[ -f $window_png ]]; then
    echo "main window (PNG):   $window_png"
else
    echo "main window: no screenshot (needs Xvfb, xdotool and ImageMagick: bash scripts/install-deps.sh)"
fi
echo "data directory:      $data (open it with: $quillon --data-dir $data)"
