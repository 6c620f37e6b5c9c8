#!/usr/bin/env bash
# The Quillon print queue in a private CUPS scheduler: its own configuration
# and spool in a temporary directory, a port on the loopback, no system queue
# touched. Two test users are made for the run (one with a Quillon data
# directory, one without) and removed after it.
#   1. `qlnfax printer install` refuses while the scheduler is not running,
#      then sets up the queue with the back end of the build tree;
#   2. `lp -o phone=100` of a 2-page PDF: a new outgoing fax of the user
#      with the PDF as its document, "Printed, not sent", written as that
#      user (not root);
#   3. with Quillon running as that user (offscreen), a job is handed to it:
#      Quillon stores the fax (it holds the tables) and the job's file is
#      gone;
#   4. `lp -o phone=100 -o send=now`: sent at once, 2 pages at the virtual
#      line's fax machine;
#   5. a job of a user without a data directory, and one of an unknown user:
#      cancelled with the error in the queue, nothing written.
# Needs root (the users, a back end that CUPS runs as root); exit 77 skips.
# usage: cups_e2e.sh QLNFAX BACKEND QUILLON
set -uo pipefail
qlnfax=$(realpath "$1")
backend=$(realpath "$2")
quillon=$(realpath "$3")
if [[ $(id -u) != 0 ]]; then echo "SKIP: needs root (test users, a back end run as root)"; exit 77; fi
for tool in cupsd lp lpadmin lpstat useradd userdel tiffinfo; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed (scripts/packages-test.txt)"; exit 77; }
done

work=$(mktemp -d /tmp/qpq.XXXXXX)
chmod 755 "$work"
tag=$$
user1=qpq${tag}a
user2=qpq${tag}b
cupsd_pid=
window_pid=
cleanup() {
    if [[ -n $window_pid ]]; then kill -TERM "$window_pid" 2>/dev/null; wait "$window_pid" 2>/dev/null; fi
    if [[ -n $cupsd_pid ]]; then kill -TERM "$cupsd_pid" 2>/dev/null; wait "$cupsd_pid" 2>/dev/null; fi
    userdel "$user1" 2>/dev/null
    userdel "$user2" 2>/dev/null
    if [[ ${keep:-0} == 1 ]]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$work/log/error_log"; do [[ -f $f ]] && { echo "--- $f"; tail -40 "$f"; }; done
    keep=1
    exit 1
}

# --- Two users: one with a Quillon data directory, one without.
mkdir -p "$work/home"
for u in $user1 $user2; do
    useradd -M -d "$work/home/$u" -s /usr/sbin/nologin "$u" || fail "useradd $u"
    mkdir -m 700 "$work/home/$u"
    chown "$u:" "$work/home/$u"
done
data=$work/home/$user1/.local/share/Quillon
mkdir -p "$data"
# The virtual modem of the settings; its line runs in <data>/vline.
cp "$(dirname "$0")/virtual-modem.ini" "$data/QLN.INI"
chown -R "$user1:" "$work/home/$user1"

# --- A 2-page PDF.
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Printed page one.\\par\\page Printed page two.\\par}' >"$work/doc.rtf"
"$qlnfax" render "$work/doc.rtf" "$work/doc.apf" >"$work/render.out" 2>&1 &&
    "$qlnfax" export "$work/doc.apf" -o "$work/doc.pdf" >>"$work/render.out" 2>&1 || fail "cannot make the PDF"
chmod 644 "$work/doc.pdf"

# --- The private scheduler. Its programs are the system's, with the back
# end of this build (mode 0700, so that CUPS runs it as root) and, where the
# back end looks for it in a build tree, qlnfax.
bin=$work/serverbin
mkdir -p "$bin/backend" "$bin/qlnfax" "$work/conf" "$work/log" "$work/spool/tmp" "$work/state" "$work/cache"
for d in /usr/lib/cups/*; do
    [[ $(basename "$d") == backend ]] || ln -s "$d" "$bin/$(basename "$d")"
done
install -m 0700 "$backend" "$bin/backend/quillon"
ln -s "$qlnfax" "$bin/qlnfax/qlnfax"
port=
for _ in $(seq 20); do
    p=$((20000 + RANDOM % 20000))
    (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null || { port=$p; break; }
done
[[ -n $port ]] || fail "no free port"
cat >"$work/conf/cups-files.conf" <<CONF
ServerRoot $work/conf
ServerBin $bin
DataDir /usr/share/cups
StateDir $work/state
CacheDir $work/cache
RequestRoot $work/spool
TempDir $work/spool/tmp
ServerKeychain $work/conf/ssl
Printcap $work/printcap
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
FileDevice No
User lp
Group lp
SystemGroup root
Sandboxing Relaxed
CONF
cat >"$work/conf/cupsd.conf" <<CONF
LogLevel info
Listen 127.0.0.1:$port
Browsing No
WebInterface No
DefaultAuthType None
MaxJobTime 240
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
export CUPS_SERVER=127.0.0.1:$port

# 1. No scheduler yet: a clear refusal.
"$qlnfax" printer install >"$work/install-early.out" 2>&1
[[ $? == 1 ]] && grep -q 'CUPS is not running' "$work/install-early.out" ||
    fail "printer install without a scheduler: $(cat "$work/install-early.out")"

cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" >"$work/cupsd.out" 2>&1 &
cupsd_pid=$!
for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
lpstat -r | grep -q 'is running' || fail "the private cupsd did not start"

"$qlnfax" printer install >"$work/install.out" 2>&1 || fail "printer install failed"
lpstat -p Quillon >"$work/lpstat.out" 2>&1 || fail "no queue Quillon"
lpstat -v Quillon | grep -q 'quillon:/' || fail "the queue does not use the back end: $(lpstat -v Quillon)"

wait_jobs() {
    for _ in $(seq 1800); do
        [[ -z $(lpstat -o Quillon 2>/dev/null) ]] && return 0
        sleep 0.1
    done
    fail "the print jobs did not finish: $(lpstat -o Quillon)"
}
rows() { "$qlnfax" list outgoing --data-dir "$data" 2>/dev/null; }
# Field N of the row (subject, sent, date, time, recipient, phone, pages, result).
field() { awk -F'\t' -v n="$1" 'NR == 1 { print $n }' <<<"$row"; }

# 2. A job with a number: a new outgoing fax, not sent.
lp -d Quillon -U "$user1" -t "Quote for Jane" -o phone=100 "$work/doc.pdf" >"$work/lp1.out" 2>&1 || fail "lp failed"
wait_jobs
row=$(rows)
[[ $(wc -l <<<"$row") == 1 ]] || fail "expected one outgoing fax: $row"
[[ $(field 1) == "Quote for Jane" && $(field 2) == F && $(field 6) == 100 && $(field 8) == "Printed, not sent" ]] ||
    fail "outgoing fax of the job: $row"
grep -qa '%PDF-' "$data"/QLN.FPT || fail "the PDF is not the fax's document"
stray=$(find "$work/home/$user1" ! -user "$user1")
[[ -z $stray ]] || fail "files not owned by the job's user: $stray"
ls "$data" | grep -q '_PRINTJOB' && fail "the job's temporary document was left: $(ls "$data")"

# 3. Quillon runs: the job goes to it, and it stores the fax.
uid1=$(id -u "$user1")
runuser -u "$user1" -- env -i HOME="$work/home/$user1" USER="$user1" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen "$quillon" >"$work/quillon.out" 2>&1 &
window_pid=$!
for _ in $(seq 300); do [[ -S /tmp/quillon-runtime-$uid1/quillon-$uid1 ]] && break; sleep 0.1; done
[[ -S /tmp/quillon-runtime-$uid1/quillon-$uid1 ]] || fail "Quillon did not start as $user1"
lp -d Quillon -U "$user1" -t "Handed to Quillon" -o phone=100 "$work/doc.pdf" >"$work/lp1b.out" 2>&1 || fail "lp failed"
wait_jobs
# Quillon holds the tables, so the fax can only be stored by Quillon; it
# removes the job's document once it has.
for _ in $(seq 600); do ls "$data" | grep -q '_PRINTJOB' || break; sleep 0.1; done
sleep 1  # the editor is open on the new fax now
kill -TERM "$window_pid"; wait "$window_pid" 2>/dev/null; window_pid=
row=$(rows | grep '^Handed to Quillon')
[[ $(field 6) == 100 && $(field 8) == "Printed, not sent" ]] || fail "the fax Quillon stored: $(rows)"
ls "$data" | grep -q '_PRINTJOB' && fail "Quillon left the job's document: $(ls "$data")"
rm -rf "/tmp/quillon-runtime-$uid1"

# 4. send=now: sent at once over the virtual modem.
lp -d Quillon -U "$user1" -t "Sent at once" -o phone=100 -o send=now "$work/doc.pdf" >"$work/lp2.out" 2>&1 ||
    fail "lp send=now failed"
wait_jobs
row=$(rows | grep '^Sent at once')
[[ $(field 2) == T && $(field 7) == 2 && $(field 8) == Sent ]] || fail "the send=now fax: $row"
remote=$data/vline/remote
for _ in $(seq 100); do [[ -s $remote/rx-0001.txt ]] && break; sleep 0.1; done
[[ $(tiffinfo "$remote/rx-0001.tif" 2>/dev/null | grep -c 'TIFF Directory') == 2 ]] ||
    fail "the fax machine on 100 did not get 2 pages"

# 5. Users without a data directory, and unknown users, are refused.
lp -d Quillon -U "$user2" -o phone=100 "$work/doc.pdf" >"$work/lp3.out" 2>&1 || fail "lp as $user2 failed"
wait_jobs
# The scheduler's log escapes the quotes of the message.
grep -q "$user2.\{1,2\} has no Quillon data directory" "$work/log/error_log" ||
    fail "the refusal of $user2 is not in the queue's log"
lpstat -l -p Quillon | grep -q "has no Quillon data directory" || fail "the queue does not show the refusal"
[[ -z $(find "$work/home/$user2" -mindepth 1) ]] || fail "something was written for $user2"
lp -d Quillon -U "nosuch$tag" "$work/doc.pdf" >"$work/lp4.out" 2>&1 || fail "lp as an unknown user failed"
wait_jobs
grep -q "nosuch$tag.\{1,2\} is not a user of this computer" "$work/log/error_log" || fail "an unknown user was not refused"
[[ $(rows | wc -l) == 3 ]] || fail "refused jobs changed the outgoing list: $(rows)"
lpstat -p Quillon | grep -qi 'disabled' && fail "a refused job stopped the queue"

"$qlnfax" printer remove >"$work/remove.out" 2>&1 || fail "printer remove failed"
lpstat -p Quillon >/dev/null 2>&1 && fail "the queue is still there"
echo ok
