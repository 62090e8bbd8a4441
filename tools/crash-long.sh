#!/bin/sh
# Long kill -9 trials: sh tools/crash-long.sh [trials] [seed]
# Builds the sanitizer build's trial programs and runs the given number of
# trials (1000 unless told) spread over every command, with a new seed unless
# one is given.  A failing trial prints its seed.
set -e
cd "$(dirname "$0")/.."
trials=${1:-1000}
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DFENNICK_SANITIZE=ON -DFENNICK_WERROR=ON \
      $launcher > /dev/null
cmake --build build/test -j"$(nproc)" --target crash_trials fennick-crashchild
cd build/test
ASAN_OPTIONS=detect_leaks=1 ./tests/crash/crash_trials ./tests/crash/fennick-crashchild "$trials" $2
