#!/usr/bin/env bash
# Exit-time writes of the whole program: starts build/bin/tarnolux offscreen in a private home under
# strace, ends it with SIGTERM once it runs, and counts the files its exit replaced (renames) and its
# fsync calls. Two runs: the first exit stores every setting, the second finds nothing changed.
# Target: each settings file at most once, with one fsync of it and one of its folder; nothing at
# all when nothing changed. Needs strace (apt-get install strace).
set -euo pipefail
program=$(realpath "${1:-"$(dirname "$0")/../build/bin/tarnolux"}")
home=$(mktemp -d)
mkdir -p "$home/run" && chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run XDG_DATA_HOME=$home/.local/share
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
trap 'rm -rf "$home"' EXIT

run() {
    local log=$home/strace.log
    strace -f -qq -o "$log" -e trace=fsync,fdatasync,rename,renameat,renameat2 "$program" >/dev/null 2>&1 &
    local tracer=$!
    sleep "${START_SECONDS:-3}"  # start-up writes nothing; let it finish
    local child
    child=$(pgrep -P "$tracer" | head -n 1)
    kill -TERM "$child"
    wait "$tracer" || true
    local renames fsyncs files
    renames=$(grep -c 'rename' "$log" || true)
    fsyncs=$(grep -cE 'f(data)?sync\(' "$log" || true)
    files=$( (grep -oE 'rename[a-z0-9]*\([^)]*' "$log" || true) | (grep -oE '"[^"]*"' || true) | sed -n '2~2p' |
            xargs -r -n1 basename | sort | uniq -c | awk '{printf "%s%s x%s", sep, $2, $1; sep=", "}')
    printf '%-28s %2d files replaced, %2d fsync calls  %s\n' "$1" "$renames" "$fsyncs" "$files"
}

run "first exit (new settings):"
run "second exit (no change):"
