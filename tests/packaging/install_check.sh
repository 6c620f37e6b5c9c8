#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a
# user find there: both programs run, the help page of Help, Contents exists
# where the installed program looks, the desktop entry and the AppStream
# metainfo validate, the icon is there in every size and the manual pages
# render. Finally the installed qlnfax reports the modems of a virtual line.
set -u
build=$1
cmake=${2:-cmake}
prefix=$(mktemp -d /tmp/quillon-install.XXXXXX)
line_pid=
cleanup() {
  [ -n "$line_pid" ] && kill "$line_pid" 2>/dev/null && wait "$line_pid" 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen
fail=0
check() { # description, command...
  local what=$1; shift
  if ! out=$("$@" 2>&1); then
    echo "FAIL: $what"; echo "$out" | head -20; fail=1
  fi
}
"$cmake" --install "$build" --prefix "$prefix/usr" >"$prefix/install.log" 2>&1 ||
  { cat "$prefix/install.log"; echo "FAIL: cmake --install"; exit 1; }

share=$prefix/usr/share
id=org.example.quillon.Quillon
for f in usr/bin/quillon usr/bin/qlnfax \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/quillon.svg \
         usr/share/man/man1/quillon.1.gz usr/share/man/man1/qlnfax.1.gz \
         usr/share/quillon/help/1009.html usr/share/quillon/help/help.css \
         usr/lib/cups/backend/quillon usr/share/ppd/quillon/quillon.ppd \
         usr/share/doc/quillon/copyright usr/share/doc/quillon/changelog.gz; do
  [ -e "$prefix/$f" ] || { echo "FAIL: $f is not installed"; fail=1; }
done
for size in 16 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/quillon.png
  check "icon $size" test -s "$png"
  if command -v identify >/dev/null; then
    got=$(identify -format '%wx%h' "$png" 2>/dev/null)
    [ "$got" = "${size}x${size}" ] || { echo "FAIL: $png is $got"; fail=1; }
  fi
done
# Every help page of the source tree is installed.
src_help=$(cd "$(dirname "$0")/../../help" && ls *.html | sort)
inst_help=$(cd "$share/quillon/help" && ls *.html | sort)
[ "$src_help" = "$inst_help" ] || { echo "FAIL: installed help pages differ"; fail=1; }

check "desktop-file-validate" desktop-file-validate "$share/applications/$id.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
grep -q '^Exec=quillon' "$share/applications/$id.desktop" || { echo "FAIL: Exec line"; fail=1; }
grep -q '^Icon=quillon$' "$share/applications/$id.desktop" || { echo "FAIL: Icon line"; fail=1; }
for page in quillon qlnfax; do
  check "man $page" bash -c "man -l '$share/man/man1/$page.1.gz' | grep -q 'SYNOPSIS'"
done
# CUPS runs the back end as root only when group and others have no access.
mode=$(stat -c %a "$prefix/usr/lib/cups/backend/quillon" 2>/dev/null)
[ "$mode" = 700 ] || { echo "FAIL: the back end has mode '$mode', not 700"; fail=1; }
# Asked for its devices, the back end offers the Quillon queue.
"$prefix/usr/lib/cups/backend/quillon" | grep -q '^direct quillon:/ ' || { echo "FAIL: back end device line"; fail=1; }

# The installed programs start; the installed quillon finds its help pages
# in the prefix (not in the build tree).
check "quillon --version" "$prefix/usr/bin/quillon" --version
page=$("$prefix/usr/bin/quillon" --help-page 1009 2>&1)
[ "$page" = "$share/quillon/help/1009.html" ] || { echo "FAIL: Help, Contents opens '$page'"; fail=1; }
for topic in 911 10000 1025 1016 3501; do
  check "help topic $topic" "$prefix/usr/bin/quillon" --help-page $topic
done
check "qlnfax --version" "$prefix/usr/bin/qlnfax" --version

# An installed program keeps its data in the user's folder, never beside
# itself (the prefix is writable here).
home=$prefix/home
mkdir -p "$home"
datadir=$(env -u QLN_DATA_DIR -u XDG_DATA_HOME HOME="$home" "$prefix/usr/bin/qlnfax" diagnostics --no-probe 2>/dev/null |
          sed -n 's/^  Data directory *: //p')
[ "$datadir" = "$home/.local/share/Quillon/" ] || { echo "FAIL: installed data directory is '$datadir'"; fail=1; }

# The installed qlnfax serves a virtual line and reports its modems.
"$prefix/usr/bin/qlnfax" vline serve "$prefix/line" >"$prefix/line.out" 2>&1 &
line_pid=$!
for _ in $(seq 100); do [ -e "$prefix/line/modem1" ] && break; sleep 0.1; done
report=$(QLN_VLINE_DIRS="$prefix/line" "$prefix/usr/bin/qlnfax" diagnostics --data-dir "$prefix/data" 2>/dev/null)
grep -qF "Virtual line modem 1 ($prefix/line)" <<<"$report" || { echo "FAIL: report lacks the line's modem"; echo "$report" | tail -20; fail=1; }
grep -qE 'AT\+FCLASS=\? +: 0,1' <<<"$report" || { echo "FAIL: report lacks the modem's classes"; fail=1; }
# With the installed qlnfax beside it, the virtual modem is offered.
grep -qF "Virtual modem (test line)" <<<"$report" || { echo "FAIL: virtual modem not offered"; fail=1; }
exit $fail
