#!/usr/bin/env bash
# `cmake --install` lays out the program, its data, the desktop entry, the metainfo, the manual page
# and the icons, and nothing else; the uninstall script removes every file again.
set -euo pipefail
build=$1 src=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >/dev/null
cd "$prefix"
installed=$(find . -type f -o -type l | sed 's|^\./||' | sort)
rc=0
for f in bin/tarnolux lib/tarnolux/tarnolux lib/tarnolux/ReadMe.txt lib/tarnolux/Language/english.ini \
         share/applications/tarnolux.desktop share/metainfo/io.github.tarnolux.tarnolux.metainfo.xml \
         share/man/man1/tarnolux.1 share/icons/hicolor/scalable/apps/tarnolux.svg \
         share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/tarnolux.png; do
    grep -qx "$f" <<<"$installed" || { echo "not installed: $f"; rc=1; }
done
while read -r f; do
    case $f in
        bin/tarnolux|lib/tarnolux/tarnolux|lib/tarnolux/ReadMe.txt) ;;
        lib/tarnolux/Language/*.ini|lib/tarnolux/Skins/*.ini|lib/tarnolux/icons/*.png) ;;
        share/applications/tarnolux.desktop|share/metainfo/io.github.tarnolux.tarnolux.metainfo.xml) ;;
        share/man/man1/tarnolux.1|share/icons/hicolor/*/apps/tarnolux.png|share/icons/hicolor/scalable/apps/tarnolux.svg) ;;
        *) echo "installed but not part of the program: $f"; rc=1 ;;
    esac
done <<<"$installed"
# The launcher finds the program wherever the tree is.
[ "$("$prefix/bin/tarnolux" --version)" = "Tarnolux 1.8" ] || { echo "the launcher does not start the program"; rc=1; }

cmake -DMANIFEST="$build/install_manifest.txt" -P "$src/cmake/Uninstall.cmake" >/dev/null
left=$(find . -type f -o -type l)
[ -z "$left" ] || { echo "left after uninstall: $left"; rc=1; }
[ ! -e lib/tarnolux ] || { echo "left after uninstall: lib/tarnolux"; rc=1; }
cd /
rm -rf "$scratch"
exit $rc
