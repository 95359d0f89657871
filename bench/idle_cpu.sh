#!/usr/bin/env bash
# The whole program's processor cost when idle: starts build/bin/tarnolux in a private X display with
# a notification-area host, with the General page showing and its one-second tick running, and
# measures the CPU time of all its threads over 60 s. Target: at most 0.1 % of one core.
# Needs Xvfb and trayer (apt-get install xvfb trayer).
set -euo pipefail
program=${1:-"$(dirname "$0")/../build/bin/tarnolux"}
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
trayer --edge bottom --align right --widthtype pixel --width 160 --height 32 >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
"$program" >/dev/null 2>&1 &
pid=$!
pids+=($pid)
sleep 5  # start-up is not idle
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{s += $1} END {print s}'; }
before=$(cpu_ns)
sleep "$seconds"
after=$(cpu_ns)
awk -v d=$((after - before)) -v s="$seconds" \
    'BEGIN { printf "idle CPU: %.1f ms over %d s = %.3f %% of one core\n", d / 1e6, s, d / (s * 1e9) * 100 }'
