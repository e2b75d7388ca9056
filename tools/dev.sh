#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tremax, builds it, and runs the program or the tests.
#   tools/dev.sh run        build and start tremax on the demo sequence
#   tools/dev.sh test       build and run the whole test suite
#   tools/dev.sh sanitize   the same tests built with AddressSanitizer and UBSan
#   tools/dev.sh tsan       the threaded tests (sweep, playback, session) under ThreadSanitizer
#   tools/dev.sh bench      build and run the benchmarks
#   tools/dev.sh screenshot build and retake docs/screenshot.png from the program under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev libfftw3-dev dbus-daemon python3 fonts-dejavu-core ccache ninja-build
          xvfb xauth x11-utils xdotool xclip imagemagick
          libtiff-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
          xdg-utils shared-mime-info desktop-file-utils libfile-mimeinfo-perl)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# Ninja and ccache keep rebuilds short; the build directory remembers its generator.
generator_args() { # build-dir
    [ -f "$1/CMakeCache.txt" ] || echo "-G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
}

build() { # build-dir extra-cmake-args...
    local dir=$1; shift
    # shellcheck disable=SC2046
    cmake -S "$root" -B "$dir" $(generator_args "$dir") -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

run_tests() { # build-dir
    (cd "$1" && QT_QPA_PLATFORM=offscreen ctest -j"$(nproc)" --output-on-failure --timeout 300)
}

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

# The sanitizer builds: light optimisation and line tables only, which compile much faster than
# full debug information and still name the file and line of every report.
sanitizer_flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")

case "${1:-}" in
run)
    install_packages
    build build -DTREMAX_WERROR=$werror
    exec build/app/tremax build/demo/demo.bld
    ;;
test)
    install_packages
    build build -DTREMAX_WERROR=$werror -DTREMAX_BENCH=OFF
    run_tests build
    ;;
sanitize)
    install_packages
    build build-sanitize -DTREMAX_WERROR=$werror -DTREMAX_SANITIZE=ON -DTREMAX_BENCH=OFF "${sanitizer_flags[@]}"
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize
    ;;
tsan)
    install_packages
    # shellcheck disable=SC2046
    cmake -S "$root" -B build-tsan $(generator_args build-tsan) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREMAX_WERROR=$werror -DTREMAX_TSAN=ON \
        -DTREMAX_BENCH=OFF "${sanitizer_flags[@]}" >/dev/null
    cmake --build build-tsan -j"$(nproc)" --target tremax_core_tests
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" QT_QPA_PLATFORM=offscreen \
        build-tsan/tests/tremax_core_tests --gtest_filter='SpectrumSweep.CoversThe*:SpectrumSweep.Reports*:SpectrumSweep.EndsWhen*:SpectrumSweep.GoesOn*:Playback*:ViewerSession*'
    ;;
bench)
    install_packages
    build build-bench -DCMAKE_BUILD_TYPE=Release -DTREMAX_TESTS=OFF
    for b in build-bench/bench/bench_*; do [ -x "$b" ] && "$b"; done
    ;;
screenshot)
    install_packages
    build build -DTREMAX_WERROR=$werror -DTREMAX_BENCH=OFF
    tools/screenshot.sh docs/screenshot.png
    ;;
*)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
