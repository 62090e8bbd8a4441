#!/bin/sh
# Builds the release benchmarks and runs the window benchmark in a real X
# window (Xvfb), then the function benchmark.  Figures: name records value unit.
# Usage: sh tools/bench-x11.sh [records ...]
set -e
cd "$(dirname "$0")/.."
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run missing: installing xvfb" >&2
    if [ "$(id -u)" = 0 ]; then apt-get install -y xvfb; else sudo apt-get install -y xvfb; fi
fi
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DFENNICK_TESTS=OFF $launcher >/dev/null
cmake --build build/release -j2 --target fennick-bench-window fennick-bench >/dev/null
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bench/fennick-bench-window "$@"
else
    echo "no X server available: figures are labelled offscreen" >&2
    QT_QPA_PLATFORM=offscreen build/release/bench/fennick-bench-window "$@"
fi
if [ "${FENNICK_BENCH_WINDOW_ONLY:-}" = "" ]; then
    build/release/bench/fennick-bench
fi
