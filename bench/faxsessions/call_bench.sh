#!/usr/bin/env bash
# Call-time benchmark: the same 3 pages sent to the virtual line's remote
# fax machine at the highest common speed by Quillon and by efax (a reference fax host),
# printing each call's duration and the CPU time the sending host used.
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

measure() { # LABEL COMMAND...
    local label=$1
    shift
    local t0 t1
    t0=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/cpu" "$@" >"$work/$label.out" 2>&1
    local rc=$?
    t1=$(date +%s.%N)
    read -r u s <"$work/cpu"
    awk -v l="$label" -v a="$t0" -v b="$t1" -v u="$u" -v s="$s" -v rc="$rc" 'BEGIN {
        d = b - a; c = u + s;
        printf "%-8s call %6.1f s   cpu %5.2f s (%4.1f%% of the call)   exit %d\n", l, d, c, 100 * c / d, rc }'
}

echo "call to the remote machine: $pages pages, each host at its highest speed"
measure quillon "$qlnfax" send --device "$work/line/modem1" --class 1 --bps 14400 100 "$work/fax.apf"
if command -v efax >/dev/null; then
    measure efax efax -d "$work/line/modem2" -o1 -h "" -l "+1 555 0001" -t 100 "${tifs[@]}"
fi
