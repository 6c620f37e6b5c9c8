#!/usr/bin/env bash
# Printing through a real CUPS server: a private cupsd (its own socket and
# folders under a temporary directory, so no system queue is touched) with
# one raw queue writing to a file. A job is taken into the queue; a queue
# that refuses jobs makes the print fail with CUPS's reason, which is also
# in the print log. (Whether the server can then run the job through its
# filters is the server's business, not the program's.)
# usage: qlnfax_print_cups.sh QLNFAX        (exit 77: no cupsd, skipped)
set -uo pipefail
qlnfax=$1
command -v cupsd >/dev/null || PATH=$PATH:/usr/sbin
command -v cupsd >/dev/null && command -v lpadmin >/dev/null || { echo "SKIP: cupsd/lpadmin not installed"; exit 77; }
work=$(mktemp -d /tmp/qln-print-cups.XXXXXX)
chmod 755 "$work"
cupspid=
cleanup() { [[ -n $cupspid ]] && kill "$cupspid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; [[ -f $work/log/error_log ]] && tail -5 "$work/log/error_log"; exit 1; }

mkdir -p "$work"/{root,spool,cache,state,log}
cat >"$work/root/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
runas=lp
[[ $(id -u) == 0 ]] || runas=$(id -un)
cat >"$work/root/cups-files.conf" <<CONF
ServerRoot $work/root
RequestRoot $work/spool
CacheDir $work/cache
StateDir $work/state
TempDir $work/spool
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
FileDevice Yes
User $runas
SystemGroup root $(id -gn)
CONF
[[ $(id -u) == 0 ]] && chown -R lp "$work"/{spool,cache,state,log}
touch "$work/office.prn" && chmod 666 "$work/office.prn"
cupsd -f -c "$work/root/cupsd.conf" -s "$work/root/cups-files.conf" >"$work/log/cupsd.out" 2>&1 &
cupspid=$!
export CUPS_SERVER=$work/cups.sock
for _ in $(seq 50); do [[ -S $CUPS_SERVER ]] && break; sleep 0.1; done
[[ -S $CUPS_SERVER ]] || { echo "SKIP: cupsd did not start: $(cat "$work/log/cupsd.out")"; exit 77; }
lpadmin -p office -E -v "file://$work/office.prn" -m raw >/dev/null 2>&1 || fail "lpadmin could not add the queue"

for i in $(seq 1 60); do echo "Line $i of the CUPS check"; done >"$work/text.txt"
"$qlnfax" convert "$work/text.txt" -o "$work/fax.apf" >/dev/null 2>&1 || fail "convert failed"

"$qlnfax" print "$work/fax.apf" --printer office --log "$work/print.log" >"$work/out" 2>&1 ||
    fail "print to the queue failed: $(cat "$work/out")"
lpstat -W all -o office | grep -q '^office-1 ' || fail "the queue holds no job: $(lpstat -W all -o office)"
grep -q " finished at " "$work/print.log" || fail "no finish line in the log"

cupsreject office >/dev/null 2>&1 || fail "cupsreject failed"
"$qlnfax" print "$work/fax.apf" --printer office --log "$work/print.log" >"$work/out" 2>&1 &&
    fail "a queue that refuses jobs was reported as printed"
grep -q "refused the job" "$work/out" || fail "no reason given: $(cat "$work/out")"
grep -q "^Reason: The printer office refused the job: " "$work/print.log" || fail "no reason in the log: $(cat "$work/print.log")"
echo "PASS: qlnfax print through CUPS"
