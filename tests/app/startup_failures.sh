#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the program where its files are missing or broken, or where there is no sound device: it
# must show the error and end with a non-zero status, never run on without them or crash.
# Usage: startup_failures.sh PROGRAM RUNTIME_DIR
set -u
program=$(realpath "$1")
runtime=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect_failure NAME AUDIODRIVER TEXT [STATUS]: run in $work/NAME, expect TEXT on standard error
# (and exit status STATUS when given).
expect_failure() {
    local name=$1 driver=$2 text=$3 want=${4:-} err status
    err=$(cd "$work/$name" && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=$driver \
        timeout 60 "$program" 2>&1 >/dev/null)
    status=$?
    if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || [ "$status" -ge 125 ] ||
        { [ -n "$want" ] && [ "$status" -ne "$want" ]; }; then
        echo "FAIL $name: exit status $status"
        failures=$((failures + 1))
    elif ! grep -qF -- "$text" <<<"$err"; then
        echo "FAIL $name: expected \"$text\" on standard error, got:"
        echo "$err"
        failures=$((failures + 1))
    else
        echo "ok   $name (status $status)"
    fi
}

mkdir -p "$work/empty" "$work/broken" "$work/nofont" "$work/badfont" "$work/nodevice" \
    "$work/folder/bassoboe.wav" "$work/fifo" "$work/long"
expect_failure empty dummy "Unable to open file bassoboe.wav"

printf 'RIFX\0\0\0\0WAVEfmt ' >"$work/broken/bassoboe.wav"
cp "$runtime/SONORA.TTF" "$work/broken/"
expect_failure broken dummy "bassoboe.wav does not have a valid RIFF ID."

cp "$runtime/bassoboe.wav" "$work/nofont/"
expect_failure nofont dummy "SONORA.TTF"

cp "$runtime/bassoboe.wav" "$work/badfont/"
echo "not a font" >"$work/badfont/SONORA.TTF"
expect_failure badfont dummy "SONORA.TTF"

cp "$runtime/bassoboe.wav" "$runtime/SONORA.TTF" "$work/nodevice/"
expect_failure nodevice no-such-driver "The sound device could not be opened."

# Not a regular file: refused at once (a FIFO must not block the start), status 1.
cp "$runtime/SONORA.TTF" "$work/folder/"
expect_failure folder dummy "bassoboe.wav is a directory" 1
mkfifo "$work/fifo/bassoboe.wav"
cp "$runtime/SONORA.TTF" "$work/fifo/"
expect_failure fifo dummy "bassoboe.wav is not a regular file (a FIFO)." 1

# More than 60 s of sound is refused before it is analysed.
{
    printf 'RIFF\x44\x0c\x29\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00'
    printf '\x44\xac\x00\x00\x02\x00\x10\x00data\x20\x0c\x29\x00'
    head -c 2690080 /dev/zero
} >"$work/long/bassoboe.wav"
cp "$runtime/SONORA.TTF" "$work/long/"
expect_failure long dummy "bassoboe.wav is too long" 1

# The font is refused as the recording is: a FIFO in its place must not block the start.
mkdir -p "$work/fontfifo" "$work/silent"
cp "$runtime/bassoboe.wav" "$work/fontfifo/"
mkfifo "$work/fontfifo/SONORA.TTF"
expect_failure fontfifo dummy "SONORA.TTF is not a regular file (a FIFO)." 1

# A recording of nothing but zeros would start a program that never makes a sound.
{
    printf 'RIFF\x44\x4e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00'
    printf '\x44\xac\x00\x00\x02\x00\x10\x00data\x20\x4e\x00\x00'
    head -c 20000 /dev/zero
} >"$work/silent/bassoboe.wav"
cp "$runtime/SONORA.TTF" "$work/silent/"
expect_failure silent dummy "bassoboe.wav is silent: every sample in it is zero." 1

# closed_stdout NAME [PREFIX...]: standard output is a pipe whose reader has gone before the
# program writes; a clean quit (SIGTERM, as closing the window) must still end with status 0,
# not SIGPIPE's 141. Line-buffered (stdbuf -oL) the device's line is written during start-up,
# fully buffered at the exit.
closed_stdout() {
    local name=$1 pid status i
    shift
    mkfifo "$work/$name.pipe"
    (cd "$runtime" && exec env QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$@" "$program" \
        >"$work/$name.pipe" 2>"$work/$name.err") &
    pid=$!
    exec 3<"$work/$name.pipe"
    exec 3<&-
    # Started once the sound device's thread runs: the device's line has been written by then.
    for i in $(seq 200); do
        grep -qs '^SDLAudio' /proc/"$pid"/task/*/comm && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAIL $name: exit status $status with standard output closed: $(cat "$work/$name.err")"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}
closed_stdout closed_stdout_buffered
closed_stdout closed_stdout_line_buffered stdbuf -oL

exit $((failures > 0))
