#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-install.sh BUILD STAGE HAS_PROGRAM "ICON_SIZES": installs BUILD into the prefix STAGE
# and checks that the launcher finds the program and its data files where they were put, and
# that the icon theme has a PNG of each size.
set -euo pipefail
build=$1 stage=$2 has_program=$3 icon_sizes=$4
id=org.sorvel.Sorvel
fail() { echo "check-install: $*" >&2; exit 1; }

rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null

desktop=$stage/share/applications/$id.desktop
for f in "$desktop" "$stage/share/icons/hicolor/scalable/apps/$id.svg" \
         "$stage/share/metainfo/$id.metainfo.xml" "$stage/share/doc/sorvel/copyright" \
         "$stage/share/doc/sorvel/changelog.gz"; do
  [ -f "$f" ] || fail "missing $f"
done
# Each PNG is as large as its folder says, and not blank: it has both opaque pixels and the
# transparent corners of the rounded card.
for size in $icon_sizes; do
  png=$stage/share/icons/hicolor/${size}x$size/apps/$id.png
  [ -f "$png" ] || fail "missing $png"
  file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "$png is $(file -b "$png")"
  alpha=$(convert "$png" -alpha extract -format '%[fx:minima] %[fx:maxima]' info:)
  [ "$alpha" = "0 1" ] || fail "$png: alpha ranges over '$alpha', not from clear to opaque"
done
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Path)" = "$stage/share/sorvel" ] || fail "Path= is '$(key Path)', not $stage/share/sorvel"
[ "$(key Exec)" = "$stage/lib/sorvel/sorvel" ] || fail "Exec= is '$(key Exec)'"
[ "$(key Icon)" = "$id" ] || fail "Icon= is '$(key Icon)'"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
  "$stage/share/metainfo/$id.metainfo.xml" || fail "metainfo does not launch $id.desktop"
/usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
  "$stage/share/icons/hicolor/scalable/apps/$id.svg" || fail "the icon is not well-formed XML"

if [ "$has_program" = ON ]; then
  [ -x "$(key Exec)" ] || fail "the program $(key Exec) is not installed"
  [ "$(head -c 4 "$(key Path)/bassoboe.wav")" = RIFF ] || fail "no RIFF bassoboe.wav in $(key Path)"
  [ -s "$(key Path)/SONORA.TTF" ] || fail "no SONORA.TTF in $(key Path)"
  [ -x "$stage/bin/sorvel" ] || fail "no launcher script $stage/bin/sorvel"
  grep -qF "cd '$stage/share/sorvel'" "$stage/bin/sorvel" || fail "bin/sorvel does not enter the data folder"
  sh -n "$stage/bin/sorvel" || fail "bin/sorvel is not a valid shell script"
  # The manual page names this prefix's files and formats without a complaint from groff. A
  # long prefix fills lines with path pieces that have no space to stretch; groff says it
  # "cannot adjust line" there, which a reader never sees, so that warning alone is allowed.
  page=$stage/share/man/man1/sorvel.1.gz
  [ -f "$page" ] || fail "missing $page"
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
    fail "man -l $page failed: $warnings"
  warnings=$(grep -v ': warning \[[^]]*\]: cannot adjust line$' <<<"$warnings" || true)
  [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
  # What a reader sees: the rendered page, its lines joined where a path was wrapped.
  text=$(MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | sed 's/^ *//' |
         sed -e ':a' -e '/\/$/N; s/\/\n/\//; ta')
  for f in "$(key Path)/bassoboe.wav" "$(key Path)/SONORA.TTF" "$(key Exec)" "$stage/bin/sorvel"; do
    grep -qF "$f" <<<"$text" || fail "the manual page does not name $f"
  done
  # No line of the rendered page is wider than the terminal it was rendered for.
  wide=$(MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | awk 'length > 80' | head -3)
  [ -z "$wide" ] || fail "the manual page runs past 80 columns: $wide"
else
  echo "check-install: no sorvel target in this build; checked the desktop files only"
fi
echo "check-install: $stage is complete"
