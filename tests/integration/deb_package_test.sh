#!/usr/bin/env bash
# CPack builds a .deb that carries the installed files and names the
# packages the player needs at run time.
set -u
build=$1
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
  fail "cpack failed: $(tail -5 "$work/cpack.log")"
debs=("$work"/photoreel_*.deb)
[[ -f ${debs[0]} ]] || fail "no photoreel_*.deb in $(ls "$work")"
deb=${debs[0]}

listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c failed"
for file in ./usr/bin/photoreel ./usr/share/applications/photoreel.desktop \
  ./usr/share/mime/packages/photoreel.xml ./usr/share/man/man1/photoreel.1 \
  ./usr/share/bash-completion/completions/photoreel \
  ./usr/share/icons/hicolor/48x48/apps/photoreel.png \
  ./usr/share/icons/hicolor/scalable/apps/photoreel.svg; do
  grep -q " $file\$" <<<"$listing" || fail "the .deb lacks $file"
done
grep -q '^-rwxr-xr-x .* ./usr/bin/photoreel$' <<<"$listing" || fail "the binary is not 0755"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libsdl2 libavformat libfluidsynth timgm6mb-soundfont fonts-liberation2; do
  grep -q "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Package) == photoreel ]] || fail "the package is not named photoreel"

# The packaged binary runs on its own, not through paths into the build tree.
dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
readelf -d "$work/root/usr/bin/photoreel" | grep -qE 'RPATH|RUNPATH' && fail "the binary keeps an rpath"
version=$("$work/root/usr/bin/photoreel" --version) || fail "the packaged binary does not run"
[[ $version == "photoreel $(dpkg-deb -f "$deb" Version) "* ]] || fail "version $version"
exit 0
