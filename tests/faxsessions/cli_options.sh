#!/usr/bin/env bash
# qlnfax send and receive refuse bad option values before touching a port:
# exit status 2 and a message naming the option, never a crash. A device that
# cannot be opened ends the command with the port's own error code.
# usage: cli_options.sh QLNFAX
set -uo pipefail
qlnfax=$1
work=$(mktemp -d /tmp/qln-cli-options.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work
status=0

refused() { # EXPECTED-TEXT ARGS...
    local want=$1
    shift
    "$qlnfax" "$@" >"$work/out" 2>&1
    local rc=$?
    if [[ $rc != 2 ]]; then
        echo "FAIL: qlnfax $* exited $rc, not 2"
        status=1
    elif ! grep -q -- "$want" "$work/out"; then
        echo "FAIL: qlnfax $* did not say \"$want\":"
        cat "$work/out"
        status=1
    fi
}

refused 'option --bps wants a whole number from 2400 to 14400, not "abc"' send --device "$work/none" --bps abc 100 x.apf
refused 'usage: qlnfax send' send --device "$work/none" --bps 9000 100 x.apf
refused 'option --dial-attempts wants a whole number' send --device "$work/none" --dial-attempts 3x 100 x.apf
refused 'option --retry-wait wants a whole number' send --device "$work/none" --retry-wait -1 100 x.apf
refused 'usage: qlnfax send' send --device "$work/none" --header-font ',13' 100 x.apf
refused 'usage: qlnfax send' send --device "$work/none" --init-baud 1234 100 x.apf
refused 'option --com wants a whole number from 1 to 255, not "0"' send --com 0 100 x.apf
refused 'option --rings wants a whole number from 1 to 99, not "many"' receive --device "$work/none" --dir "$work" --rings many
refused 'option --bps wants a whole number from 2400 to 14400, not "1200"' receive --device "$work/none" --dir "$work" --bps 1200
refused 'usage: qlnfax receive' receive --device "$work/none" --dir "$work" --bps 7201
refused 'option --page wants a whole number from 1 to 65535, not "two"' export x.apf --page two -o x.png
refused 'option --tab-stop wants a whole number' convert x.txt -o x.apf --tab-stop 4.5
for cmd in "send --device $work/none 100 x.apf" "receive --device $work/none --dir $work --once"; do
    # shellcheck disable=SC2086
    "$qlnfax" $cmd >"$work/out" 2>&1
    rc=$?
    if [[ $rc != 1 ]] || ! grep -qx "failed: 2001 ie_BadId - Specified comport doesn't exist" "$work/out"; then
        echo "FAIL: qlnfax $cmd on a missing device exited $rc with:"
        cat "$work/out"
        status=1
    fi
done
[[ $status == 0 ]] && echo "PASS: bad option values and a missing device refused"
exit $status
