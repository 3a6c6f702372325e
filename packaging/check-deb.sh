#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-deb.sh BUILD OUT HAS_PROGRAM "ICON_SIZES": builds the Debian package of BUILD into OUT
# with CPack and checks its contents list, its launcher and its dependencies.
set -euo pipefail
build=$1 out=$2 has_program=$3 icon_sizes=$4
id=org.sorvel.Sorvel
fail() { echo "check-deb: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack failed"; }
debs=("$out"/sorvel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one sorvel_*.deb in $out"
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{print $NF}' >"$out/contents"
expected=(./usr/share/applications/$id.desktop ./usr/share/icons/hicolor/scalable/apps/$id.svg
          ./usr/share/metainfo/$id.metainfo.xml ./usr/share/doc/sorvel/copyright
          ./usr/share/doc/sorvel/changelog.gz)
for size in $icon_sizes; do
  expected+=(./usr/share/icons/hicolor/${size}x$size/apps/$id.png)
done
if [ "$has_program" = ON ]; then
  expected+=(./usr/bin/sorvel ./usr/lib/sorvel/sorvel ./usr/share/sorvel/bassoboe.wav
             ./usr/share/sorvel/SONORA.TTF ./usr/share/man/man1/sorvel.1.gz
             ./usr/share/sorvel/instruments/violin.wav)
fi
for f in "${expected[@]}"; do
  grep -qxF "$f" "$out/contents" || { cat "$out/contents"; fail "$f is not in the package"; }
done
if grep -v -E '^\./(usr/)?$|^\./usr/' "$out/contents"; then fail "files outside /usr"; fi
if grep -q _CPack_Packages "$out/contents"; then fail "the staging folder leaked into the package"; fi

launcher=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/applications/$id.desktop")
grep -qx 'Path=/usr/share/sorvel' <<<"$launcher" || fail "the packaged launcher has no Path=/usr/share/sorvel"
grep -qx 'Exec=/usr/lib/sorvel/sorvel' <<<"$launcher" || fail "the packaged launcher has no Exec=/usr/lib/sorvel/sorvel"

[ "$(dpkg-deb -f "$deb" Package)" = sorvel ] || fail "package name"

# The changelog's first entry, the metainfo's newest release and the manual page all speak of
# the version being packaged, and the first two of the same day.
member() { dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/$1"; }
version=$(dpkg-deb -f "$deb" Version)
member doc/sorvel/changelog.gz | gunzip >"$out/changelog" || fail "changelog.gz is not gzip"
[ "$(dpkg-parsechangelog -l "$out/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's first entry is not $version"
changed=$(date -u -d "$(dpkg-parsechangelog -l "$out/changelog" -S Date)" +%F)
release=$(member metainfo/$id.metainfo.xml | /usr/bin/python3 -c '
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.stdin).getroot().find("releases/release")
print(r.get("version"), r.get("date"))')
[ "$release" = "$version $changed" ] ||
  fail "the metainfo's newest release is '$release', not '$version $changed'"
if [ "$has_program" = ON ]; then
  page=$(member man/man1/sorvel.1.gz | gunzip) || fail "sorvel.1.gz is not gzip"
  grep -q "^\.TH SORVEL 1 \"$changed\" \"Sorvel $version\"" <<<"$page" ||
    fail "the manual page is not dated $changed for Sorvel $version"
fi

depends=$(dpkg-deb -f "$deb" Depends)
if [ "$has_program" = ON ]; then
  for lib in libqt6widgets6 libsdl2-2.0-0 libc6; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
  done
fi
echo "check-deb: $(basename "$deb") holds $(wc -l <"$out/contents") entries; Depends: ${depends:-none}"
