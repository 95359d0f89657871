#!/usr/bin/env bash
# Builds Tarnolux on Debian 12 and runs it, its tests, or its tests under the sanitizers.
#   bash scripts/dev.sh run     build the program and its data (release with debug info, build/) and start it
#   bash scripts/dev.sh test    build with warnings as errors and run every test (build-ci/)
#   bash scripts/dev.sh asan    build and run every test under ASan+UBSan, Qt offscreen (build-asan/)
#   bash scripts/dev.sh bench   build and run the benchmarks (build/)
#   bash scripts/dev.sh package build a Debian package (build-package/tarnolux_*.deb)
#   bash scripts/dev.sh windows cross-build the Windows program (build-windows/bin) and run its
#                               headless tests under Wine, in a private prefix
#   bash scripts/dev.sh windows-package  build the Windows installer and portable zip
#                               (build-windows/Tarnolux-*-win64.exe and .zip) and try both under Wine
# Missing Debian packages are installed with apt-get when possible; otherwise the exact command to
# run is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          libsndfile1-dev libpulse-dev libx11-dev libglib2.0-dev xvfb fonts-dejavu-core xdg-utils locales-all dbus-daemon
          strace libxcb1-dev g++-mingw-w64-x86-64-posix wine wine64 clang libclang-rt-14-dev
          desktop-file-utils appstream man-db dpkg-dev pulseaudio)

# Only the Windows build needs these (about 1 GB with Wine).
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth openbox)
# The Windows installer and zip, and the checks of both.
windows_package_packages=("${windows_packages[@]}" nsis unzip)

ensure_packages() {
    local missing=()
    local wanted=("${packages[@]}")
    [ $# -gt 0 ] && wanted=("$@")
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}" >&2
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            apt=(sudo env DEBIAN_FRONTEND=noninteractive apt-get)
        else
            echo "Please run: sudo apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
    fi
    "${apt[@]}" update -qq && "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
}

jobs=$(nproc 2>/dev/null || echo 2)
cmd=${1:-}
case "$cmd" in
    run)
        ensure_packages
        cmake --preset default >/dev/null
        cmake --build --preset default -j "$jobs" --target tarnolux
        exec build/bin/tarnolux "${@:2}"
        ;;
    test)
        ensure_packages
        cmake --preset ci >/dev/null
        cmake --build --preset ci -j "$jobs"
        ctest --preset ci -j "$jobs"
        ;;
    asan)
        ensure_packages
        cmake --preset asan >/dev/null
        cmake --build --preset asan -j "$jobs"
        # GLib's slice allocator keeps freed and leaked objects alike in its own pages, out of the leak
        # checker's sight: plain malloc lets it see a bus object nobody gives back.
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            G_SLICE=always-malloc ctest --preset asan -j "$jobs"
        ;;
    package)
        ensure_packages
        cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
            -DTARNOLUX_BUILD_TESTS=OFF -DTARNOLUX_BUILD_BENCH=OFF >/dev/null
        cmake --build build-package -j "$jobs" --target tarnolux
        (cd build-package && cpack -G DEB)
        ;;
    bench)
        ensure_packages
        cmake --preset default >/dev/null
        cmake --build --preset default -j "$jobs"
        for b in build/bin/*_bench; do "$b"; done
        ;;
    windows)
        ensure_packages "${windows_packages[@]}"
        cmake --preset windows >/dev/null
        cmake --build --preset windows -j "$jobs"
        # One Wine start for all the tests (each start costs seconds), in a throw-away prefix so the
        # user's own Wine registry and drives are never touched.
        prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarnolux-wine-XXXXXX")
        trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
        export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        # The host's tests make real windows: a private X display with a window manager (without one,
        # Wine waits seconds for every window it hides). A test that hangs ends the run, not CI.
        xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
            'openbox >/dev/null 2>&1 & timeout 900 wine build-windows/bin/tarnolux_tests.exe --gtest_brief=1'
        version=$(wine build-windows/bin/tarnolux.exe --version | tr -d '\r')
        [ "$version" = "Tarnolux 1.8" ] || { echo "tarnolux.exe --version printed: $version" >&2; exit 1; }
        echo "$version"
        ;;
    windows-package)
        ensure_packages "${windows_package_packages[@]}"
        cmake --preset windows >/dev/null
        cmake --build --preset windows -j "$jobs" --target tarnolux
        # makensis reads the language files' names as UTF-8 whatever the caller's locale.
        (cd build-windows && LC_ALL=C.UTF-8 cpack)
        version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
        # A display for the Tarnolux that the install has to end; everything else in a throw-away prefix.
        xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
            'openbox >/dev/null 2>&1 & timeout 900 bash tests/packaging/windows_package.sh build-windows . "$0"' "$version"
        ;;
    *)
        sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
