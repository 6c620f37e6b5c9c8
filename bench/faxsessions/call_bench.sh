#!/usr/bin/env bash
# Call-time benchmark: the same 3 pages sent to the virtual line's remote
# fax machine at the highest common speed by Quillon, by efax (a reference fax
# host) and by the line's own spandsp terminal (a reference fax machine: no
# host, no serial port), printing each call's duration and the CPU time the
# sender used, then Quillon's call time relative to the spandsp terminal's.
# usage: call_bench.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-call-bench.XXXXXX)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
"$qlnfax" vline serve "$work/line" >"$work/serve.out" 2>&1 &
line=$!
trap 'kill -TERM $line 2>/dev/null; wait $line 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 200); do [[ -S $work/line/vline.sock ]] && break; sleep 0.05; done

for i in $(seq 1 180); do echo "Line $i: the quick brown fox jumps over the lazy dog 0123456789"; done >"$work/text.txt"
"$qlnfax" convert "$work/text.txt" -o "$work/fax.apf" >/dev/null 2>&1
pages=$("$qlnfax" info "$work/fax.apf" | sed -n 's/^Pages: //p')
tifs=()
for p in $(seq 1 "$pages"); do
    "$qlnfax" export "$work/fax.apf" --page "$p" -o "$work/p$p.tif" >/dev/null 2>&1
    tifs+=("$work/p$p.tif")
done
tiffcp "${tifs[@]}" "$work/all.tif" || { echo "tiffcp failed"; exit 1; }

measure() { # LABEL COMMAND...
    local label=$1
    shift
    local t0 t1
    t0=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/cpu" "$@" >"$work/$label.out" 2>&1
    local rc=$?
    t1=$(date +%s.%N)
    read -r u s <"$work/cpu"
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >"$work/$label.time"
    awk -v l="$label" -v a="$t0" -v b="$t1" -v u="$u" -v s="$s" -v rc="$rc" 'BEGIN {
        d = b - a; c = u + s;
        printf "%-8s call %6.1f s   cpu %5.2f s (%4.1f%% of the call)   exit %d\n", l, d, c, 100 * c / d, rc }'
}

# CPU seconds the line process has used so far (both of its fax machines
# run inside it when its terminal calls).
line_cpu() {
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$line/stat"
}

measure_terminal() { # LABEL: the line's terminal dials the remote machine
    local label=$1 t0 t1 c0 c1 rc
    c0=$(line_cpu)
    t0=$(date +%s.%N)
    "$qlnfax" vline call "$work/line" --number 100 --send "$work/all.tif" --remote-id "+1 555 0003" \
        >"$work/$label.out" 2>&1
    rc=$?
    t1=$(date +%s.%N)
    c1=$(line_cpu)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >"$work/$label.time"
    awk -v l="$label" -v a="$t0" -v b="$t1" -v c0="$c0" -v c1="$c1" -v rc="$rc" 'BEGIN {
        d = b - a;
        printf "%-8s call %6.1f s   cpu n/a (line process, both machines: %.2f s)   exit %d\n", l, d, c1 - c0, rc }'
}

echo "call to the remote machine: $pages pages, each host at its highest speed"
measure quillon "$qlnfax" send --device "$work/line/modem1" --class 1 --bps 14400 100 "$work/fax.apf"
if command -v efax >/dev/null; then
    measure efax efax -d "$work/line/modem2" -o1 -h "" -l "+1 555 0001" -t 100 "${tifs[@]}"
fi
measure_terminal spandsp
grep -E '^(pages sent|bit rate|completion):' "$work/spandsp.out" | sed 's/^/         spandsp /'
awk -v q="$(cat "$work/quillon.time")" -v s="$(cat "$work/spandsp.time")" \
    'BEGIN { printf "quillon/spandsp call time: %.2f\n", q / s }'
