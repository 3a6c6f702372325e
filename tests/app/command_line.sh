#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The options that only print and end, run with no display at all: a window, or even the
# attempt to connect to a display, would end them with an error instead.
# Usage: command_line.sh PROGRAM VERSION MANUAL_PAGE_SOURCE
set -u
program=$(realpath "$1")
version=$2
page=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# run ARGS...: status in $status, standard output in $work/out, standard error in $work/err.
run() {
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 \
        "$program" "$@" >"$work/out" 2>"$work/err")
    status=$?
}

for help in --help -h; do
    run "$help"
    [ "$status" -eq 0 ] || fail "$help: status $status: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "$help wrote to standard error: $(cat "$work/err")"
    grep -q '^Usage: sorvel \[options\]$' "$work/out" || fail "$help: no usage line: $(cat "$work/out")"
    # Every option on a line of its own, with its words on that line, and in the manual page.
    options=$(grep -E '^  -' "$work/out")
    [ "$(wc -l <<<"$options")" -ge 2 ] || fail "$help lists too few options: $options"
    while read -r line; do
        [ "$(wc -w <<<"$line")" -ge 3 ] || fail "$help: an option without its words: '$line'"
        long=$(grep -oE -- '--[a-z0-9-]+' <<<"$line" | head -1)
        grep -qF -- "\\-\\-${long#--}" "$page" || fail "the manual page does not describe $long"
    done <<<"$options"
done
grep -q -- '--version' <<<"$options" || fail "--help does not list --version"

run --version
[ "$status" -eq 0 ] || fail "--version: status $status: $(cat "$work/err")"
[ "$(cat "$work/out")" = "sorvel $version" ] || fail "--version printed '$(cat "$work/out")'"

for wrong in --no-such-option -x stray; do
    run "$wrong"
    [ "$status" -eq 2 ] || fail "$wrong: status $status, not 2"
    [ ! -s "$work/out" ] || fail "$wrong wrote to standard output: $(cat "$work/out")"
    grep -q '^Usage: sorvel \[options\]$' "$work/err" || fail "$wrong: no usage on standard error"
    grep -qF -- "'$(sed "s/^-*//" <<<"$wrong")'" "$work/err" ||
        fail "$wrong: the error does not name it: $(cat "$work/err")"
done

run --list-timbres
[ "$status" -eq 0 ] || fail "--list-timbres: status $status"
[ "$(head -1 "$work/out")" = english-horn ] && grep -qx violin "$work/out" &&
    grep -qx sine "$work/out" && grep -qx bright "$work/out" ||
    fail "--list-timbres printed '$(cat "$work/out")'"
run --timbre viola
[ "$status" -eq 2 ] && grep -qF "'viola'" "$work/err" && grep -qF -- --list-timbres "$work/err" ||
    fail "--timbre viola: status $status: $(cat "$work/err")"

# Only the chosen instrument is read at start-up: here the violin, missing in an empty folder.
(cd "$work" && env -u DISPLAY SDL_AUDIODRIVER=dummy timeout 60 "$program" -platform offscreen \
    --timbre Violin >/dev/null 2>"$work/err")
status=$?
[ "$status" -eq 1 ] && grep -qF "Unable to open file instruments/violin.wav" "$work/err" ||
    fail "--timbre Violin: status $status: $(cat "$work/err")"

# Qt's own options pass through to the window's start: here it gets as far as the missing
# recording in an empty folder, and says so.
(cd "$work" && env -u DISPLAY SDL_AUDIODRIVER=dummy timeout 60 "$program" -platform offscreen \
    >/dev/null 2>"$work/err")
status=$?
[ "$status" -eq 1 ] && grep -qF "Unable to open file bassoboe.wav" "$work/err" ||
    fail "-platform offscreen did not start: status $status: $(cat "$work/err")"

[ "$failures" -eq 0 ] && echo "ok   command line"
exit $((failures > 0))
