#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite (no display
# needed): once as shipped, once under AddressSanitizer and
# UndefinedBehaviorSanitizer (a minute of camdeck-soak among the tests, as
# soak_60s), once under ThreadSanitizer, where any report fails the run, then
# the fuzzers.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
export QT_QPA_PLATFORM=offscreen

# Serially: some tests time the line in real time and want the machine to themselves.
configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$build" && ctest --output-on-failure --no-tests=error)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configure_and_build "$build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DCAMDECK_SANITIZE=ON
(cd "$build-sanitize" && ctest --output-on-failure --no-tests=error)

# The send queue's thread and the window it reports to, under ThreadSanitizer.
# Debian's Qt is not built for it: accesses inside Qt's own code are left out
# (ignore_noninstrumented_modules), ours are all checked.
export TSAN_OPTIONS=halt_on_error=1:ignore_noninstrumented_modules=1:die_after_fork=0
configure_and_build "$build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAMDECK_TSAN=ON
(cd "$build-tsan" && ctest --output-on-failure --no-tests=error -E '^(bench|fuzz)')

# The preset reader and the simulator's decoder under libFuzzer, a minute each,
# from the seed corpora kept in the repository.
install_missing clang libclang-rt-dev
cmake -S "$top" -B "$build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCAMDECK_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAMDECK_FUZZ_SECONDS="${CAMDECK_FUZZ_SECONDS:-60}"
cmake --build "$build-fuzz" -j "$(nproc)" --target fuzz_presetfile fuzz_decoder
(cd "$build-fuzz" && ctest --output-on-failure --no-tests=error -R '^fuzz_')
