#!/usr/bin/env bash
# Runs quillon under a virtual X server with a sample data directory and
# saves a screenshot of the screen (default: quillon-main.png).
#
#   scripts/screenshot.sh [OUTPUT.png] [incoming]
#   scripts/screenshot.sh --windows OUTDIR [NAME...]
#
# The second form runs qln_shots under Xvfb: every window registered in
# tools/shots/shots_*.cpp (or those whose names start with NAME) is shown
# and written as OUTDIR/<name>.png, and as the screen shows it with the
# window manager's frame as OUTDIR/<name>-screen.png.
#
# Both run the openbox window manager on a 1366 x 768 screen (SCREEN sets
# another size, e.g. SCREEN=1440x900), so windows are placed, framed and
# sized as on a desktop.
#
# BUILD_DIR selects the build tree (default ./build); it must contain the
# targets quillon and qln_sampledata (the script builds them when missing).
# With "incoming" the Incoming Faxes tab is clicked first (needs xdotool).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
if [ "${1:-}" = --windows ]; then
  outdir=$(realpath -m "${2:?usage: screenshot.sh --windows OUTDIR [NAME...]}")
  shift 2
  [ -x "$build/tools/shots/qln_shots" ] || {
    cmake -S "$top" -B "$build" -G Ninja >/dev/null
    cmake --build "$build" --target qln_shots -j2
  }
  display=:$(( 90 + RANDOM % 100 ))
  Xvfb "$display" -screen 0 "${SCREEN:-1366x768}x24" -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  wmpid=
  trap 'kill $xpid $wmpid 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
  done
  if command -v openbox >/dev/null; then
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wmpid=$!
    sleep 1
  else
    echo "screenshot.sh: openbox is not installed; windows have no frame" >&2
  fi
  DISPLAY=$display QT_QPA_PLATFORM=xcb QLN_SHOTS_SCREEN=1 "$build/tools/shots/qln_shots" "$outdir" "$@"
  exit $?
fi
out=$(realpath -m "${1:-quillon-main.png}")
tab=${2:-outgoing}

if [ ! -x "$build/src/app/quillon" ] || [ ! -x "$build/bench/app/qln_sampledata" ]; then
  cmake -S "$top" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target quillon qln_sampledata -j2
fi

work=$(mktemp -d /tmp/quillon-shot.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A modem is configured so the start-up has no set-up to run.
printf '[Modem]\nComPort=0\n' > "$work/QLN.INI"
"$build/bench/app/qln_sampledata" "$work" 12 7 >/dev/null

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 "${SCREEN:-1366x768}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
if command -v openbox >/dev/null; then
  DISPLAY=$display openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi

DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/src/app/quillon" --data-dir "$work" \
  --instance-name "quillon-shot-$$" >"$work/quillon.log" 2>&1 &
pids+=($!)
sleep 3
if [ "$tab" = incoming ] && command -v xdotool >/dev/null; then
  wid=$(DISPLAY=$display xdotool search --name '^Quillon $' | head -1)
  # The second tab sits 150 pixels in, under the menu and the button bar.
  DISPLAY=$display xdotool mousemove --window "$wid" 225 80 click 1
  sleep 1
fi
DISPLAY=$display import -window root "$out"
echo "screenshot written to $out"
