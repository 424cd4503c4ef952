#!/usr/bin/env bash
# Sets up a Debian 12 machine for Glassmere, builds it, and starts it or runs
# every test.
#
#   tools/dev.sh run    install what is missing, build, start the program
#   tools/dev.sh test   install what is missing, check the formatting, build
#                       with warnings as errors and run every test, then build
#                       and run the tests again under AddressSanitizer and
#                       UndefinedBehaviorSanitizer
#   tools/dev.sh package [cmake options...]
#                       install what is missing, build a release and make the
#                       Debian package build-package/dist/glassmere_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libqt6svg6
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n fonts-wqy-microhei
    libbenchmark-dev clang-format libpng-dev
    libexiv2-dev pkg-config zlib1g-dev
    xvfb xauth xdotool imagemagick fonts-dejavu-core
    pybind11-dev python3-dev python3-numpy python3-distributed
    dpkg-dev help2man man-db desktop-file-utils appstream bash-completion
    libavif-dev libwebp-dev libjpeg62-turbo-dev libtiff-dev qt6-wayland
    weston openbox xfwm4 libvips-tools libjpeg-turbo-progs libxcb1-dev libfontconfig-dev
)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "== Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

build() { # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

check_format() {
    echo "== Checking the formatting"
    git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build' |
        xargs -r clang-format --dry-run --Werror
}

case "${1:-}" in
run)
    install_missing
    build build
    exec build/glassmere
    ;;
test)
    install_missing
    check_format
    echo "== Build with warnings as errors, and test"
    build build-test -DGLASSMERE_WERROR=ON -DCMAKE_BUILD_TYPE=Release
    ctest --test-dir build-test --output-on-failure -j"$jobs"
    echo "== Build under AddressSanitizer and UndefinedBehaviorSanitizer, and test"
    # With a home page, unlike the first build, so the tests see the web
    # entries both greyed out and working.
    build build-asan -DGLASSMERE_WERROR=ON -DGLASSMERE_SANITIZE=ON -DGLASSMERE_BUILD_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLASSMERE_HOME_PAGE=https://glassmere.example/
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j"$jobs"
    ;;
package)
    install_missing
    build build-package -DCMAKE_BUILD_TYPE=Release -DGLASSMERE_BUILD_TESTS=OFF \
        -DGLASSMERE_BUILD_BENCH=OFF "${@:2}"
    rm -f build-package/dist/glassmere_*.deb
    cpack --config build-package/CPackConfig.cmake -B build-package/dist >/dev/null
    ls build-package/dist/glassmere_*.deb
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
