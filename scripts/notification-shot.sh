#!/usr/bin/env bash
# Makes docs/notification.png: the built program (build-ci/bin) in a private home, on a private X
# display and session bus with dunst as the desktop's notification server, frees 256 MB from the
# command line; the notification it shows is captured. Prints the line the command line printed.
# Needs: xvfb dunst dbus-daemon imagemagick xdotool fonts-dejavu-core.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/notification.png}
tmp=$(mktemp -d); pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share \
       XDG_STATE_HOME=$tmp/home/.local/state XDG_CACHE_HOME=$tmp/home/.cache XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/icons/hicolor/48x48/apps" && mkdir -m 700 "$XDG_RUNTIME_DIR"
cp resources/icons/tarnolux-48.png "$XDG_DATA_HOME/icons/hicolor/48x48/apps/tarnolux.png"  # as installed
mkfifo "$tmp/fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/fifo" >/dev/null 2>&1 & pids+=($!)
read -r display <"$tmp/fifo"; export DISPLAY=:$display QT_QPA_PLATFORM=xcb
dbus-daemon --session --nofork --nopidfile --address="unix:path=$tmp/bus" --print-address=1 >"$tmp/fifo" 2>/dev/null & pids+=($!)
read -r DBUS_SESSION_BUS_ADDRESS <"$tmp/fifo"; export DBUS_SESSION_BUS_ADDRESS
cat >"$tmp/dunstrc" <<EOF
[global]
font = DejaVu Sans 10
width = 430
frame_width = 1
frame_color = "#8a8a8a"
icon_path = $XDG_DATA_HOME/icons/hicolor/48x48/apps
max_icon_size = 48
[urgency_normal]
background = "#f4f4f4"
foreground = "#202020"
timeout = 0
EOF
dunst -config "$tmp/dunstrc" >/dev/null 2>&1 & pids+=($!)
build-ci/bin/tarnolux >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 150); do [ -S "$XDG_RUNTIME_DIR/tarnolux.socket" ] && break; sleep 0.2; done
build-ci/bin/tarnolux --free-up 256 || true
window=$(timeout 10 xdotool search --sync --classname Dunst | head -1); sleep 0.5
import -window "$window" -strip "$out"
echo "saved $out"
