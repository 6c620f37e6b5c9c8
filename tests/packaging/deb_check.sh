#!/usr/bin/env bash
# Builds the Debian package with cpack and checks it the way a Debian 12
# machine takes it: the name, Depends computed from the shared libraries,
# the files and their modes, lintian without errors (when installed), and the
# programs run from the unpacked package (dpkg -x into a temporary root).
# usage: deb_check.sh BUILD_DIR CPACK
set -u
build=$1
cpack=${2:-cpack}
work=$(mktemp -d /tmp/quillon-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed (dpkg-dev)"; exit 77; }
done
(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { tail -30 "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$work"/out/quillon_*_amd64.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { ls -R "$work/out"; echo "FAIL: no quillon_VERSION_amd64.deb"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libtiff6 libpoppler-cpp0v5 libspandsp2 libhunspell qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || { echo "FAIL: Depends lacks $lib: $depends"; fail=1; }
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/quillon ./usr/bin/qlnfax ./usr/lib/cups/backend/quillon \
         ./usr/share/applications/org.example.quillon.Quillon.desktop \
         ./usr/share/metainfo/org.example.quillon.Quillon.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/quillon.png ./usr/share/man/man1/qlnfax.1.gz \
         ./usr/share/quillon/help/1009.html ./usr/share/ppd/quillon/quillon.ppd ./usr/share/doc/quillon/copyright; do
  grep -q " $f\$" <<<"$contents" || { echo "FAIL: the package lacks $f"; fail=1; }
done
grep -q '^-rwx------ root/root .* ./usr/lib/cups/backend/quillon$' <<<"$contents" ||
  { echo "FAIL: the back end is not root's with mode 0700"; fail=1; }

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1 ||
    { cat "$work/lintian.out"; echo "FAIL: lintian reports errors"; fail=1; }
  grep "^W:" "$work/lintian.out"
fi

root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/qlnfax" --version 2>&1) || { echo "FAIL: qlnfax --version: $out"; fail=1; }
grep -q '^qlnfax ' <<<"$out" || { echo "FAIL: qlnfax --version said: $out"; fail=1; }
QT_QPA_PLATFORM=offscreen "$root/usr/bin/quillon" --version >/dev/null 2>&1 || { echo "FAIL: quillon --version"; fail=1; }
"$root/usr/lib/cups/backend/quillon" | grep -q '^direct quillon:/ ' || { echo "FAIL: the back end's device line"; fail=1; }
[ $fail = 0 ] && echo "ok: $(basename "$deb"), Depends: $depends"
exit $fail
