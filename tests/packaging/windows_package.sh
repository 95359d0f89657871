#!/usr/bin/env bash
# The Windows installer and portable zip, used as a Windows user would, under Wine in a private
# prefix (run on a display: scripts/dev.sh windows-package starts one):
#   windows_package.sh BUILD-DIR SOURCE-DIR VERSION
# BUILD-DIR holds Tarnolux-VERSION-win64.exe and .zip. Wine starts every program elevated; the
# user's own install runs through tests/wine/run_unelevated.c, with the token of an administrator
# who did not choose "Run as administrator".
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
installer=$build/Tarnolux-$version-win64.exe
zip=$build/Tarnolux-$version-win64.zip

prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarnolux-package-XXXXXX")
export WINEPREFIX=$prefix/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
x86_64-w64-mingw32-gcc -municode -O1 -Wall -Werror -o "$prefix/run_unelevated.exe" "$source/tests/wine/run_unelevated.c"
wineboot -i >/dev/null 2>&1

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_eq() {  # what, got, wanted
    [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"
}
win() { wine cmd /c "echo $1" | tr -d '\r'; }
unix() { winepath -u "$1" | tr -d '\r'; }
# A value's data, or nothing when the key or value is missing.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
# Files below a folder, one relative path a line, sorted.
listing() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
# A Tarnolux of this prefix that runs: Wine names the process by its Windows path. Only the test's
# own Wine processes count.
tarnolux_runs() {
    local pid
    for pid in $(pgrep -f '^[A-Za-z]:\\.*\\tarnolux\.exe( |$)' || true); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
tarnolux_ended() { ! tarnolux_runs; }
gone() { ! kill -0 "$1" 2>/dev/null; }
wait_until() {  # seconds, command...
    local limit=$1
    shift
    for _ in $(seq $((limit * 4))); do
        "$@" && return 0
        sleep 0.25
    done
    return 1
}
unelevated() { wine "$prefix/run_unelevated.exe" "$@"; }

user_dir=$(unix "$(win '%LOCALAPPDATA%')\\Programs\\Tarnolux")
user_menu=$(unix "$(win '%APPDATA%')\\Microsoft\\Windows\\Start Menu\\Programs")
machine_dir=$(unix "$(win '%ProgramFiles%')\\Tarnolux")
machine_menu=$(unix "$(win '%ProgramData%')\\Microsoft\\Windows\\Start Menu\\Programs")
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnolux'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\TALVO\Tarnolux '

# The portable zip: one folder "Tarnolux" that runs where it is unpacked.
mkdir -p "$prefix/portable with spaces"
(cd "$prefix/portable with spaces" && unzip -q "$zip")
portable=$prefix/portable\ with\ spaces/Tarnolux
expect_eq "the zip's folder" "$(listing "$portable" | tr '\n' ' ')" \
    "Language/deutsch.ini Language/english.ini Language/español.ini Language/français.ini ReadMe.txt Skins/Blue.ini Skins/Default.ini Skins/Midnight.ini Skins/Sand.ini tarnolux.exe "
expect_eq "the unpacked program's --version" "$(wine "$portable/tarnolux.exe" --version | tr -d '\r')" "Tarnolux $version"

# The user's own install: silent, no administrator.
unelevated "$(winepath -w "$installer")" /S || fail "the user's silent install ended with status $?"
expect_eq "the installed folder" "$(listing "$user_dir")" "$(printf '%s\nUninstall.exe' "$(listing "$portable")" | LC_ALL=C sort)"
[ -f "$user_menu/Tarnolux.lnk" ] || fail "no Start-menu shortcut in $user_menu"
key="HKCU\\$uninstall_key"
expect_eq "DisplayName" "$(reg_value "$key" DisplayName)" "Tarnolux"
expect_eq "DisplayVersion" "$(reg_value "$key" DisplayVersion)" "$version"
expect_eq "Publisher" "$(reg_value "$key" Publisher)" "The Tarnolux developers"
expect_eq "DisplayIcon" "$(reg_value "$key" DisplayIcon)" "$(winepath -w "$user_dir" | tr -d '\r')\\tarnolux.exe,0"
has_key "HKLM\\$uninstall_key" && fail "the user's install made an entry for all users"
expect_eq "the installed program's --version" "$(wine "$user_dir/tarnolux.exe" --version | tr -d '\r')" "Tarnolux $version"
# A window program has no console of its own: what it tells the command line must still arrive there.
expect_eq "the installed program's --report" "$(wine "$user_dir/tarnolux.exe" --report | tr -d '\r')" \
    "No free-ups recorded yet."

# Installing again while Tarnolux runs: the running one ends in order, and comes back afterwards.
unelevated "$(winepath -w "$user_dir/tarnolux.exe")" &
first=$!
wait_until 30 tarnolux_runs || fail "the installed program did not start"
sleep 2  # past its start-up, holding its instance lock
unelevated "$(winepath -w "$installer")" /S || fail "the install over a running Tarnolux ended with status $?"
wait_until 10 gone "$first" || fail "the first Tarnolux ran on after the install"
wait "$first" || fail "the first Tarnolux did not end in order (status $?)"
wait_until 30 tarnolux_runs || fail "Tarnolux did not run again after the install"
sleep 2
wine "$user_dir/tarnolux.exe" --quit
wait_until 30 tarnolux_ended || fail "Tarnolux did not end on --quit"

# The silent uninstall removes the program, its shortcut, its entry and its start-up value; the
# user's settings stay.
wine reg add "$run_key" /v "Tarnolux " /d "\"$(winepath -w "$user_dir/tarnolux.exe" | tr -d '\r')\"" /f >/dev/null
wine reg add "$settings_key" /v Skin /d Blue /f >/dev/null
unelevated "$(winepath -w "$user_dir/Uninstall.exe")" /S || fail "the user's silent uninstall ended with status $?"
wineserver -w  # the uninstaller runs on from a copy of itself
[ -e "$user_dir" ] && fail "the uninstall left $(listing "$user_dir" | tr '\n' ' ') in $user_dir"
[ -e "$user_menu/Tarnolux.lnk" ] && fail "the uninstall left the Start-menu shortcut"
has_key "$key" && fail "the uninstall left the Apps & features entry"
expect_eq "the start-up value after the uninstall" "$(reg_value "$run_key" "Tarnolux ")" ""
expect_eq "the user's settings after the uninstall" "$(reg_value "$settings_key" Skin)" "Blue"

# Run elevated, it installs for every user in Program Files; only an administrator removes that.
wine "$installer" /S || fail "the elevated silent install ended with status $?"
[ -f "$machine_dir/tarnolux.exe" ] || fail "no program in $machine_dir"
[ -f "$machine_menu/Tarnolux.lnk" ] || fail "no Start-menu shortcut in $machine_menu"
expect_eq "InstallLocation for all users" "$(reg_value "HKLM\\$uninstall_key" InstallLocation)" \
    "$(winepath -w "$machine_dir" | tr -d '\r')"
has_key "HKCU\\$uninstall_key" && fail "the install for all users made an entry for the user alone"
unelevated "$(winepath -w "$machine_dir/Uninstall.exe")" /S || true
wineserver -w
[ -f "$machine_dir/tarnolux.exe" ] || fail "an uninstall without an administrator removed the install for all users"
wine "$machine_dir/Uninstall.exe" /S || fail "the elevated silent uninstall ended with status $?"
wineserver -w
[ -e "$machine_dir" ] && fail "the uninstall left $machine_dir"
[ -e "$machine_menu/Tarnolux.lnk" ] && fail "the uninstall left the shortcut for all users"
has_key "HKLM\\$uninstall_key" && fail "the uninstall left the entry for all users"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of the Windows packages failed" >&2
    exit 1
fi
echo "The Windows installer and zip: all checks passed"
