#!/bin/sh
# Installs what is missing, builds Fennick with the sanitizers and runs every
# test on Qt's offscreen platform (no display needed).
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DFENNICK_SANITIZE=ON -DFENNICK_WERROR=ON
cmake --build build/test -j"$(nproc)"
cd build/test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
cd ../.. && sh tools/fuzz.sh 20
