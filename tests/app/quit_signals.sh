#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The signals a desktop, a terminal or a logout sends end the program as closing its window
# does: exit status 0 within 2 seconds, also while sound plays.
# Usage: quit_signals.sh PROGRAM RUNTIME_DIR
set -u
program=$(realpath "$1")
runtime=$(realpath "$2")
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# started NAME: waits until the program in the background has opened its sound device.
started() {
    local i
    for i in $(seq 200); do
        grep -q 'wave out open okay' "$work/$1.out" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# ends_with_zero NAME PID SIGNAL: sends SIGNAL and expects exit status 0 within 2 seconds.
ends_with_zero() {
    local name=$1 pid=$2 signal=$3 i status
    kill -s "$signal" "$pid"
    for i in $(seq 40); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        fail "$name: still running 2 s after SIG$signal"
        return
    fi
    wait "$pid"
    status=$?
    if [ "$status" -ne 0 ]; then
        fail "$name: exit status $status after SIG$signal"
    else
        echo "ok   $name"
    fi
}

cd "$runtime"
for signal in TERM HUP INT; do
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy stdbuf -oL "$program" \
        >"$work/$signal.out" 2>&1 &
    pids+=($!)
    if started "$signal"; then
        ends_with_zero "SIG$signal while silent" "$!" "$signal"
    else
        fail "SIG$signal: the program did not start"
    fi
done

# While the start-up A4 sounds under the mouse, on a virtual display, recorded by SDL.
cat >"$work/playing.sh" <<'SCRIPT'
set -u
work=$1 program=$2
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/played.raw" stdbuf -oL "$program" \
    >"$work/playing.out" 2>&1 &
pid=$!
for i in $(seq 200); do
    grep -q 'wave out open okay' "$work/playing.out" && break
    sleep 0.05
done
window=
for i in $(seq 200); do
    window=$(xdotool search --onlyvisible --name '^Sorvel$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.05
done
# Without a window manager the window sits at the top left; the A4's head is at about
# (96, 90) of it.
xdotool mousemove --window "$window" 96 90 mousemove --window "$window" 97 90
sounding=no
for i in $(seq 100); do
    # 0x00 0x00 pairs are silence; anything else is the note.
    if [ "$(tr -d '\000' <"$work/played.raw" 2>/dev/null | head -c 1 | wc -c)" -gt 0 ]; then
        sounding=yes
        break
    fi
    sleep 0.05
done
echo "sounding=$sounding"
kill -s INT "$pid"
for i in $(seq 40); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
    echo "status=running"
    kill -9 "$pid"
    exit 0
fi
wait "$pid"
echo "status=$?"
SCRIPT
result=$(timeout 60 xvfb-run -a -s "-screen 0 1024x600x24" bash "$work/playing.sh" "$work" \
    "$program" 2>&1)
if ! grep -q 'sounding=yes' <<<"$result"; then
    fail "SIGINT while playing: no sound started ($result)"
elif ! grep -q 'status=0' <<<"$result"; then
    fail "SIGINT while playing: $(grep status= <<<"$result")"
else
    echo "ok   SIGINT while playing"
fi

exit $((failures > 0))
