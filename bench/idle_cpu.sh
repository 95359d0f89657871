#!/usr/bin/env bash
# The whole program's processor cost when idle, against a yardstick: starts build/bin/tarnolux (its
# General page showing, its one-second tick running) and build/bin/tray_baseline (a minimal Qt 6
# tray monitor with a one-second timer) side by side in a private X display with a window manager
# and a notification-area host, and measures the CPU time of all their threads over the same 60 s.
# Target: the program costs at most 1.5 times the yardstick.
# Needs Xvfb, openbox and trayer (apt-get install xvfb openbox trayer). PROGRAM=path measures another
# build of the program against the same yardstick.
set -euo pipefail
bin=${1:-"$(dirname "$0")/../build/bin"}
seconds=${SECONDS_TO_MEASURE:-60}
home=$(mktemp -d)
mkdir -p "$home/run" && chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$fifo"; rm -f "$fifo"
export DISPLAY=:$display
if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & pids+=($!); fi
trayer --edge bottom --align right --widthtype pixel --width 160 --height 32 >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
# The program starts last, so that its window is the active one, as after a start by the user.
"$bin/tray_baseline" >/dev/null 2>&1 &
baseline=$!
pids+=($baseline)
sleep 0.5
"${PROGRAM:-$bin/tarnolux}" >/dev/null 2>&1 &
program=$!
pids+=($program)
sleep 5  # start-up is not idle
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'; }
p0=$(cpu_ns $program); b0=$(cpu_ns $baseline)
sleep "$seconds"
p1=$(cpu_ns $program); b1=$(cpu_ns $baseline)
awk -v p=$((p1 - p0)) -v b=$((b1 - b0)) -v s="$seconds" 'BEGIN {
    printf "idle CPU over %d s: program %.1f ms (%.3f %% of one core), yardstick %.1f ms; ratio %.2f\n",
           s, p / 1e6, p / (s * 1e9) * 100, b / 1e6, (b > 0 ? p / b : 0)
}'
