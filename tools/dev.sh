#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tremax, builds it, and runs the program or the tests.
#   tools/dev.sh run        build and start tremax on the demo sequence
#   tools/dev.sh test       build and run the whole test suite
#   tools/dev.sh sanitize   the same tests built with AddressSanitizer and UBSan
#   tools/dev.sh tsan       the threaded tests (sweep, playback, session) under ThreadSanitizer
#   tools/dev.sh portable   the sweep tests built without the x86 vector paths (as on ARM)
#   tools/dev.sh bench      build and run the benchmarks
#   tools/dev.sh screenshot build and retake docs/screenshot.png and docs/usage.png under Xvfb
#   tools/dev.sh fuzz       build the fuzz targets (clang, ASan, UBSan) and run each for a while
#   tools/dev.sh python     build the Python module and print the PYTHONPATH that finds it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev libfftw3-dev librapidcheck-dev dbus-daemon python3 fonts-dejavu-core ccache ninja-build
          xvfb xauth x11-utils x11-xserver-utils openbox xdotool xclip imagemagick
          at-spi2-core python3-pyatspi python3-dogtail dbus-x11
          libtiff-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
          libsndfile1-dev qt6-multimedia-dev praat
          xdg-utils shared-mime-info desktop-file-utils libfile-mimeinfo-perl
          clang libclang-rt-14-dev
          python3-dev python3-numpy pybind11-dev python3-pytest python3-dask parallel)

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

# Runs every fuzz program of a fuzz build for `seconds`, two at a time (one per core), each on
# a working corpus of its own seeded from fuzz/corpus/<target>/. A finding is kept under
# <build>/findings/<target>/; it then belongs in tests/fuzz-regressions/<target>/ with the fix.
run_fuzzers() { # build-dir seconds
    local dir=$1 seconds=$2 failed=0 name
    local -a names=()
    for program in "$dir"/fuzz/fuzz_*; do
        [ -f "$program" ] && [ -x "$program" ] && names+=("${program##*/fuzz_}")
    done
    [ ${#names[@]} -gt 0 ] || { echo "no fuzz programs in $dir/fuzz"; return 1; }
    mkdir -p "$dir/logs"
    run_one() { # name
        local name=$1
        mkdir -p "$dir/corpus/$name" "$dir/findings/$name"
        local -a dict=()
        [ -f "$root/fuzz/dict/$name.dict" ] && dict=(-dict="$root/fuzz/dict/$name.dict")
        # -close_fd_mask=3: the libraries' own chatter stays out; libFuzzer's reports do not.
        "$dir/fuzz/fuzz_$name" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
            -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$dir/findings/$name/" \
            "$dir/corpus/$name" "$root/fuzz/corpus/$name" >"$dir/logs/$name.log" 2>&1
    }
    local -A pids=()
    for name in "${names[@]}"; do
        while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
        run_one "$name" &
        pids[$name]=$!
    done
    for name in "${names[@]}"; do
        if wait "${pids[$name]}"; then
            echo "fuzz $name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$dir/logs/$name.log" | grep -o '[0-9]*$') runs, no finding"
        else
            failed=1
            echo "fuzz $name: FINDING (log $dir/logs/$name.log, input in $dir/findings/$name/)"
            tail -n 40 "$dir/logs/$name.log"
        fi
    done
    return $failed
}

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

# The sanitizer builds: line tables only, which compile much faster than full debug information
# and still name the file and line of every report. The sanitizers' instrumentation makes GCC's
# maybe-uninitialized analysis report what cannot happen. The whole suite under AddressSanitizer
# is built without optimisation: that build takes 40 % less time and its tests 30 s more; the
# few threaded tests keep ThreadSanitizer's recommended -O1.
asan_flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g1 -DNDEBUG -Wno-maybe-uninitialized")
tsan_flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG -Wno-maybe-uninitialized")

case "${1:-}" in
run)
    install_packages
    build build -DTREMAX_WERROR=$werror
    exec build/app/tremax build/demo/demo.bld
    ;;
test)
    install_packages
    # Line tables are enough for a failing test's backtrace and halve the debug information.
    # The benchmarks are built too (not run), so that they keep compiling.
    build build -DTREMAX_WERROR=$werror -DTREMAX_BENCH=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
    run_tests build
    ;;
sanitize)
    install_packages
    build build-sanitize -DTREMAX_WERROR=$werror -DTREMAX_SANITIZE=ON -DTREMAX_BENCH=OFF "${asan_flags[@]}"
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize
    ;;
tsan)
    install_packages
    # shellcheck disable=SC2046
    cmake -S "$root" -B build-tsan $(generator_args build-tsan) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREMAX_WERROR=$werror -DTREMAX_TSAN=ON \
        -DTREMAX_BENCH=OFF "${tsan_flags[@]}" >/dev/null
    cmake --build build-tsan -j"$(nproc)" --target tremax_threaded_tests
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" QT_QPA_PLATFORM=offscreen \
        build-tsan/tests/tremax_threaded_tests --gtest_filter='SpectrumSweep.CoversThe*:SpectrumSweep.Reports*:SpectrumSweep.EndsWhen*:SpectrumSweep.GoesOn*:SpectrumFill*:Playback*:ViewerSession*:BlockFill*:ReadAheadTiming*:ThreadPriority*:FramePrefetcher*'
    ;;
portable)
    install_packages
    # Every processor without AVX2 or AVX-512 runs the portable kernel: built here with the x86
    # paths switched off, only the threaded tests' program, only the sweep's tests.
    # shellcheck disable=SC2046
    cmake -S "$root" -B build-portable $(generator_args build-portable) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTREMAX_WERROR=$werror -DTREMAX_X86_SIMD=OFF -DTREMAX_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g0 -DNDEBUG" >/dev/null
    cmake --build build-portable -j"$(nproc)" --target tremax_threaded_tests
    QT_QPA_PLATFORM=offscreen build-portable/tests/tremax_threaded_tests --gtest_filter='SpectrumSweep*'
    ;;
bench)
    install_packages
    build build-bench -DCMAKE_BUILD_TYPE=Release -DTREMAX_TESTS=OFF
    for b in build-bench/bench/bench_*; do [ -x "$b" ] && "$b"; done
    if [ -d build-bench/python ]; then
        PYTHONPATH=build-bench/python /usr/bin/python3 bench/python_colorize.py build-bench/app/tremax-cli build-bench/demo/demo.bld
    fi
    ;;
screenshot)
    install_packages
    build build -DTREMAX_WERROR=$werror -DTREMAX_BENCH=OFF
    tools/screenshot.sh docs/screenshot.png
    tools/screenshot.sh --usage docs/usage.png
    ;;
fuzz)
    install_packages
    # A build of its own, with clang: only the layers the fuzz targets link are compiled.
    first=""
    [ -f build-fuzz/CMakeCache.txt ] || first="-DCMAKE_CXX_COMPILER=clang++"
    # shellcheck disable=SC2046,SC2086
    cmake -S "$root" -B build-fuzz $(generator_args build-fuzz) $first -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTREMAX_FUZZ=ON -DTREMAX_WERROR=$werror >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target tremax_fuzzers
    run_fuzzers build-fuzz "${FUZZ_SECONDS:-20}"
    ;;
python)
    install_packages
    build build -DTREMAX_WERROR=$werror >&2
    echo "$root/build/python"
    ;;
*)
    sed -n '2,10p' "$0"
    exit 2
    ;;
esac
