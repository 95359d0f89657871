#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo and the manual page pass their validators. Exits 77
# (skipped) when a validator is not installed, after saying which.
set -uo pipefail
src=$1
missing=()
command -v desktop-file-validate >/dev/null || missing+=("desktop-file-validate (desktop-file-utils)")
command -v appstreamcli >/dev/null || missing+=("appstreamcli (appstream)")
command -v man >/dev/null || missing+=("man (man-db)")
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: not installed: ${missing[*]}"
    exit 77
fi
rc=0
desktop-file-validate "$src/packaging/tarnolux.desktop" || rc=1
grep -q '^Actions=show;free-up;quit;$' "$src/packaging/tarnolux.desktop" || { echo "desktop entry: actions missing"; rc=1; }
appstreamcli validate --no-net --pedantic "$src/packaging/tarnolux.metainfo.xml" || rc=1
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$src/packaging/tarnolux.1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then echo "tarnolux.1: $warnings"; rc=1; fi
exit $rc
