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
        # Every dash of an option is escaped in the page, as troff wants for a minus sign.
        grep -qF -- "$(sed 's/-/\\-/g' <<<"$long")" "$page" || fail "the manual page does not describe $long"
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

# --print-frequencies: pitch numbers 45..88 at 6 decimals, against the systems' definitions as
# chains of fifths from A (t: the tempered fifth), computed here again.
check_table() { # NAME A4: compare $work/out with the definition
    python3 - "$1" "$2" "$work/out" <<'PY' || fail "--print-frequencies $1 at $2 Hz"
import math, sys
name, a4, path = sys.argv[1], float(sys.argv[2]), sys.argv[3]
pc, sc = 3**12 / 2**19, 81 / 80
def chain(t_up, t_down):  # ratios by semitones above A: fifths up (E, B, ...) and down (D, G, ...)
    r, q, k = {0: 1.0}, 1.0, 0
    for t in t_up:
        q, k = q * t, (k + 7) % 12
        r[k] = q
    q, k = 1.0, 0
    for t in t_down:
        q, k = q / t, (k + 5) % 12
        r[k] = q
    return {k: v / 2 ** math.floor(math.log2(v)) for k, v in r.items()}
p3 = 1.5
if name == "Equal":
    table = {k: 2 ** (k / 12) for k in range(12)}
elif name == "Vallotti":
    t = 1.5 / pc ** (1 / 6)
    table = chain([t, t, p3, p3, p3, p3, p3], [t, t, t, t])
elif name == "Werkmeister III":
    t = 1.5 / pc ** (1 / 4)
    table = chain([p3, t, p3, p3, p3, p3, p3, p3], [t, t, t])
else:
    t = 1.5 / sc ** (1 / 4)
    table = chain([t] * 5, [t] * 6)
lines = open(path).read().splitlines()
assert [int(l.split("\t")[0]) for l in lines] == list(range(45, 89)), lines[:3]
for l in lines:
    p, f = l.split("\t")
    assert len(f.split(".")[1]) >= 6, l
    x = int(p) - 69
    want = a4 * table[x % 12] * 2 ** (x // 12)
    assert abs(1200 * math.log2(float(f) / want)) < 1e-4, (l, want)
PY
}
for a4 in 440 415 442.5; do
    for system in Equal Vallotti "Werkmeister III" Meantone; do
        run --print-frequencies --system "$system" --a4 "$a4"
        [ "$status" -eq 0 ] && [ ! -s "$work/err" ] || fail "$system at $a4: status $status: $(cat "$work/err")"
        check_table "$system" "$a4"
    done
done
run --print-frequencies
check_table Equal 440

# A scale named on the command line is found where Sorvel was started, else among the installed
# ones; with a mapping its reference note sounds at the mapping's frequency. A Kirnberger III
# A4 at 415 Hz sounds at 415 Hz with no mapping, and the mapping's 261.63 Hz C4 moves it.
printf '! c.kbm\n0\n0\n127\n60\n60\n261.63\n12\n' >"$work/c.kbm"
(cd "$(dirname "$program")" && env -u DISPLAY SORVEL_START_DIR="$work" timeout 20 "$program" \
    --a4 415 --scale kirnberger3.scl --print-frequencies >"$work/out" 2>"$work/err")
grep -qxF "$(printf '69\t415.000000')" "$work/out" || fail "the installed Kirnberger III: $(cat "$work/err")"
(cd "$(dirname "$program")" && env -u DISPLAY SORVEL_START_DIR="$work" timeout 20 "$program" \
    --scale kirnberger3.scl --kbm c.kbm --print-frequencies >"$work/out" 2>"$work/err")
grep -qxF "$(printf '60\t261.630000')" "$work/out" || fail "a mapping's reference: $(cat "$work/out" "$work/err")"

# A bad value or file: its message on standard error, status 1, nothing printed, no window.
printf 'five\n 5\n100.0\n200.0\n300.0\n400.0\n2/1\n' >"$work/five.scl"
while IFS='|' read -r args message; do
    eval "run $args"
    [ "$status" -eq 1 ] || fail "$args: status $status, not 1"
    [ ! -s "$work/out" ] || fail "$args wrote to standard output"
    grep -qF -- "$message" "$work/err" || fail "$args: '$(cat "$work/err")' does not say '$message'"
done <<'BAD'
--a4 500|outside the range Sorvel offers (380 to 480 Hz)
--a4 fast|is not a number of Hz
--print-frequencies --system Perfect|has no table of frequencies
--system Pythagorean|there is no tuning system 'Pythagorean'
--kbm c.kbm|give the scale with --scale
--scale five.scl|five.scl:2: Sorvel plays 12-note scales
--scale missing.scl --print-frequencies|missing.scl
--print-beats C4 H4|'H4' is not a note
--print-beats C4|needs two notes
--print-beats C4 E4 --system Pythagorean|there is no tuning system 'Pythagorean'
BAD

# The beat table: lower note, harmonic, upper note, harmonic, Hz, for each pair lowest first and
# m ascending. Rates computed apart (Python): equal-tempered A3-E4 3:2 0.745 Hz and its
# multiples, C4-E4 5:4 10.382 Hz, F3-A3 5:4 6.929 Hz; just intervals do not beat.
run --print-beats A3 E4
[ "$status" -eq 0 ] || fail "--print-beats A3 E4: status $status: $(cat "$work/err")"
[ "$(head -2 "$work/out")" = "$(printf 'A3\t3\tE4\t2\t0.745\nA3\t6\tE4\t4\t1.490')" ] &&
    [ "$(wc -l <"$work/out")" -eq 10 ] || fail "--print-beats A3 E4 printed '$(cat "$work/out")'"
run --print-beats E4 C4 F3 A3
grep -qxF "$(printf 'C4\t5\tE4\t4\t10.382')" "$work/out" &&
    grep -qxF "$(printf 'F3\t5\tA3\t4\t6.929')" "$work/out" &&
    [ "$(cut -f1 "$work/out" | uniq | tr '\n' ' ')" = "F3 A3 C4 " ] ||
    fail "--print-beats E4 C4 F3 A3 printed '$(cat "$work/out")'"
run --print-beats C4 E4 G4 --system Perfect
[ "$status" -eq 0 ] && grep -qxF "$(printf 'C4\t5\tE4\t4\t0.000')" "$work/out" &&
    grep -qxF "$(printf 'C4\t3\tG4\t2\t0.000')" "$work/out" ||
    fail "--print-beats C4 E4 G4 --system Perfect printed '$(cat "$work/out")'"
run --a4 415 --print-beats A3 E4
grep -qxF "$(printf 'A3\t3\tE4\t2\t0.703')" "$work/out" || fail "--a4 415 A3-E4: '$(cat "$work/out")'"

[ "$failures" -eq 0 ] && echo "ok   command line"
exit $((failures > 0))
